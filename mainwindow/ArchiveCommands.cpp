// TMainForm: the commands on whole archives - Open, the recent archives, Close, Delete
// Archive and Save As.
#include "mainwindow/Main.h"

#include "engine/PathUtil.h"
#include "mainwindow/MainIds.h"
#include "settings/win95.h"
#include "ui/Application.h"
#include "ui/Dialogs.h"

#include <commdlg.h>

void TMainForm::Open1Click() {
    openDialog1_.Title = "Open Existing ZIP File";
    openDialog1_.Options |=
        OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_SHAREAWARE;
    openDialog1_.Filter = "Zip file (*.zip)|*.zip|All Zip files (*.zip, *.exe)|*.zip;*.exe";
    if (!ui::Dialogs().OpenFile(Handle(), openDialog1_)) return;
    OpenArchive(openDialog1_.FileName);
    BuildRowKeys();
    ComputeArchiveTotals();
    AddRecentArchive(zipKeeper1_->ZipFilename());
}

void TMainForm::OpenRecent(int slot) {
    const std::string name = state_.Settings.RecentArchives[slot];
    if (name.empty() || !kpath::FileExists(name)) {
        ui::ShowMessage("File does not exist");
        return;
    }
    OpenArchive(name);
    ComputeArchiveTotals();
}

void TMainForm::LastZip1Click() {
    OpenRecent(0);
}
void TMainForm::LastZip2Click() {
    OpenRecent(1);
}
void TMainForm::LastZip3Click() {
    OpenRecent(2);
}
void TMainForm::LastZip4Click() {
    OpenRecent(3);
}

void TMainForm::AddRecentArchive(const std::string& name) {
    auto& recent = state_.Settings.RecentArchives;
    for (const std::string& r : recent)
        if (r == name) return; // a name already listed keeps its place
    for (size_t i = recent.size() - 1; i > 0; --i)
        recent[i] = recent[i - 1];
    recent[0] = name;
    UpdateRecentMenu();
}

void TMainForm::CloseArchive1Click() {
    listView1_.SetRedraw(false);
    ClearRows();
    listView1_.SetRedraw(true);
    zipKeeper1_->SetZipFilename("");
}

void TMainForm::DeleteArchive1Click() {
    const std::string name = state_.CurrentArchiveName;
    if (win95::DeleteFiles(Handle(), {name}, true, false)) {
        ui::ShowMessage("File: " + name + " was successfully deleted");
    } else if (const DWORD error = GetLastError();
               name.size() >= MAX_PATH && kpath::FileExists(name)) {
        // Below MAX_PATH the shell tells its own errors; a longer name was the file calls'.
        ui::ShowMessage(kpath::CannotText("delete", name, error ? error : ERROR_ACCESS_DENIED));
    }
    CloseArchive1Click();
}

void TMainForm::SaveAs1Click() {
    saveDialog1_.FileName.clear();
    if (!ui::Dialogs().SaveFile(Handle(), saveDialog1_)) return;
    const std::string chosen = saveDialog1_.FileName;
    if (chosen == state_.CurrentArchiveName) return;
    // A file of the chosen name is never overwritten: the copy gets a free name, and the
    // window goes on with the copy under the name it really got.
    std::string placed;
    if (!win95::CopyFiles(Handle(), {state_.CurrentArchiveName}, chosen, true, true, &placed))
        return;
    zipKeeper1_->SetZipFilename(placed.empty() ? chosen : placed);
    AddRecentArchive(zipKeeper1_->ZipFilename());
}
