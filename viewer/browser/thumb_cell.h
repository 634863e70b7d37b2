// One cell of the thumbnail grid: its frame, the caption, and the thumbnail,
// the pending marker or the failure placeholder. Painted by the view's
// repaint and by the worker, both under the paint lock.
#pragma once

#include <windows.h>

#include "viewer/common/picture_entry.h"

// The caption font, made with the view; FreeCellResources deletes it and the
// art that the cells load on first use.
void MakeCellFont(void);
void FreeCellResources(void);

// Paints the entry's cell at its place for the scroll offset; a selected
// entry is drawn in the highlight colours.
void PaintCell(HDC hdc, const PictureEntry* pEntry, LONG nScrollOffset);
