#include "viewer/shell/browser_frame.h"

#include <commctrl.h>

#include "platform/aygshell/aygshell.h"
#include "viewer/browser/dir_tree.h"
#include "viewer/browser/file_list.h"
#include "viewer/browser/thumb_view.h"
#include "viewer/common/main_window_data.h"
#include "viewer/resources/resource.h"
#include "viewer/shell/browser_notify.h"
#include "viewer/shell/browser_splitter.h"
#include "viewer/shell/list_gestures.h"

#define FRAME_CLASS L"FileBrowser"

// The drag line's y while the stylus drags the bar.
static int s_yDragLine = 0;

static BOOL RegisterFrameClass(HINSTANCE hInstance)
{
    WNDCLASSW wc = {};
    wc.style = CS_VREDRAW | CS_HREDRAW;
    wc.lpfnWndProc = BrowserFrameWndProc;
    wc.cbWndExtra = 4;
    wc.hInstance = hInstance;
    wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    wc.lpszClassName = FRAME_CLASS;
    return RegisterClassW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

BOOL CreateBrowserFrame(HWND hwndMain, MainWindowData* pData)
{
    HINSTANCE hInstance = GetAppGlobals()->hInstance;
    if (!RegisterFrameClass(hInstance))
        return FALSE;
    RECT rc;
    GetClientRect(hwndMain, &rc);
    pData->hwndBrowser = CreateWindowExW(0, FRAME_CLASS, L"File Browser", WS_CHILD, 0, 0, rc.right, rc.bottom,
                                         hwndMain, NULL, hInstance, NULL);
    if (!pData->hwndBrowser)
        return FALSE;
    if (!CreateFileListView(pData->hwndBrowser) || !CreateThumbView(pData->hwndBrowser))
        return FALSE;
    ListView_SetExtendedListViewStyle(GetFileListWindow(), LVS_EX_FULLROWSELECT);
    SubclassFileListForGestures(GetFileListWindow());
    if (!CreateDirectoryTree(pData->hwndBrowser) || !CreateNoImagesWindow(pData->hwndBrowser))
        return FALSE;
    if (!CreateSplitterButtons(pData->hwndBrowser, hInstance))
        return FALSE;

    StartSplitterLayout(rc);
    SetThumbOpenHandler(OpenFromThumbnails);
    return TRUE;
}

void DestroyBrowserFrame(MainWindowData* pData)
{
    DestroyFileListView();
    DestroyThumbView();
    DestroyDirectoryTree();
    DestroySplitterButtons();
    if (pData && pData->hwndBrowser)
    {
        DestroyWindow(pData->hwndBrowser);
        pData->hwndBrowser = NULL;
    }
}

static LRESULT OnPaint(HWND hwnd)
{
    PAINTSTRUCT ps;
    HDC hdc = BeginPaint(hwnd, &ps);
    if (hdc)
    {
        RECT rc = GetSplitterRect();
        DrawEdge(hdc, &rc, EDGE_BUMP, BF_TOP | BF_BOTTOM | BF_MIDDLE);
        EndPaint(hwnd, &ps);
    }
    return 0;
}

static LRESULT OnDrawItem(const DRAWITEMSTRUCT* pItem)
{
    DrawSplitterButton(pItem);
    return 1;
}

static LRESULT OnCommand(WPARAM wParam, LPARAM lParam)
{
    switch (LOWORD(wParam))
    {
    case IDC_SPLIT_CLOSE:
        PlaceSplitter(SPLITTER_CLOSED, FALSE);
        break;
    case IDC_SPLIT_MIDDLE:
        PlaceSplitter(SPLITTER_MIDDLE, FALSE);
        break;
    case IDC_SPLIT_LOWEST:
        PlaceSplitter(SPLITTER_LOWEST, TRUE);
        break;
    case IDM_INFORMATION:
    case IDM_DELETE:
    {
        MainWindowData* pData = GetMainWindowData();
        if (pData && pData->hwndMain)
            SendMessageW(pData->hwndMain, WM_COMMAND, wParam, lParam);
        break;
    }
    }
    return 1;
}

// The panes' menu, owned by the frame: its choice comes back to the frame as
// a command, which passes it on to the main window.
static void ShowContextMenu(HWND hwnd, const NMHDR* pHeader)
{
    POINT pt;
    if (pHeader->code == GN_CONTEXTMENU)
        pt = reinterpret_cast<const NMRGINFO*>(pHeader)->ptAction;
    else
        GetCursorPos(&pt);
    HMENU hmenu = CreatePopupMenu();
    if (!hmenu)
        return;
    AppendMenuW(hmenu, MF_STRING, IDM_DELETE, L"Delete");
    AppendMenuW(hmenu, MF_STRING, IDM_INFORMATION, L"File Info");
    TrackPopupMenuEx(hmenu, 0, pt.x, pt.y, hwnd, NULL);
    DestroyMenu(hmenu);
}

// The shell's context-menu notice after a tap-and-hold. The thumbnail view
// sends no other notice, so any of its notices asks for the menu.
static bool IsHoldNotice(const NMHDR* pHeader)
{
    return pHeader->code == GN_CONTEXTMENU || pHeader->idFrom == IDC_THUMB_VIEW;
}

// Each notification goes once to the handler of the pane that sent it.
// Always 0, so that a tree expansion is never refused.
static LRESULT OnNotify(HWND hwnd, const NMHDR* pHeader)
{
    MainWindowData* pData = GetMainWindowData();
    if (!pData || !pHeader || !pHeader->hwndFrom)
        return 0;
    if (pHeader->hwndFrom == GetFileListWindow())
    {
        if (IsHoldNotice(pHeader))
            ShowContextMenu(hwnd, pHeader);
        else
            OnFileListNotify(pData, pHeader);
    }
    else if (pHeader->hwndFrom == GetThumbViewWindow())
    {
        if (IsHoldNotice(pHeader))
            ShowContextMenu(hwnd, pHeader);
    }
    else if (pHeader->hwndFrom == GetDirectoryTreeWindow())
    {
        OnDirectoryTreeNotify(pData, pHeader);
    }
    return 0;
}

static LRESULT OnStylusDown(HWND hwnd, LPARAM lParam)
{
    POINT pt = {(short)LOWORD(lParam), (short)HIWORD(lParam)};
    const RECT rcSplitter = GetSplitterRect();
    if (!PtInRect(&rcSplitter, pt))
        return 1;
    SetCapture(hwnd);
    DrawSplitterLine(hwnd, pt.y);
    s_yDragLine = pt.y;
    return 1;
}

static LRESULT OnStylusMove(HWND hwnd, LPARAM lParam)
{
    if (GetCapture() != hwnd)
        return 1;
    DrawSplitterLine(hwnd, s_yDragLine);
    s_yDragLine = (short)HIWORD(lParam);
    DrawSplitterLine(hwnd, s_yDragLine);
    return 1;
}

static LRESULT OnStylusUp(HWND hwnd, LPARAM lParam)
{
    if (GetCapture() != hwnd)
        return 1;
    ReleaseCapture();
    DrawSplitterLine(hwnd, s_yDragLine);
    PlaceSplitter(SplitterPositionForRelease(HIWORD(lParam)), FALSE);
    return 1;
}

LRESULT CALLBACK BrowserFrameWndProc(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    switch (uMsg)
    {
    case WM_CREATE:
    case WM_DESTROY:
        return 1;
    case WM_PAINT:
        return OnPaint(hwnd);
    case WM_DRAWITEM:
        return OnDrawItem(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
    case WM_NOTIFY:
        return OnNotify(hwnd, reinterpret_cast<const NMHDR*>(lParam));
    case WM_COMMAND:
        return OnCommand(wParam, lParam);
    case WM_LBUTTONDOWN:
        return OnStylusDown(hwnd, lParam);
    case WM_MOUSEMOVE:
        return OnStylusMove(hwnd, lParam);
    case WM_LBUTTONUP:
        return OnStylusUp(hwnd, lParam);
    default:
        return DefWindowProcW(hwnd, uMsg, wParam, lParam);
    }
}
