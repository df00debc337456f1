// TAboutBox: the program's title, version, notice and logo, centred over the main window.
#pragma once

#include "ui/Controls.h"
#include "ui/Dialog.h"
#include "ui/Dpi.h"
#include "base/Handle.h"
#include "windows/FileInfo.h"

// Where the box goes for a main window at this screen rectangle: its fixed half-sizes
// (153 wide, 103 high at 96 DPI, scaled to the box's DPI) taken from the main window's centre.
POINT AboutBoxPosition(const RECT& mainWindow, int dpi = ui::kDesignDpi);

class TAboutBox : public ui::Dialog<RECT, Acknowledged> {
public:
    const char* DialogName() const override { return "About"; }
    ui::Label& lblVersion() { return version_; }

protected:
    CreateParams GetCreateParams() override;
    void OnCreate() override;
    void Load(const RECT& mainWindow) override;
    std::optional<Acknowledged> Collect() override { return Acknowledged{}; }
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    void Paint(HDC dc);
    void MakeFonts();
    void OnDpiChanged(int oldDpi, int newDpi) override;

    ui::Label version_;
    ui::FontHandle titleFont_, boldFont_;
    ui::BitmapHandle logo_;
};
