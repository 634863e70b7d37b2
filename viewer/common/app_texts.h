// The program's own texts: its title and the name of its window class, read
// from the string table once at start-up.
#pragma once

#include <windows.h>

// Loads both texts from the instance's string table.
void LoadAppTexts(HINSTANCE hInstance, UINT nTitleId, UINT nClassNameId);

// Empty until LoadAppTexts ran.
LPCWSTR GetAppTitle(void);
LPCWSTR GetAppClassName(void);
