// TMainForm: the Wizard command. The wizard's pages run one inside the other; when the last
// one has closed, the archive it named (or the one that was open before) is shown.
#include "mainwindow/Main.h"

#include "wizard/Wizard1.h"

void TMainForm::WizardAddButClick() {
    TWiz1* first = state_.Windows.Wiz1;
    if (!first) return;
    first->ShowModal();
    if (state_.CurrentArchiveName.empty()) return;
    OpenArchive(state_.CurrentArchiveName);
    ComputeArchiveTotals();
    FillContentsView();
}
