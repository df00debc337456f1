#include "addfiles/AddFilesToZip.h"

#include "addfiles/AddFilesIds.h"
#include "addfiles/AddFormLayout.h"
#include "base/LongPaths.h"
#include "ui/Application.h"

#include <shellapi.h>

namespace {

const COLORREF kNavy = RGB(0, 0, 128);

struct FlatButtonDesign {
    int id;
    int glyph;
    const char* hint;
};
const FlatButtonDesign kFlatButtons[] = {
    {IDC_ADDFILESBTN, IDB_ADDFILES, "Add Selected Files"},
    {IDC_ADDDIRBTN, IDB_ADDDIR, "Add Folder"},
    {IDC_REMOVEITEMBTN, IDB_REMOVEITEM, "Remove Selected Items From List"},
    {IDC_REMOVEALLBUT, IDB_REMOVEALL, "Remove All Items"},
};

// The order Tab goes through the controls: the left pane and what adds from it, the
// options, the right pane and what removes from it, then OK and Cancel.
const int kTabOrder[] = {
    IDC_DIRTREE1,  IDC_ADDLISTVIEW1, IDC_ADDFILESBTN,  IDC_ADDDIRBTN,     IDC_RECURSECB,
    IDC_DIRNAMECB, IDC_ENCRYPTCB,    IDC_ADDLISTVIEW2, IDC_REMOVEITEMBTN, IDC_REMOVEALLBUT,
    IDOK,          IDCANCEL};

std::string FilePart(const std::string& path) {
    size_t slash = path.find_last_of("\\/:");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The shell's icon for a name, by its name and extension only; -1 when it has none.
int ShellIcon(const std::string& name) {
    SHFILEINFOA fi{};
    if (!SHGetFileInfoA(name.c_str(), 0, &fi, sizeof fi,
                        SHGFI_SYSICONINDEX | SHGFI_USEFILEATTRIBUTES))
        return -1;
    return fi.iIcon;
}

void AppendRow(ui::ListView& list, const std::string& caption, const std::string& size, int image) {
    LVITEMA it{};
    it.mask = LVIF_TEXT | LVIF_IMAGE;
    it.iItem = list.ItemCount();
    it.pszText = const_cast<char*>(caption.c_str());
    it.iImage = image;
    int row = static_cast<int>(
        SendMessageA(list.Handle(), LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&it)));
    if (row < 0) return;
    LVITEMA sub{};
    sub.iSubItem = 1;
    sub.pszText = const_cast<char*>(size.c_str());
    SendMessageA(list.Handle(), LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&sub));
}

void Place(HWND h, const RECT& r) {
    if (h) MoveWindow(h, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
}

} // namespace

TAddform::TAddform(bool& addDialogCancelled) : addDialogCancelled_(addDialogCancelled) {}

TAddform::~TAddform() {
    fileDrop1_.SetDropControl(nullptr);
}

ui::Form::CreateParams TAddform::GetCreateParams() {
    CreateParams p;
    p.Caption = "Add files to ZIP";
    p.Style = WS_OVERLAPPED | WS_CAPTION | WS_THICKFRAME; // no title-bar buttons
    p.ClientWidth = addfiles::kAddFormClient.cx;
    p.ClientHeight = addfiles::kAddFormClient.cy;
    // The bottom strip's buttons and options need the design width; the panes their height.
    p.MinClientSize = addfiles::kAddFormClient;
    return p;
}

