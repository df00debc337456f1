// Resource IDs of the self-extractor stub.
#pragma once

#define IDI_SFX 1
#define IDD_SFX 100
#define IDD_SFX_PASSWORD 101
#define IDC_SFX_INFO 110
#define IDC_SFX_FOLDER 111
#define IDC_SFX_BROWSE 112
#define IDC_SFX_OVERWRITE 113
#define IDC_SFX_STATUS 114
#define IDC_SFX_PROGRESS 115
#define IDC_SFX_RESULT 116
#define IDC_SFX_PASSWORD_TEXT 120
#define IDC_SFX_PASSWORD_EDIT 121
