#include "wizard/Wizard4.h"

#include "wizard/WizardIds.h"

namespace {

using namespace wizard;

const ui::ControlSpec kControls[] = {
    {"STATIC",
     IDC_WIZ4_HEADING,
     "Now you don't need the wizard any more!",
     {8, 8, 384, 26},
     WS_VISIBLE,
     0,
     ui::akLeft | ui::akTop | ui::akRight},
    {"EDIT",
     IDC_WIZ4_MEMO1,
     "You've just created your own Zip-file! Simple, wasn't it? Yes, but now \r\n"
     "that you know the basics you can do the same thing twice as fast and \r\n"
     "just as simple! \r\n"
     "How? Just click: \r\n"
     "\r\n"
     "1) \"New\" - name the file. \r\n"
     "\r\n"
     "2) \"Add\" - drag the files you want from the left window to the right.\r\n"
     "\r\n"
     "3) \"OK\" - Kelvora does the work!\r\n"
     "\r\n"
     "Does it sound hard? No, didn't think so.\r\n"
     "Next time you feel like zipping. Try it this way!",
     {8, 32, 392, 224},
     kTextBlock,
     0,
     ui::akAll},
    {"STATIC", -1, "", kRule, WS_VISIBLE | SS_ETCHEDHORZ, 0,
     ui::akLeft | ui::akRight | ui::akBottom},
    {"BUTTON", IDOK, "OK", kCloseButton, kPushButton | BS_DEFPUSHBUTTON, 0,
     ui::akRight | ui::akBottom},
};
const int kHeadings[] = {IDC_WIZ4_HEADING};

} // namespace

TWiz4::PageDesign TWiz4::Design() const {
    PageDesign d{"Kelvora Wizard - Information", kControls, kHeadings};
    d.Sizeable = true;
    d.FirstFocus = IDOK;
    return d;
}
