#include "wizard/Wizard3.h"

#include "base/MemberNames.h"
#include "ui/Application.h"
#include "wizard/WizardIds.h"

#include <commctrl.h>
#include <shellapi.h>

#include <exception>
#include <string>
#include <vector>

namespace {

using namespace wizard;

const ui::ControlSpec kControls[] = {
    {"STATIC", IDC_WIZ3_HEADING, "2) Add files to compress", {8, 8, 384, 26}, WS_VISIBLE},
    {"EDIT",
     IDC_WIZ3_MEMO1,
     "Now that we have created an empty \r\n"
     "Zip-file, we want to add the file(s) we wish \r\n"
     "to compress. To do this, click on \"Add Files\" \r\n"
     "below. In the window that pops up you \r\n"
     "should select one or several (using <SHIFT> \r\n"
     "or <CTRL>) files that you wish to add.",
     {8, 32, 246, 116},
     kTextBlock},
    {"EDIT",
     IDC_WIZ3_MEMO2,
     "If you're finished adding files, press \"Next\" \r\n"
     "to compress the files.",
     {8, 124, 246, 154},
     kTextBlock},
    {"EDIT",
     IDC_WIZ3_MEMO3,
     "Notice that the files you've selected will \r\n"
     "remain as they are. We simply copy them \r\n"
     "into the Zip-File.",
     {8, 162, 246, 206},
     kTextBlock},
    {"STATIC", IDC_WIZ3_LISTCAPTION, "Files to Add:", {250, 32, 384, 46}, WS_VISIBLE},
    {"SysListView32",
     IDC_WIZ3_LISTVIEW1,
     "",
     {250, 48, 384, 194},
     WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_NOCOLUMNHEADER | LVS_SHAREIMAGELISTS |
         LVS_SHOWSELALWAYS,
     WS_EX_CLIENTEDGE},
    {"LISTBOX", IDC_WIZ3_LISTBOX1, "", {0, 0, 0, 0}, 0},
    {"BUTTON", IDC_WIZ3_ADDFILES, "Add Files", {250, 200, 314, 223}, kPushButton},
    {"BUTTON", IDC_WIZ3_CLEARLIST, "Clear List", {320, 200, 384, 223}, kPushButton},
    {"STATIC", -1, "", kRule, WS_VISIBLE | SS_ETCHEDHORZ},
    {"BUTTON", IDC_WIZ_CLOSE, "&Close", kCloseButton, kPushButton},
    {"BUTTON", IDC_WIZ_BACK, "<< &Back", kBackButton, kPushButton},
    {"BUTTON", IDC_WIZ_NEXT, "&Next >>", kNextButton, kPushButton},
};
const int kHeadings[] = {IDC_WIZ3_HEADING};

// A row of the file list: the icon, then the path shortened in its middle, so that the
// file's own name stays in view however deep its folder.
void DrawFileRow(const ui::ListView& list, NMLVCUSTOMDRAW& draw) {
    const int row = static_cast<int>(draw.nmcd.dwItemSpec);
    HDC dc = draw.nmcd.hdc;
    RECT icon{LVIR_ICON, 0, 0, 0}, label{LVIR_LABEL, 0, 0, 0};
    SendMessageA(list.Handle(), LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&icon));
    SendMessageA(list.Handle(), LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&label));
    const bool selected = list.IsSelected(row);
    FillRect(dc, &label, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    LVITEMA item{};
    item.mask = LVIF_IMAGE;
    item.iItem = row;
    SendMessageA(list.Handle(), LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    auto images =
        reinterpret_cast<HIMAGELIST>(SendMessageA(list.Handle(), LVM_GETIMAGELIST, LVSIL_SMALL, 0));
    if (images) ImageList_Draw(images, item.iImage, dc, icon.left, icon.top, ILD_TRANSPARENT);
    // Drawn in Unicode: the ANSI drawing calls read bytes in the font's code page, not the
    // process's, which turns a name in any other script into other letters.
    const std::wstring text = kname::Widen(list.ItemText(row, 0), CP_ACP);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    label.left += 2;
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &label,
              DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_PATH_ELLIPSIS);
}

// The shell's icon for a name, by its name and extension only.
int ShellIcon(const std::string& name) {
    SHFILEINFOA fi{};
    SHGetFileInfoA(name.c_str(), FILE_ATTRIBUTE_NORMAL, &fi, sizeof fi,
                   SHGFI_SYSICONINDEX | SHGFI_USEFILEATTRIBUTES);
    return fi.iIcon;
}

} // namespace

const wizard::ButtonRow<TWiz3> kButtons[] = {
    {IDC_WIZ_CLOSE, &TWiz3::btnCloseClick},
    {IDC_WIZ_BACK, &TWiz3::btnBackClick},
    {IDC_WIZ_NEXT, &TWiz3::btnNextClick},
    {IDC_WIZ3_ADDFILES, &TWiz3::btnAddFilesClick},
    {IDC_WIZ3_CLEARLIST, &TWiz3::btnClearListClick},
};

TWiz3::TWiz3(const std::string& currentArchiveName) : currentArchiveName_(currentArchiveName) {
    OpenDialog1.Filter = "All Files (*.*)|*.*";
    OpenDialog1.InitialDir = "c:\\";
    OpenDialog1.Options = OFN_HIDEREADONLY | OFN_ALLOWMULTISELECT;
}

