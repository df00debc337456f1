// TMainForm: the command table, list notifications and the progress bar.
#include "mainwindow/Main.h"

#include "mainwindow/MainIds.h"
#include "ui/Application.h"
#include "windows/FileInfo.h"
#include "windows/about.h"

#include <commctrl.h>

UINT ToolButtonCommand(int index); // MainLayout.cpp

namespace {

using M = TMainForm;
// Every command of the menus, the pop-up menu, the accelerators and the tool buttons.
// Commands without a handler are hidden menu items that do nothing by design.
const M::Command kCommands[] = {
    // File
    {IDM_NEWARCHIVE, &M::NewZipButClick, false, false},
    {IDM_OPENARCHIVE, &M::Open1Click, false, false},
    {IDM_SAVEAS, &M::SaveAs1Click, true, false},
    {IDM_CLOSEARCHIVE, &M::CloseArchive1Click, true, false},
    {IDM_DELETEARCHIVE, &M::DeleteArchive1Click, true, false},
    {IDM_WIZARD, &M::WizardAddButClick, false, false},
    {IDM_FILEINFO, &M::FileInfo1Click, true, false},
    {IDM_LASTZIP1, &M::LastZip1Click, false, false},
    {IDM_LASTZIP2, &M::LastZip2Click, false, false},
    {IDM_LASTZIP3, &M::LastZip3Click, false, false},
    {IDM_LASTZIP4, &M::LastZip4Click, false, false},
    {IDM_EXIT, &M::Exit1Click, false, false},
    // Zip
    {IDM_INSTALL, &M::btnInstallClick, true, false},
    {IDM_RUN2, &M::SpeedButton3Click, true, false}, // the menu's "Run": run or open a member
    {IDM_VIEWSELECTED, &M::btnViewSelectedClick, true, true},
    {IDM_EXTRACTSELECTED, &M::btnExtractSelectedClick, true, true},
    {IDM_EXTRACTALL, &M::btnExtractAllClick, true, false},
    {IDM_TEST, &M::Test1Click, true, false},
    {IDM_ADDTOZIP, &M::AddZipButClick, true, false},
    {IDM_DELETEFROMZIP, &M::DeleteFromZipButClick, true, true},
    {IDM_CONVERT, &M::ConvertZiptoexe1Click, true, false},
    // View
    {IDM_VIEW_LIST, &M::List1Click, false, false},
    {IDM_VIEW_FULL, &M::Full1Click, false, false},
    {IDM_VIEW_ICONS, &M::Icons1Click, false, false},
    {IDM_VIEW_SMALLICONS, &M::SmallIcons1Click, false, false},
    {IDM_COL_SIZE, &M::Size1Click, false, false},
    {IDM_COL_DATETIME, &M::DateTime1Click, false, false},
    {IDM_COL_RATIO, &M::Ratio1Click, false, false},
    {IDM_COL_PACKED, &M::PackedSize1Click, false, false},
    {IDM_COL_PATH, &M::Path1Click, false, false},
    // Options
    {IDM_CONFIGURATION, &M::Options1Click, false, false}, // also tool button "Options"
    {IDM_FONT, &M::Font1Click, false, false},
    {IDM_BACKCOLOR, &M::BackgroundColor1Click, false, false},
    {IDM_GRIDLINES, &M::GridLines1Click, false, false},
    {IDM_SAVESETTINGS, &M::SaveSettings1Click, false, false},
    {IDM_SAVECOLUMNWIDTH, &M::SaveColumnwidth1Click, false, false},
    {IDM_SAVEWINDOWPOS, &M::Savewindowpos1Click, false, false},
    // Help
    {IDM_CONTENTS, &M::Contents1Click, false, false},
    {IDM_SEARCHHELP, nullptr, false, false},
    {IDM_HOWTOUSEHELP, nullptr, false, false},
    {IDM_README, &M::Readmetxt1Click, false, false},
    {IDM_HOMEPAGE, &M::PelvoxHomePage1Click, false, false},
    {IDM_LATESTVERSION, &M::LatestVersion1Click, false, false},
    {IDM_COMMENTS, &M::SendUsYourComments1Click, false, false},
    {IDM_ABOUT, &M::About1Click, false, false},
    // Pop-up menu, tool button SpeedButton3 and Enter in the list: run or open a member
    {IDM_POP_RUN, &M::SpeedButton3Click, false, true},
};

} // namespace

