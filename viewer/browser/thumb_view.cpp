#include "viewer/browser/thumb_view.h"

#include <stdio.h>

#include "platform/aygshell/aygshell.h"
#include "viewer/browser/picture_list.h"
#include "viewer/browser/picture_selection.h"
#include "viewer/browser/thumb_cell.h"
#include "viewer/browser/thumb_grid.h"
#include "viewer/browser/thumb_worker.h"
#include "viewer/common/path_parts.h"
#include "viewer/common/shared_paths.h"

// Made where the file list is made, this much less tall than the frame; the
// frame's layout then places both.
#define PANE_BOTTOM_MARGIN 25
// Where the scrollbar is made; the browser's layout code moves it.
#define SCROLLBAR_INITIAL_X 227
#define SCROLLBAR_INITIAL_HEIGHT 144
#define INITIAL_MAX_OFFSET 100
// Steps of the scrollbar's arrows and pages.
#define LINE_STEP 10
// A step this large or larger is taken as none.
#define STEP_LIMIT 20001

// The view's state is program-wide: there is one thumbnail view. The worker
// reads the offset and the height from its own thread.
static volatile LONG s_nScrollOffset = 0;
static LONG s_nMaxOffset = INITIAL_MAX_OFFSET;
static LONG s_nLastDrawnOffset = 0;
static volatile LONG s_nViewHeight = 0;
static LONG s_nLastTapped = -1;
static HWND s_hwndView = NULL;
static HWND s_hwndScroll = NULL;
static HBITMAP s_hbmOffscreen = NULL;
static LONG s_cyOffscreen = 0;
static ThumbOpenHandler s_pfnOpen = NULL;

// ---- Cells -------------------------------------------------------------------

BOOL IsThumbVisible(const PictureEntry* pEntry)
{
    return pEntry && IsThumbRowVisible(pEntry->nIndex, s_nScrollOffset, s_nViewHeight);
}

static PictureEntry* FirstVisibleThumb(void)
{
    // The first row whose top lies at most one pitch above the offset,
    // found by its index rather than by a walk down a long list.
    const LONG nAbove = s_nScrollOffset - THUMB_PITCH_Y;
    const LONG nRow = nAbove <= 0 ? 0 : (nAbove + THUMB_PITCH_Y - 1) / THUMB_PITCH_Y;
    PictureEntry* pFound = PictureByIndex(nRow * THUMB_COLUMNS);
    if (pFound && IsThumbVisible(pFound))
        return pFound;
    PictureEntry* p = FirstPicture();
    while (p && !IsThumbVisible(p))
        p = NextPicture(p);
    return p;
}

void PaintThumbCell(HDC hdc, const PictureEntry* pEntry)
{
    PaintCell(hdc, pEntry, s_nScrollOffset);
}

// ---- Repaint -------------------------------------------------------------------

static LONG ClientHeight(HWND hwnd)
{
    RECT rc = {};
    if (hwnd)
        GetClientRect(hwnd, &rc);
    return rc.bottom;
}

static LONG ViewHeight(HWND hwnd)
{
    return s_nViewHeight > 0 ? s_nViewHeight : ClientHeight(hwnd);
}

static void UpdateScrollBar(HWND hwnd, LONG nContentHeight, LONG nViewHeight)
{
    s_nMaxOffset = nContentHeight - ClientHeight(hwnd);
    if (!s_hwndScroll)
        return;
    SCROLLINFO si = {};
    si.cbSize = sizeof(si);
    si.fMask = SIF_ALL | SIF_DISABLENOSCROLL;
    si.nMin = 0;
    si.nMax = nContentHeight;
    si.nPage = (UINT)(nViewHeight > 0 ? nViewHeight : 0);
    si.nPos = s_nScrollOffset;
    SetScrollInfo(s_hwndScroll, SB_CTL, &si, TRUE);
    const bool bShown = (GetWindowLongW(s_hwndScroll, GWL_STYLE) & WS_VISIBLE) != 0;
    if (nContentHeight < nViewHeight)
    {
        s_nScrollOffset = 0;
        if (bShown)
            ShowWindow(s_hwndScroll, SW_HIDE);
    }
    else if (!bShown)
    {
        ShowWindow(s_hwndScroll, SW_SHOW);
    }
}

// The grid is composed off-screen and copied in one block.
static void PaintGrid(HDC hdc, LONG nViewHeight)
{
    if (nViewHeight <= 0)
        return;
    if (s_hbmOffscreen && s_cyOffscreen != nViewHeight)
    {
        DeleteObject(s_hbmOffscreen);
        s_hbmOffscreen = NULL;
    }
    if (!s_hbmOffscreen)
    {
        s_hbmOffscreen = CreateCompatibleBitmap(hdc, THUMB_DRAW_WIDTH, nViewHeight);
        s_cyOffscreen = s_hbmOffscreen ? nViewHeight : 0;
        if (!s_hbmOffscreen)
            return;
    }
    HDC hdcMem = CreateCompatibleDC(hdc);
    if (!hdcMem)
        return;
    HGDIOBJ hOld = SelectObject(hdcMem, s_hbmOffscreen);
    RECT rc = {0, 0, THUMB_DRAW_WIDTH, nViewHeight};
    FillRect(hdcMem, &rc, GetSysColorBrush(COLOR_WINDOW));
    for (PictureEntry* p = FirstVisibleThumb(); p && IsThumbVisible(p); p = NextPicture(p))
        PaintThumbCell(hdcMem, p);
    BitBlt(hdc, 0, 0, THUMB_DRAW_WIDTH, nViewHeight, hdcMem, 0, 0, SRCCOPY);
    SelectObject(hdcMem, hOld);
    DeleteDC(hdcMem);
}

