// TWiz2: the naming page. Next asks for the new archive's name and, when it is a good one,
// puts it into CurrentArchiveName and goes on to page 3.
#pragma once

#include "ui/Dialogs.h"
#include "wizard/WizardPage.h"

#include <string>

class TWiz2 : public wizard::TWizardPage {
public:
    // The page names the archive into currentArchiveName, the name the program shares.
    explicit TWiz2(std::string& currentArchiveName) : currentArchiveName_(currentArchiveName) {}

    void btnCloseClick();
    void btnBackClick();
    void btnNextClick();
    // Asks for the name and checks it; true when CurrentArchiveName holds the new name.
    bool NameArchive();

    // The dialog that names the new archive; it keeps its settings between showings.
    ui::FileDialogRequest OpenDialog1;

protected:
    PageDesign Design() const override;
    void OnCommand(int id, int code, HWND control) override;
    // Esc ends the wizard like Close.
    void OnCancel() override { btnCloseClick(); }

private:
    std::string& currentArchiveName_;
};
