// The background thread that makes the thumbnails of the listed folder in
// list order, steered to the rows the thumbnail view shows.
#pragma once

#include <windows.h>

#include "viewer/common/picture_entry.h"

// Nothing while a worker handle exists (even one whose body ended).
void StartThumbWorker(HWND hwndView);
// Cancel, wait 3000 ms and 3000 ms more, then terminate; closes the handle.
void StopThumbWorker(void);
// Continue from that entry after the one in hand.
void SteerThumbWorker(PictureEntry* pEntry);
BOOL IsThumbWorkerRunning(void);

// Held by the worker around each entry's work and drawing, and by the view
// around a full repaint, so neither draws while the other does.
void LockThumbPainting(void);
void UnlockThumbPainting(void);
