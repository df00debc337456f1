// Resource and control IDs of the wizard's pages, in the wizard's range. The pages are
// separate windows, but their IDs stay distinct so a test or a trace names one control.
#pragma once

#define IDB_WIZ1PICTURE 2601
#define IDB_WIZ2PICTURE 2602

// Shared by the pages: the buttons of the bottom row.
#define IDC_WIZ_CLOSE 2610
#define IDC_WIZ_NEXT 2611
#define IDC_WIZ_BACK 2612
#define IDC_WIZ_FURTHERINFO 2613

// Page 1
#define IDC_WIZ1_PICTURE 2620
#define IDC_WIZ1_HEADING 2621
#define IDC_WIZ1_MEMO1 2622
#define IDC_WIZ1_HINT 2623

// Further info
#define IDC_WIZ1FUR_HEADING1 2630
#define IDC_WIZ1FUR_HEADING2 2631
#define IDC_WIZ1FUR_MEMO1 2632
#define IDC_WIZ1FUR_MEMO2 2633
#define IDC_WIZ1FUR_HINT 2634

// Page 2
#define IDC_WIZ2_PICTURE 2640
#define IDC_WIZ2_HEADING 2641
#define IDC_WIZ2_MEMO1 2642
#define IDC_WIZ2_MEMO2 2643
#define IDC_WIZ2_HINT 2644

// Page 3
#define IDC_WIZ3_HEADING 2650
#define IDC_WIZ3_MEMO1 2651
#define IDC_WIZ3_MEMO2 2652
#define IDC_WIZ3_MEMO3 2653
#define IDC_WIZ3_LISTCAPTION 2654
#define IDC_WIZ3_LISTVIEW1 2655
#define IDC_WIZ3_LISTBOX1 2656
#define IDC_WIZ3_ADDFILES 2657
#define IDC_WIZ3_CLEARLIST 2658

// Page 4
#define IDC_WIZ4_HEADING 2660
#define IDC_WIZ4_MEMO1 2661

#ifndef RC_INVOKED
#include "ui/IdRanges.h"

inline constexpr int kWizardIdList[] = {
    IDB_WIZ1PICTURE,      IDB_WIZ2PICTURE,     IDC_WIZ_CLOSE,        IDC_WIZ_NEXT,
    IDC_WIZ_BACK,         IDC_WIZ_FURTHERINFO, IDC_WIZ1_PICTURE,     IDC_WIZ1_HEADING,
    IDC_WIZ1_MEMO1,       IDC_WIZ1_HINT,       IDC_WIZ1FUR_HEADING1, IDC_WIZ1FUR_HEADING2,
    IDC_WIZ1FUR_MEMO1,    IDC_WIZ1FUR_MEMO2,   IDC_WIZ1FUR_HINT,     IDC_WIZ2_PICTURE,
    IDC_WIZ2_HEADING,     IDC_WIZ2_MEMO1,      IDC_WIZ2_MEMO2,       IDC_WIZ2_HINT,
    IDC_WIZ3_HEADING,     IDC_WIZ3_MEMO1,      IDC_WIZ3_MEMO2,       IDC_WIZ3_MEMO3,
    IDC_WIZ3_LISTCAPTION, IDC_WIZ3_LISTVIEW1,  IDC_WIZ3_LISTBOX1,    IDC_WIZ3_ADDFILES,
    IDC_WIZ3_CLEARLIST,   IDC_WIZ4_HEADING,    IDC_WIZ4_MEMO1};
static_assert(ui::IdsValid(kWizardIdList, ui::kWizardIds),
              "a wizard ID is outside its range or used twice");
#endif
