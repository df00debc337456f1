// TMainForm: creation of the window's controls, their layout and the glyph bitmaps.
#include "mainwindow/Main.h"

#include "base/MemberNames.h"
#include "engine/PathUtil.h"
#include "mainwindow/MainIds.h"
#include "mainwindow/TempFolders.h"
#include "settings/SettingsStore.h"
#include "ui/Application.h"
#include "ui/Dialogs.h"
#include "ui/Layout.h"

#include <commctrl.h>

#include <algorithm>
#include <cwchar>
#include <exception>
#include <vector>

namespace {

constexpr int kClientWidth = 572;
constexpr int kClientHeight = 414;
constexpr int kToolPanelHeight = 63;
constexpr int kBottomPanelHeight = 38;
constexpr int kProgressHeight = 17;
constexpr int kButtonHeight = 44;
const COLORREF kSilver = RGB(192, 192, 192);
// Below this the progress and status bars, which follow the bottom edge, would climb over
// the tool panel; a few rows of the list stay in between.
constexpr int kMinClientWidth = 320;
constexpr int kMinClientHeight = kToolPanelHeight + 80 + kBottomPanelHeight;

struct ToolButtonDesign {
    const char* label;
    const char* hint;
    int width;
    int glyph; // IDB_ of the design glyph
    UINT command;
};

// Left to right, in the order of the ToolButton enumeration.
const ToolButtonDesign kToolButtons[TMainForm::kToolButtonCount] = {
    {"New", "Create New Zip-file", 41, IDB_NEW, IDM_NEWARCHIVE},         // NewZipBut
    {"Open", "Open a .zip or .exe-file", 41, IDB_OPEN, IDM_OPENARCHIVE}, // SpeedButton1
    {"Wizard", "Wizard - Helps you, step by step, to create your own Zip-files", 44, IDB_WIZARD,
     IDM_WIZARD}, // WizardAddBut
    {"Setup", "Run setup- or installfile in directory", 41, IDB_IMAGE11,
     IDM_INSTALL},                                                               // SpeedButton2
    {"Run", "Run or open selected file", 41, IDB_IMAGE12, IDM_POP_RUN},          // SpeedButton3
    {"View", "View selected file(s) as text", 41, IDB_IMAGE7, IDM_VIEWSELECTED}, // SpeedButton4
    {"Extr Sel", "Extract selected file(s) in directory", 44, IDB_IMAGE8,
     IDM_EXTRACTSELECTED},                                                        // SpeedButton5
    {"Extr All", "Extract all files to folder", 44, IDB_IMAGE10, IDM_EXTRACTALL}, // SpeedButton6
    {"Add", "Add files to your Zip-file", 41, IDB_IMAGE9, IDM_ADDTOZIP},          // AddZipBut
    {"Delete", "Delete selected files", 41, IDB_DELETE, IDM_DELETEFROMZIP}, // DeleteFromZipBut
    {"Options", "Configure program settings", 44, IDB_OPTIONS, IDM_CONFIGURATION}, // SpeedButton7
    {"Help", "Help", 41, IDB_HELP, IDM_CONTENTS},                                  // SpeedButton8
    {"Mail", "Send Us Your Comments", 41, IDB_MAIL, IDM_COMMENTS},                 // SpeedButton11
};
const int kGroupEnds[3] = {2, 5, 9}; // last button of each of the first three groups

constexpr int kListBottom = kClientHeight - kBottomPanelHeight;
// The usual widest texts of the status bar's count and total panels, the least width of the
// name panel before it, and the room the size grip takes from the last panel.
constexpr const char* kCountSample = "Files in Zip: 100000";
constexpr const char* kTotalSample = "Total Uncompressed Size: 999,999,999 bytes";
constexpr int kMinNamePanel = 100;
constexpr int kSizeGripWidth = 18;
// The controls below the tool panel, in design pixels of the 572 x 414 client area.
const ui::ControlSpec kContentsControls[] = {
    {WC_LISTVIEWA,
     IDC_LISTVIEW1,
     "",
     {0, kToolPanelHeight, kClientWidth, kListBottom},
     WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS | LVS_OWNERDATA | LVS_SHAREIMAGELISTS,
     0,
     ui::akAll},
    {PROGRESS_CLASSA,
     IDC_PROGRESSBAR1,
     "",
     {0, kListBottom, kClientWidth, kListBottom + kProgressHeight},
     WS_VISIBLE,
     0,
     ui::akLeft | ui::akRight | ui::akBottom},
    // The status bar places itself along the bottom edge.
    {STATUSCLASSNAMEA,
     IDC_STATUSBAR1,
     "",
     {0, kClientHeight - 20, kClientWidth, kClientHeight},
     WS_VISIBLE | SBARS_SIZEGRIP | SBARS_TOOLTIPS,
     0,
     ui::akLeft | ui::akRight | ui::akBottom},
};

// The tool panel's rows: each button, its label below it, and a separator after each of the
// first three groups.
std::vector<ui::ControlSpec> ToolPanelControls() {
    std::vector<ui::ControlSpec> controls;
    int x = 4, sep = 0;
    for (int i = 0; i < TMainForm::kToolButtonCount; ++i) {
        const ToolButtonDesign& d = kToolButtons[i];
        controls.push_back({ui::SpeedButton::ClassName(),
                            IDC_TOOLBUTTON_FIRST + i,
                            "",
                            {x, 2, x + d.width, 2 + kButtonHeight},
                            WS_VISIBLE});
        controls.push_back({"STATIC",
                            IDC_TOOLLABEL_FIRST + i,
                            d.label,
                            {x - 3, kButtonHeight + 3, x + d.width + 3, kButtonHeight + 17},
                            WS_VISIBLE | SS_CENTER});
        x += d.width;
        if (sep < 3 && i == kGroupEnds[sep]) {
            controls.push_back({"STATIC",
                                -1,
                                "",
                                {x + 3, 4, x + 5, kToolPanelHeight - 4},
                                WS_VISIBLE | SS_ETCHEDVERT});
            x += 8;
            ++sep;
        }
    }
    return controls;
}

HBRUSH SilverBrush() {
    static HBRUSH brush = CreateSolidBrush(kSilver); // lives as long as the program
    return brush;
}

} // namespace

