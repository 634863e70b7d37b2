#include "viewer/shell/browser_splitter.h"

#include <commctrl.h>

#include "viewer/browser/dir_tree.h"
#include "viewer/browser/file_list.h"
#include "viewer/browser/thumb_grid.h"
#include "viewer/browser/thumb_view.h"
#include "viewer/common/main_window_data.h"
#include "viewer/common/zero_alloc.h"
#include "viewer/resources/resource.h"

#define SPLIT_BUTTON_CX 11
#define SPLIT_BUTTON_CY 6
#define SPLIT_BUTTON_LEFT_X 90
#define SPLIT_BUTTON_RIGHT_X 140
#define INITIAL_RATIO 0.29
// The frame's width as made; a resize takes the main window's.
#define INITIAL_FRAME_WIDTH 240

// The frame window's record (GWLP_USERDATA), from WM_NCCREATE to
// WM_NCDESTROY.
struct SplitterState
{
    RECT rcLayout;  // the main window's client rectangle as last measured
    RECT rcSplitter;
    double dRatio;
    int yDragLine;  // the drag line's y while the stylus drags the bar
    HWND rghwndButtons[3];
    HIMAGELIST himlButtons;
};

static const int s_rgButtonIds[3] = {IDC_SPLIT_CLOSE, IDC_SPLIT_MIDDLE, IDC_SPLIT_LOWEST};
// The image of each button in IDB_SPLITTER_BUTTONS: close tree, middle, lowest.
static const int s_rgButtonImages[3] = {1, 0, 2};

// Null before the frame's WM_NCCREATE and after its WM_NCDESTROY.
static SplitterState* SplitterOf(HWND hwndFrame)
{
    return hwndFrame ? reinterpret_cast<SplitterState*>(GetWindowLongPtrW(hwndFrame, GWLP_USERDATA)) : NULL;
}

BOOL AttachSplitter(HWND hwndFrame, const CREATESTRUCTW* pCreate)
{
    SplitterState* pSplitter = AllocRecord<SplitterState>();
    if (!pSplitter)
        return FALSE;
    if (pCreate && pCreate->lpCreateParams)
        pSplitter->rcLayout = *static_cast<const RECT*>(pCreate->lpCreateParams);
    pSplitter->dRatio = INITIAL_RATIO;
    SetWindowLongPtrW(hwndFrame, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(pSplitter));
    return TRUE;
}

void DetachSplitter(HWND hwndFrame)
{
    SplitterState* pSplitter = SplitterOf(hwndFrame);
    if (!pSplitter)
        return;
    // The buttons went with the frame, their children.
    if (pSplitter->himlButtons)
        ImageList_Destroy(pSplitter->himlButtons);
    SetWindowLongPtrW(hwndFrame, GWLP_USERDATA, 0);
    FreeZeroed(pSplitter);
}

static int ButtonSlot(int nId)
{
    for (int i = 0; i < 3; ++i)
    {
        if (s_rgButtonIds[i] == nId)
            return i;
    }
    return -1;
}

static void PlaceButton(const SplitterState* pSplitter, int nId, int x, int y, BOOL bShow)
{
    const int i = ButtonSlot(nId);
    HWND hwnd = i < 0 ? NULL : pSplitter->rghwndButtons[i];
    if (!hwnd)
        return;
    MoveWindow(hwnd, x, y, SPLIT_BUTTON_CX, SPLIT_BUTTON_CY, TRUE);
    ShowWindow(hwnd, bShow ? SW_SHOW : SW_HIDE);
}

// The pressed button gives way to the middle one, which brings both back.
static void ArrangeButtons(const SplitterState* pSplitter, int p)
{
    if (p == SPLITTER_CLOSED)
    {
        PlaceButton(pSplitter, IDC_SPLIT_CLOSE, SPLIT_BUTTON_LEFT_X, 0, FALSE);
        PlaceButton(pSplitter, IDC_SPLIT_MIDDLE, SPLIT_BUTTON_LEFT_X, 0, TRUE);
        PlaceButton(pSplitter, IDC_SPLIT_LOWEST, SPLIT_BUTTON_RIGHT_X, 0, TRUE);
    }
    else if (p == SPLITTER_LOWEST)
    {
        PlaceButton(pSplitter, IDC_SPLIT_CLOSE, SPLIT_BUTTON_LEFT_X, p + 2, TRUE);
        PlaceButton(pSplitter, IDC_SPLIT_MIDDLE, SPLIT_BUTTON_RIGHT_X, p + 2, TRUE);
        PlaceButton(pSplitter, IDC_SPLIT_LOWEST, SPLIT_BUTTON_RIGHT_X, p + 2, FALSE);
    }
    else
    {
        PlaceButton(pSplitter, IDC_SPLIT_CLOSE, SPLIT_BUTTON_LEFT_X, p + 2, TRUE);
        PlaceButton(pSplitter, IDC_SPLIT_MIDDLE, SPLIT_BUTTON_RIGHT_X, p + 2, FALSE);
        PlaceButton(pSplitter, IDC_SPLIT_LOWEST, SPLIT_BUTTON_RIGHT_X, p + 2, TRUE);
    }
}

