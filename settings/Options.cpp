#include "settings/Options.h"

#include "settings/OptionsIds.h"
#include "settings/SettingsStore.h"

#include <commctrl.h>

namespace {

constexpr int kWidth = 459, kHeight = 225;
constexpr DWORD kTab = WS_VISIBLE | WS_TABSTOP;
constexpr DWORD kCheck = BS_AUTOCHECKBOX | WS_TABSTOP;

const char* const kPageCaptions[] = {"Default download folder", "Browser options",
                                     "Confirmation options"};

const ui::ControlSpec kFrame[] = {
    {WC_TABCONTROLA, IDC_OPT_PAGES, "", {8, 8, 451, 184}, kTab | WS_CLIPSIBLINGS},
    {"BUTTON", IDOK, "OK", {213, 192, 289, 217}, kTab | BS_DEFPUSHBUTTON},
    {"BUTTON", IDCANCEL, "Cancel", {294, 192, 370, 217}, kTab | BS_PUSHBUTTON},
    {"BUTTON", IDC_OPT_HELP, "&Help", {375, 192, 451, 217}, WS_TABSTOP | BS_PUSHBUTTON},
};

// The pages' controls, created hidden; the selected page shows its own.
const ui::ControlSpec kDownloadPage[] = {
    {"BUTTON",
     IDC_OPT_AUTOMOVE,
     "When a new zip file is downloaded, automatically move it to:",
     {24, 48, 436, 66},
     BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP},
    {"BUTTON",
     IDC_OPT_KEEPINTEMP,
     "Keep zip files in your temp folder",
     {24, 112, 436, 130},
     BS_AUTORADIOBUTTON},
    {"EDIT",
     IDC_OPT_DOWNLOADDIR,
     "",
     {42, 74, 340, 96},
     ES_AUTOHSCROLL | WS_GROUP | WS_TABSTOP,
     WS_EX_CLIENTEDGE},
    {"BUTTON", IDC_OPT_BROWSE, "Browse...", {348, 73, 428, 97}, BS_PUSHBUTTON | WS_TABSTOP},
};
const ui::ControlSpec kBrowserPage[] = {
    {"STATIC",
     IDC_OPT_BROWSERLABEL,
     "Use Kelvora to handle zip files downloaded with:",
     {24, 48, 436, 64},
     SS_LEFT},
    {"BUTTON",
     IDC_OPT_NETSCAPE,
     "Netscape 4.0  (for older versions, please see the help file)",
     {42, 76, 436, 94},
     kCheck | WS_GROUP},
    {"BUTTON", IDC_OPT_IE, "Internet Explorer  (all versions)", {42, 102, 436, 120}, kCheck},
};
const ui::ControlSpec kConfirmationPage[] = {
    {"BUTTON",
     IDC_OPT_AUTORUN,
     "If zip file contains a setup program, automatically run it",
     {24, 52, 436, 70},
     kCheck | WS_GROUP},
    {"BUTTON",
     IDC_OPT_AUTOEXIT,
     "Exit Kelvora after installation from zip file",
     {24, 80, 436, 98},
     kCheck},
    {"STATIC",
     IDC_OPT_ENCRYPTLABEL,
     "\"Protect With Password\" encrypts added files with:",
     {24, 110, 436, 126},
     SS_LEFT},
    {"BUTTON",
     IDC_OPT_TRADITIONAL,
     "Traditional zip encryption (every zip program reads it; weak)",
     {42, 130, 436, 148},
     BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP},
    {"BUTTON",
     IDC_OPT_AES256,
     "AES-256 (strong; very old zip programs cannot read it)",
     {42, 152, 436, 170},
     BS_AUTORADIOBUTTON},
};
const std::span<const ui::ControlSpec> kPageControls[] = {kDownloadPage, kBrowserPage,
                                                          kConfirmationPage};

// The colour the tab control fills its page with (a theme may draw it lighter than the
// dialog), read from the control's own drawing; the dialog face when that cannot be had.
COLORREF PageFaceColor(HWND tab) {
    COLORREF face = GetSysColor(COLOR_BTNFACE);
    RECT client;
    GetClientRect(tab, &client);
    RECT page = client;
    TabCtrl_AdjustRect(tab, FALSE, &page);
    HDC screen = GetDC(tab);
    HDC mem = CreateCompatibleDC(screen);
    ui::BitmapHandle canvas(CreateCompatibleBitmap(screen, client.right, client.bottom));
    if (mem && canvas) {
        ui::SelectScope select(mem, canvas.Get());
        SendMessageA(tab, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(mem),
                     PRF_CLIENT | PRF_ERASEBKGND);
        const COLORREF drawn = GetPixel(mem, page.left + 4, page.bottom - 4);
        if (drawn != CLR_INVALID) face = drawn;
    }
    if (mem) DeleteDC(mem);
    ReleaseDC(tab, screen);
    return face;
}

} // namespace