UINT ToolButtonCommand(int index) {
    return kToolButtons[index].command;
}

TMainForm::TMainForm(kelvora::SharedState& state, MainFormStartup startup)
    : state_(state), commandLine_(std::move(startup.CommandLine)),
      commandLineProblem_(std::move(startup.CommandLineProblem)),
      iniFileName_(std::move(startup.IniFileName)), tempDir_(std::move(startup.TempDir)),
      browserRoots_(startup.BrowserRoots), launch_(std::move(startup.Launch)) {
    openDialog1_.DefaultExt = "zip";
    saveDialog1_.DefaultExt = "zip";
    saveDialog1_.Filter = "Zip file (*.zip)|*.zip";
}

TMainForm::~TMainForm() = default;

ui::Form::CreateParams TMainForm::GetCreateParams() {
    CreateParams p;
    p.Caption = "Kelvora 98";
    p.ClientWidth = kClientWidth;
    p.ClientHeight = kClientHeight;
    p.Menu = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDM_MAINMENU));
    p.DialogKeys = false; // Enter, Space and Delete belong to the member list
    p.ExStyle = 0;
    // The silver background is erased around the controls, never over them: a parent's
    // erase that comes after a control has drawn itself would leave a grey block.
    p.Style |= WS_CLIPCHILDREN;
    p.AcceleratorTable = IDM_ACCELERATORS;
    p.MinClientSize = SIZE{kMinClientWidth, kMinClientHeight};
    return p;
}

void TMainForm::FormCreate() {
    ui::App().HelpFile = kpath::ChangeFileExt(kpath::ProgramPath(), ".hlp");
    if (tempDir_.empty()) tempDir_ = startup::DetermineTempDir();
    CreateIniFile();
    mainMenu_ = GetMenu(Handle());
    popupMenu1_ = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDM_POPUPMENU));
    zipKeeper1_ = std::make_unique<TZipKeeper>(Handle());
    zipKeeper1_->OnDirUpdate = [this](TZipKeeper& z) { ZipKeeper1DirUpdate(z); };
    zipKeeper1_->OnProgress = [this](TZipKeeper& z, ProgressType t, const std::string& f,
                                     std::int32_t s) { ZipKeeper1Progress(z, t, f, s); };
    LoadGlyphs();
    CreateToolPanel();
    CreateContentsList();
    progressBar1_.Attach(Control(IDC_PROGRESSBAR1));
    progressBar1_.SetRange(0, 100);
    statusBar1_.Attach(Control(IDC_STATUSBAR1));
    SetStatusParts();
    statusBar1_.SetPanelText(0, "Filname:");
    statusBar1_.SetPanelText(1, "Files in zip: <none>");
    statusBar1_.SetPanelText(2, "Total Uncompressed Size:");
    CheckMenuRadioItem(mainMenu_, IDM_VIEW_LIST, IDM_VIEW_SMALLICONS, IDM_VIEW_FULL, MF_BYCOMMAND);
}

