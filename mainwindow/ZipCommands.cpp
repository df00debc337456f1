// TMainForm: commands that change what an archive holds or what form it has - Delete From
// Zip and the conversions between zip and self-extracting program.
#include "mainwindow/Main.h"

#include "engine/Convert.h"
#include "engine/PathUtil.h"
#include "mainwindow/ArchiveNames.h"
#include "mainwindow/EngineProblems.h"
#include "mainwindow/MainIds.h"
#include "ui/Application.h"
#include "ui/Dialogs.h"

void TMainForm::DeleteFromZipButClick() {
    if (zipKeeper1_->Count() == 0) return;
    if (archivenames::IsSelfExtracting(zipKeeper1_->ZipFilename())) {
        ui::ShowMessage("Error - this pgm can NOT delete files from a self-extracting archive");
        return;
    }
    if (listView1_.ItemCount() == 0) {
        ui::ShowMessage("Error - no files to delete");
        return;
    }
    if (!ui::Dialogs().Confirm(Handle(),
                               "Delete selected files from: " + zipKeeper1_->ZipFilename() + "?"))
        return;
    std::vector<std::string>& names = zipKeeper1_->FSpecArgs();
    names.clear();
    for (int i = 0; i < listView1_.ItemCount(); ++i)
        if (listView1_.IsSelected(i)) names.push_back(RowEntryName(i));
    if (names.empty()) {
        ui::ShowMessage("Error - no files selected");
        return;
    }
    enginemsg::Collector problems(*zipKeeper1_);
    {
        ui::WaitCursor wait;
        enginemsg::RunOrTell([this] { zipKeeper1_->Delete(); }, "Fatal error trying to delete");
        if (zipKeeper1_->Count() > 0) {
            ui::ShowMessage(std::to_string(zipKeeper1_->SuccessCnt) + " files were Deleted");
            zipKeeper1_->SetZipFilename(state_.CurrentArchiveName);
        } else {
            // Nothing left: the empty archive file goes, and the window closes it.
            DeleteArchive1Click();
        }
    }
    problems.Report(Handle(), "deleted");
}

void TMainForm::ConvertZiptoexe1Click() {
    if (zipKeeper1_->Count() == 0) {
        ui::ShowMessage("Error: no files in archive");
        return;
    }
    ui::MenuItem item(mainMenu_, IDM_CONVERT);
    if (kpath::UpperCase(kpath::ExtractFileExt(zipKeeper1_->ZipFilename())) != ".EXE") {
        if (zipKeeper1_->ConvertSFX() != 0) {
            ui::ShowMessage(kconvert::WithCause("Error occured in making .EXE file",
                                                zipKeeper1_->ConvertCause()));
            return;
        }
        item.SetCaption("Convert EXE to ZIP");
        ui::ShowMessage("Filename is now: " + zipKeeper1_->ZipFilename());
    } else {
        item.SetCaption("Convert ZIP to EXE");
        if (zipKeeper1_->ConvertZIP() != 0) {
            ui::ShowMessage(kconvert::WithCause("Error occured in making .ZIP file",
                                                zipKeeper1_->ConvertCause()));
            return;
        }
        ui::ShowMessage("Filename is now: " + kpath::LowerCase(zipKeeper1_->ZipFilename()));
    }
    // The conversion lists the new file, whose directory-changed event refreshes the caption
    // and status bar at once: they never name the file that is gone.
}
