// TMainForm: the Add command, which collects files in the add-files dialog and hands them
// to the archive component.
#include "mainwindow/Main.h"

#include "addfiles/AddFilesToZip.h"
#include "ui/Application.h"
#include "ui/Dialogs.h"

void TMainForm::AddZipButClick() {
    if (zipKeeper1_->Count() == 0) return;
    ResetProgress();
    AddFilesToArchive();
}

void TMainForm::AddFilesToArchive() {
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
    zipKeeper1_->SetFSpecArgs(chosen->FSpecArgs);
    ui::WaitCursor wait;
    zipKeeper1_->Add();
}
