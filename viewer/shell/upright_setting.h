// Turning the "Rotate by camera orientation" setting on or off takes effect
// at once: the thumbnails and the shown picture follow it.
#pragma once

#include <windows.h>

struct MainWindowData;

// Stores AUTO_ROTATE and, when it changed, clears the thumbnail cache,
// forgets the listed folder's thumbnails so that the view makes them again,
// and opens the shown picture again. No-op on the objects without a record.
void ApplyAutoRotate(MainWindowData* pData, BOOL bUpright);
