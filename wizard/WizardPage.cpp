#include "wizard/WizardPage.h"

#include <algorithm>
#include <string>
#include <vector>

namespace wizard {

namespace {

// The width of the widest line of a text block in the font selected into dc.
int WidestLine(HDC dc, const std::string& text) {
    int widest = 0;
    for (size_t pos = 0; pos <= text.size();) {
        size_t end = std::min(text.find("\r\n", pos), text.size());
        SIZE size{};
        GetTextExtentPoint32A(dc, text.data() + pos, static_cast<int>(end - pos), &size);
        widest = std::max<int>(widest, size.cx);
        pos = end + 2;
    }
    return widest;
}

} // namespace

ui::Form::CreateParams TWizardPage::GetCreateParams() {
    const PageDesign d = Design();
    CreateParams p;
    p.Caption = d.Caption;
    // No minimize or maximize box on any page; only the pages that ask for it have a
    // system menu, and with it the close box.
    p.Style = WS_POPUP | WS_CAPTION | (d.CloseBox ? WS_SYSMENU : 0) |
              (d.Sizeable ? WS_THICKFRAME : DS_MODALFRAME);
    p.ExStyle = WS_EX_CONTROLPARENT | (d.Sizeable ? 0 : WS_EX_DLGMODALFRAME);
    p.ClientWidth = kPageWidth;
    p.ClientHeight = kPageHeight;
    // A sizeable page grows, but never shrinks below its design, where text would be cut.
    if (d.Sizeable) p.MinClientSize = SIZE{kPageWidth, kPageHeight};
    return p;
}

void TWizardPage::OnCreate() {
    const PageDesign d = Design();
    CreateControls(d.Controls);
    if (d.Picture)
        picture_.Reset(
            static_cast<HBITMAP>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(d.Picture),
                                            IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR)));
    ScaleFontsAndPicture();
}

void TWizardPage::OnDpiChanged(int, int) {
    ScaleFontsAndPicture();
}

void TWizardPage::ScaleFontsAndPicture() {
    const PageDesign d = Design();
    // The controls hold the old fonts and picture until they are given the new ones.
    ui::FontHandle oldHeading = std::move(headingFont_), oldText = std::move(textFont_);
    ui::BitmapHandle oldPicture = std::move(scaledPicture_);
    LOGFONTA lf{};
    GetObjectA(Font(), sizeof lf, &lf);
    lf.lfWeight = FW_BOLD;
    lf.lfHeight = -Scale(13);
    headingFont_.Reset(CreateFontIndirectA(&lf));
    for (int id : d.Headings)
        SendMessageA(Control(id), WM_SETFONT, reinterpret_cast<WPARAM>(headingFont_.Get()), 0);
    FitTextBlocks(d.Controls);
    if (picture_) {
        // Above 96 DPI the picture is a smooth enlargement of the design one.
        scaledPicture_.Reset(ui::ScaledBitmapCopy(picture_.Get(), Dpi()));
        SendMessageA(
            Control(d.PictureControl), STM_SETIMAGE, IMAGE_BITMAP,
            reinterpret_cast<LPARAM>(scaledPicture_ ? scaledPicture_.Get() : picture_.Get()));
    }
}

void TWizardPage::FitTextBlocks(std::span<const ui::ControlSpec> specs) {
    std::vector<HWND> blocks;
    for (const ui::ControlSpec& c : specs)
        if (c.Style == kTextBlock) blocks.push_back(Control(c.Id));
    LOGFONTA lf{};
    GetObjectA(Font(), sizeof lf, &lf);
    HDC dc = GetDC(Handle());
    // The lines are given whole, so they must not wrap: where the dialog font is wider than
    // the one the pages were laid out for, the blocks take a smaller size of it.
    const LONG shrink = Scale(3); // a size or two, at any scale
    for (const LONG smallest = lf.lfHeight < 0 ? lf.lfHeight + shrink : lf.lfHeight;;
         ++lf.lfHeight) {
        textFont_.Reset(CreateFontIndirectA(&lf));
        ui::SelectScope select(dc, textFont_.Get());
        bool fits = true;
        for (HWND block : blocks) {
            SendMessageA(block, WM_SETFONT, reinterpret_cast<WPARAM>(textFont_.Get()), FALSE);
            RECT r{};
            SendMessageA(block, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&r));
            ui::Control text(block);
            fits = fits && WidestLine(dc, text.Text()) <= r.right - r.left;
        }
        if (fits || lf.lfHeight >= smallest) break;
    }
    ReleaseDC(Handle(), dc);
}

void TWizardPage::OnOK() {
    HWND focus = GetFocus();
    char cls[16] = {};
    if (!focus || GetParent(focus) != Handle() || !GetClassNameA(focus, cls, sizeof cls) ||
        lstrcmpiA(cls, "Button") != 0)
        return;
    SendMessageA(Handle(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(focus), BN_CLICKED),
                 reinterpret_cast<LPARAM>(focus));
}

void TWizardPage::OnShow() {
    if (HWND first = Control(Design().FirstFocus)) SetFocus(first);
}

const ArchiveMaking& TWizardPage::Making() const {
    static const ArchiveMaking none;
    return navigator_ ? navigator_->Making() : none;
}

} // namespace wizard
