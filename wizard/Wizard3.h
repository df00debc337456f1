// TWiz3: the page that collects the files and compresses them into the new archive with an
// archive component of its own. ListView1 shows the chosen files; the hidden ListBox1 holds
// the same paths in the same order and is what the component receives.
#pragma once

#include "engine/ZipKeep.h"
#include "ui/Controls.h"
#include "ui/Dialogs.h"
#include "wizard/WizardPage.h"

#include <memory>
#include <string>

class TWiz3 : public wizard::TWizardPage {
public:
    // The page writes the archive named by currentArchiveName, the name the program shares.
    explicit TWiz3(const std::string& currentArchiveName);
    ~TWiz3() override;

    void btnCloseClick();
    void btnBackClick();
    void btnNextClick();
    void btnAddFilesClick();
    void btnClearListClick();

    // The dialog that chooses the files; it keeps its settings between showings.
    ui::FileDialogRequest OpenDialog1;

    ui::ListView& ListView1() { return listView1_; }
    ui::ListBox& ListBox1() { return listBox1_; }
    TZipKeeper& ZipKeeper1() { return *zipKeeper1_; }

protected:
    PageDesign Design() const override;
    void OnCreate() override;
    void OnCommand(int id, int code, HWND control) override;
    // The file list draws each path shortened in its middle.
    bool OnNotify(NMHDR* header, LRESULT& result) override;
    // Esc ends the wizard like Close.
    void OnCancel() override { btnCloseClick(); }

private:
    const std::string& currentArchiveName_;
    // Appends a path unless it is listed already (letter case ignored); true when added.
    bool AddFile(const std::string& path);
    void Compress();
    void EnableListCommands(bool on);

    ui::ListView listView1_;
    ui::ListBox listBox1_;
    std::unique_ptr<TZipKeeper> zipKeeper1_;
};
