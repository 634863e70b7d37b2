#include "viewer/shell/screen_layout.h"

void PlaceMainWindowNormal(HWND hwnd, BOOL bRepaint)
{
    int cxScreen = GetSystemMetrics(SM_CXSCREEN);
    int cyScreen = GetSystemMetrics(SM_CYSCREEN);
    MoveWindow(hwnd, 0, SHELL_BAR_HEIGHT, cxScreen, cyScreen - SHELL_BAR_HEIGHT - MENU_BAR_HEIGHT, bRepaint);
}
