#include "wizard/Wizard1.h"

#include "wizard/WizardIds.h"

namespace {

using namespace wizard;

const ui::ControlSpec kControls[] = {
    {"STATIC", IDC_WIZ1_PICTURE, "", {8, 8, 124, 224}, WS_VISIBLE | SS_BITMAP},
    {"STATIC", IDC_WIZ1_HEADING, "Welcome to Kelvora Wizard!", {136, 10, 388, 28}, WS_VISIBLE},
    {"EDIT",
     IDC_WIZ1_MEMO1,
     "This tool - Kelvora Wizard - allows you to \r\n"
     "create your own Zip-files, step by step.\r\n"
     "And the best of all... It's really easy!\r\n"
     "\r\n"
     "If you're not sure of what a Zip-file is and \r\n"
     "why you would want to create one,\r\n"
     "click on \"Further Info\" below.",
     {136, 38, 390, 136},
     kTextBlock},
    {"STATIC",
     IDC_WIZ1_HINT,
     "Now, press \"Next\" and let's get started!",
     {150, 204, 388, 220},
     WS_VISIBLE | SS_NOPREFIX},
    {"STATIC", -1, "", kRule, WS_VISIBLE | SS_ETCHEDHORZ},
    {"BUTTON", IDC_WIZ_CLOSE, "&Close", kCloseButton, kPushButton},
    {"BUTTON", IDC_WIZ_NEXT, "&Next >>", kNextButton, kPushButton},
    {"BUTTON", IDC_WIZ_FURTHERINFO, "Further Info", {8, 241, 96, 264}, kPushButton},
};
const int kHeadings[] = {IDC_WIZ1_HEADING};
// The small dot before the hint, centred on its first line.
const RECT kDot{139, 208, 146, 215};

} // namespace

const wizard::ButtonRow<TWiz1> kButtons[] = {
    {IDC_WIZ_CLOSE, &TWiz1::btnCloseClick},
    {IDC_WIZ_NEXT, &TWiz1::btnNextClick},
    {IDC_WIZ_FURTHERINFO, &TWiz1::btnFurtherInfoClick},
};

TWiz1::PageDesign TWiz1::Design() const {
    PageDesign d{"Kelvora - Wizard (1/X)", kControls, kHeadings};
    d.Picture = IDB_WIZ1PICTURE;
    d.PictureControl = IDC_WIZ1_PICTURE;
    d.CloseBox = true;
    d.FirstFocus = IDC_WIZ_NEXT;
    return d;
}

void TWiz1::btnCloseClick() {
    Go(Step::Close);
}

void TWiz1::btnNextClick() {
    Go(Step::Next);
}

void TWiz1::btnFurtherInfoClick() {
    Go(Step::FurtherInfo);
}

void TWiz1::OnCommand(int id, int code, HWND) {
    wizard::RunButton(*this, kButtons, id, code);
}

LRESULT TWiz1::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg != WM_PAINT) return DefaultProc(msg, wp, lp);
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(Handle(), &ps);
    {
        ui::BrushHandle navy(CreateSolidBrush(RGB(0, 0, 128)));
        ui::SelectScope brush(dc, navy.Get());
        ui::SelectScope pen(dc, GetStockObject(NULL_PEN));
        Ellipse(dc, kDot.left, kDot.top, kDot.right, kDot.bottom);
    }
    EndPaint(Handle(), &ps);
    return 0;
}
