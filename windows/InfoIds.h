// Resource and control IDs of the file info and about windows, in their own range.
#pragma once

#define IDB_ABOUTLOGO 3201

// File info
#define IDC_FI_FRAME 3210
#define IDC_FI_NAMEFRAME 3211
#define IDC_FI_CAPTION1 3212 // five caption labels, up to 3216
#define IDC_FI_LABEL1 3220   // five value labels Label1..Label5, up to 3224

// About
#define IDC_AB_TITLE 3240
#define IDC_AB_VERSION 3241
#define IDC_AB_NOTICE 3242

#ifndef RC_INVOKED
#include "ui/IdRanges.h"

inline constexpr int kInfoWindowIdList[] = {
    IDB_ABOUTLOGO, IDC_FI_FRAME,      IDC_FI_NAMEFRAME, IDC_FI_CAPTION1, IDC_FI_CAPTION1 + 4,
    IDC_FI_LABEL1, IDC_FI_LABEL1 + 4, IDC_AB_TITLE,     IDC_AB_VERSION,  IDC_AB_NOTICE};
static_assert(ui::IdsValid(kInfoWindowIdList, ui::kInfoWindowIds),
              "an info window ID is outside its range or used twice");
#endif
