#include "viewer/browser/no_images.h"

static void OnPaint(HWND hwnd)
{
    PAINTSTRUCT ps;
    HDC hdc = BeginPaint(hwnd, &ps);
    if (!hdc)
        return;
    RECT rc;
    GetClientRect(hwnd, &rc);
    FillRect(hdc, &rc, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    int nOldMode = SetBkMode(hdc, TRANSPARENT);
    DrawTextW(hdc, L"There are no images in this directory.", -1, &rc, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    SetBkMode(hdc, nOldMode);
    EndPaint(hwnd, &ps);
}

LRESULT CALLBACK NoImagesWndProc(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    switch (uMsg)
    {
    case WM_PAINT:
        OnPaint(hwnd);
        return 0;
    default:
        return DefWindowProcW(hwnd, uMsg, wParam, lParam);
    }
}
