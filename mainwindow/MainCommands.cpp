// TMainForm: start-up, opening archives, the command dispatcher, list notifications and
// the progress bar.
#include "mainwindow/Main.h"

#include "engine/UnzEng.h"
#include "mainwindow/MainIds.h"
#include "ui/Application.h"

#include <commctrl.h>

UINT ToolButtonCommand(int index); // MainLayout.cpp

void TMainForm::FormShow() {
    rowKeyList_.clear();
    sortKeyList_.clear();
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

void TMainForm::Exit1Click() { Close(); }

void TMainForm::OnCommand(int id, int code, HWND control) {
    (void)code, (void)control;
    if (id >= IDC_TOOLBUTTON_FIRST && id < IDC_TOOLBUTTON_FIRST + kToolButtonCount)
        id = static_cast<int>(ToolButtonCommand(id - IDC_TOOLBUTTON_FIRST));
    switch (id) {
    case IDM_EXIT:
        Exit1Click();
        break;
    case IDM_VIEW_LIST:
    case IDM_VIEW_FULL:
    case IDM_VIEW_ICONS:
    case IDM_VIEW_SMALLICONS:
        SetViewStyle(id);
        break;
    case IDM_COL_SIZE:
    case IDM_COL_DATETIME:
    case IDM_COL_RATIO:
    case IDM_COL_PACKED:
    case IDM_COL_PATH:
        ToggleColumn(id);
        break;
    default:
        // Commands of the windows still to come.
        break;
    }
}

bool TMainForm::OnNotify(NMHDR* header, LRESULT& result) {
    if (header->hwndFrom != listView1_.Handle()) return false;
    switch (header->code) {
    case LVN_GETDISPINFOA:
        GetDisplayInfo(*reinterpret_cast<NMLVDISPINFOA*>(header));
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

void TMainForm::ResetProgress() { progress_.Reset(); }

void TMainForm::SetProgress(std::int64_t position) {
    if (std::optional<int> bar = progress_.SetProgress(position)) progressBar1_.SetPosition(*bar);
}

void TMainForm::ClearProgressBar() {
    progressBar1_.SetPosition(0);
    progress_.Clear();
}
