#include "mainwindow/NewArchive.h"

#include "engine/PathUtil.h"
#include "mainwindow/ArchiveNames.h"
#include "mainwindow/ArchiveReplacement.h"
#include "mainwindow/EngineProblems.h"

#include <commdlg.h>

namespace newarchive {

std::optional<std::string> ChooseName(HWND owner, ui::FileDialogRequest& dialog) {
    dialog.Title = "Create new Zip file";
    dialog.Options |= OFN_HIDEREADONLY | OFN_SHAREAWARE;
    dialog.Options &= ~(OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST);
    dialog.Filter = "ZIP Files (*.ZIP)|*.zip";
    // A name not in use is offered, beside the archive last chosen (never that archive: Enter
    // must not head for replacing it); the Open command keeps proposing its own last choice.
    const std::string before = dialog.FileName;
    const std::string folder = before.empty() ? dialog.InitialDir : kpath::ExtractFilePath(before);
    dialog.FileName = archivenames::FreeNewArchiveName(
        folder.empty() || folder.back() == '\\' ? folder : folder + "\\", &kpath::FileExists);
    const bool chosen = ui::Dialogs().OpenFile(owner, dialog);
    const std::string typed = dialog.FileName;
    dialog.FileName = before;
    if (!chosen) return std::nullopt;
    const archivenames::NewName checked = archivenames::CheckNewName(typed);
    if (!checked.Refusal.empty()) {
        ui::Dialogs().Info(owner, checked.Refusal);
        return std::nullopt;
    }
    if (kpath::FileExists(checked.Name) &&
        !ui::Dialogs().Confirm(owner, "Overwrite Existing File: " + checked.Name + "?",
                               ui::DefaultAnswer::No))
        return std::nullopt;
    return checked.Name;
}

void Write(HWND owner, TZipKeeper& zip, const std::string& name, const std::function<void()>& add) {
    std::optional<archivenames::ArchiveReplacement> replacement;
    if (!name.empty() && kpath::FileExists(name)) replacement.emplace(name);
    zip.SetZipFilename(replacement ? replacement->WorkName() : name);
    enginemsg::Collector problems(zip);
    add();
    if (replacement) replacement->Complete(owner);
    problems.Report(owner, "added");
}

wizard::ArchiveMaking ForWizard() {
    return {&ChooseName, &Write};
}

} // namespace newarchive
