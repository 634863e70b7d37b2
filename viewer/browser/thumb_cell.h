// One cell of the thumbnail grid: its frame, the caption, and the thumbnail,
// the pending marker or the failure placeholder. Painted by the view's
// repaint and by the worker, both under the paint lock.
#pragma once

#include <windows.h>

#include "viewer/common/picture_entry.h"

// What the cells draw with, kept by the view that shows them: the caption
// font, made with the view, and the pending and failed art, loaded on first
// use.
struct ThumbCellArt
{
    HFONT hfontCaption;
    HBITMAP hbmPending;
    HBITMAP hbmFailed;
};

void MakeCellFont(ThumbCellArt* pArt);
// Deletes the font and the art and clears the record.
void FreeCellArt(ThumbCellArt* pArt);

// Paints the entry's cell at its place for the scroll offset; a selected
// entry is drawn in the highlight colours.
void PaintCell(HDC hdc, const PictureEntry* pEntry, LONG nScrollOffset, ThumbCellArt* pArt);
