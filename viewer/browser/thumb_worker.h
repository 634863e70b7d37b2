// The background thread that makes the thumbnails of the listed folder in
// list order, steered to the rows the thumbnail view shows. In a folder
// larger than the bound on live bitmaps (thumb_bound.h) it makes those
// around the view, gives back the farthest ones, and then waits for the
// view to move.
#pragma once

#include <windows.h>

#include "viewer/common/picture_entry.h"

class CImageDecoder;

// The view's own record, handed back to the painter's functions.
struct ThumbViewState;

// What the worker needs of the view to show a finished cell itself: the
// window and its record, whether the entry's cell is on screen, and the cell
// painter. Both functions run on the worker's thread under the paint lock;
// the view stops the worker before its record goes.
struct ThumbCellPainter
{
    HWND hwndView;
    ThumbViewState* pView;
    BOOL (*pfnIsVisible)(const ThumbViewState* pView, const PictureEntry* pEntry);
    void (*pfnPaintCell)(ThumbViewState* pView, HDC hdc, const PictureEntry* pEntry);
};

// Nothing while a worker exists (even one whose body ended). The painter is
// copied; without one no cell is painted.
void StartThumbWorker(const ThumbCellPainter* pPainter);
// Cancel, wait 3000 ms and 3000 ms more, then terminate; closes the handle
// and frees what the worker held.
void StopThumbWorker(void);
// Continue from that entry after the one in hand; wakes a waiting worker.
void SteerThumbWorker(PictureEntry* pEntry);
// The body has not returned: at work, or waiting for the view to move.
BOOL IsThumbWorkerRunning(void);
// A worker was started and not yet stopped (its body may have ended).
BOOL HasThumbWorker(void);
// Waits up to dwMs for the worker's body to end by itself (serving sent
// messages); TRUE when no worker is at work any more.
BOOL WaitForThumbWorkerEnd(DWORD dwMs);
// The same, also TRUE once a worker waits for the view to move.
BOOL WaitForThumbWorkerIdle(DWORD dwMs);

// Held by the worker around each entry's results and drawing, and by the
// view around a full repaint, so neither draws while the other does.
void LockThumbPainting(void);
void UnlockThumbPainting(void);

// What makes one thumbnail: MakeThumbnail, unless a test puts a recorder in
// its place (null restores it). Set only while no worker runs.
typedef void (*ThumbMakerFunction)(CImageDecoder* pDecoder, PictureEntry* pEntry, LPCWSTR pszPictureFolder);
void SetThumbMakerForTests(ThumbMakerFunction pfnMaker);
