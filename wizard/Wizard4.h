// TWiz4: the last page, which teaches the quicker way through the main window. It can be
// resized; OK closes it and with it the pages below.
#pragma once

#include "wizard/WizardPage.h"

class TWiz4 : public wizard::TWizardPage {
public:
    using TWizardPage::TWizardPage;

protected:
    PageDesign Design() const override;
    // The OK button, Enter and Esc all close the page.
    void OnOK() override { ClosePage(); }
    void OnCancel() override { ClosePage(); }
};
