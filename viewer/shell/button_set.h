// Owner-drawn button sets of the main window and the browser frame: their
// windows and the image list they draw from.
#pragma once

#include <windows.h>
#include <commctrl.h>

// Destroys each window and the image list, and clears the handles.
void DestroyButtonSet(HWND* phwndButtons, size_t cButtons, HIMAGELIST* phimlImages);
