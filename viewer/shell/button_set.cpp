#include "viewer/shell/button_set.h"

void DestroyButtonSet(HWND* phwndButtons, size_t cButtons, HIMAGELIST* phimlImages)
{
    for (size_t i = 0; i < cButtons; ++i)
    {
        if (phwndButtons[i])
            DestroyWindow(phwndButtons[i]);
        phwndButtons[i] = NULL;
    }
    if (*phimlImages)
        ImageList_Destroy(*phimlImages);
    *phimlImages = NULL;
}