POINT OptionsDialogPosition(const RECT& w, int dpi) {
    const int width = w.right - w.left, height = w.bottom - w.top;
    return POINT{w.left + width / 2 - ui::ScaleToDpi(233, dpi),
                 w.top + height / 2 - ui::ScaleToDpi(126, dpi)};
}

TfrmOptions::TfrmOptions() : pathDialog1_(this) {
    pathDialog1_.Title = "Default download folder";
}

ui::Form::CreateParams TfrmOptions::GetCreateParams() {
    return FixedDialog("Kelvora Options", kWidth, kHeight);
}

void TfrmOptions::OnCreate() {
    CreateControls(kFrame);
    for (std::span<const ui::ControlSpec> page : kPageControls)
        CreateControls(page);
    pages_.Attach(Control(IDC_OPT_PAGES));
    for (const char* caption : kPageCaptions)
        pages_.AddTab(caption);
    // The pages' controls lie over the tab control: keep it beneath them.
    SetWindowPos(pages_.Handle(), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    autoMove_.Attach(Control(IDC_OPT_AUTOMOVE));
    keepInTemp_.Attach(Control(IDC_OPT_KEEPINTEMP));
    downloadDir_.Attach(Control(IDC_OPT_DOWNLOADDIR));
    browse_.Attach(Control(IDC_OPT_BROWSE));
    netscape_.Attach(Control(IDC_OPT_NETSCAPE));
    ie_.Attach(Control(IDC_OPT_IE));
    autoRun_.Attach(Control(IDC_OPT_AUTORUN));
    autoExit_.Attach(Control(IDC_OPT_AUTOEXIT));
    traditional_.Attach(Control(IDC_OPT_TRADITIONAL));
    aes256_.Attach(Control(IDC_OPT_AES256));
    ShowPage(DownloadPage);
}

void TfrmOptions::ShowPage(int page) {
    if (page < 0 || page >= kPageCount) return;
    pages_.Select(page);
    for (int p = 0; p < kPageCount; ++p)
        for (const ui::ControlSpec& control : kPageControls[p])
            ShowWindow(Control(control.Id), p == page ? SW_SHOW : SW_HIDE);
}

void TfrmOptions::Load(const OptionsRequest& request) {
    const OptionValues& v = request.Values;
    autoMove_.SetChecked(v.AutoMove);
    keepInTemp_.SetChecked(!v.AutoMove);
    downloadDir_.SetText(v.DownloadDir);
    SetFolderEnabled(v.AutoMove);
    netscape_.SetChecked(v.Netscape);
    ie_.SetChecked(v.IE);
    autoRun_.SetChecked(v.AutoRun);
    autoExit_.SetChecked(v.AutoExit);
    traditional_.SetChecked(!v.AesEncryption);
    aes256_.SetChecked(v.AesEncryption);
    FormShow(request.MainWindow);
    // The page last showing stays; focus its first control.
    SetFocus(pages_.Handle());
}

void TfrmOptions::FormShow(const RECT& mainWindow) {
    const POINT at = OptionsDialogPosition(mainWindow, Dpi());
    SetWindowPos(Handle(), nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

std::optional<OptionValues> TfrmOptions::Collect() {
    OptionValues v;
    v.AutoMove = autoMove_.Checked();
    v.DownloadDir = downloadDir_.Text(); // as typed; a missing folder is met when moving
    v.Netscape = netscape_.Checked();
    v.IE = ie_.Checked();
    v.AutoRun = autoRun_.Checked();
    v.AutoExit = autoExit_.Checked();
    v.AesEncryption = aes256_.Checked();
    return v;
}

void TfrmOptions::SetFolderEnabled(bool on) {
    downloadDir_.SetEnabled(on);
    browse_.SetEnabled(on);
}

void TfrmOptions::btnBrowseClick() {
    pathDialog1_.SetDirectory(downloadDir_.Text());
    if (pathDialog1_.Execute()) downloadDir_.SetText(pathDialog1_.Directory());
}

void TfrmOptions::radiobtnAutoMoveClick() {
    SetFolderEnabled(true);
}

void TfrmOptions::radiobtnKeepInTempDirClick() {
    SetFolderEnabled(false);
}

void TfrmOptions::OnCommand(int id, int code, HWND) {
    if (code != BN_CLICKED) return;
    switch (id) {
    case IDC_OPT_BROWSE:
        btnBrowseClick();
        break;
    case IDC_OPT_AUTOMOVE:
        radiobtnAutoMoveClick();
        break;
    case IDC_OPT_KEEPINTEMP:
        radiobtnKeepInTempDirClick();
        break;
    default: // "&Help" is hidden and has no action
        break;
    }
}

bool TfrmOptions::OnNotify(NMHDR* header, LRESULT& result) {
    if (header->hwndFrom != pages_.Handle() || header->code != TCN_SELCHANGE) return false;
    ShowPage(pages_.Selected());
    result = 0;
    return true;
}

LRESULT TfrmOptions::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    // Captions on a page take the page's face; the folder box keeps its own colours.
    const HWND control = reinterpret_cast<HWND>(lp);
    if (msg == WM_CTLCOLORSTATIC && control != downloadDir_.Handle() &&
        GetDlgCtrlID(control) >= IDC_OPT_AUTOMOVE) {
        if (!pageFace_) pageFace_.Reset(CreateSolidBrush(PageFaceColor(pages_.Handle())));
        LRESULT brush = DefaultProc(msg, wp, lp);
        SetBkMode(reinterpret_cast<HDC>(wp), TRANSPARENT);
        return pageFace_ ? reinterpret_cast<LRESULT>(pageFace_.Get()) : brush;
    }
    if (msg == WM_SYSCOLORCHANGE || msg == WM_THEMECHANGED) pageFace_.Reset();
    return DefaultProc(msg, wp, lp);
}

void EditOptions(TfrmOptions& dialog, HWND mainWindow, settings::IniFile& ini,
                 kelvora::InMemorySettings& s, const browsers::RegistryRoots& roots,
                 const std::string& handlerPath) {
    OptionsRequest request;
    request.Values = {s.AutoMove, s.DownloadDir, s.Netscape,     s.IE,
                      s.AutoRun,  s.AutoExit,    s.AesEncryption};
    GetWindowRect(mainWindow, &request.MainWindow);
    const std::optional<OptionValues> chosen = dialog.Execute(mainWindow, request);
    if (!chosen) return;
    const OptionValues& v = *chosen;
    using settings::kBrowsersSection, settings::kOptionsSection;
    // Each key is written, then taken into memory; a refused write ends the command there.
    ini.WriteBool(kOptionsSection, "AutoMove", v.AutoMove);
    s.AutoMove = v.AutoMove;
    ini.WriteString(kOptionsSection, "DownloadDir", v.DownloadDir);
    s.DownloadDir = v.DownloadDir;
    ini.WriteBool(kBrowsersSection, "Netscape", v.Netscape);
    s.Netscape = v.Netscape;
    ini.WriteBool(kBrowsersSection, "IE", v.IE);
    s.IE = v.IE;
    // The registry follows the flags just stored; a refusal is told, and the two remaining
    // options are stored all the same.
    if (std::optional<std::string> error =
            browsers::ApplyBrowserRegistration(roots, s.Netscape, s.IE, handlerPath))
        ui::Dialogs().Error(mainWindow, *error);
    ini.WriteBool(kOptionsSection, "AutoRun", v.AutoRun);
    s.AutoRun = v.AutoRun;
    ini.WriteBool(kOptionsSection, "AutoExit", v.AutoExit);
    s.AutoExit = v.AutoExit;
    ini.WriteBool(kOptionsSection, "AesEncryption", v.AesEncryption);
    s.AesEncryption = v.AesEncryption;
}

std::string TfrmOptions::DownloadDirText() const {
    if (!Handle()) return {};
    return downloadDir_.Text();
}
