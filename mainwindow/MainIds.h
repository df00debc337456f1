// Resource and command IDs of the main window. Menu items, accelerators and tool buttons
// that run the same command share one IDM_ value.
#pragma once

// Menus and accelerators
#define IDM_MAINMENU 100
#define IDM_POPUPMENU 101
#define IDM_ACCELERATORS 102

// File menu
#define IDM_NEWARCHIVE 1001
#define IDM_OPENARCHIVE 1002
#define IDM_SAVEAS 1003
#define IDM_CLOSEARCHIVE 1004
#define IDM_DELETEARCHIVE 1005
#define IDM_WIZARD 1006
#define IDM_FILEINFO 1007
#define IDM_LASTZIP1 1011
#define IDM_LASTZIP2 1012
#define IDM_LASTZIP3 1013
#define IDM_LASTZIP4 1014
#define IDM_EXIT 1020

// Zip menu
#define IDM_INSTALL 1101
#define IDM_RUN2 1102
#define IDM_VIEWSELECTED 1103
#define IDM_EXTRACTSELECTED 1104
#define IDM_EXTRACTALL 1105
#define IDM_ADDTOZIP 1106
#define IDM_DELETEFROMZIP 1107
#define IDM_CONVERT 1108

// View menu
#define IDM_VIEW_LIST 1201
#define IDM_VIEW_FULL 1202
#define IDM_VIEW_ICONS 1203
#define IDM_VIEW_SMALLICONS 1204
#define IDM_COL_SIZE 1211
#define IDM_COL_DATETIME 1212
#define IDM_COL_RATIO 1213
#define IDM_COL_PACKED 1214
#define IDM_COL_PATH 1215

// Options menu
#define IDM_CONFIGURATION 1301
#define IDM_FONT 1302
#define IDM_BACKCOLOR 1303
#define IDM_GRIDLINES 1304
#define IDM_SAVESETTINGS 1305
#define IDM_SAVECOLUMNWIDTH 1306
#define IDM_SAVEWINDOWPOS 1307

// Help menu
#define IDM_CONTENTS 1401
#define IDM_SEARCHHELP 1402
#define IDM_HOWTOUSEHELP 1403
#define IDM_README 1404
#define IDM_HOMEPAGE 1405
#define IDM_LATESTVERSION 1406
#define IDM_COMMENTS 1407
#define IDM_ABOUT 1408

// List pop-up menu (its own IDs where the command differs from the menus')
#define IDM_POP_RUN 1501

// Controls
#define IDC_LISTVIEW1 2001
#define IDC_PROGRESSBAR1 2002
#define IDC_STATUSBAR1 2003
#define IDC_TOOLBUTTON_FIRST 2100 // thirteen tool buttons in order

// Glyph bitmaps: Image1..Image12 (archive buttons, active and inactive) and the other
// buttons' glyphs.
#define IDB_IMAGE1 3001
#define IDB_IMAGE2 3002
#define IDB_IMAGE3 3003
#define IDB_IMAGE4 3004
#define IDB_IMAGE5 3005
#define IDB_IMAGE6 3006
#define IDB_IMAGE7 3007
#define IDB_IMAGE8 3008
#define IDB_IMAGE9 3009
#define IDB_IMAGE10 3010
#define IDB_IMAGE11 3011
#define IDB_IMAGE12 3012
#define IDB_NEW 3020
#define IDB_OPEN 3021
#define IDB_WIZARD 3022
#define IDB_DELETE 3023
#define IDB_OPTIONS 3024
#define IDB_HELP 3025
#define IDB_MAIL 3026
