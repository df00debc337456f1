// Resource and control IDs of the add-files dialog, all in its own range.
#pragma once

#define IDC_PANEL6 2301
#define IDC_PATHLABEL1 2302
#define IDC_DIRTREE1 2303
#define IDC_ADDLISTVIEW1 2304
#define IDC_ADDFILESBTN 2305
#define IDC_ADDDIRBTN 2306
#define IDC_OPTIONSGROUP 2307
#define IDC_RECURSECB 2308
#define IDC_DIRNAMECB 2309
#define IDC_ENCRYPTCB 2310
#define IDC_PANEL7 2311
#define IDC_PATHLABEL2 2312
#define IDC_ADDLISTVIEW2 2313
#define IDC_LISTBOX1 2314
#define IDC_REMOVEITEMBTN 2315
#define IDC_REMOVEALLBUT 2316
#define IDC_VSPLITTER 2317
#define IDC_HSPLITTER 2318

#define IDB_ADDFILES 2401
#define IDB_ADDDIR 2402
#define IDB_REMOVEITEM 2403
#define IDB_REMOVEALL 2404

#ifndef RC_INVOKED
#include "ui/IdRanges.h"
namespace addfiles_ids {
constexpr int kAll[] = {IDC_PANEL6,       IDC_PATHLABEL1, IDC_DIRTREE1,      IDC_ADDLISTVIEW1,
                        IDC_ADDFILESBTN,  IDC_ADDDIRBTN,  IDC_OPTIONSGROUP,  IDC_RECURSECB,
                        IDC_DIRNAMECB,    IDC_ENCRYPTCB,  IDC_PANEL7,        IDC_PATHLABEL2,
                        IDC_ADDLISTVIEW2, IDC_LISTBOX1,   IDC_REMOVEITEMBTN, IDC_REMOVEALLBUT,
                        IDC_VSPLITTER,    IDC_HSPLITTER,  IDB_ADDFILES,      IDB_ADDDIR,
                        IDB_REMOVEITEM,   IDB_REMOVEALL};
static_assert(ui::IdsValid(kAll, ui::kAddFilesIds),
              "add-files IDs outside their range or repeated");
} // namespace addfiles_ids
#endif
