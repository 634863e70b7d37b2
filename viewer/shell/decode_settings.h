// The settings that change how pictures are decoded take effect at once:
// "Rotate by camera orientation" and "Colour-manage pictures". The
// thumbnails and the shown picture follow them.
#pragma once

#include <windows.h>

struct MainWindowData;

// Stores AUTO_ROTATE and COLOR_MANAGE. When either differs from how the
// cached thumbnails were made, clears the thumbnail cache and forgets the
// listed folder's thumbnails so that the view makes them again; when either
// changed, opens the shown picture again (once). Without a record only the
// settings and the cache follow.
void ApplyDecodeSettings(MainWindowData* pData, BOOL bUpright, BOOL bManageColour);
