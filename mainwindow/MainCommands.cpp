// TMainForm: start-up, opening archives, the command table, list notifications and the
// progress bar.
#include "mainwindow/Main.h"

#include "engine/UnzEng.h"
#include "mainwindow/MainIds.h"
#include "ui/Application.h"
#include "windows/FileInfo.h"
#include "windows/about.h"

#include <commctrl.h>

UINT ToolButtonCommand(int index); // MainLayout.cpp

namespace {

using M = TMainForm;
// Every command of the menus, the pop-up menu, the accelerators and the tool buttons.
// Commands without a handler come with the windows still to be built.
const M::Command kCommands[] = {
    // File
    {IDM_NEWARCHIVE, nullptr, false, false},
    {IDM_OPENARCHIVE, &M::Open1Click, false, false},
    {IDM_SAVEAS, nullptr, true, false},
    {IDM_CLOSEARCHIVE, &M::CloseArchive1Click, true, false},
    {IDM_DELETEARCHIVE, nullptr, true, false},
    {IDM_WIZARD, nullptr, false, false},
    {IDM_FILEINFO, &M::FileInfo1Click, true, false},
    {IDM_LASTZIP1, &M::LastZip1Click, false, false},
    {IDM_LASTZIP2, &M::LastZip2Click, false, false},
    {IDM_LASTZIP3, &M::LastZip3Click, false, false},
    {IDM_LASTZIP4, &M::LastZip4Click, false, false},
    {IDM_EXIT, &M::Exit1Click, false, false},
    // Zip
    {IDM_INSTALL, nullptr, true, false},
    {IDM_RUN2, nullptr, true, false}, // the menu's "Run": switched with the others, no action
    {IDM_VIEWSELECTED, nullptr, true, true},
    {IDM_EXTRACTSELECTED, nullptr, true, true},
    {IDM_EXTRACTALL, nullptr, true, false},
    {IDM_ADDTOZIP, &M::AddZipButClick, true, false},
    {IDM_DELETEFROMZIP, nullptr, true, true},
    {IDM_CONVERT, nullptr, true, false},
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
    {IDM_CONFIGURATION, nullptr, false, false},
    {IDM_FONT, &M::Font1Click, false, false},
    {IDM_BACKCOLOR, &M::BackgroundColor1Click, false, false},
    {IDM_GRIDLINES, &M::GridLines1Click, false, false},
    {IDM_SAVESETTINGS, &M::SaveSettings1Click, false, false},
    {IDM_SAVECOLUMNWIDTH, &M::SaveColumnwidth1Click, false, false},
    {IDM_SAVEWINDOWPOS, &M::Savewindowpos1Click, false, false},
    // Help
    {IDM_CONTENTS, nullptr, false, false},
    {IDM_SEARCHHELP, nullptr, false, false},
    {IDM_HOWTOUSEHELP, nullptr, false, false},
    {IDM_README, nullptr, false, false},
    {IDM_HOMEPAGE, nullptr, false, false},
    {IDM_LATESTVERSION, nullptr, false, false},
    {IDM_COMMENTS, nullptr, false, false},
    {IDM_ABOUT, &M::About1Click, false, false},
    // Pop-up menu, tool button SpeedButton3 and Enter in the list: run or open a member
    {IDM_POP_RUN, nullptr, false, true},
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
    for (const Command& c : kCommands)
        if (c.NeedsArchive) ui::MenuItem(mainMenu_, c.Id).SetEnabled(archiveOpen_);
    DrawMenuBar(Handle());
}

void TMainForm::FormShow() {
    rowKeyList_.clear();
    sortKeyList_.clear();
    LoadSettings();
    UpdateRecentMenu();
    LoadSystemImageLists();
    // The decompression engine stays loaded for the whole run; a missing one is reported
    // here and at every extraction, and start-up goes on.
    LoadUnzEng(zipKeeper1_->Trace);
    SetFocus(listView1_.Handle());
    if (!CommandLine.empty()) OpenArchive(CommandLine.front());
}

void TMainForm::OpenArchive(const std::string& fileName) {
    ui::SetAppCursor(ui::AppCursor::HourGlass);
    try {
        zipKeeper1_->SetZipFilename(fileName);
    } catch (...) {
        // The read error ends the command and reaches the error box; the window still
        // shows what was read.
        ui::SetAppCursor(ui::AppCursor::Default);
        UpdateStatusAndCaption();
        throw;
    }
    ui::SetAppCursor(ui::AppCursor::Default);
    UpdateStatusAndCaption();
}

void TMainForm::Exit1Click() {
    Close();
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
    if (TfrmFileInfo* w = state_.Windows.frmFileInfo) w->Execute(Handle(), state_.FileInfo);
}

void TMainForm::About1Click() {
    RECT r;
    GetWindowRect(Handle(), &r);
    if (TAboutBox* w = state_.Windows.AboutBox) w->Execute(Handle(), r);
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
        ListView1KeyDown(reinterpret_cast<NMLVKEYDOWN*>(header)->wVKey);
        result = 0;
        return true;
    case NM_RETURN:
        ListView1KeyDown(VK_RETURN);
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
