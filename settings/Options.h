// TfrmOptions: the options dialog, three pages (download folder, browsers, confirmations and
// the encryption "Protect With Password" uses).
// EditOptions fills it from the settings, shows it, and on OK stores the keys and re-applies
// the browser registration.
#pragma once

#include "settings/SharedState.h"
#include "settings/BrowserRegistration.h"
#include "settings/IniFile.h"
#include "settings/PathDialog.h"
#include "ui/Controls.h"
#include "ui/Dialog.h"
#include "base/Handle.h"

#include <array>
#include <string>

// The values the dialog edits.
struct OptionValues {
    bool AutoMove = true;
    std::string DownloadDir;
    bool Netscape = true;
    bool IE = true;
    bool AutoRun = true;
    bool AutoExit = true;
    bool AesEncryption = false;
};

struct OptionsRequest {
    OptionValues Values;
    RECT MainWindow{}; // screen rectangle the dialog is centred over
};

// Where the dialog goes over a main window at this screen rectangle: its fixed half-sizes
// (233 wide, 126 high at 96 DPI, scaled to the dialog's DPI) taken from the main window's
// centre.
POINT OptionsDialogPosition(const RECT& mainWindow, int dpi = ui::kDesignDpi);

class TfrmOptions : public ui::Dialog<OptionsRequest, OptionValues> {
public:
    TfrmOptions();
    const char* DialogName() const override { return "Options"; }

    enum Page { DownloadPage, BrowserPage, ConfirmationPage, kPageCount };
    void ShowPage(int page);
    // The folder the extraction commands' folder dialog starts at: the text of the download
    // folder box as last left (empty before the dialog was first opened).
    std::string DownloadDirText() const;

    void btnBrowseClick();
    void radiobtnAutoMoveClick();
    void radiobtnKeepInTempDirClick();

protected:
    CreateParams GetCreateParams() override;
    void OnCreate() override;
    void Load(const OptionsRequest& request) override;
    std::optional<OptionValues> Collect() override;
    void OnCommand(int id, int code, HWND control) override;
    bool OnNotify(NMHDR* header, LRESULT& result) override;
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    void FormShow(const RECT& mainWindow);
    void SetFolderEnabled(bool on);

    ui::TabControl pages_;
    ui::RadioButton autoMove_, keepInTemp_;
    ui::Edit downloadDir_;
    ui::Button browse_;
    ui::CheckBox netscape_, ie_, autoRun_, autoExit_;
    ui::RadioButton traditional_, aes256_;
    settings::TPathDialog pathDialog1_;
    ui::BrushHandle pageFace_; // the page's face as the tab control draws it
};

// Fills the dialog from the settings and shows it over the main window. On OK, in this
// order: AutoMove, DownloadDir, Netscape, IE are written and copied into the settings, the
// browser registration is applied (a failure is reported and the rest still stored), then
// AutoRun, AutoExit and AesEncryption. Nothing changes on Cancel.
void EditOptions(TfrmOptions& dialog, HWND mainWindow, settings::IniFile& ini,
                 kelvora::InMemorySettings& settings, const browsers::RegistryRoots& roots,
                 const std::string& handlerPath);
