// Placement of the main window on the screen, in the three layouts of the
// screen chrome.
#pragma once

#include <windows.h>

// The shell's top bar and the menu bar are each 26 pixels high.
#define SHELL_BAR_HEIGHT 26
#define MENU_BAR_HEIGHT 26

enum ScreenLayout
{
    LAYOUT_NORMAL,       // below the top bar, above the menu bar
    LAYOUT_NO_TITLE_BAR, // from the screen's top, above the menu bar
    LAYOUT_FULL_SCREEN   // the whole screen
};

// Shows or hides the shell's top bar as the layout asks and moves the main
// window into its place, repainting it.
void ApplyScreenLayout(HWND hwnd, ScreenLayout layout);

// Full screen width from y down to nBarsBelow menu bars above the bottom.
void PlaceMainWindow(HWND hwnd, int y, int nBarsBelow, BOOL bRepaint);
// Normal layout: below the top bar, above the menu bar.
void PlaceMainWindowNormal(HWND hwnd, BOOL bRepaint);
