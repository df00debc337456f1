#include "windows/about.h"

#include "ui/Application.h"
#include "windows/InfoIds.h"

namespace {

constexpr int kWidth = 298, kHeight = 171;
const RECT kPanel{8, 8, 290, 126};
const POINT kLogoAt{22, 30};

const ui::ControlSpec kControls[] = {
    {"STATIC", IDC_AB_TITLE, "Kelvora 98", {100, 22, 284, 52}, WS_VISIBLE | SS_NOPREFIX},
    {"STATIC", IDC_AB_VERSION, "", {102, 58, 284, 74}, WS_VISIBLE},
    {"STATIC",
     IDC_AB_NOTICE,
     "Zip archives made simple, for everyone.",
     {16, 102, 284, 118},
     WS_VISIBLE | SS_CENTER},
    {"BUTTON", IDOK, "OK", {111, 136, 187, 162}, WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON},
};

} // namespace

POINT AboutBoxPosition(const RECT& w, int dpi) {
    const int width = w.right - w.left, height = w.bottom - w.top;
    return POINT{w.left + width / 2 - ui::ScaleToDpi(153, dpi),
                 w.top + height / 2 - ui::ScaleToDpi(103, dpi)};
}

ui::Form::CreateParams TAboutBox::GetCreateParams() {
    return FixedDialog("About", kWidth, kHeight);
}

void TAboutBox::OnCreate() {
    CreateControls(kControls);
    MakeFonts();
    version_.Attach(Control(IDC_AB_VERSION));
    logo_.Reset(LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_ABOUTLOGO)));
}

void TAboutBox::MakeFonts() {
    titleFont_.Reset(CreateFontA(-Scale(26), 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET,
                                 OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                 FIXED_PITCH | FF_MODERN, "Courier New"));
    LOGFONTA lf{};
    GetObjectA(Font(), sizeof lf, &lf);
    lf.lfWeight = FW_BOLD;
    boldFont_.Reset(CreateFontIndirectA(&lf));
    SendMessageA(Control(IDC_AB_TITLE), WM_SETFONT, reinterpret_cast<WPARAM>(titleFont_.Get()), 0);
    SendMessageA(Control(IDC_AB_VERSION), WM_SETFONT, reinterpret_cast<WPARAM>(boldFont_.Get()), 0);
}

void TAboutBox::OnDpiChanged(int, int) {
    // The controls hold the old fonts until they are given the new ones.
    ui::FontHandle oldTitle = std::move(titleFont_), oldBold = std::move(boldFont_);
    MakeFonts();
}

void TAboutBox::Load(const RECT& mainWindow) {
    version_.SetText("Version 3.0");
    POINT at = AboutBoxPosition(mainWindow, Dpi());
    SetWindowPos(Handle(), nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    SetFocus(Control(IDOK));
}

void TAboutBox::Paint(HDC dc) {
    RECT panel = ui::ScaleRect(kPanel, Dpi());
    DrawEdge(dc, &panel, EDGE_RAISED, BF_RECT);
    if (!logo_) return;
    BITMAP bm{};
    GetObjectA(logo_.Get(), sizeof bm, &bm);
    HDC mem = CreateCompatibleDC(dc);
    {
        ui::SelectScope select(mem, logo_.Get());
        // The logo is drawn on button-face grey, which is its transparent colour; it grows
        // with the display scale.
        TransparentBlt(dc, Scale(kLogoAt.x), Scale(kLogoAt.y), Scale(bm.bmWidth),
                       Scale(bm.bmHeight), mem, 0, 0, bm.bmWidth, bm.bmHeight, RGB(192, 192, 192));
    }
    DeleteDC(mem);
}

LRESULT TAboutBox::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(Handle(), &ps);
        Paint(dc);
        EndPaint(Handle(), &ps);
        return 0;
    }
    case WM_CTLCOLORSTATIC:
        if (reinterpret_cast<HWND>(lp) == Control(IDC_AB_TITLE)) {
            LRESULT brush = DefaultProc(msg, wp, lp);
            SetTextColor(reinterpret_cast<HDC>(wp), RGB(0, 0, 255));
            return brush;
        }
        break;
    default:
        break;
    }
    return DefaultProc(msg, wp, lp);
}