TWiz3::~TWiz3() = default;

TWiz3::PageDesign TWiz3::Design() const {
    PageDesign d{"Kelvora Wizard (3/X)", kControls, kHeadings};
    d.FirstFocus = IDC_WIZ3_ADDFILES;
    return d;
}

void TWiz3::OnCreate() {
    TWizardPage::OnCreate();
    listView1_.Attach(Control(IDC_WIZ3_LISTVIEW1));
    listBox1_.Attach(Control(IDC_WIZ3_LISTBOX1));
    // The shell's system image lists, which the main window's list shows too.
    SHFILEINFOA fi{};
    if (auto large = reinterpret_cast<HIMAGELIST>(
            SHGetFileInfoA("", 0, &fi, sizeof fi, SHGFI_SYSICONINDEX | SHGFI_LARGEICON)))
        listView1_.SetImageList(large, LVSIL_NORMAL);
    if (auto small = reinterpret_cast<HIMAGELIST>(
            SHGetFileInfoA("", 0, &fi, sizeof fi, SHGFI_SYSICONINDEX | SHGFI_SMALLICON)))
        listView1_.SetImageList(small, LVSIL_SMALL);
    // One column as wide as the list: each row holds one whole path.
    RECT client;
    GetClientRect(listView1_.Handle(), &client);
    listView1_.InsertColumn(0, "", client.right, LVCFMT_LEFT);
    listView1_.SetExtendedStyle(LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    zipKeeper1_ = std::make_unique<TZipKeeper>(Handle());
    zipKeeper1_->AddCompLevel = 9;
    EnableListCommands(false);
}

void TWiz3::EnableListCommands(bool on) {
    EnableWindow(Control(IDC_WIZ_NEXT), on);
    EnableWindow(Control(IDC_WIZ3_CLEARLIST), on);
}

void TWiz3::btnCloseClick() {
    Go(Step::Close);
}

void TWiz3::btnBackClick() {
    Go(Step::Back);
    btnClearListClick();
}

void TWiz3::btnClearListClick() {
    listBox1_.Clear();
    listView1_.DeleteAllItems();
    EnableListCommands(false);
}

bool TWiz3::AddFile(const std::string& path) {
    // Kept as the file dialog spells it (names are data); the same file twice is judged
    // without regard to case.
    for (int i = 0; i < listBox1_.Count(); ++i)
        if (lstrcmpiA(listBox1_.Item(i).c_str(), path.c_str()) == 0) return false;
    listBox1_.Add(path);
    listView1_.AddItem(path, ShellIcon(path));
    return true;
}

void TWiz3::btnAddFilesClick() {
    OpenDialog1.Title = "Add files to Zip...";
    OpenDialog1.Options |=
        OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_SHAREAWARE;
    if (!ui::Dialogs().OpenFile(Handle(), OpenDialog1)) return;
    bool added = false;
    for (const std::string& path : OpenDialog1.FileNames)
        added = AddFile(path) || added;
    if (added) EnableListCommands(true);
}

void TWiz3::Compress() {
    if (!Making().Write) return;
    TZipKeeper& zip = *zipKeeper1_;
    // A file of the chosen name is one page 2 was allowed to replace: it is replaced only
    // by a complete new archive.
    Making().Write(Handle(), zip, currentArchiveName_, [this, &zip] {
        ui::Dialogs().Info(Handle(), "Now we are going to compress the files. Please wait!");
        if (zip.ZipFilename().empty()) return;
        zip.AddOptions = AddOpts{AddDirNames, AddRecurseDirs};
        std::vector<std::string> files;
        for (int i = 0; i < listBox1_.Count(); ++i)
            files.push_back(listBox1_.Item(i));
        zip.SetFSpecArgs(files);
        btnClearListClick();
        ui::SetAppCursor(ui::AppCursor::HourGlass);
        try {
            zip.Add();
        } catch (const std::exception&) {
            ui::SetAppCursor(ui::AppCursor::Default);
            ui::Dialogs().Info(Handle(), "Error in Add; Fatal DLL Exception in mainunit");
        }
        ui::SetAppCursor(ui::AppCursor::Default);
    });
}

void TWiz3::btnNextClick() {
    Compress();
    Go(Step::Next, [this] {
        ui::Dialogs().Info(Handle(), "CONGRATULATIONS! " + std::to_string(zipKeeper1_->SuccessCnt) +
                                         " files were successfully added");
    });
}

bool TWiz3::OnNotify(NMHDR* header, LRESULT& result) {
    if (header->hwndFrom != listView1_.Handle() || header->code != NM_CUSTOMDRAW) return false;
    auto& draw = *reinterpret_cast<NMLVCUSTOMDRAW*>(header);
    if (draw.nmcd.dwDrawStage == CDDS_PREPAINT) {
        result = CDRF_NOTIFYITEMDRAW;
    } else if (draw.nmcd.dwDrawStage == CDDS_ITEMPREPAINT) {
        DrawFileRow(listView1_, draw);
        result = CDRF_SKIPDEFAULT;
    } else {
        result = CDRF_DODEFAULT;
    }
    return true;
}

void TWiz3::OnCommand(int id, int code, HWND) {
    wizard::RunButton(*this, kButtons, id, code);
}