static void MovePane(HWND hwnd, int x, int y, int cx, int cy)
{
    if (hwnd)
        MoveWindow(hwnd, x, y, cx, cy, TRUE);
}

// Tree above the bar, the three lower panes from 9 pixels below it, and
// the thumbnail view's scrollbar at its right edge, at yScrollBar. The
// thumbnail view takes the lower pane's height plus 1.
static void MovePanes(SplitterState* pSplitter, int p, int yScrollBar)
{
    const RECT& rcLayout = pSplitter->rcLayout;
    const int cx = rcLayout.right;
    const int yPane = p + SPLITTER_HEIGHT;
    const int cyPane = rcLayout.bottom - yPane + rcLayout.top + 1;
    pSplitter->rcSplitter.left = 0;
    pSplitter->rcSplitter.top = p;
    pSplitter->rcSplitter.right = cx;
    pSplitter->rcSplitter.bottom = yPane;
    MovePane(GetDirectoryTreeWindow(), 0, rcLayout.top, cx, p - rcLayout.top + 1);
    MovePane(GetFileListWindow(), 0, yPane, cx, cyPane);
    MovePane(GetThumbViewWindow(), 0, yPane, cx, cyPane);
    MovePane(GetNoImagesWindow(), 0, yPane, cx, cyPane);
    MovePane(GetThumbScrollBar(), cx - THUMB_SCROLLBAR_WIDTH, yScrollBar, THUMB_SCROLLBAR_WIDTH, cyPane);
    SetThumbViewHeight(cyPane + 1);
}

void PlaceSplitter(HWND hwndFrame, int nPosition, BOOL bFromLowestButton)
{
    SplitterState* pSplitter = SplitterOf(hwndFrame);
    if (!pSplitter)
        return;
    ArrangeButtons(pSplitter, nPosition);
    // The lowest place's button leaves the scrollbar one pixel higher.
    MovePanes(pSplitter, nPosition, bFromLowestButton ? -1 : 0);
    const int nSum = pSplitter->rcLayout.bottom + pSplitter->rcLayout.top;
    if (nSum != 0)
        pSplitter->dRatio = (double)nPosition / nSum;
    HWND hwndThumb = GetThumbViewWindow();
    if (hwndThumb && IsWindowVisible(hwndThumb))
    {
        SetThumbScrollOffset(0);
        RedrawThumbView();
    }
    InvalidateRect(hwndFrame, NULL, TRUE);
    UpdateWindow(hwndFrame);
}

int SplitterPositionForRelease(int y)
{
    const unsigned int u = (unsigned int)y & 0xFFFF;
    if (u < 261)
        return (int)u;
    if (u < 65510)
        return SPLITTER_LOWEST;
    return SPLITTER_CLOSED; // the stylus went above the frame
}

// The button's own state: the frame may be hidden meanwhile.
static BOOL HasVisibleStyle(const SplitterState* pSplitter, int nId)
{
    const int i = ButtonSlot(nId);
    HWND hwnd = i < 0 ? NULL : pSplitter->rghwndButtons[i];
    return hwnd && (GetWindowLongW(hwnd, GWL_STYLE) & WS_VISIBLE);
}

void LayoutBrowserPanes(MainWindowData* pData)
{
    SplitterState* pSplitter = pData ? SplitterOf(pData->hwndBrowser) : NULL;
    if (!pSplitter)
        return;
    RECT& rcLayout = pSplitter->rcLayout;
    GetClientRect(pData->hwndMain, &rcLayout);
    // The frame follows too: the main window may first be made at no size.
    MoveWindow(pData->hwndBrowser, 0, 0, rcLayout.right, rcLayout.bottom, TRUE);
    const int p = (int)((rcLayout.top + rcLayout.bottom) * pSplitter->dRatio);
    MovePanes(pSplitter, p, 0);
    PlaceButton(pSplitter, IDC_SPLIT_CLOSE, SPLIT_BUTTON_LEFT_X, p + 2, HasVisibleStyle(pSplitter, IDC_SPLIT_CLOSE));
    PlaceButton(pSplitter, IDC_SPLIT_LOWEST, SPLIT_BUTTON_RIGHT_X, p + 2, HasVisibleStyle(pSplitter, IDC_SPLIT_LOWEST));
}

