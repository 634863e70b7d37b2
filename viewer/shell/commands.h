// The main window's command dispatcher.
#pragma once

#include <windows.h>

struct MainWindowData;

// Runs the handler of the command number in the low word of wParam and
// returns 0; numbers without a handler go to default processing.
LRESULT OnMainCommand(HWND hwnd, MainWindowData* pData, WPARAM wParam, LPARAM lParam);