// The worker paints each finished cell itself, through the view's painter.
static void StartWorker(HWND hwnd)
{
    const ThumbCellPainter painter = {hwnd, IsThumbVisible, PaintThumbCell};
    StartThumbWorker(&painter);
}

static void Repaint(HWND hwnd, HDC hdc, bool bUpdateScrollBar)
{
    if (CountUnprocessed() > 0)
        StartWorker(hwnd);
    LockThumbPainting();
    const LONG nContentHeight = ThumbContentHeight(CountPictures());
    const LONG nViewHeight = ViewHeight(hwnd);
    if (s_nScrollOffset >= nContentHeight)
        s_nScrollOffset = nContentHeight;
    if (bUpdateScrollBar)
        UpdateScrollBar(hwnd, nContentHeight, nViewHeight);
    PaintGrid(hdc, nViewHeight);
    // Whatever path moved the offset, the next scroll compares with what
    // the window shows now.
    s_nLastDrawnOffset = s_nScrollOffset;
    UnlockThumbPainting();
}

void RedrawThumbView(void)
{
    HWND hwnd = GetThumbViewWindow();
    // A hidden view has nothing to show; it paints when it is shown again.
    if (!hwnd || !IsWindowVisible(hwnd))
        return;
    HDC hdc = GetDC(hwnd);
    if (!hdc)
        return;
    Repaint(hwnd, hdc, true);
    ReleaseDC(hwnd, hdc);
}

// ---- Selection and scrolling -----------------------------------------------------

// A selection made elsewhere: the row of the index comes into view and the
// worker goes there first.
static void BringIntoView(LONG nIndex)
{
    PictureEntry* pEntry = PictureByIndex(nIndex);
    if (!pEntry || IsThumbVisible(pEntry))
        return;
    // Kept within the scrollable range of the list as it stands, so no
    // empty page shows below the last row.
    const LONG nMax = ThumbContentHeight(CountPictures()) - ClientHeight(GetThumbViewWindow());
    SetThumbScrollOffset(ClampThumbOffset(ThumbRowTop(nIndex), nMax));
    SteerThumbWorker(pEntry);
}

void SetThumbViewHeight(LONG nHeight)
{
    s_nViewHeight = nHeight;
}

LONG GetThumbScrollOffset(void)
{
    return s_nScrollOffset;
}

LONG GetThumbMaxScrollOffset(void)
{
    return s_nMaxOffset;
}

void SetThumbScrollOffset(LONG nOffset)
{
    s_nScrollOffset = nOffset;
    if (s_hwndScroll)
        SetScrollPos(s_hwndScroll, SB_CTL, nOffset, TRUE);
}

LONG GetLastTappedThumb(void)
{
    return s_nLastTapped;
}

HWND GetThumbScrollBar(void)
{
    return s_hwndScroll;
}

void SetThumbOpenHandler(ThumbOpenHandler pfnOpen)
{
    s_pfnOpen = pfnOpen;
}

static LONG ScrollStep(int nCode)
{
    LONG nStep = 0;
    switch (nCode)
    {
    case SB_LINEUP:
        nStep = -LINE_STEP;
        break;
    case SB_LINEDOWN:
        nStep = LINE_STEP;
        break;
    case SB_PAGEUP:
        nStep = -THUMB_PITCH_Y;
        break;
    case SB_PAGEDOWN:
        nStep = THUMB_PITCH_Y;
        break;
    case SB_THUMBTRACK:
    {
        SCROLLINFO si = {};
        si.cbSize = sizeof(si);
        si.fMask = SIF_TRACKPOS;
        if (s_hwndScroll && GetScrollInfo(s_hwndScroll, SB_CTL, &si))
            nStep = si.nTrackPos - s_nScrollOffset;
        break;
    }
    }
    return (nStep >= STEP_LIMIT || nStep <= -STEP_LIMIT) ? 0 : nStep;
}

static void OnVScroll(HWND hwnd, WPARAM wParam)
{
    const LONG nOffset = ClampThumbOffset(s_nScrollOffset + ScrollStep(LOWORD(wParam)), s_nMaxOffset);
    SetThumbScrollOffset(nOffset);
    if (nOffset == s_nLastDrawnOffset)
        return;
    PictureEntry* p = FirstVisibleThumb();
    if (p)
        SteerThumbWorker(p);
    HDC hdc = GetDC(hwnd);
    if (hdc)
    {
        Repaint(hwnd, hdc, false);
        ReleaseDC(hwnd, hdc);
    }
    s_nLastDrawnOffset = nOffset;
}

