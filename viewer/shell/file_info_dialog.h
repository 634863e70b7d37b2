// The file information dialog of the selected picture.
#pragma once

#include <windows.h>

// Runs the dialog modally, owned by hwndOwner, for the picture selected in
// the browser; does nothing when none is selected.
void ShowFileInfo(HWND hwndOwner);
