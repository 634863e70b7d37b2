// Resource and command identifiers of the viewer.
#pragma once

// String table
#define IDS_APP_TITLE 1
#define IDS_APP_CLASS 3
#define IDS_VERSION 40117

// Icons
#define IDI_APP 101

// Dialogs
#define IDD_SCREEN_CAP 188
#define IDD_CAPTURE_NOTICE 189

// Controls
#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
#define IDC_AFTER_10_SEC 1097

// Accelerator table
#define IDR_ACCELERATORS 3

// Commands
#define IDC_CLOSE_ALT 1002
#define IDM_CTRL_A 40003
#define IDM_FILE_EXIT 40012
#define IDM_SCREEN_CAPTURE 40118
