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
    // The sentence is wider than a 240-pixel pane in some fonts: it wraps,
    // and the wrapped block is centred both ways.
    static const WCHAR szText[] = L"There are no images in this directory.";
    RECT rcText = rc;
    DrawTextW(hdc, szText, -1, &rcText, DT_CENTER | DT_WORDBREAK | DT_CALCRECT);
    int cyText = rcText.bottom - rcText.top;
    rcText.left = rc.left;
    rcText.right = rc.right;
    rcText.top = rc.top + ((rc.bottom - rc.top) - cyText) / 2;
    rcText.bottom = rcText.top + cyText;
    int nOldMode = SetBkMode(hdc, TRANSPARENT);
    DrawTextW(hdc, szText, -1, &rcText, DT_CENTER | DT_WORDBREAK);
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
