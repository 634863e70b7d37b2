// Resource and command identifiers of the viewer.
#pragma once

// String table
#define IDS_APP_TITLE 1
#define IDS_APP_CLASS 3
#define IDS_VERSION 40117

// Icons
#define IDI_APP 101

// Accelerator table
#define IDR_ACCELERATORS 3

// Commands
#define IDC_CLOSE_ALT 1002
#define IDM_CTRL_A 40003
#define IDM_FILE_EXIT 40012
