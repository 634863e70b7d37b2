#include "platform/aygshell/aygshell.h"

extern "C" BOOL SHHandleWMSettingChange(HWND hwnd, WPARAM wParam, LPARAM lParam, SHACTIVATEINFO* psai)
{
    if (!IsWindow(hwnd) || !psai)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    // The record starts zero-filled; it is ours from the first call on.
    psai->cbSize = sizeof(SHACTIVATEINFO);
    // The handheld resized the window around its input panel here. A
    // desktop has none: the panel is always down and the window keeps its
    // size, whatever setting changed.
    if (wParam == SPI_SETSIPINFO)
        psai->fSipUp = 0;
    return TRUE;
}
