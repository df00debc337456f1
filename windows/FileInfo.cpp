#include "windows/FileInfo.h"

#include "windows/InfoIds.h"

namespace {

constexpr int kWidth = 364, kHeight = 190;
constexpr DWORD kCaptionStyle = WS_VISIBLE | SS_LEFTNOWORDWRAP;
constexpr DWORD kValueStyle = WS_VISIBLE | SS_LEFT | SS_NOPREFIX | SS_ENDELLIPSIS;

const ui::ControlSpec kControls[] = {
    {"STATIC", IDC_FI_FRAME, "", {8, 6, 356, 146}, WS_VISIBLE | SS_ETCHEDFRAME},
    {"STATIC", IDC_FI_NAMEFRAME, "", {14, 12, 350, 38}, WS_VISIBLE | SS_SUNKEN},
    {"STATIC", IDC_FI_CAPTION1 + 0, "Filename:", {18, 18, 124, 34}, kCaptionStyle},
    {"STATIC",
     IDC_FI_LABEL1 + 0,
     "0",
     {126, 18, 348, 34},
     WS_VISIBLE | SS_LEFT | SS_NOPREFIX | SS_PATHELLIPSIS},
    {"STATIC", IDC_FI_CAPTION1 + 1, "Files In Zip:", {18, 50, 124, 66}, kCaptionStyle},
    {"STATIC", IDC_FI_LABEL1 + 1, "0", {126, 50, 348, 66}, kValueStyle},
    {"STATIC", IDC_FI_CAPTION1 + 2, "Compr. Size:", {18, 74, 124, 90}, kCaptionStyle},
    {"STATIC", IDC_FI_LABEL1 + 2, "0", {126, 74, 348, 90}, kValueStyle},
    {"STATIC", IDC_FI_CAPTION1 + 3, "Uncompr. Size:", {18, 98, 124, 114}, kCaptionStyle},
    {"STATIC", IDC_FI_LABEL1 + 3, "0", {126, 98, 348, 114}, kValueStyle},
    {"STATIC", IDC_FI_CAPTION1 + 4, "Ratio:", {18, 122, 124, 138}, kCaptionStyle},
    {"STATIC", IDC_FI_LABEL1 + 4, "0", {126, 122, 348, 138}, kValueStyle},
    {"BUTTON", IDOK, "&Ok", {142, 156, 222, 182}, WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON},
};

HFONT ArialFont(int weight, int height) {
    return CreateFontA(-height, 0, 0, 0, weight, FALSE, FALSE, FALSE, ANSI_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       DEFAULT_PITCH | FF_SWISS, "Arial");
}

} // namespace

ui::Form::CreateParams TfrmFileInfo::GetCreateParams() {
    return FixedDialog("File Info", kWidth, kHeight);
}

void TfrmFileInfo::OnCreate() {
    CreateControls(kControls);
    for (int i = 0; i < 5; ++i)
        labels_[i].Attach(Control(IDC_FI_LABEL1 + i));
    MakeFonts();
}

void TfrmFileInfo::OnDpiChanged(int, int) {
    // The labels hold the old fonts until they are given the new ones.
    ui::FontHandle oldBold = std::move(bold_), oldPlain = std::move(plain_);
    MakeFonts();
}

void TfrmFileInfo::MakeFonts() {
    bold_.Reset(ArialFont(FW_BOLD, Scale(12)));
    plain_.Reset(ArialFont(FW_NORMAL, Scale(12)));
    for (int i = 0; i < 5; ++i) {
        SendMessageA(labels_[i].Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(plain_.Get()), 0);
        SendMessageA(Control(IDC_FI_CAPTION1 + i), WM_SETFONT,
                     reinterpret_cast<WPARAM>(bold_.Get()), 0);
    }
}

void TfrmFileInfo::Load(const FileInfoValues& v) {
    const std::string* values[5] = {&v.FileName, &v.EntryCount, &v.CompressedSize,
                                    &v.UncompressedSize, &v.Ratio};
    for (int i = 0; i < 5; ++i)
        labels_[i].SetText(*values[i]);
    SetFocus(Control(IDOK));
}

LRESULT TfrmFileInfo::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    // The file name is shown in navy.
    if (msg == WM_CTLCOLORSTATIC && reinterpret_cast<HWND>(lp) == labels_[0].Handle()) {
        LRESULT brush = DefaultProc(msg, wp, lp);
        SetTextColor(reinterpret_cast<HDC>(wp), RGB(0, 0, 128));
        return brush;
    }
    return DefaultProc(msg, wp, lp);
}
