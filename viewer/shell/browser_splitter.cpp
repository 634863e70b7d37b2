#include "viewer/shell/browser_splitter.h"

#include <commctrl.h>

#include "viewer/browser/dir_tree.h"
#include "viewer/browser/file_list.h"
#include "viewer/browser/thumb_grid.h"
#include "viewer/browser/thumb_view.h"
#include "viewer/common/main_window_data.h"
#include "viewer/resources/resource.h"
#include "viewer/shell/button_set.h"

#define SPLIT_BUTTON_CX 11
#define SPLIT_BUTTON_CY 6
#define SPLIT_BUTTON_LEFT_X 90
#define SPLIT_BUTTON_RIGHT_X 140
#define INITIAL_RATIO 0.29
// The frame's width as made; a resize takes the main window's.
#define INITIAL_FRAME_WIDTH 240

static RECT s_rcLayout;       // the main window's client rectangle as last measured
static int s_nSplitter = 0;   // y of the bar; SPLITTER_CLOSED when the tree is closed
static RECT s_rcSplitter;
static double s_dRatio = INITIAL_RATIO;
static int s_nLowerPaneHeight = 0;
static HWND s_rghwndButtons[3];
static HIMAGELIST s_himlButtons = NULL;

static const int s_rgButtonIds[3] = {IDC_SPLIT_CLOSE, IDC_SPLIT_MIDDLE, IDC_SPLIT_LOWEST};
// The image of each button in IDB_SPLITTER_BUTTONS: close tree, middle, lowest.
static const int s_rgButtonImages[3] = {1, 0, 2};

static int ButtonSlot(int nId)
{
    for (int i = 0; i < 3; ++i)
    {
        if (s_rgButtonIds[i] == nId)
            return i;
    }
    return -1;
}

HWND GetSplitterButton(int nId)
{
    int i = ButtonSlot(nId);
    return i < 0 ? NULL : s_rghwndButtons[i];
}

int GetSplitterPosition(void)
{
    return s_nSplitter;
}

double GetSplitterRatio(void)
{
    return s_dRatio;
}

int GetLowerPaneHeight(void)
{
    return s_nLowerPaneHeight;
}

static void PlaceButton(int nId, int x, int y, BOOL bShow)
{
    HWND hwnd = GetSplitterButton(nId);
    if (!hwnd)
        return;
    MoveWindow(hwnd, x, y, SPLIT_BUTTON_CX, SPLIT_BUTTON_CY, TRUE);
    ShowWindow(hwnd, bShow ? SW_SHOW : SW_HIDE);
}

// The pressed button gives way to the middle one, which brings both back.
static void ArrangeButtons(int p)
{
    if (p == SPLITTER_CLOSED)
    {
        PlaceButton(IDC_SPLIT_CLOSE, SPLIT_BUTTON_LEFT_X, 0, FALSE);
        PlaceButton(IDC_SPLIT_MIDDLE, SPLIT_BUTTON_LEFT_X, 0, TRUE);
        PlaceButton(IDC_SPLIT_LOWEST, SPLIT_BUTTON_RIGHT_X, 0, TRUE);
    }
    else if (p == SPLITTER_LOWEST)
    {
        PlaceButton(IDC_SPLIT_CLOSE, SPLIT_BUTTON_LEFT_X, p + 2, TRUE);
        PlaceButton(IDC_SPLIT_MIDDLE, SPLIT_BUTTON_RIGHT_X, p + 2, TRUE);
        PlaceButton(IDC_SPLIT_LOWEST, SPLIT_BUTTON_RIGHT_X, p + 2, FALSE);
    }
    else
    {
        PlaceButton(IDC_SPLIT_CLOSE, SPLIT_BUTTON_LEFT_X, p + 2, TRUE);
        PlaceButton(IDC_SPLIT_MIDDLE, SPLIT_BUTTON_RIGHT_X, p + 2, FALSE);
        PlaceButton(IDC_SPLIT_LOWEST, SPLIT_BUTTON_RIGHT_X, p + 2, TRUE);
    }
}

static void MovePane(HWND hwnd, int x, int y, int cx, int cy)
{
    if (hwnd)
        MoveWindow(hwnd, x, y, cx, cy, TRUE);
}

// Tree above the bar, the three lower panes from 9 pixels below it, and
// the thumbnail view's scrollbar at its right edge, at yScrollBar.
static void MovePanes(int p, int yScrollBar)
{
    const int cx = s_rcLayout.right;
    const int yPane = p + SPLITTER_HEIGHT;
    const int cyPane = s_rcLayout.bottom - yPane + s_rcLayout.top + 1;
    s_rcSplitter.left = 0;
    s_rcSplitter.top = p;
    s_rcSplitter.right = cx;
    s_rcSplitter.bottom = yPane;
    MovePane(GetDirectoryTreeWindow(), 0, s_rcLayout.top, cx, p - s_rcLayout.top + 1);
    MovePane(GetFileListWindow(), 0, yPane, cx, cyPane);
    MovePane(GetThumbViewWindow(), 0, yPane, cx, cyPane);
    MovePane(GetNoImagesWindow(), 0, yPane, cx, cyPane);
    MovePane(GetThumbScrollBar(), cx - THUMB_SCROLLBAR_WIDTH, yScrollBar, THUMB_SCROLLBAR_WIDTH, cyPane);
    s_nLowerPaneHeight = cyPane + 1;
    SetThumbViewHeight(s_nLowerPaneHeight);
}

