#include "viewer/shell/screen_layout.h"

#include "platform/aygshell/aygshell.h"

void ApplyScreenLayout(HWND hwnd, ScreenLayout layout)
{
    switch (layout)
    {
    case LAYOUT_NORMAL:
        SHFullScreen(hwnd, SHFS_SHOWTASKBAR);
        PlaceMainWindowNormal(hwnd, TRUE);
        break;
    case LAYOUT_NO_TITLE_BAR:
        SHFullScreen(hwnd, SHFS_HIDETASKBAR);
        PlaceMainWindow(hwnd, 0, 1, TRUE);
        break;
    case LAYOUT_FULL_SCREEN:
        SHFullScreen(hwnd, SHFS_HIDETASKBAR);
        PlaceMainWindow(hwnd, 0, 0, TRUE);
        break;
    }
}

void PlaceMainWindow(HWND hwnd, int y, int nBarsBelow, BOOL bRepaint)
{
    int cxScreen = GetSystemMetrics(SM_CXSCREEN);
    int cyScreen = GetSystemMetrics(SM_CYSCREEN);
    MoveWindow(hwnd, 0, y, cxScreen, cyScreen - y - nBarsBelow * MENU_BAR_HEIGHT, bRepaint);
}

void PlaceMainWindowNormal(HWND hwnd, BOOL bRepaint)
{
    PlaceMainWindow(hwnd, SHELL_BAR_HEIGHT, 1, bRepaint);
}
