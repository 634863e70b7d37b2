#include "viewer/browser/thumb_bound.h"

#include "viewer/browser/thumb_grid.h"

// Cells of a screen: the 240 x 320 display shows at most four rows, and the
// row above counts as shown.
#define SCREEN_ENTRIES (THUMB_COLUMNS * 6)

static LONG s_nBound = THUMB_BITMAP_BOUND;

LONG ThumbBitmapBound(void)
{
    return s_nBound;
}

void SetThumbBitmapBoundForTests(LONG nBound)
{
    if (nBound <= 0 || nBound > THUMB_BITMAP_BOUND)
        nBound = THUMB_BITMAP_BOUND;
    s_nBound = nBound < THUMB_BITMAP_BOUND_LEAST ? THUMB_BITMAP_BOUND_LEAST : nBound;
}

void PlaceThumbWindow(ThumbWindow* pWindow, LONG nEntries, LONG nTop, bool bPlaced)
{
    if (nEntries <= s_nBound)
    {
        pWindow->nLo = 0;
        pWindow->nHi = nEntries;
        return;
    }
    const LONG nMargin = s_nBound / 4;
    const LONG nLoEdge = pWindow->nLo > 0 ? pWindow->nLo + nMargin : 0;
    const LONG nHiEdge = pWindow->nHi < nEntries ? pWindow->nHi - nMargin : nEntries;
    if (bPlaced && nTop >= nLoEdge && nTop + SCREEN_ENTRIES <= nHiEdge)
        return;
    LONG nLo = nTop + SCREEN_ENTRIES / 2 - s_nBound / 2;
    if (nLo > nEntries - s_nBound)
        nLo = nEntries - s_nBound;
    if (nLo < 0)
        nLo = 0;
    pWindow->nLo = nLo;
    pWindow->nHi = nLo + s_nBound;
}

bool IsInThumbWindow(const ThumbWindow& window, LONG nIndex)
{
    return window.nLo <= nIndex && nIndex < window.nHi;
}

void ClearHeldThumbs(HeldThumbs* pHeld)
{
    pHeld->nHeld = 0;
}

bool HoldThumb(HeldThumbs* pHeld, PictureEntry* pEntry)
{
    if (!pEntry || pHeld->nHeld >= s_nBound)
        return false;
    HeldThumb& held = pHeld->rgHeld[pHeld->nHeld++];
    held.pEntry = pEntry;
    held.nIndex = pEntry->nIndex;
    return true;
}

LONG CountHeldThumbs(const HeldThumbs* pHeld)
{
    return pHeld->nHeld;
}

static LONG DistanceOutside(const ThumbWindow& window, LONG nIndex)
{
    if (nIndex < window.nLo)
        return window.nLo - nIndex;
    return nIndex >= window.nHi ? nIndex - window.nHi + 1 : 0;
}

PictureEntry* TakeFarthestThumb(HeldThumbs* pHeld, const ThumbWindow& window)
{
    LONG nFarthest = -1, nMost = 0;
    for (LONG i = 0; i < pHeld->nHeld; ++i)
    {
        const LONG d = DistanceOutside(window, pHeld->rgHeld[i].nIndex);
        if (d > nMost)
        {
            nMost = d;
            nFarthest = i;
        }
    }
    if (nFarthest < 0)
        return NULL;
    PictureEntry* pEntry = pHeld->rgHeld[nFarthest].pEntry;
    pHeld->rgHeld[nFarthest] = pHeld->rgHeld[--pHeld->nHeld];
    return pEntry;
}
