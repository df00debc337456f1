#include "wizard/Wizard2.h"

#include "wizard/WizardIds.h"

namespace {

using namespace wizard;

const ui::ControlSpec kControls[] = {
    {"STATIC", IDC_WIZ2_PICTURE, "", {8, 8, 124, 224}, WS_VISIBLE | SS_BITMAP},
    {"STATIC", IDC_WIZ2_HEADING, "1) Name the File", {136, 10, 388, 28}, WS_VISIBLE},
    {"EDIT",
     IDC_WIZ2_MEMO1,
     "You have to select a directory where to put \r\n"
     "your new file. Such a directory could be \r\n"
     "\"c:\\MyZipFiles\\\" or any other name that you \r\n"
     "like.",
     {136, 38, 390, 98},
     kTextBlock},
    {"EDIT",
     IDC_WIZ2_MEMO2,
     "Then we'll give our new Zip-file a name. Use \r\n"
     "a good name that describes the things you're \r\n"
     "going to compress, short and concise. \r\n"
     "For example: \"MyLetters\".",
     {136, 106, 390, 166},
     kTextBlock},
    {"STATIC",
     IDC_WIZ2_HINT,
     "To name your new file press \"Next\"",
     {136, 204, 388, 220},
     WS_VISIBLE | SS_NOPREFIX},
    {"STATIC", -1, "", kRule, WS_VISIBLE | SS_ETCHEDHORZ},
    {"BUTTON", IDC_WIZ_CLOSE, "&Close", kCloseButton, kPushButton},
    {"BUTTON", IDC_WIZ_BACK, "<< &Back", kBackButton, kPushButton},
    {"BUTTON", IDC_WIZ_NEXT, "&Next >>", kNextButton, kPushButton},
};
const int kHeadings[] = {IDC_WIZ2_HEADING};

} // namespace

const wizard::ButtonRow<TWiz2> kButtons[] = {
    {IDC_WIZ_CLOSE, &TWiz2::btnCloseClick},
    {IDC_WIZ_BACK, &TWiz2::btnBackClick},
    {IDC_WIZ_NEXT, &TWiz2::btnNextClick},
};

TWiz2::PageDesign TWiz2::Design() const {
    PageDesign d{"Kelvora Wizard (2/X)", kControls, kHeadings};
    d.Picture = IDB_WIZ2PICTURE;
    d.PictureControl = IDC_WIZ2_PICTURE;
    d.FirstFocus = IDC_WIZ_NEXT;
    return d;
}

void TWiz2::btnCloseClick() {
    Go(Step::Close);
}

void TWiz2::btnBackClick() {
    Go(Step::Back);
}

void TWiz2::btnNextClick() {
    if (NameArchive()) Go(Step::Next);
}

bool TWiz2::NameArchive() {
    // Yes to replacing an existing file only lets the name be taken: the old archive stays
    // until page 3 has written the new one, since the user may still leave the wizard.
    if (!Making().ChooseName) return false;
    const std::optional<std::string> name = Making().ChooseName(Handle(), OpenDialog1);
    if (!name) return false;
    currentArchiveName_ = *name;
    return true;
}

void TWiz2::OnCommand(int id, int code, HWND) {
    wizard::RunButton(*this, kButtons, id, code);
}
