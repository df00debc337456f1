// Resource and command IDs of the main window, all in its own range. Menu items,
// accelerators and tool buttons that run the same command share one IDM_ value.
#pragma once

// Menus and accelerators
#define IDM_MAINMENU 1000
#define IDM_POPUPMENU 1001
#define IDM_ACCELERATORS 1002

// File menu
#define IDM_NEWARCHIVE 1101
#define IDM_OPENARCHIVE 1102
#define IDM_SAVEAS 1103
#define IDM_CLOSEARCHIVE 1104
#define IDM_DELETEARCHIVE 1105
#define IDM_WIZARD 1106
#define IDM_FILEINFO 1107
#define IDM_LASTZIP1 1111
#define IDM_LASTZIP2 1112
#define IDM_LASTZIP3 1113
#define IDM_LASTZIP4 1114
#define IDM_EXIT 1120

// Zip menu
#define IDM_INSTALL 1201
#define IDM_RUN2 1202
#define IDM_VIEWSELECTED 1203
#define IDM_EXTRACTSELECTED 1204
#define IDM_EXTRACTALL 1205
#define IDM_ADDTOZIP 1206
#define IDM_DELETEFROMZIP 1207
#define IDM_CONVERT 1208
#define IDM_TEST 1209

// View menu
#define IDM_VIEW_LIST 1301
#define IDM_VIEW_FULL 1302
#define IDM_VIEW_ICONS 1303
#define IDM_VIEW_SMALLICONS 1304
#define IDM_COL_SIZE 1311
#define IDM_COL_DATETIME 1312
#define IDM_COL_RATIO 1313
#define IDM_COL_PACKED 1314
#define IDM_COL_PATH 1315

// Options menu
#define IDM_CONFIGURATION 1401
#define IDM_FONT 1402
#define IDM_BACKCOLOR 1403
#define IDM_GRIDLINES 1404
#define IDM_SAVESETTINGS 1405
#define IDM_SAVECOLUMNWIDTH 1406
#define IDM_SAVEWINDOWPOS 1407

// Help menu
#define IDM_CONTENTS 1501
#define IDM_SEARCHHELP 1502
#define IDM_HOWTOUSEHELP 1503
#define IDM_README 1504
#define IDM_HOMEPAGE 1505
#define IDM_LATESTVERSION 1506
#define IDM_COMMENTS 1507
#define IDM_ABOUT 1508

// List pop-up menu (its own IDs where the command differs from the menus')
#define IDM_POP_RUN 1601

// Controls
#define IDC_LISTVIEW1 1701
#define IDC_PROGRESSBAR1 1702
#define IDC_STATUSBAR1 1703
#define IDC_TOOLBUTTON_FIRST 1710 // thirteen tool buttons in order, up to 1722
#define IDC_TOOLLABEL_FIRST 1730  // their thirteen labels, up to 1742

// Glyph bitmaps: Image1..Image12 (archive buttons, active and inactive) and the other
// buttons' glyphs.
#define IDB_IMAGE1 1801
#define IDB_IMAGE2 1802
#define IDB_IMAGE3 1803
#define IDB_IMAGE4 1804
#define IDB_IMAGE5 1805
#define IDB_IMAGE6 1806
#define IDB_IMAGE7 1807
#define IDB_IMAGE8 1808
#define IDB_IMAGE9 1809
#define IDB_IMAGE10 1810
#define IDB_IMAGE11 1811
#define IDB_IMAGE12 1812
#define IDB_NEW 1820
#define IDB_OPEN 1821
#define IDB_WIZARD 1822
#define IDB_DELETE 1823
#define IDB_OPTIONS 1824
#define IDB_HELP 1825
#define IDB_MAIL 1826

// The question before an extraction replaces a file
#define IDC_REPLACE_TEXT 1900
#define IDC_REPLACE_YES 1901
#define IDC_REPLACE_NO 1902
#define IDC_REPLACE_YESALL 1903
#define IDC_REPLACE_NOALL 1904

// The password asked again after a wrong one
#define IDC_PASSWORD_TEXT 1910
#define IDC_PASSWORD_EDIT 1911

#ifndef RC_INVOKED
#include "ui/IdRanges.h"

inline constexpr int kMainWindowIdList[] = {
    IDM_MAINMENU,  IDM_POPUPMENU,     IDM_ACCELERATORS,    IDM_NEWARCHIVE,    IDM_OPENARCHIVE,
    IDM_SAVEAS,    IDM_CLOSEARCHIVE,  IDM_DELETEARCHIVE,   IDM_WIZARD,        IDM_FILEINFO,
    IDM_LASTZIP1,  IDM_LASTZIP2,      IDM_LASTZIP3,        IDM_LASTZIP4,      IDM_EXIT,
    IDM_INSTALL,   IDM_RUN2,          IDM_VIEWSELECTED,    IDM_EXTRACTSELECTED, IDM_EXTRACTALL,
    IDM_ADDTOZIP,  IDM_DELETEFROMZIP, IDM_CONVERT, IDM_TEST,         IDM_VIEW_LIST,     IDM_VIEW_FULL,
    IDM_VIEW_ICONS, IDM_VIEW_SMALLICONS, IDM_COL_SIZE,     IDM_COL_DATETIME,  IDM_COL_RATIO,
    IDM_COL_PACKED, IDM_COL_PATH,     IDM_CONFIGURATION,   IDM_FONT,          IDM_BACKCOLOR,
    IDM_GRIDLINES, IDM_SAVESETTINGS,  IDM_SAVECOLUMNWIDTH, IDM_SAVEWINDOWPOS, IDM_CONTENTS,
    IDM_SEARCHHELP, IDM_HOWTOUSEHELP, IDM_README,          IDM_HOMEPAGE,      IDM_LATESTVERSION,
    IDM_COMMENTS,  IDM_ABOUT,         IDM_POP_RUN,         IDC_LISTVIEW1,     IDC_PROGRESSBAR1,
    IDC_STATUSBAR1, IDC_TOOLBUTTON_FIRST, IDC_TOOLBUTTON_FIRST + 12, IDC_TOOLLABEL_FIRST, IDC_TOOLLABEL_FIRST + 12, IDB_IMAGE1, IDB_IMAGE2,
    IDB_IMAGE3,    IDB_IMAGE4,        IDB_IMAGE5,          IDB_IMAGE6,        IDB_IMAGE7,
    IDB_IMAGE8,    IDB_IMAGE9,        IDB_IMAGE10,         IDB_IMAGE11,       IDB_IMAGE12,
    IDB_NEW,       IDB_OPEN,          IDB_WIZARD,          IDB_DELETE,        IDB_OPTIONS,
    IDB_HELP,      IDB_MAIL,          IDC_REPLACE_TEXT,    IDC_REPLACE_YES,   IDC_REPLACE_NO,
    IDC_REPLACE_YESALL, IDC_REPLACE_NOALL, IDC_PASSWORD_TEXT, IDC_PASSWORD_EDIT};
static_assert(ui::IdsValid(kMainWindowIdList, ui::kMainWindowIds),
              "a main window ID is outside its range or used twice");
#endif
