// TMainForm: start-up, opening an archive by name (moving a fresh download out of a
// temporary folder first) and the end of the program.
#include "mainwindow/Main.h"

#include "engine/PathUtil.h"
#include "engine/UnzEng.h"
#include "mainwindow/TempFolders.h"
#include "settings/win95.h"
#include "ui/Application.h"
#include "ui/Dialogs.h"

#include <shlobj.h>

void TMainForm::FormShow() {
    rowKeyList_.clear();
    sortKeyList_.clear();
    LoadSettings();
    UpdateRecentMenu();
    LoadSystemImageLists();
    ApplyBrowserRegistration();
    // The decompression engine stays loaded for the whole run; a missing one is reported
    // here and at every extraction, and start-up goes on.
    LoadUnzEng(zipKeeper1_->Trace);
    listView1_.PrepareRowMetrics();
    SetFocus(listView1_.Handle());
    // A browser hands over its download as the first parameter; the rest are ignored.
    if (!commandLineProblem_.empty())
        ui::Dialogs().InfoUtf8(Handle(), commandLineProblem_);
    else if (!commandLine_.empty())
        OpenArchive(commandLine_.front());
}

std::string TMainForm::MoveDownloadedArchive(const std::string& fileName) {
    const kelvora::InMemorySettings& s = state_.Settings;
    if (!s.AutoMove || fileName.empty()) return fileName;
    // Only archives really lying in a temporary folder are moved: a user's own folder that
    // merely has "temp" in its name keeps its archives.
    if (!startup::IsDownloadLocation(fileName, startup::SystemTempDir(), tempDir_)) return fileName;
    std::string folder = s.DownloadDir;
    while (!folder.empty() && folder.back() == '\\')
        folder.pop_back();
    const std::string target = folder + "\\" + kpath::ExtractFileName(fileName);
    if (target == fileName) return fileName;
    // The download folder is made on first use (the shell would refuse the move); when it
    // cannot be made, the move fails and the archive is opened where it is.
    if (!kpath::DirectoryExists(folder)) SHCreateDirectoryExA(Handle(), folder.c_str(), nullptr);
    // With a file of that name already there the shell renames; the archive is opened under
    // the name it really got, never the other file.
    std::string placed;
    if (!win95::MoveFiles(Handle(), {fileName}, target, true, true, &placed)) return fileName;
    return placed.empty() ? target : placed;
}

bool TMainForm::OpenArchive(const std::string& fileName) {
    const std::string name = MoveDownloadedArchive(fileName);
    ui::SetAppCursor(ui::AppCursor::HourGlass);
    try {
        zipKeeper1_->SetZipFilename(name);
    } catch (...) {
        // The read error ends the command and reaches the error box; the window still
        // shows what was read.
        ui::SetAppCursor(ui::AppCursor::Default);
        UpdateStatusAndCaption();
        throw;
    }
    ui::SetAppCursor(ui::AppCursor::Default);
    UpdateStatusAndCaption();
    return AutoInstallAfterOpen();
}

void TMainForm::Exit1Click() {
    Close();
}
