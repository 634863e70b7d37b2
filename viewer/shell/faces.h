// The program's two faces: the browser, where the browser frame covers the
// main window, and the viewer, where the renderer draws into it. Whether the
// browser shows is asked of the record (IsBrowserVisible), so that the menu
// bars and the input handlers below this switch can read it.
#pragma once

#include <windows.h>

struct MainWindowData;

// Stops drawing and loading, shows the frame and its menu bar, and gives the
// focus to the pane that shows.
void ShowBrowser(MainWindowData* pData);
// Applies the viewer's screen mode, hides the frame and focuses the window.
void ShowViewer(MainWindowData* pData);

// The keyboard focus goes to whichever of list and thumbnails is shown.
void FocusBrowserPane(void);
