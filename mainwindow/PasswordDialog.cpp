#include "mainwindow/PasswordDialog.h"

#include "base/MemberNames.h"
#include "mainwindow/MainIds.h"

namespace {

constexpr int kWidth = 360, kHeight = 104;
constexpr DWORD kButton = WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;
// The engines take a password of at most 80 bytes.
constexpr int kMaxPassword = 80;

const ui::ControlSpec kControls[] = {
    {"STATIC", IDC_PASSWORD_TEXT, "", {12, 10, 348, 42}, WS_VISIBLE | SS_NOPREFIX},
    {"EDIT",
     IDC_PASSWORD_EDIT,
     "",
     {12, 46, 348, 68},
     WS_VISIBLE | WS_TABSTOP | ES_PASSWORD | ES_AUTOHSCROLL,
     WS_EX_CLIENTEDGE},
    {"BUTTON", IDOK, "OK", {184, 74, 260, 98}, kButton | BS_DEFPUSHBUTTON},
    {"BUTTON", IDCANCEL, "Cancel", {268, 74, 348, 98}, kButton},
};

} // namespace

std::string PasswordPrompt(const PasswordRequest& r) {
    return (r.Wrong ? "The password was wrong. " : "") + std::string("Enter the password for ") +
           r.ArchiveName + ":";
}

ui::Form::CreateParams TPasswordDialog::GetCreateParams() {
    return FixedDialog("Password", kWidth, kHeight);
}

void TPasswordDialog::OnCreate() {
    CreateControls(kControls);
    SendMessageW(Control(IDC_PASSWORD_EDIT), EM_LIMITTEXT, kMaxPassword, 0);
}

void TPasswordDialog::Load(const PasswordRequest& request) {
    // In Unicode: an archive's name comes in any script.
    SetWindowTextW(Control(IDC_PASSWORD_TEXT),
                   kname::Widen(PasswordPrompt(request), CP_ACP).c_str());
    SetWindowTextW(Control(IDC_PASSWORD_EDIT), L"");
    SetFocus(Control(IDC_PASSWORD_EDIT));
}

std::optional<std::string> TPasswordDialog::Collect() {
    const HWND edit = Control(IDC_PASSWORD_EDIT);
    std::wstring typed(static_cast<size_t>(GetWindowTextLengthW(edit)) + 1, L'\0');
    typed.resize(static_cast<size_t>(GetWindowTextW(edit, typed.data(), static_cast<int>(typed.size()))));
    return kname::Narrow(typed, CP_ACP);
}