void TMainForm::LoadGlyphs() {
    HINSTANCE inst = GetModuleHandleA(nullptr);
    for (int i = 0; i < 12; ++i)
        images_[i].Reset(LoadBitmapA(inst, MAKEINTRESOURCEA(IDB_IMAGE1 + i)));
    for (int i = 0; i < kToolButtonCount; ++i) {
        int id = kToolButtons[i].glyph;
        if (id < IDB_IMAGE1 || id > IDB_IMAGE12)
            otherGlyphs_[i].Reset(LoadBitmapA(inst, MAKEINTRESOURCEA(id)));
    }
}

HBITMAP TMainForm::DesignGlyph(int button) const {
    int id = kToolButtons[button].glyph;
    if (id >= IDB_IMAGE1 && id <= IDB_IMAGE12) return images_[id - IDB_IMAGE1].Get();
    return otherGlyphs_[button].Get();
}

void TMainForm::CreateToolPanel() {
    tooltip_ = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, Handle(),
                               nullptr, GetModuleHandleA(nullptr), nullptr);
    std::vector<ui::ControlSpec> controls = ToolPanelControls();
    CreateControls(controls);
    MakeLabelFont();
    for (int i = 0; i < kToolButtonCount; ++i) {
        buttons_[i].Attach(Control(IDC_TOOLBUTTON_FIRST + i));
        buttons_[i].SetGlyph(DesignGlyph(i));
        buttons_[i].SetHint(tooltip_, kToolButtons[i].hint);
    }
}

void TMainForm::MakeLabelFont() {
    ui::FontHandle previous = std::move(labelFont_); // freed once no label uses it
    labelFont_.Reset(CreateFontA(-Scale(10), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET,
                                 OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                 DEFAULT_PITCH | FF_SWISS, "Tahoma"));
    for (int i = 0; i < kToolButtonCount; ++i)
        SendMessageA(Control(IDC_TOOLLABEL_FIRST + i), WM_SETFONT,
                     reinterpret_cast<WPARAM>(labelFont_.Get()), TRUE);
}

void TMainForm::SetStatusParts() {
    // The count and the total keep room at the right for their usual texts, measured in the
    // bar's own font at this scale; the archive's name has the rest, but never less than
    // its least width.
    const HWND bar = statusBar1_.Handle();
    RECT client{};
    GetClientRect(bar, &client);
    const int inset = Scale(10); // a panel's edges and the text's margin
    const int count = ui::TextWidth(bar, kCountSample) + inset;
    const int total = ui::TextWidth(bar, kTotalSample) + inset + Scale(kSizeGripWidth);
    const int second =
        std::max(Scale(kMinNamePanel) + count, static_cast<int>(client.right) - total);
    const int parts[3] = {second - count, second, -1};
    statusBar1_.SetParts(parts, 3);
    if (!namePanelText_.empty()) ShowNamePanel();
}

void TMainForm::ShowNamePanel() {
    const HWND bar = statusBar1_.Handle();
    const std::wstring full = kname::Widen(namePanelText_, CP_ACP);
    // "Filename: " stays; the path after it is shortened in its middle as paths are, so the
    // archive's own name stays in view. The whole text is the panel's tip.
    const size_t prefix = std::min(full.size(), full.find(L": ") == std::wstring::npos
                                                    ? size_t{0}
                                                    : full.find(L": ") + 2);
    std::wstring path = full.substr(prefix);
    path.append(5, L'\0'); // room for the ellipsis and its end
    RECT panel{};
    SendMessageW(bar, SB_GETRECT, 0, reinterpret_cast<LPARAM>(&panel));
    HDC dc = CreateCompatibleDC(nullptr);
    const auto font = reinterpret_cast<HFONT>(SendMessageW(bar, WM_GETFONT, 0, 0));
    HGDIOBJ old = SelectObject(dc, font ? font : GetStockObject(DEFAULT_GUI_FONT));
    SIZE lead{};
    GetTextExtentPoint32W(dc, full.c_str(), static_cast<int>(prefix), &lead);
    RECT fit{0, 0, panel.right - panel.left - Scale(6) - lead.cx, Scale(20)};
    if (fit.right > 0)
        DrawTextW(dc, path.data(), static_cast<int>(full.size() - prefix), &fit,
                  DT_SINGLELINE | DT_NOPREFIX | DT_PATH_ELLIPSIS | DT_MODIFYSTRING);
    SelectObject(dc, old);
    DeleteDC(dc);
    path.resize(wcsnlen(path.c_str(), path.size()));
    const std::wstring shown = full.substr(0, prefix) + path;
    SendMessageW(bar, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(shown.c_str()));
    SendMessageW(bar, SB_SETTIPTEXTW, 0, reinterpret_cast<LPARAM>(full.c_str()));
}

