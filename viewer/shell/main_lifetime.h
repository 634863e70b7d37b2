// The main window's creation handler, which builds every long-lived object,
// and its teardown, which saves the settings and releases them.
#pragma once

#include <windows.h>

struct MainWindowData;

// 0, or -1 when an object cannot be made (creation then fails).
LRESULT OnMainCreate(HWND hwnd, MainWindowData* pData);
void OnMainDestroy(HWND hwnd, MainWindowData* pData);
