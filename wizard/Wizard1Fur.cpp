#include "wizard/Wizard1Fur.h"

#include "wizard/WizardIds.h"

namespace {

using namespace wizard;

const ui::ControlSpec kControls[] = {
    {"STATIC", IDC_WIZ1FUR_HEADING1, "What's a Zip-file?", {8, 8, 384, 26}, WS_VISIBLE},
    {"EDIT",
     IDC_WIZ1FUR_MEMO1,
     "A Zip-file is a set of \"ordinary\" files squeezed together in one file, \r\n"
     "saving space doing so. The drawback with this is that the original files \r\n"
     "are \"locked\" until you uncompress them again. That's where Kelvora \r\n"
     "saves your day. It will do all the work for you and even let you access \r\n"
     "files still compressed!",
     {8, 30, 392, 102},
     kTextBlock},
    {"STATIC", IDC_WIZ1FUR_HEADING2, "Why should I care?", {8, 108, 384, 126}, WS_VISIBLE},
    {"EDIT",
     IDC_WIZ1FUR_MEMO2,
     "1) You have many files that you don't use very often. Compressing them \r\n"
     "will save precious disk-space.\r\n"
     "2) You like to send files to other people using for example a modem. \r\n"
     "A Zip-file will transfer much faster and save you some money on the \r\n"
     "phone-bill (The phone-company will be disappointed though...).",
     {8, 130, 392, 202},
     kTextBlock},
    {"STATIC",
     IDC_WIZ1FUR_HINT,
     "Now, press \"Back\" and start zipping!",
     {8, 210, 300, 226},
     WS_VISIBLE | SS_NOPREFIX},
    {"STATIC", -1, "", kRule, WS_VISIBLE | SS_ETCHEDHORZ},
    {"BUTTON", IDC_WIZ_BACK, "&Back", kCloseButton, kPushButton},
};
const int kHeadings[] = {IDC_WIZ1FUR_HEADING1, IDC_WIZ1FUR_HEADING2};

} // namespace

const wizard::ButtonRow<TWiz1Fur> kButtons[] = {
    {IDC_WIZ_BACK, &TWiz1Fur::btnBackClick},
};

TWiz1Fur::PageDesign TWiz1Fur::Design() const {
    PageDesign d{"Kelvora Wizard (1/X) - Further Info", kControls, kHeadings};
    d.FirstFocus = IDC_WIZ_BACK;
    return d;
}

void TWiz1Fur::btnBackClick() {
    Go(Step::Back);
}

void TWiz1Fur::OnCommand(int id, int code, HWND) {
    wizard::RunButton(*this, kButtons, id, code);
}
