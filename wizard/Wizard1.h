// TWiz1: the wizard's first page, a welcome with a picture; the way on to naming the
// archive or to the explanation page.
#pragma once

#include "wizard/WizardPage.h"

class TWiz1 : public wizard::TWizardPage {
public:
    using TWizardPage::TWizardPage;

    void btnCloseClick();
    void btnNextClick();
    void btnFurtherInfoClick();

protected:
    PageDesign Design() const override;
    void OnCommand(int id, int code, HWND control) override;
    // Esc and the close box end the wizard like Close.
    void OnCancel() override { btnCloseClick(); }
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
};