void TAddform::OnCreate() {
    navy_.Reset(CreateSolidBrush(kNavy));
    std::vector<ui::ControlSpec> controls;
    for (const addfiles::AddFormRow& row : addfiles::AddFormRows())
        if (row.Control.Id != IDC_DIRTREE1)
            controls.push_back(row.Control); // the tree makes its own
    CreateControls(controls);
    pathLabel1_.Attach(Control(IDC_PATHLABEL1));
    pathLabel2_.Attach(Control(IDC_PATHLABEL2));
    listBox1_.Attach(Control(IDC_LISTBOX1));
    recurseCB_.Attach(Control(IDC_RECURSECB));
    dirnameCB_.Attach(Control(IDC_DIRNAMECB));
    encryptCB_.Attach(Control(IDC_ENCRYPTCB));
    addListView1_.Attach(Control(IDC_ADDLISTVIEW1));
    addListView2_.Attach(Control(IDC_ADDLISTVIEW2));
    SHFILEINFOA fi{};
    auto large = reinterpret_cast<HIMAGELIST>(
        SHGetFileInfoA("", 0, &fi, sizeof fi, SHGFI_SYSICONINDEX | SHGFI_LARGEICON));
    auto small = reinterpret_cast<HIMAGELIST>(
        SHGetFileInfoA("", 0, &fi, sizeof fi, SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
    for (ui::ListView* list : {&addListView1_, &addListView2_}) {
        list->SetExtendedStyle(LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
        if (large) list->SetImageList(large, LVSIL_NORMAL);
        if (small) list->SetImageList(small, LVSIL_SMALL);
    }
    addListView1_.InsertColumn(0, "File", Scale(200), LVCFMT_LEFT);
    addListView1_.InsertColumn(1, "Size", Scale(80), LVCFMT_RIGHT);
    addListView2_.InsertColumn(0, "File", Scale(250), LVCFMT_LEFT);
    addListView2_.InsertColumn(1, "Size", Scale(80), LVCFMT_RIGHT);
    split_ = addfiles::DesignSplit(Dpi());
    splitDpi_ = Dpi();
    CreateButtons();
    vSplitter_.Attach(Control(IDC_VSPLITTER), addfiles::Splitter::Vertical);
    hSplitter_.Attach(Control(IDC_HSPLITTER), addfiles::Splitter::Horizontal);
    vSplitter_.OnMove = [this](int x) {
        split_.LeftWidth = x;
        barsPlaced_ = true;
        Arrange();
    };
    hSplitter_.OnMove = [this](int y) {
        split_.TreeHeight = addfiles::TreeHeightAt(y, Dpi());
        barsPlaced_ = true;
        Arrange();
    };
    fileDrop1_.OnDrop = [this](TFileDrop&) { FileDrop1Drop(); };
    fileDrop1_.SetDropControl(addListView2_.Handle());
    fileDrop1_.SetEnableDrop(true);
    dirTree1_.OnChange = [this](TDirTree&) { DirTree1Change(); };
    dirTree1_.OnClick = [this](TDirTree&) { DirTree1Click(); };
    dirTree1_.Create(Handle(), IDC_DIRTREE1,
                     ui::ScaleRect(addfiles::AddFormRowOf(IDC_DIRTREE1).Control.Design, Dpi()));
    Arrange();
    dirTree1_.Loaded();
    HWND previous = HWND_TOP;
    for (int id : kTabOrder) {
        HWND control = GetDlgItem(Handle(), id);
        SetWindowPos(control, previous, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        previous = control;
    }
}

void TAddform::CreateButtons() {
    tooltip_ = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, Handle(),
                               nullptr, GetModuleHandleA(nullptr), nullptr);
    ui::SpeedButton* buttons[] = {&addFilesbtn_, &addDirbtn_, &removeItembtn_, &removeAllBut_};
    for (size_t i = 0; i < std::size(kFlatButtons); ++i) {
        const FlatButtonDesign& d = kFlatButtons[i];
        glyphs_[i].Reset(LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(d.glyph)));
        buttons[i]->Attach(Control(d.id));
        buttons[i]->SetGlyph(glyphs_[i].Get());
        buttons[i]->SetHint(tooltip_, d.hint);
    }
}

void TAddform::OnSize(int, int) {
    Arrange();
}

void TAddform::OnDpiChanged(int oldDpi, int newDpi) {
    // The columns stay as the user left them, at the new scale (the bars follow in Arrange).
    for (ui::ListView* list : {&addListView1_, &addListView2_})
        for (int column = 0; column < 2; ++column)
            if (const int width = list->ColumnWidth(column); width > 0)
                list->SetColumnWidth(column, MulDiv(width, newDpi, oldDpi));
}

void TAddform::Arrange() {
    if (!listBox1_.Handle()) return;
    RECT client;
    GetClientRect(Handle(), &client);
    const SIZE size{client.right, client.bottom};
    // The bars stay where the user left them at a new scale (the window may be resized to
    // the new scale before it is told of it).
    if (splitDpi_ != Dpi()) split_ = addfiles::RescaleSplit(split_, splitDpi_, Dpi());
    splitDpi_ = Dpi();
    // Until the user places the bar, a maximized dialog shares the pane between tree and list;
    // otherwise the tree keeps its design height and the list takes what the frame gives.
    if (!barsPlaced_)
        split_.TreeHeight = IsZoomed(Handle()) ? addfiles::GrownTreeHeight(size, Dpi())
                                               : addfiles::DesignSplit(Dpi()).TreeHeight;
    split_ = addfiles::ClampSplit(split_, size, Dpi());
    // The anchored controls are in place already; these follow the bars too.
    for (const addfiles::AddFormRow& row : addfiles::AddFormRows()) {
        const addfiles::PaneFollow& f = row.Follow;
        if (f.Bar || f.TreeBar || f.Box)
            Place(GetDlgItem(Handle(), row.Control.Id),
                  addfiles::PlaceOf(row, size, split_, Dpi()));
    }
    // Panes moved by a splitter leave their old pixels behind unless all is drawn anew.
    RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void TAddform::Prepare(const AddFilesRequest& request) {
    if (request.Look) ApplyListLook(*request.Look);
    if (request.Bars) {
        split_ = addfiles::RescaleSplit(*request.Bars, ui::kDesignDpi, Dpi());
        splitDpi_ = Dpi();
        barsPlaced_ = true; // placed when the window takes its size for this showing
    }
    SetShowMaximized(request.Maximized);
}

std::optional<addfiles::PaneSplit> TAddform::PlacedBars() const {
    if (!barsPlaced_) return std::nullopt;
    return addfiles::RescaleSplit(split_, splitDpi_, ui::kDesignDpi);
}

void TAddform::ApplyListLook(const ListLook& look) {
    for (ui::ListView* list : {&addListView1_, &addListView2_}) {
        SendMessageA(list->Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(look.Font), TRUE);
        SendMessageA(list->Handle(), LVM_SETBKCOLOR, 0, look.Background);
        SendMessageA(list->Handle(), LVM_SETTEXTBKCOLOR, 0, look.Background);
        list->SetStyle(look.ViewStyle & LVS_TYPEMASK);
        InvalidateRect(list->Handle(), nullptr, TRUE);
    }
    SendMessageA(dirTree1_.Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(look.Font), TRUE);
}

void TAddform::Load(const AddFilesRequest&) {
    FormShow();
}

void TAddform::FormShow() {
    const std::string name = FilePart(CurrentRequest().ArchiveName);
    SetCaption("Adding files to zip - " + name);
    SetLeftActive(true);
    pathLabel2_.SetText(name);
    RemoveAllButClick();
    FillLeftList();
    SetFocus(dirTree1_.Handle());
}

void TAddform::SetLeftActive(bool left) {
    leftActive_ = left;
    for (int id : {IDC_PANEL6, IDC_PATHLABEL1, IDC_PANEL7, IDC_PATHLABEL2})
        InvalidateRect(Control(id), nullptr, TRUE);
}

void TAddform::FillLeftList() {
    ui::WaitCursor wait;
    addListView1_.SetRedraw(false);
    addListView1_.DeleteAllItems();
    const std::string dir = dirTree1_.SelectedDirectory();
    // Without a folder there is nothing to list ("?*.*" would search the current folder).
    if (dir != "?") {
        addfiles::QuietDriveAccess quiet;
        kname::ForEachInFolder(dir, [&](const WIN32_FIND_DATAW& fd, const std::string& name) {
            if (fd.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | 0x8 /* volume label */))
                return true;
            const int image = ShellIcon(name);
            if (image < 0) return true;
            const unsigned long long size =
                (static_cast<unsigned long long>(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow;
            AppendRow(addListView1_, name, std::to_string(size), image);
            return true;
        });
    }
    addListView1_.SetRedraw(true);
}

void TAddform::DirTree1Change() {
    pathLabel1_.SetText(dirTree1_.SelectedDirectory());
    FillLeftList();
}

void TAddform::DirTree1Click() {
    SetLeftActive(true);
    FillLeftList();
}

void TAddform::AddListView1Click() {
    SetLeftActive(true);
}

void TAddform::AddListView2Click() {
    SetLeftActive(false);
}

bool TAddform::AppendPair(const std::string& pattern, const std::string& caption,
                          const std::string& size, int image) {
    for (int i = 0; i < listBox1_.Count(); ++i)
        if (lstrcmpiA(listBox1_.Item(i).c_str(), pattern.c_str()) == 0) return false;
    if (listBox1_.Add(pattern) < 0) return false;
    AppendRow(addListView2_, caption, size, image);
    return true;
}

void TAddform::AddLeftRows(bool deselect) {
    const std::string dir = dirTree1_.SelectedDirectory();
    if (dir == "?") return;
    for (int i = 0; i < addListView1_.ItemCount(); ++i) {
        if (!addListView1_.IsSelected(i)) continue;
        const std::string path = dir + addListView1_.ItemText(i, 0);
        if (deselect) addListView1_.SelectRow(i, false);
        // Names are data: they go to the archive as the file system spells them.
        AppendPair(path, path, addListView1_.ItemText(i, 1), ShellIcon(path));
    }
}

void TAddform::AddFilesbtnClick() {
    // Nothing is added unless OK comes after this.
    addDialogCancelled_ = true;
    AddLeftRows(true);
}

void TAddform::AddDirbtnClick() {
    addDialogCancelled_ = true;
    const std::string dir = dirTree1_.SelectedDirectory();
    const std::string pattern = dir + "*.*";
    // A drive root ("C:\*.*") and no folder ("?*.*") are refused.
    if (pattern.size() > 6) AppendPair(pattern, dir, "<DIR>", 3);
}

bool TAddform::AddListView2DragOver(HWND source) const {
    return source == addListView1_.Handle();
}

void TAddform::AddListView2DragDrop(HWND source) {
    if (AddListView2DragOver(source)) AddLeftRows(false);
}

void TAddform::FileDrop1Drop() {
    for (const std::string& name : fileDrop1_.Files())
        AppendPair(name, name, "???", ShellIcon(name));
}

void TAddform::RemoveItembtnClick() {
    // From the last row, so the rows still to visit keep their indexes.
    for (int i = addListView2_.ItemCount() - 1; i >= 0; --i) {
        if (!addListView2_.IsSelected(i)) continue;
        listBox1_.Delete(i);
        SendMessageA(addListView2_.Handle(), LVM_DELETEITEM, i, 0);
    }
}

void TAddform::RemoveAllButClick() {
    listBox1_.Clear();
    addListView2_.DeleteAllItems();
}

void TAddform::BitBtn1Click() {
    SendMessageA(Handle(), WM_COMMAND, IDOK, 0);
}

void TAddform::BitBtn2Click() {
    SendMessageA(Handle(), WM_COMMAND, IDCANCEL, 0);
}

std::optional<AddFilesResult> TAddform::Collect() {
    addDialogCancelled_ = false;
    AddFilesResult r;
    for (int i = 0; i < listBox1_.Count(); ++i)
        r.FSpecArgs.push_back(listBox1_.Item(i));
    if (recurseCB_.Checked()) r.AddOptions.Include(AddRecurseDirs);
    if (dirnameCB_.Checked()) r.AddOptions.Include(AddDirNames);
    if (encryptCB_.Checked()) r.AddOptions.Include(AddEncrypt);
    // The lists stay paired as they are; the next showing starts them empty.
    return r;
}

void TAddform::OnCancel() {
    // Cancel, Esc and any other way of closing add nothing.
    addDialogCancelled_ = true;
    ui::Dialog<AddFilesRequest, AddFilesResult>::OnCancel();
}

void TAddform::OnCommand(int id, int code, HWND) {
    if (code != BN_CLICKED) return;
    switch (id) {
    case IDC_ADDFILESBTN:
        AddFilesbtnClick();
        break;
    case IDC_ADDDIRBTN:
        AddDirbtnClick();
        break;
    case IDC_REMOVEITEMBTN:
        RemoveItembtnClick();
        break;
    case IDC_REMOVEALLBUT:
        RemoveAllButClick();
        break;
    default:
        break;
    }
}

bool TAddform::OnNotify(NMHDR* header, LRESULT& result) {
    if (header->hwndFrom == addListView1_.Handle()) {
        if (header->code == NM_CLICK) AddListView1Click();
        // A double click on a file adds it, as Add Selected does.
        if (header->code == NM_DBLCLK && reinterpret_cast<NMITEMACTIVATE*>(header)->iItem >= 0)
            AddFilesbtnClick();
        if (header->code == LVN_BEGINDRAG) {
            // The left list starts the drag; the form follows the mouse until it is let go.
            dragging_ = true;
            SetCapture(Handle());
        }
    } else if (header->hwndFrom == addListView2_.Handle()) {
        if (header->code == NM_CLICK) AddListView2Click();
    }
    result = 0;
    return false;
}

void TAddform::DragTo(POINT screen, bool drop) {
    HWND target = WindowFromPoint(screen);
    // Over the list or its column headers.
    const bool overList =
        target == addListView2_.Handle() || IsChild(addListView2_.Handle(), target);
    const bool accepted = overList && AddListView2DragOver(addListView1_.Handle());
    if (drop) {
        if (accepted) AddListView2DragDrop(addListView1_.Handle());
        return;
    }
    SetCursor(LoadCursor(nullptr, accepted ? IDC_ARROW : IDC_NO));
}

LRESULT TAddform::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_CTLCOLORSTATIC: {
        auto control = reinterpret_cast<HWND>(lp);
        const int id = GetDlgCtrlID(control);
        const bool left = id == IDC_PANEL6 || id == IDC_PATHLABEL1;
        const bool right = id == IDC_PANEL7 || id == IDC_PATHLABEL2;
        if (!left && !right) break;
        auto dc = reinterpret_cast<HDC>(wp);
        if (left == leftActive_) {
            SetTextColor(dc, RGB(255, 255, 255));
            SetBkColor(dc, kNavy);
            return reinterpret_cast<LRESULT>(navy_.Get());
        }
        SetTextColor(dc, RGB(0, 0, 0));
        SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    }
    case WM_MOUSEMOVE:
    case WM_LBUTTONUP:
        if (dragging_) {
            POINT pt{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
            ClientToScreen(Handle(), &pt);
            if (msg == WM_LBUTTONUP) {
                dragging_ = false;
                ReleaseCapture();
            }
            DragTo(pt, msg == WM_LBUTTONUP);
            return 0;
        }
        break;
    case WM_CAPTURECHANGED:
        dragging_ = false;
        break;
    default:
        break;
    }
    return DefaultProc(msg, wp, lp);
}
