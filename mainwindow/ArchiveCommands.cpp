// TMainForm: the commands on whole archives and on their membership - Open, the recent
// archives, Close and Delete From Zip.
#include "mainwindow/Main.h"

#include "engine/PathUtil.h"
#include "mainwindow/MainIds.h"
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