std::span<const TMainForm::Command> TMainForm::Commands() {
    return kCommands;
}

bool TMainForm::RunCommand(UINT id) {
    for (const Command& c : kCommands) {
        if (c.Id != id) continue;
        if (!c.Handler) return false;
        (this->*c.Handler)();
        return true;
    }
    return false;
}

void TMainForm::UpdateCommands() {
    // The bar is drawn again only when one of its own items changed: under Wine drawing
    // it takes longer than filling a list of thousands of members.
    bool barChanged = false;
    for (const Command& c : kCommands) {
        if (!c.NeedsArchive) continue;
        ui::MenuItem item(mainMenu_, c.Id);
        if (item.SetEnabled(archiveOpen_) && item.OnBar()) barChanged = true;
    }
    if (barChanged) DrawMenuBar(Handle());
}

void TMainForm::List1Click() {
    SetViewStyle(IDM_VIEW_LIST);
}
void TMainForm::Full1Click() {
    SetViewStyle(IDM_VIEW_FULL);
}
void TMainForm::Icons1Click() {
    SetViewStyle(IDM_VIEW_ICONS);
}
void TMainForm::SmallIcons1Click() {
    SetViewStyle(IDM_VIEW_SMALLICONS);
}
void TMainForm::Size1Click() {
    ToggleColumn(IDM_COL_SIZE);
}
void TMainForm::DateTime1Click() {
    ToggleColumn(IDM_COL_DATETIME);
}
void TMainForm::Ratio1Click() {
    ToggleColumn(IDM_COL_RATIO);
}
void TMainForm::PackedSize1Click() {
    ToggleColumn(IDM_COL_PACKED);
}
void TMainForm::Path1Click() {
    ToggleColumn(IDM_COL_PATH);
}

void TMainForm::FileInfo1Click() {
    if (TfrmFileInfo* w = windows_.FileInfo) w->Execute(Handle(), fileInfo_);
}

void TMainForm::About1Click() {
    RECT r;
    GetWindowRect(Handle(), &r);
    if (TAboutBox* w = windows_.About) w->Execute(Handle(), r);
}

void TMainForm::OnCommand(int id, int, HWND) {
    // Tool buttons run the command of their table row.
    if (id >= IDC_TOOLBUTTON_FIRST && id < IDC_TOOLBUTTON_FIRST + kToolButtonCount)
        id = static_cast<int>(ToolButtonCommand(id - IDC_TOOLBUTTON_FIRST));
    RunCommand(static_cast<UINT>(id));
}

bool TMainForm::OnNotify(NMHDR* header, LRESULT& result) {
    if (header->hwndFrom != listView1_.Handle()) return false;
    switch (header->code) {
    case LVN_GETDISPINFOW: // the list asks in Unicode (MainLayout), for names in any script
        GetDisplayInfo(*reinterpret_cast<NMLVDISPINFOW*>(header));
        return true;
    case LVN_COLUMNCLICK:
        ListView1ColumnClick(reinterpret_cast<NMLISTVIEW*>(header)->iSubItem);
        return true;
    case LVN_KEYDOWN:
        // Enter comes here too; the NM_RETURN that follows it must not run the member twice.
        ListView1KeyDown(reinterpret_cast<NMLVKEYDOWN*>(header)->wVKey);
        result = 0;
        return true;
    case NM_DBLCLK:
        ListView1DblClick();
        return true;
    default:
        return false;
    }
}

void TMainForm::ZipKeeper1Progress(TZipKeeper&, ProgressType type, const std::string&,
                                   std::int32_t fileSize) {
    std::optional<int> bar;
    switch (type) {
    case ProgressType::NewFile:
        // Sizes travel as 32-bit values; they are unsigned.
        bar = progress_.NewFile(static_cast<std::uint32_t>(fileSize));
        break;
    case ProgressType::ProgressUpdate:
        bar = progress_.Unit();
        break;
    case ProgressType::EndOfBatch:
        ClearProgressBar();
        break;
    }
    if (bar) progressBar1_.SetPosition(*bar);
    ui::ProcessMessages();
}

void TMainForm::ResetProgress() {
    progress_.Reset();
}

void TMainForm::SetProgress(std::int64_t position) {
    if (std::optional<int> bar = progress_.SetProgress(position)) progressBar1_.SetPosition(*bar);
}

void TMainForm::ClearProgressBar() {
    progressBar1_.SetPosition(0);
    progress_.Clear();
}
