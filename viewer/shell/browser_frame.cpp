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
    // The splitter lays the panes out in the main window's client area.
    pData->hwndBrowser = CreateWindowExW(0, FRAME_CLASS, L"File Browser", WS_CHILD, 0, 0, rc.right, rc.bottom,
                                         hwndMain, NULL, hInstance, &rc);
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

    StartSplitterLayout(pData->hwndBrowser);
    SetThumbOpenHandler(OpenFromThumbnails);
    return TRUE;
}

void DestroyBrowserFrame(MainWindowData* pData)
{
    DestroyFileListView();
    DestroyThumbView();
    DestroyDirectoryTree();
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
        RECT rc = GetSplitterRect(hwnd);
        DrawEdge(hdc, &rc, EDGE_BUMP, BF_TOP | BF_BOTTOM | BF_MIDDLE);
        EndPaint(hwnd, &ps);
    }
    return 0;
}

static LRESULT OnDrawItem(HWND hwnd, const DRAWITEMSTRUCT* pItem)
{
    DrawSplitterButton(hwnd, pItem);
    return 1;
}

static LRESULT OnCommand(HWND hwnd, WPARAM wParam, LPARAM lParam)
{
    switch (LOWORD(wParam))
    {
    case IDC_SPLIT_CLOSE:
        PlaceSplitter(hwnd, SPLITTER_CLOSED, FALSE);
        break;
    case IDC_SPLIT_MIDDLE:
        PlaceSplitter(hwnd, SPLITTER_MIDDLE, FALSE);
        break;
    case IDC_SPLIT_LOWEST:
        PlaceSplitter(hwnd, SPLITTER_LOWEST, TRUE);
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
// 0 but for the list's questions, so that a tree expansion is never refused.
static LRESULT OnNotify(HWND hwnd, const NMHDR* pHeader)
{
    MainWindowData* pData = GetMainWindowData();
    if (!pData || !pHeader || !pHeader->hwndFrom)
        return 0;
    if (pHeader->hwndFrom == GetFileListWindow())
    {
        if (!IsHoldNotice(pHeader))
            return OnFileListNotify(pData, pHeader);
        ShowContextMenu(hwnd, pHeader);
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

// The splitter's record comes first; without memory the frame is not made.
static LRESULT OnNcCreate(HWND hwnd, WPARAM wParam, LPARAM lParam)
{
    if (!AttachSplitter(hwnd, reinterpret_cast<const CREATESTRUCTW*>(lParam)))
        return FALSE;
    return DefWindowProcW(hwnd, WM_NCCREATE, wParam, lParam);
}

LRESULT CALLBACK BrowserFrameWndProc(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    switch (uMsg)
    {
    case WM_NCCREATE:
        return OnNcCreate(hwnd, wParam, lParam);
    case WM_NCDESTROY:
        DetachSplitter(hwnd);
        return DefWindowProcW(hwnd, uMsg, wParam, lParam);
    case WM_CREATE:
    case WM_DESTROY:
        return 1;
    case WM_PAINT:
        return OnPaint(hwnd);
    case WM_DRAWITEM:
        return OnDrawItem(hwnd, reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
    case WM_NOTIFY:
        return OnNotify(hwnd, reinterpret_cast<const NMHDR*>(lParam));
    case WM_COMMAND:
        return OnCommand(hwnd, wParam, lParam);
    case WM_LBUTTONDOWN:
        BeginSplitterDrag(hwnd, lParam);
        return 1;
    case WM_MOUSEMOVE:
        MoveSplitterDrag(hwnd, lParam);
        return 1;
    case WM_LBUTTONUP:
        EndSplitterDrag(hwnd, lParam);
        return 1;
    default:
        return DefWindowProcW(hwnd, uMsg, wParam, lParam);
    }
}
