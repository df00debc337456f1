// TWiz1Fur: the explanation page opened from page 1: what a zip file is and why to make one.
#pragma once

#include "wizard/WizardPage.h"

class TWiz1Fur : public wizard::TWizardPage {
public:
    using TWizardPage::TWizardPage;

    void btnBackClick();

protected:
    PageDesign Design() const override;
    void OnCommand(int id, int code, HWND control) override;
    // Esc goes back to page 1 like Back.
    void OnCancel() override { btnBackClick(); }
};
