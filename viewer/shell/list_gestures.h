// A tap-and-hold on the file list (or a desktop right click) selects the row
// under the stylus alone and is reported to the list's parent as the shell's
// context-menu notification, as the thumbnail view reports its own.
#pragma once

#include <windows.h>

// Subclasses the list; the browser frame does it once it has made the list.
void SubclassFileListForGestures(HWND hwndList);
