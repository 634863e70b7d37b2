// Turning and mirroring a decoded picture upright by its EXIF orientation.
#pragma once

#include <windows.h>

// Width and height of a w x h picture once stood upright: swapped for the
// orientations 5 to 8, which include a quarter turn.
void UprightSize(int nOrientation, LONG* pWidth, LONG* pHeight);

// Stands hbm upright as orientation nOrientation (1 to 8) says. Returns hbm
// itself for 1 or an out-of-range value, and for the mirrors and the half
// turn (2 to 4), which are done in its own bits; for a quarter turn (5 to 8)
// a new bitmap of the same format, in which case hbm is deleted; null, with
// hbm deleted, when the new bitmap cannot be made. hbm must be a DIB section not selected into a
// device context. Only 16-, 24- and 32-bit DIB sections (plain or with bit
// fields) are turned: any other bitmap gives null, deleted like the rest,
// since no route of the decoder makes one. Rows are taken as bottom-up
// unless the bitmap reports a negative height (Wine's never do).
HBITMAP OrientBitmap(HBITMAP hbm, int nOrientation);
