// Placement of the main window on the screen.
#pragma once

#include <windows.h>

// The shell's top bar and the menu bar are each 26 pixels high.
#define SHELL_BAR_HEIGHT 26
#define MENU_BAR_HEIGHT 26

// Full screen width from y down to nBarsBelow menu bars above the bottom.
void PlaceMainWindow(HWND hwnd, int y, int nBarsBelow, BOOL bRepaint);
// Normal layout: below the top bar, above the menu bar.
void PlaceMainWindowNormal(HWND hwnd, BOOL bRepaint);
