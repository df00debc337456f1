// TMainForm: the Wizard command. The wizard's pages run one inside the other; when the last
// one has closed, the archive it named (or the one that was open before) is shown.
#include "mainwindow/Main.h"

#include "wizard/WizardNavigator.h"

void TMainForm::WizardAddButClick() {
    if (!windows_.Wizard) return;
    windows_.Wizard->Run();
    if (state_.CurrentArchiveName.empty()) return;
    OpenArchive(state_.CurrentArchiveName);
    ComputeArchiveTotals();
    FillContentsView();
}
