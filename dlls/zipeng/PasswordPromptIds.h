// Resource IDs of the engine's password prompt (its own range, away from the program's).
#pragma once

#define IDD_ZIPENG_PASSWORD 7100
#define IDC_ZIPENG_PASSWORD1 7101
#define IDC_ZIPENG_PASSWORD2 7102
#define IDC_ZIPENG_PASSWORD_HINT 7103
