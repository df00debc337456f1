// TMainForm: New and Add, which collect files in the add-files dialog and hand them to the
// archive component.
#include "mainwindow/Main.h"

#include "addfiles/AddFilesToZip.h"
#include "engine/PathUtil.h"
#include "mainwindow/ArchiveNames.h"
#include "mainwindow/NewArchive.h"
#include "mainwindow/ArchiveReplacement.h"
#include "mainwindow/EngineProblems.h"
#include "settings/SettingsStore.h"
#include "ui/Application.h"
#include "ui/Dialogs.h"

#include <exception>

void TMainForm::NewZipButClick() {
    if (std::optional<std::string> name = newarchive::ChooseName(Handle(), openDialog1_))
        NewArchive(*name);
}

void TMainForm::NewArchive(const std::string& name) {
    if (!kpath::FileExists(name)) {
        zipKeeper1_->SetZipFilename(name);
        AddFilesToArchive();
        AddRecentArchive(zipKeeper1_->ZipFilename());
        return;
    }
    // Replacing was confirmed with the name. The old file, and the window showing what it showed,
    // stay as they are until the new archive is complete: the user may still leave the add-files
    // dialog.
    const std::string before = state_.CurrentArchiveName;
    const std::optional<AddFilesResult> chosen = ChooseFilesToAdd(name);
    if (!chosen) {
        state_.CurrentArchiveName = before;
        return;
    }
    archivenames::ArchiveReplacement replacement(name);
    TZipKeeper writer(Handle());
    writer.AddCompLevel = zipKeeper1_->AddCompLevel;
    writer.OnProgress = zipKeeper1_->OnProgress;
    writer.SetZipFilename(replacement.WorkName());
    AddChosenFiles(writer, *chosen);
    replacement.Complete(Handle());
    zipKeeper1_->SetZipFilename(name);
    AddRecentArchive(zipKeeper1_->ZipFilename());
}

void TMainForm::AddZipButClick() {
    // A named archive that does not exist yet (after New or the wizard was left early) is
    // made by the engine with the first files added.
    if (zipKeeper1_->ZipFilename().empty()) return;
    ResetProgress();
    AddFilesToArchive();
}

void TMainForm::AddFilesToArchive() {
    const std::optional<AddFilesResult> chosen = ChooseFilesToAdd(zipKeeper1_->ZipFilename());
    if (!chosen) return;
    AddChosenFiles(*zipKeeper1_, *chosen);
    zipKeeper1_->SetZipFilename(state_.CurrentArchiveName);
}

std::optional<AddFilesResult> TMainForm::ChooseFilesToAdd(const std::string& archive) {
    if (archivenames::IsSelfExtracting(archive)) {
        ui::ShowMessage("Error - this program can NOT add files to a self-extracting archive");
        return std::nullopt;
    }
    TAddform* addForm = windows_.AddFiles;
    if (!addForm) return std::nullopt;
    state_.CurrentArchiveName = archive;
    AddFilesRequest request;
    request.ArchiveName = archive;
    // The dialog's lists show the member list's current look.
    request.Look =
        ListLook{reinterpret_cast<HFONT>(SendMessageA(listView1_.Handle(), WM_GETFONT, 0, 0)),
                 static_cast<COLORREF>(SendMessageA(listView1_.Handle(), LVM_GETBKCOLOR, 0, 0)),
                 listView1_.Style()};
    request.Maximized = true;
    if (const auto bars = settings::ReadAddFilesBars(*iniFile_))
        request.Bars = addfiles::PaneSplit{bars->LeftWidth, bars->TreeHeight};
    // The dialog keeps the shared flag as it is left; what to add comes only with its
    // result, which it gives exactly when OK ended it.
    state_.AddDialogCancelled = false;
    std::optional<AddFilesResult> chosen = addForm->Execute(Handle(), request);
    // The bars stay where the user left them, also for the next start.
    if (const auto placed = addForm->PlacedBars();
        placed && (!request.Bars || placed->LeftWidth != request.Bars->LeftWidth ||
                   placed->TreeHeight != request.Bars->TreeHeight))
        try {
            settings::WriteAddFilesBars(*iniFile_, {placed->LeftWidth, placed->TreeHeight});
        } catch (const std::exception&) {
            // A settings file that refuses writes costs only the bars' places, not the files.
        }
    if (!chosen) return std::nullopt;
    if (chosen->FSpecArgs.empty()) {
        ui::ShowMessage("There are no files selected");
        return std::nullopt;
    }
    return chosen;
}

void TMainForm::AddChosenFiles(TZipKeeper& zip, const AddFilesResult& chosen) {
    zip.AddOptions = chosen.AddOptions;
    zip.AesEncryption = state_.Settings.AesEncryption;
    zip.SetFSpecArgs(chosen.FSpecArgs);
    enginemsg::Collector problems(zip);
    // The engine counts the folder entries it writes among what it added; the user counts
    // files. A folder entry is announced by a name ending in a slash.
    std::int32_t folders = 0;
    struct Restore {
        TZipKeeper& zip;
        TProgressEvent previous;
        ~Restore() { zip.OnProgress = previous; }
    } restore{zip, zip.OnProgress};
    zip.OnProgress = [&folders, &restore](TZipKeeper& sender, ProgressType type,
                                          const std::string& name, std::int32_t size) {
        if (type == ProgressType::NewFile && !name.empty() &&
            (name.back() == '/' || name.back() == '\\'))
            ++folders;
        if (restore.previous) restore.previous(sender, type, name, size);
    };
    {
        ui::WaitCursor wait;
        enginemsg::RunOrTell([&zip] { zip.Add(); },
                             "Error in Add; Fatal DLL Exception in mainunit");
        const std::int32_t files = zip.SuccessCnt > folders ? zip.SuccessCnt - folders : 0;
        ui::ShowMessage(std::to_string(files) + " files were successfully added!");
    }
    problems.Report(Handle(), "added");
}