void TMainForm::OnDpiChanged(int oldDpi, int newDpi) {
    MakeLabelFont();
    SetStatusParts();
    // The list keeps its columns and font as the user left them, at the new scale.
    for (int i = 0; i < settings::kColumnCount; ++i)
        if (const int width = listView1_.ColumnWidth(i); width > 0)
            listView1_.SetColumnWidth(i, MulDiv(width, newDpi, oldDpi));
    // The list was given the new form font with the other controls; the user's font (the
    // stored face at the dialog font's size) is made again at the new scale.
    if (listFont_) {
        LOGFONTA font{};
        GetObjectA(listFont_.Get(), sizeof font, &font);
        font.lfHeight = ui::RescaleFontHeight(font.lfHeight, oldDpi, newDpi);
        font.lfWidth = ui::RescaleFontHeight(font.lfWidth, oldDpi, newDpi);
        SetListsFont(font);
    }
}

void TMainForm::CreateContentsList() {
    CreateControls(kContentsControls);
    listView1_.Attach(Control(IDC_LISTVIEW1));
    // Member names come in every script: the list asks for its texts in Unicode.
    SendMessageA(listView1_.Handle(), CCM_SETUNICODEFORMAT, TRUE, 0);
    listView1_.SetExtendedStyle(LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    listView1_.InsertColumn(0, "File", Scale(200), LVCFMT_LEFT);
    listView1_.InsertColumn(1, "Size", Scale(80), LVCFMT_RIGHT);
    listView1_.InsertColumn(2, "Date/Time", Scale(100), LVCFMT_LEFT);
    listView1_.InsertColumn(3, "Ratio", Scale(50), LVCFMT_RIGHT);
    listView1_.InsertColumn(4, "Packed Size", Scale(80), LVCFMT_RIGHT);
    listView1_.InsertColumn(5, "Path", Scale(100), LVCFMT_LEFT);
}

void TMainForm::OnSize(int, int) {
    // The anchored controls have moved; the status bar sizes itself to the new width and
    // its name panel takes what is new.
    if (!statusBar1_.Handle()) return;
    SendMessageA(statusBar1_.Handle(), WM_SIZE, 0, 0);
    SetStatusParts();
}

LRESULT TMainForm::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_ERASEBKGND: {
        // The tool panel is silver; the rest of the client is covered by controls.
        RECT r;
        GetClientRect(Handle(), &r);
        FillRect(reinterpret_cast<HDC>(wp), &r, SilverBrush());
        return 1;
    }
    case WM_CTLCOLORSTATIC:
        SetBkColor(reinterpret_cast<HDC>(wp), kSilver);
        return reinterpret_cast<LRESULT>(SilverBrush());
    case WM_CONTEXTMENU:
        if (reinterpret_cast<HWND>(wp) == listView1_.Handle()) {
            ShowPopupMenu();
            return 0;
        }
        break;
    default:
        break;
    }
    return DefaultProc(msg, wp, lp);
}

void TMainForm::EnablePopupCommands() {
    const bool selected = listView1_.SelectedCount() > 0;
    for (const Command& c : Commands())
        if (c.NeedsSelection) ui::MenuItem(popupMenu1_, c.Id).SetEnabled(selected);
}

void TMainForm::ShowPopupMenu() {
    EnablePopupCommands();
    POINT pt;
    GetCursorPos(&pt);
    TrackPopupMenu(GetSubMenu(popupMenu1_, 0), TPM_RIGHTBUTTON, pt.x, pt.y, 0, Handle(), nullptr);
}

void TMainForm::OnDestroy() {
    // A refused write is told, and the program still ends.
    try {
        if (iniFile_) SaveRecentArchives();
    } catch (const std::exception& e) {
        ui::Dialogs().Error(nullptr, e.what());
    }
    if (popupMenu1_) DestroyMenu(popupMenu1_);
    popupMenu1_ = nullptr;
}
