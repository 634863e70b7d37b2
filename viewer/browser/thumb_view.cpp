#include "viewer/browser/thumb_view.h"

#include "viewer/browser/file_list.h"

// The grid has no cells until the browser lists a folder into it; an empty
// grid is a white page.
static void OnPaint(HWND hwnd)
{
    PAINTSTRUCT ps;
    HDC hdc = BeginPaint(hwnd, &ps);
    if (!hdc)
        return;
    FillRect(hdc, &ps.rcPaint, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    EndPaint(hwnd, &ps);
}

LRESULT CALLBACK ThumbViewWndProc(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    switch (uMsg)
    {
    case WM_PAINT:
        OnPaint(hwnd);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    default:
        return DefWindowProcW(hwnd, uMsg, wParam, lParam);
    }
}

// The selection is shared with the file list: one flag and one index.
static BOOL s_bSelectionExists = FALSE;
static LONG s_nSelectedIndex = 0;

void SetThumbSelection(LONG nIndex)
{
    s_bSelectionExists = TRUE;
    s_nSelectedIndex = nIndex;
}

void SelectThumb(LONG nIndex)
{
    SelectRow(nIndex);
    SetThumbSelection(nIndex);
}

void ClearThumbSelection(void)
{
    s_bSelectionExists = FALSE;
}

BOOL GetThumbSelection(LONG* pnIndex)
{
    if (!s_bSelectionExists)
        return FALSE;
    if (pnIndex)
        *pnIndex = s_nSelectedIndex;
    return TRUE;
}

void RedrawThumbView(void)
{
    HWND hwnd = GetThumbViewWindow();
    if (!hwnd)
        return;
    InvalidateRect(hwnd, NULL, TRUE);
    UpdateWindow(hwnd);
}
