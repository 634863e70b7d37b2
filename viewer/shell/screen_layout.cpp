#include "viewer/shell/screen_layout.h"

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
