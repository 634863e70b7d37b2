#include "viewer/shell/main_window.h"

#include "viewer/shell/commands.h"
#include "viewer/shell/entry.h"
#include "viewer/shell/main_window_data.h"

HWND CreateMainWindow(HINSTANCE hInstance)
{
    // WS_POPUP keeps the desktop from adding a caption and frame: the client
    // area is then the whole window, as on the handheld.
    return CreateWindowExW(0, GetAppClassName(), GetAppTitle(), WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN,
                           CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, NULL, NULL, hInstance, NULL);
}

void ShowBrowser(MainWindowData* pData)
{
    if (!pData)
        return;
    if (pData->hwndBrowser)
        ShowWindow(pData->hwndBrowser, SW_SHOW);
    pData->bBrowserShown = 1;
}

void ShowViewer(MainWindowData* pData)
{
    if (!pData)
        return;
    pData->bBrowserShown = 0;
    if (pData->hwndBrowser)
        ShowWindow(pData->hwndBrowser, SW_HIDE);
    SetFocus(pData->hwndMain);
}

static BOOL IsBrowserVisible(const MainWindowData* pData)
{
    return pData->hwndBrowser && IsWindowVisible(pData->hwndBrowser);
}

static LRESULT OnActivate(HWND hwnd, MainWindowData* pData, WPARAM wParam)
{
    if (LOWORD(wParam) == WA_INACTIVE)
        return 1;
    if (IsBrowserVisible(pData))
        ShowBrowser(pData);
    else
        ShowViewer(pData);
    return 1;
}

static LRESULT OnPaint(HWND hwnd, MainWindowData* pData)
{
    // Until a picture is drawn the viewer surface is the white page.
    PAINTSTRUCT ps;
    HDC hdc = BeginPaint(hwnd, &ps);
    if (hdc)
    {
        if (!IsBrowserVisible(pData))
            FillRect(hdc, &ps.rcPaint, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        EndPaint(hwnd, &ps);
    }
    return 1;
}

LRESULT CALLBACK MainWndProc(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    MainWindowData* pData = GetMainWindowData();
    if (!pData)
        return DefWindowProcW(hwnd, uMsg, wParam, lParam);

    switch (uMsg)
    {
    case WM_CREATE:
        return OnMainCreate(hwnd, pData);
    case WM_DESTROY:
        OnMainDestroy(hwnd, pData);
        return 1;
    case WM_ACTIVATE:
        return OnActivate(hwnd, pData, wParam);
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_KEYDOWN:
        return 1;
    case WM_PAINT:
        return OnPaint(hwnd, pData);
    case WM_COMMAND:
        return OnMainCommand(hwnd, pData, wParam, lParam);
    default:
        return DefWindowProcW(hwnd, uMsg, wParam, lParam);
    }
}
