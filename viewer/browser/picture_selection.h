// The selection that the file list and the thumbnail grid share: at most one
// picture, by its index in the picture list. Each view registers how it
// follows a selection made elsewhere; neither view knows the other.
#pragma once

#include <windows.h>

typedef void (*SelectionFollower)(LONG nIndex);

// The list selects the row alone (the view registers at its creation and
// passes null when it goes).
void SetListSelectionFollower(SelectionFollower pfnFollow);
// The grid brings the cell into view.
void SetGridSelectionFollower(SelectionFollower pfnFollow);

// A selection made by a tap on the grid or by a command: the list selects
// the row first, then the grid follows.
void SelectPicture(LONG nIndex);
// The list's own selection moved to that row: only the grid follows, so the
// list keeps whatever else it has selected.
void SelectPictureFromList(LONG nIndex);
void ClearPictureSelection(void);
// False when nothing is selected.
BOOL GetPictureSelection(LONG* pnIndex);
