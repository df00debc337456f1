// TMainForm: the Wizard command. The wizard's pages run one inside the other; when the last
// one has closed, the archive it named (or the one that was open before) is shown.
#include "mainwindow/Main.h"

#include "engine/PathUtil.h"
#include "wizard/WizardNavigator.h"

void TMainForm::WizardAddButClick() {
    if (!windows_.Wizard) return;
    const std::string before = zipKeeper1_->ZipFilename();
    windows_.Wizard->Run();
    // Left before its archive was written: the window keeps showing what it showed.
    if (state_.CurrentArchiveName != before && !kpath::FileExists(state_.CurrentArchiveName))
        state_.CurrentArchiveName = before;
    if (state_.CurrentArchiveName.empty()) return;
    if (state_.CurrentArchiveName == before) {
        // The wizard was left on the archive that was already open: show it anew, but do not
        // ask again about a setup program the user has already answered for.
        zipKeeper1_->SetZipFilename(before);
        UpdateStatusAndCaption();
    } else {
        OpenArchive(state_.CurrentArchiveName);
    }
    ComputeArchiveTotals();
    FillContentsView();
}
