// The two process-wide paths shared by the shell and the browser.
#pragma once

#include <windows.h>

// Full path of the picture shown or last chosen; the file list also uses it
// as its enumeration path.
extern WCHAR g_szPicturePath[MAX_PATH];
// Folder the browser lists; always ends with "\".
extern WCHAR g_szBrowsePath[MAX_PATH];
