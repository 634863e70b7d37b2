// Resource identifiers of setup.exe.
#pragma once

// String table: the installation description's file name.
#define IDS_DESCRIPTION_FILE 104

// Icon group of the program.
#define IDR_MAINFRAME 128
