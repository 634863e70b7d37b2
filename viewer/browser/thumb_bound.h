// How many thumbnail bitmaps stay alive, and which: a window of entries
// around the view, and the set of entries whose bitmaps the worker holds.
// Used on the worker's thread while it runs; the bound is set only while
// no worker runs.
#pragma once

#include <windows.h>

#include "viewer/common/picture_entry.h"

// 1,024 bitmaps of 64 x 60 at 24 bits: about 11.8 MB, and a tenth of the
// 10,000 GDI objects a process may hold by default, so menus, the back
// buffer and the decoder's bitmaps never run short. That is 341 rows, some
// 80 screens around the view; farther ones come back from the cache.
#define THUMB_BITMAP_BOUND 1024
// Room for two screens and the margins the window keeps around them.
#define THUMB_BITMAP_BOUND_LEAST 48

LONG ThumbBitmapBound(void);
// nBound within THUMB_BITMAP_BOUND_LEAST..THUMB_BITMAP_BOUND; 0 restores.
void SetThumbBitmapBoundForTests(LONG nBound);

// The entries by index [nLo, nHi) that may keep their bitmaps.
struct ThumbWindow
{
    LONG nLo;
    LONG nHi;
};

// The window for a folder of nEntries whose screen starts at entry nTop: the
// whole folder when it fits the bound; otherwise a bound's worth centred on
// the screen. A placed window stays while the screen lies in its middle
// half, so that small scrolls neither make nor free anything.
void PlaceThumbWindow(ThumbWindow* pWindow, LONG nEntries, LONG nTop, bool bPlaced);
bool IsInThumbWindow(const ThumbWindow& window, LONG nIndex);

// The entries whose bitmaps the worker holds, at most the bound. The index
// is kept beside the entry: it does not change while a worker runs, and the
// choice of a victim then reads no entry.
struct HeldThumb
{
    PictureEntry* pEntry;
    LONG nIndex;
};

struct HeldThumbs
{
    HeldThumb rgHeld[THUMB_BITMAP_BOUND];
    LONG nHeld;
};

void ClearHeldThumbs(HeldThumbs* pHeld);
// False when the set is full.
bool HoldThumb(HeldThumbs* pHeld, PictureEntry* pEntry);
LONG CountHeldThumbs(const HeldThumbs* pHeld);
// The held entry farthest outside the window, taken out of the set; null
// when every held entry lies inside it.
PictureEntry* TakeFarthestThumb(HeldThumbs* pHeld, const ThumbWindow& window);