static HWND FrameWindow(void)
{
    MainWindowData* pData = GetMainWindowData();
    return pData ? pData->hwndBrowser : NULL;
}

void PlaceSplitter(int nPosition, BOOL bFromLowestButton)
{
    s_nSplitter = nPosition;
    ArrangeButtons(nPosition);
    // The lowest place's button leaves the scrollbar one pixel higher.
    MovePanes(nPosition, bFromLowestButton ? -1 : 0);
    const int nSum = s_rcLayout.bottom + s_rcLayout.top;
    if (nSum != 0)
        s_dRatio = (double)nPosition / nSum;
    HWND hwndThumb = GetThumbViewWindow();
    if (hwndThumb && IsWindowVisible(hwndThumb))
    {
        SetThumbScrollOffset(0);
        RedrawThumbView();
    }
    HWND hwndFrame = FrameWindow();
    if (hwndFrame)
    {
        InvalidateRect(hwndFrame, NULL, TRUE);
        UpdateWindow(hwndFrame);
    }
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
static BOOL HasVisibleStyle(int nId)
{
    HWND hwnd = GetSplitterButton(nId);
    return hwnd && (GetWindowLongW(hwnd, GWL_STYLE) & WS_VISIBLE);
}

void LayoutBrowserPanes(MainWindowData* pData)
{
    if (!pData || !pData->hwndBrowser)
        return;
    GetClientRect(pData->hwndMain, &s_rcLayout);
    // The frame follows too: the main window may first be made at no size.
    MoveWindow(pData->hwndBrowser, 0, 0, s_rcLayout.right, s_rcLayout.bottom, TRUE);
    s_nSplitter = (int)((s_rcLayout.top + s_rcLayout.bottom) * s_dRatio);
    MovePanes(s_nSplitter, 0);
    PlaceButton(IDC_SPLIT_CLOSE, SPLIT_BUTTON_LEFT_X, s_nSplitter + 2, HasVisibleStyle(IDC_SPLIT_CLOSE));
    PlaceButton(IDC_SPLIT_LOWEST, SPLIT_BUTTON_RIGHT_X, s_nSplitter + 2, HasVisibleStyle(IDC_SPLIT_LOWEST));
}

BOOL CreateSplitterButtons(HWND hwndFrame, HINSTANCE hInstance)
{
    s_himlButtons = ImageList_LoadImageW(hInstance, MAKEINTRESOURCEW(IDB_SPLITTER_BUTTONS), SPLIT_BUTTON_CX, 0,
                                         RGB(255, 0, 255), IMAGE_BITMAP, 0);
    for (int i = 0; i < 3; ++i)
    {
        s_rghwndButtons[i] = CreateWindowExW(0, L"button", L"", WS_CHILD | BS_OWNERDRAW, 0, 0, SPLIT_BUTTON_CX,
                                             SPLIT_BUTTON_CY, hwndFrame, (HMENU)(INT_PTR)s_rgButtonIds[i], hInstance,
                                             NULL);
        if (!s_rghwndButtons[i])
            return FALSE;
    }
    return TRUE;
}

void DestroySplitterButtons(void)
{
    DestroyButtonSet(s_rghwndButtons, sizeof(s_rghwndButtons) / sizeof(s_rghwndButtons[0]), &s_himlButtons);
}

void StartSplitterLayout(const RECT& rcClient)
{
    s_rcLayout = rcClient;
    s_dRatio = INITIAL_RATIO;
    s_nSplitter = rcClient.top + (int)((rcClient.bottom - rcClient.top) * INITIAL_RATIO);
    MovePanes(s_nSplitter, 0);
    s_rcSplitter.right = INITIAL_FRAME_WIDTH;
    PlaceButton(IDC_SPLIT_CLOSE, SPLIT_BUTTON_LEFT_X, s_nSplitter + 2, TRUE);
    PlaceButton(IDC_SPLIT_LOWEST, SPLIT_BUTTON_RIGHT_X, s_nSplitter + 2, TRUE);
}

RECT GetSplitterRect(void)
{
    return s_rcSplitter;
}

void DrawSplitterButton(const DRAWITEMSTRUCT* pItem)
{
    int i = ButtonSlot((int)pItem->CtlID);
    if (i >= 0 && s_himlButtons)
        ImageList_Draw(s_himlButtons, s_rgButtonImages[i], pItem->hDC, 0, 0, ILD_TRANSPARENT);
}
