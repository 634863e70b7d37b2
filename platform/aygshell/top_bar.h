// The shell's top bar, shared by the full-screen and dialog functions.
#pragma once

#include <windows.h>

// The top bar, made on the calling thread when there is none.
HWND EnsureTopBar();

// Shows or hides the top bar for the foreground window of this process, or
// for hwndHint's top-level window when the foreground window is not ours.
void RefreshTopBar(HWND hwndHint);

// Marks a top-level window as one whose foreground turn shows "ok" in the
// top bar.
void SetDoneButton(HWND hwndDialog, BOOL bDone);
