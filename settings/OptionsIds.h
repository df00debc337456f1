// Control IDs of the options dialog, in its own range.
#pragma once

#define IDC_OPT_PAGES 2001
#define IDC_OPT_HELP 2002
// "Default download folder"
#define IDC_OPT_AUTOMOVE 2010
#define IDC_OPT_KEEPINTEMP 2011
#define IDC_OPT_DOWNLOADDIR 2012
#define IDC_OPT_BROWSE 2013
// "Browser options"
#define IDC_OPT_BROWSERLABEL 2020
#define IDC_OPT_NETSCAPE 2021
#define IDC_OPT_IE 2022
// "Confirmation options"
#define IDC_OPT_AUTORUN 2030
#define IDC_OPT_AUTOEXIT 2031
#define IDC_OPT_ENCRYPTLABEL 2032
#define IDC_OPT_TRADITIONAL 2033
#define IDC_OPT_AES256 2034

#ifndef RC_INVOKED
#include "ui/IdRanges.h"

inline constexpr int kOptionsIdList[] = {
    IDC_OPT_PAGES,       IDC_OPT_HELP,    IDC_OPT_AUTOMOVE,     IDC_OPT_KEEPINTEMP,
    IDC_OPT_DOWNLOADDIR, IDC_OPT_BROWSE,  IDC_OPT_BROWSERLABEL, IDC_OPT_NETSCAPE,
    IDC_OPT_IE,          IDC_OPT_AUTORUN, IDC_OPT_AUTOEXIT,     IDC_OPT_ENCRYPTLABEL,
    IDC_OPT_TRADITIONAL, IDC_OPT_AES256};
static_assert(ui::IdsValid(kOptionsIdList, ui::kOptionsIds),
              "an options dialog ID is outside its range or used twice");
#endif
