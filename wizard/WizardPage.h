// The common ground of the wizard's pages: a fixed page of 392 by 273 client pixels,
// centred, with a bold heading, read-only text blocks on the face colour, an optional
// picture on the left and a row of buttons. A page asks its navigator for a step; the
// navigator opens, shows and closes the pages (WizardNavigator).
#pragma once

#include "ui/Controls.h"
#include "ui/Form.h"
#include "base/Handle.h"
#include "wizard/WizardNavigator.h"

#include <span>

namespace wizard {

inline constexpr int kPageWidth = 392, kPageHeight = 273;

// Text blocks: read-only, borderless, word-wrapped, on the face colour. Their lines are
// joined by "\r\n", each given whole, trailing blanks included.
inline constexpr DWORD kTextBlock = WS_VISIBLE | ES_MULTILINE | ES_READONLY;
inline constexpr DWORD kPushButton = WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;
// The bottom row: a rule above the buttons, then the buttons at the right.
inline constexpr RECT kRule{8, 231, 384, 233};
inline constexpr RECT kBackButton{136, 241, 216, 264};
inline constexpr RECT kNextButton{220, 241, 300, 264};
inline constexpr RECT kCloseButton{308, 241, 384, 264};

// A page's buttons as table rows: the control and the page's handler for its click.
template <class Page> struct ButtonRow {
    int Id;
    void (Page::*Click)();
};
// Runs the handler of a clicked button; false when the table has no row for it.
template <class Page, size_t N>
bool RunButton(Page& page, const ButtonRow<Page> (&rows)[N], int id, int code) {
    if (code != BN_CLICKED) return false;
    for (const ButtonRow<Page>& row : rows)
        if (row.Id == id) {
            (page.*row.Click)();
            return true;
        }
    return false;
}

class TWizardPage : public ui::Form {
public:
    // Gives the page the modal result OK: it closes as soon as control returns to it.
    void ClosePage() { CloseModal(ui::mrOk); }
    // The navigator that runs this page, and the page's place in its table.
    void Attach(Navigator& navigator, PageId id) {
        navigator_ = &navigator;
        id_ = id;
    }

protected:
    struct PageDesign {
        const char* Caption;
        std::span<const ui::ControlSpec> Controls;
        std::span<const int> Headings; // labels drawn bold
        int Picture = 0;               // bitmap resource for the picture control, or 0
        int PictureControl = 0;
        bool CloseBox = false;
        bool Sizeable = false;
        int FirstFocus = 0; // the button that has the focus when the page shows
    };
    virtual PageDesign Design() const = 0;

    CreateParams GetCreateParams() override;
    void OnCreate() override;
    void OnDpiChanged(int oldDpi, int newDpi) override;
    void OnShow() override;
    // Enter presses the focused button; it never ends a page by itself.
    void OnOK() override;
    // Asks the navigator for a step from this page (nothing without a navigator).
    void Go(Step step, const std::function<void()>& between = {}) {
        if (navigator_) navigator_->Go(id_, step, between);
    }
    // The program's way of naming and writing a new archive; empty without a navigator.
    const ArchiveMaking& Making() const;

private:
    void ScaleFontsAndPicture();
    void FitTextBlocks(std::span<const ui::ControlSpec> specs);

    ui::FontHandle headingFont_, textFont_;
    ui::BitmapHandle picture_, scaledPicture_;
    Navigator* navigator_ = nullptr;
    PageId id_ = PageId::Welcome;
};

} // namespace wizard
