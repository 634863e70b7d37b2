#include "viewer/browser/picture_selection.h"

static BOOL s_bSelectionExists = FALSE;
static LONG s_nSelectedIndex = 0;
static SelectionFollower s_pfnList = NULL;
static SelectionFollower s_pfnGrid = NULL;

void SetListSelectionFollower(SelectionFollower pfnFollow)
{
    s_pfnList = pfnFollow;
}

void SetGridSelectionFollower(SelectionFollower pfnFollow)
{
    s_pfnGrid = pfnFollow;
}

void SelectPictureFromList(LONG nIndex)
{
    s_bSelectionExists = TRUE;
    s_nSelectedIndex = nIndex;
    if (s_pfnGrid)
        s_pfnGrid(nIndex);
}

void SelectPicture(LONG nIndex)
{
    // Selecting the row makes the list report the change to its parent,
    // which may come back here as SelectPictureFromList before this call
    // goes on: both set the same.
    if (s_pfnList)
        s_pfnList(nIndex);
    SelectPictureFromList(nIndex);
}

void ClearPictureSelection(void)
{
    s_bSelectionExists = FALSE;
}

BOOL GetPictureSelection(LONG* pnIndex)
{
    if (!s_bSelectionExists)
        return FALSE;
    if (pnIndex)
        *pnIndex = s_nSelectedIndex;
    return TRUE;
}