BOOL CreateSplitterButtons(HWND hwndFrame, HINSTANCE hInstance)
{
    SplitterState* pSplitter = SplitterOf(hwndFrame);
    if (!pSplitter)
        return FALSE;
    pSplitter->himlButtons = ImageList_LoadImageW(hInstance, MAKEINTRESOURCEW(IDB_SPLITTER_BUTTONS), SPLIT_BUTTON_CX,
                                                  0, RGB(255, 0, 255), IMAGE_BITMAP, 0);
    for (int i = 0; i < 3; ++i)
    {
        pSplitter->rghwndButtons[i] = CreateWindowExW(0, L"button", L"", WS_CHILD | BS_OWNERDRAW, 0, 0,
                                                      SPLIT_BUTTON_CX, SPLIT_BUTTON_CY, hwndFrame,
                                                      (HMENU)(INT_PTR)s_rgButtonIds[i], hInstance, NULL);
        if (!pSplitter->rghwndButtons[i])
            return FALSE;
    }
    return TRUE;
}

void StartSplitterLayout(HWND hwndFrame)
{
    SplitterState* pSplitter = SplitterOf(hwndFrame);
    if (!pSplitter)
        return;
    const RECT& rcClient = pSplitter->rcLayout;
    pSplitter->dRatio = INITIAL_RATIO;
    const int p = rcClient.top + (int)((rcClient.bottom - rcClient.top) * INITIAL_RATIO);
    MovePanes(pSplitter, p, 0);
    pSplitter->rcSplitter.right = INITIAL_FRAME_WIDTH;
    PlaceButton(pSplitter, IDC_SPLIT_CLOSE, SPLIT_BUTTON_LEFT_X, p + 2, TRUE);
    PlaceButton(pSplitter, IDC_SPLIT_LOWEST, SPLIT_BUTTON_RIGHT_X, p + 2, TRUE);
}

RECT GetSplitterRect(HWND hwndFrame)
{
    const SplitterState* pSplitter = SplitterOf(hwndFrame);
    RECT rc = {};
    return pSplitter ? pSplitter->rcSplitter : rc;
}

void DrawSplitterButton(HWND hwndFrame, const DRAWITEMSTRUCT* pItem)
{
    const SplitterState* pSplitter = SplitterOf(hwndFrame);
    const int i = ButtonSlot((int)pItem->CtlID);
    if (pSplitter && i >= 0 && pSplitter->himlButtons)
        ImageList_Draw(pSplitter->himlButtons, s_rgButtonImages[i], pItem->hDC, 0, 0, ILD_TRANSPARENT);
}

// A drag starts only on the bar; the line follows the stylus, drawn twice
// to be erased.
void BeginSplitterDrag(HWND hwndFrame, LPARAM lParam)
{
    SplitterState* pSplitter = SplitterOf(hwndFrame);
    POINT pt = {(short)LOWORD(lParam), (short)HIWORD(lParam)};
    if (!pSplitter || !PtInRect(&pSplitter->rcSplitter, pt))
        return;
    SetCapture(hwndFrame);
    DrawSplitterLine(hwndFrame, pt.y);
    pSplitter->yDragLine = pt.y;
}

void MoveSplitterDrag(HWND hwndFrame, LPARAM lParam)
{
    SplitterState* pSplitter = SplitterOf(hwndFrame);
    if (!pSplitter || GetCapture() != hwndFrame)
        return;
    DrawSplitterLine(hwndFrame, pSplitter->yDragLine);
    pSplitter->yDragLine = (short)HIWORD(lParam);
    DrawSplitterLine(hwndFrame, pSplitter->yDragLine);
}

void EndSplitterDrag(HWND hwndFrame, LPARAM lParam)
{
    SplitterState* pSplitter = SplitterOf(hwndFrame);
    if (!pSplitter || GetCapture() != hwndFrame)
        return;
    ReleaseCapture();
    DrawSplitterLine(hwndFrame, pSplitter->yDragLine);
    PlaceSplitter(hwndFrame, SplitterPositionForRelease(HIWORD(lParam)), FALSE);
}
