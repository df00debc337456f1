// TMainForm: New and Add, which collect files in the add-files dialog and hand them to the
// archive component.
#include "mainwindow/Main.h"

#include "addfiles/AddFilesToZip.h"
#include "engine/PathUtil.h"
#include "mainwindow/ArchiveNames.h"
#include "mainwindow/EngineProblems.h"
#include "settings/win95.h"
#include "ui/Application.h"
#include "ui/Dialogs.h"

#include <commdlg.h>

void TMainForm::NewZipButClick() {
    openDialog1_.Title = "Create new Zip file";
    openDialog1_.Options |= OFN_HIDEREADONLY | OFN_SHAREAWARE;
    openDialog1_.Options &= ~(OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST);
    openDialog1_.Filter = "ZIP Files (*.ZIP)|*.zip";
    if (!ui::Dialogs().OpenFile(Handle(), openDialog1_)) return;
    const archivenames::NewName checked = archivenames::CheckNewName(openDialog1_.FileName);
    if (!checked.Refusal.empty()) {
        ui::ShowMessage(checked.Refusal);
        return;
    }
    NewArchive(checked.Name);
}

void TMainForm::NewArchive(const std::string& name) {
    if (kpath::FileExists(name)) {
        if (!ui::Dialogs().Confirm(Handle(), "Overwrite Existing File: " + name + "?")) return;
        // The old file goes to the recycle bin, not away for good: the user may still
        // cancel the add-files dialog.
        if (!win95::DeleteFiles(Handle(), {name}, true, false) || kpath::FileExists(name)) return;
    }
    zipKeeper1_->SetZipFilename(name);
    AddFilesToArchive();
    AddRecentArchive(zipKeeper1_->ZipFilename());
}

void TMainForm::AddZipButClick() {
    if (zipKeeper1_->Count() == 0) return;
    ResetProgress();
    AddFilesToArchive();
}

void TMainForm::AddFilesToArchive() {
    if (archivenames::IsSelfExtracting(zipKeeper1_->ZipFilename())) {
        ui::ShowMessage("Error - this program can NOT add files to a self-extracting archive");
        return;
    }
    TAddform* addForm = state_.Windows.Addform;
    if (!addForm) return;
    state_.CurrentArchiveName = zipKeeper1_->ZipFilename();
    // The dialog's lists show the member list's current look.
    addForm->ApplyListLook(
        reinterpret_cast<HFONT>(SendMessageA(listView1_.Handle(), WM_GETFONT, 0, 0)),
        static_cast<COLORREF>(SendMessageA(listView1_.Handle(), LVM_GETBKCOLOR, 0, 0)),
        listView1_.Style());
    addForm->SetShowMaximized(true);
    state_.AddDialogCancelled = false;
    std::optional<AddFilesResult> chosen =
        addForm->Execute(Handle(), AddFilesRequest{state_.CurrentArchiveName});
    if (!chosen || state_.AddDialogCancelled) return;
    if (chosen->FSpecArgs.empty()) {
        ui::ShowMessage("There are no files selected");
        return;
    }
    zipKeeper1_->AddOptions = chosen->AddOptions;
    zipKeeper1_->AesEncryption = state_.Settings.AesEncryption;
    zipKeeper1_->SetFSpecArgs(chosen->FSpecArgs);
    enginemsg::Collector problems(*zipKeeper1_);
    {
        ui::WaitCursor wait;
        enginemsg::RunOrTell([this] { zipKeeper1_->Add(); },
                             "Error in Add; Fatal DLL Exception in mainunit");
        ui::ShowMessage(std::to_string(zipKeeper1_->SuccessCnt) +
                        " files were successfully added!");
        zipKeeper1_->SetZipFilename(state_.CurrentArchiveName);
    }
    problems.Report(Handle(), "added");
}
