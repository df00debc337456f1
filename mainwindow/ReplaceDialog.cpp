#include "mainwindow/ReplaceDialog.h"

#include "base/MemberNames.h"
#include "mainwindow/MainIds.h"
#include "mainwindow/TextFormat.h"

namespace {

constexpr int kWidth = 480, kHeight = 176;
constexpr DWORD kButton = WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;

const ui::ControlSpec kControls[] = {
    {"STATIC", IDC_REPLACE_TEXT, "", {12, 10, 468, 132}, WS_VISIBLE | SS_OWNERDRAW},
    {"BUTTON", IDC_REPLACE_YES, "&Yes", {12, 140, 92, 166}, kButton},
    {"BUTTON", IDC_REPLACE_NO, "&No", {100, 140, 180, 166}, kButton | BS_DEFPUSHBUTTON},
    {"BUTTON", IDC_REPLACE_YESALL, "Yes to &All", {188, 140, 278, 166}, kButton},
    {"BUTTON", IDC_REPLACE_NOALL, "N&o to All", {286, 140, 376, 166}, kButton},
    {"BUTTON", IDCANCEL, "Cancel", {388, 140, 468, 166}, kButton},
};

struct ButtonChoice {
    int id;
    ReplaceChoice choice;
};
const ButtonChoice kChoices[] = {
    {IDC_REPLACE_YES, ReplaceChoice::Yes},
    {IDC_REPLACE_NO, ReplaceChoice::No},
    {IDC_REPLACE_YESALL, ReplaceChoice::YesToAll},
    {IDC_REPLACE_NOALL, ReplaceChoice::NoToAll},
};

std::wstring SizeAndDate(std::uint64_t size, const std::string& date) {
    std::wstring text =
        kname::Widen(contents::FormatThousands(static_cast<std::int64_t>(size)), CP_ACP) +
        L" bytes";
    if (!date.empty()) text += L", modified " + kname::Widen(date, CP_ACP);
    return text;
}

// The local time of that day (summer time applied as it was then, as Explorer shows it).
std::string LocalDate(const FILETIME& utc) {
    SYSTEMTIME universal, st;
    if ((utc.dwLowDateTime == 0 && utc.dwHighDateTime == 0) ||
        !FileTimeToSystemTime(&utc, &universal) ||
        !SystemTimeToTzSpecificLocalTime(nullptr, &universal, &st))
        return {};
    return contents::FormatDateTime(
        {st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond});
}

} // namespace

std::wstring ReplaceQuestion(const ReplaceRequest& r) {
    return L"This file exists already:\n    " + r.ExistingPath + L"\n    " +
           SizeAndDate(r.ExistingSize, LocalDate(r.ExistingTime)) +
           L"\n\nReplace it with this file from the archive?\n    " + r.MemberName + L"\n    " +
           SizeAndDate(r.MemberSize, contents::FormatDosDateTime(r.MemberDosTime));
}

ui::Form::CreateParams TReplaceDialog::GetCreateParams() {
    return FixedDialog("Confirm File Replace", kWidth, kHeight);
}

void TReplaceDialog::OnCreate() {
    CreateControls(kControls);
}

void TReplaceDialog::Load(const ReplaceRequest& request) {
    text_ = ReplaceQuestion(request);
    choice_ = ReplaceChoice::No;
    InvalidateRect(Control(IDC_REPLACE_TEXT), nullptr, TRUE);
    SetFocus(Control(IDC_REPLACE_NO));
}

void TReplaceDialog::OnCommand(int id, int, HWND) {
    for (const ButtonChoice& c : kChoices)
        if (c.id == id) {
            choice_ = c.choice;
            OnOK();
        }
}

LRESULT TReplaceDialog::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_DRAWITEM && wp == IDC_REPLACE_TEXT) {
        const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
        RECT r = item.rcItem;
        FillRect(item.hDC, &r, GetSysColorBrush(COLOR_BTNFACE));
        SetBkMode(item.hDC, TRANSPARENT);
        SetTextColor(item.hDC, GetSysColor(COLOR_BTNTEXT));
        HGDIOBJ old = SelectObject(item.hDC, Font());
        DrawTextW(item.hDC, text_.c_str(), static_cast<int>(text_.size()), &r,
                  DT_LEFT | DT_NOPREFIX | DT_WORDBREAK | DT_EDITCONTROL);
        SelectObject(item.hDC, old);
        return TRUE;
    }
    return DefaultProc(msg, wp, lp);
}
