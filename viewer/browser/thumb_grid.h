// Geometry of the thumbnail grid and the captions of its cells: plain
// arithmetic, shared by the view, the worker and the tests.
#pragma once

#include <stddef.h>
#include <wchar.h>

#define THUMB_COLUMNS 3
#define THUMB_PITCH_X 74
#define THUMB_PITCH_Y 85
// The off-screen bitmap and the background fill are this wide.
#define THUMB_DRAW_WIDTH 240
// Below the last row's 85 pixels stay 6 more.
#define THUMB_LAST_ROW_HEIGHT 91
#define THUMB_SCROLLBAR_WIDTH 13

// (entries - 1) / 3 x 85 + 91.
long ThumbContentHeight(long nEntries);
// Top of the row of an entry, in content pixels.
long ThumbRowTop(long nIndex);
// True when the row of nIndex lies in the visible rows or the row above.
bool IsThumbRowVisible(long nIndex, long nScrollOffset, long nViewHeight);
// The entry index under a tap at client (x, y), or -1: outside the three
// columns, in the gap between two rows or past the last entry.
long ThumbHitTest(long x, long y, long nEntries, long nScrollOffset);
// The new offset: at most nMaxOffset, at least 0.
long ClampThumbOffset(long nOffset, long nMaxOffset);
// The file name without its extension; names of 16 characters or more are
// cut to 10 and "..." is added.
void FormatThumbCaption(const wchar_t* pszName, wchar_t* pszOut, size_t cchOut);
