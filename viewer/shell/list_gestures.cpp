#include "viewer/shell/list_gestures.h"

#include <commctrl.h>

#include "platform/aygshell/aygshell.h"

// The list keeps a plain window-procedure subclass, not comctl32's: Wine
// looks comctl32's subclass up with a window property on every message, a
// server round trip, and a column tap over 10,000 rows took 1.5 to 4 s
// instead of 0.15 s. The list is made once, so one slot holds its procedure.
static WNDPROC s_pfnListProc = NULL;

// The row under a held stylus becomes the only selection, as the menu acts
// on the selected file.
static void SelectRowAt(HWND hwndList, POINT pt)
{
    LVHITTESTINFO hit = {};
    hit.pt = pt;
    int nRow = (int)SendMessageW(hwndList, LVM_HITTEST, 0, (LPARAM)&hit);
    if (nRow < 0)
        return;
    ListView_SetItemState(hwndList, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_SetItemState(hwndList, nRow, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_SetSelectionMark(hwndList, nRow);
}

static LRESULT OnListButtonDown(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    SHRGINFO shrg = {};
    shrg.cbSize = sizeof(shrg);
    shrg.hwndClient = hwnd;
    shrg.ptDown.x = (short)LOWORD(lParam);
    shrg.ptDown.y = (short)HIWORD(lParam);
    shrg.dwFlags = SHRG_RETURNCMD;
    if (SHRecognizeGesture(&shrg) != GN_CONTEXTMENU)
    {
        if (uMsg == WM_RBUTTONDOWN)
            return 0; // no menu: the desktop list's own right-click handling stays out
        return CallWindowProcW(s_pfnListProc, hwnd, uMsg, wParam, lParam);
    }
    SelectRowAt(hwnd, shrg.ptDown);
    NMRGINFO info = {};
    info.hdr.hwndFrom = hwnd;
    info.hdr.idFrom = (UINT_PTR)GetDlgCtrlID(hwnd);
    info.hdr.code = GN_CONTEXTMENU;
    info.ptAction = shrg.ptDown;
    ClientToScreen(hwnd, &info.ptAction);
    SendMessageW(GetParent(hwnd), WM_NOTIFY, info.hdr.idFrom, (LPARAM)&info);
    return 0;
}

static LRESULT CALLBACK FileListSubclassProc(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    switch (uMsg)
    {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
        return OnListButtonDown(hwnd, uMsg, wParam, lParam);
    default:
        return CallWindowProcW(s_pfnListProc, hwnd, uMsg, wParam, lParam);
    }
}

void SubclassFileListForGestures(HWND hwndList)
{
    if (!hwndList)
        return;
    s_pfnListProc = (WNDPROC)SetWindowLongPtrW(hwndList, GWLP_WNDPROC, (LONG_PTR)FileListSubclassProc);
}
