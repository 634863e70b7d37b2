// The modal, full-screen "Select Folder" dialog (IDD_SELECT_FOLDER).
#pragma once

#include <windows.h>

// pszFolder holds the folder to start from and receives the chosen one.
// 0 after "Select", -1 after "Cancel" (buffer unchanged) or with no buffer.
int SelectFolderDialog(HWND hwndOwner, LPWSTR pszFolder, int cchFolder);
