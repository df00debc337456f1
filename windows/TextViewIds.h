// Resource and command IDs of the text viewer, all in its own range.
#pragma once

#define IDM_TV_MENU 3000
#define IDM_TV_ACCELERATORS 3001

// File menu
#define IDM_TV_SAVEAS 3101
#define IDM_TV_PRINT 3102
#define IDM_TV_PRINTSETUP 3103
#define IDM_TV_EXIT 3104
// Edit menu
#define IDM_TV_COPY 3111
#define IDM_TV_SELECTALL 3112
#define IDM_TV_FIND 3113
#define IDM_TV_FINDNEXT 3114
// Options menu
#define IDM_TV_WRAPLINES 3121
#define IDM_TV_FONT 3122
#define IDM_TV_SAVEPOSITION 3123
// Esc in the text area
#define IDM_TV_ESCAPE 3131

#define IDC_TV_RICHEDIT1 3150

#ifndef RC_INVOKED
#include "ui/IdRanges.h"

inline constexpr int kTextViewIdList[] = {
    IDM_TV_MENU,      IDM_TV_ACCELERATORS, IDM_TV_SAVEAS,       IDM_TV_PRINT,  IDM_TV_PRINTSETUP,
    IDM_TV_EXIT,      IDM_TV_COPY,         IDM_TV_SELECTALL,    IDM_TV_FIND,   IDM_TV_FINDNEXT,
    IDM_TV_WRAPLINES, IDM_TV_FONT,         IDM_TV_SAVEPOSITION, IDM_TV_ESCAPE, IDC_TV_RICHEDIT1};
static_assert(ui::IdsValid(kTextViewIdList, ui::kTextViewIds),
              "a text viewer ID is outside its range or used twice");
#endif
