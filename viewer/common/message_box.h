// Boxes that fit the handheld's screen: every message box of the program,
// and the dialogs that size themselves, stay on the 240-pixel-wide screen
// between the shell's top bar and the menu bar.
#pragma once

#include <windows.h>

// Height of the shell's top bar and of the menu bar.
#define SCREEN_BAR_HEIGHT 26

// The screen between the top bar and the menu bar.
RECT AreaBetweenBars(void);

// Moves a top-level window the least it takes to lie between the bars,
// keeping its size; one larger than the area keeps its top-left corner in it.
void KeepBetweenBars(HWND hwnd);

// MessageBoxW whose text is broken into lines narrow enough for the box to
// fit the screen (line breaks are its only change: a break takes the place
// of a space, or follows a backslash or a character in a word longer than a
// line), and whose box is kept between the bars.
int ShowMessageBox(HWND hwndOwner, LPCWSTR pszText, LPCWSTR pszCaption, UINT uType);