// ---- Taps -------------------------------------------------------------------------

static LONG HitTestAt(LPARAM lParam)
{
    return ThumbHitTest((short)LOWORD(lParam), (short)HIWORD(lParam), CountPictures(), s_nScrollOffset);
}

static void OnTap(HWND hwnd, LPARAM lParam)
{
    SetFocus(hwnd);
    if (CountPictures() == 0)
        return;
    s_nLastTapped = HitTestAt(lParam);
    if (s_nLastTapped < 0 || !PictureByIndex(s_nLastTapped))
        return;
    SelectPicture(s_nLastTapped);
    RedrawThumbView();
    // A held stylus makes the frame show its context menu.
    SHRGINFO shrg = {};
    shrg.cbSize = sizeof(shrg);
    shrg.hwndClient = hwnd;
    shrg.ptDown.x = (short)LOWORD(lParam);
    shrg.ptDown.y = (short)HIWORD(lParam);
    shrg.dwFlags = SHRG_NOTIFYPARENT;
    SHRecognizeGesture(&shrg);
}

static void OnDoubleTap(LPARAM lParam)
{
    StopThumbWorker();
    s_nLastTapped = HitTestAt(lParam);
    PictureEntry* pEntry = s_nLastTapped >= 0 ? PictureByIndex(s_nLastTapped) : NULL;
    if (!pEntry)
        return;
    WCHAR szPath[MAX_PATH];
    // A cut path would name another file.
    if (!JoinPath(g_szBrowsePath, pEntry->szName, szPath, MAX_PATH))
        return;
    if (s_pfnOpen)
        s_pfnOpen(pEntry, szPath);
}

// ---- Window -------------------------------------------------------------------------

static LRESULT OnCreate(HWND hwnd)
{
    HINSTANCE hInstance = (HINSTANCE)GetWindowLongPtrW(hwnd, GWLP_HINSTANCE);
    s_hwndScroll = CreateWindowExW(0, L"scrollbar", NULL, WS_CHILD | WS_VISIBLE | SBS_VERT, SCROLLBAR_INITIAL_X, 0,
                                   THUMB_SCROLLBAR_WIDTH, SCROLLBAR_INITIAL_HEIGHT, hwnd,
                                   (HMENU)(INT_PTR)IDC_THUMB_SCROLLBAR, hInstance, NULL);
    s_nMaxOffset = INITIAL_MAX_OFFSET;
    s_nScrollOffset = 0;
    s_nLastDrawnOffset = 0;
    MakeCellFont();
    SetGridSelectionFollower(BringIntoView);
    return 0;
}

static void OnDestroy(void)
{
    // The worker draws with the font and reads the view's state.
    StopThumbWorker();
    SetGridSelectionFollower(NULL);
    if (s_hbmOffscreen)
        DeleteObject(s_hbmOffscreen);
    s_hbmOffscreen = NULL;
    s_cyOffscreen = 0;
    FreeCellResources();
    s_hwndScroll = NULL;
}

static void OnPaint(HWND hwnd)
{
    PAINTSTRUCT ps;
    HDC hdc = BeginPaint(hwnd, &ps);
    if (!hdc)
        return;
    Repaint(hwnd, hdc, true);
    EndPaint(hwnd, &ps);
}

BOOL CreateThumbView(HWND hwndFrame)
{
    RECT rc;
    GetClientRect(hwndFrame, &rc);
    // The handheld always clips a window's children: the grid's copy must
    // leave the scrollbar alone here too.
    s_hwndView = CreateWindowExW(0, L"Thumb", L"Thumb", WS_CHILD | WS_CLIPCHILDREN, 0, 0, rc.right,
                                 rc.bottom - PANE_BOTTOM_MARGIN, hwndFrame, (HMENU)IDC_THUMB_VIEW,
                                 (HINSTANCE)GetWindowLongPtrW(hwndFrame, GWLP_HINSTANCE), NULL);
    return s_hwndView != NULL;
}

void DestroyThumbView(void)
{
    if (s_hwndView)
        DestroyWindow(s_hwndView);
    s_hwndView = NULL;
}

HWND GetThumbViewWindow(void)
{
    return s_hwndView;
}

LRESULT CALLBACK ThumbViewWndProc(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    switch (uMsg)
    {
    case WM_CREATE:
        return OnCreate(hwnd);
    case WM_DESTROY:
        OnDestroy();
        return 0;
    case WM_PAINT:
        OnPaint(hwnd);
        return 0;
    case WM_VSCROLL:
        OnVScroll(hwnd, wParam);
        return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN: // a desktop mouse's menu button holds at once
        OnTap(hwnd, lParam);
        return 0;
    case WM_LBUTTONDBLCLK:
        OnDoubleTap(lParam);
        return 0;
    default:
        return DefWindowProcW(hwnd, uMsg, wParam, lParam);
    }
}
