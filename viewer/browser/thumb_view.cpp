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
#include "viewer/common/zero_alloc.h"

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

// The view's own state, kept with its window (GWLP_USERDATA) from
// WM_NCCREATE to WM_NCDESTROY. The worker reads the offset and the height
// from its own thread.
struct ThumbViewState
{
    volatile LONG nScrollOffset;
    volatile LONG nViewHeight;
    LONG nMaxOffset;
    LONG nLastDrawnOffset;
    LONG nLastTapped;
    HWND hwndScroll;
    HBITMAP hbmOffscreen;
    LONG cyOffscreen;
    ThumbCellArt art;
};

// The browser's one grid, which the shell's calls and the shared selection
// reach without a window of their own; and how the shell opens a picture,
// set once at start-up.
static HWND s_hwndView = NULL;
static ThumbOpenHandler s_pfnOpen = NULL;

// Null before WM_NCCREATE and after WM_NCDESTROY.
static ThumbViewState* ViewOf(HWND hwnd)
{
    return hwnd ? reinterpret_cast<ThumbViewState*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA)) : NULL;
}

// ---- Cells -------------------------------------------------------------------

static BOOL IsVisibleIn(const ThumbViewState* pView, const PictureEntry* pEntry)
{
    return pEntry && IsThumbRowVisible(pEntry->nIndex, pView->nScrollOffset, pView->nViewHeight);
}

BOOL IsThumbVisible(const PictureEntry* pEntry)
{
    const ThumbViewState* pView = ViewOf(s_hwndView);
    return pView && IsVisibleIn(pView, pEntry);
}

static PictureEntry* FirstVisibleThumb(const ThumbViewState* pView)
{
    // The first row whose top lies at most one pitch above the offset,
    // found by its index rather than by a walk down a long list.
    const LONG nAbove = pView->nScrollOffset - THUMB_PITCH_Y;
    const LONG nRow = nAbove <= 0 ? 0 : (nAbove + THUMB_PITCH_Y - 1) / THUMB_PITCH_Y;
    PictureEntry* pFound = PictureByIndex(nRow * THUMB_COLUMNS);
    if (pFound && IsVisibleIn(pView, pFound))
        return pFound;
    PictureEntry* p = FirstPicture();
    while (p && !IsVisibleIn(pView, p))
        p = NextPicture(p);
    return p;
}

static void PaintCellOf(ThumbViewState* pView, HDC hdc, const PictureEntry* pEntry)
{
    PaintCell(hdc, pEntry, pView->nScrollOffset, &pView->art);
}

void PaintThumbCell(HDC hdc, const PictureEntry* pEntry)
{
    ThumbViewState* pView = ViewOf(s_hwndView);
    if (pView)
        PaintCellOf(pView, hdc, pEntry);
}

// ---- Repaint -------------------------------------------------------------------

static LONG ClientHeight(HWND hwnd)
{
    RECT rc = {};
    if (hwnd)
        GetClientRect(hwnd, &rc);
    return rc.bottom;
}

static LONG ViewHeight(HWND hwnd, const ThumbViewState* pView)
{
    return pView->nViewHeight > 0 ? pView->nViewHeight : ClientHeight(hwnd);
}

static void UpdateScrollBar(HWND hwnd, ThumbViewState* pView, LONG nContentHeight, LONG nViewHeight)
{
    pView->nMaxOffset = nContentHeight - ClientHeight(hwnd);
    HWND hwndScroll = pView->hwndScroll;
    if (!hwndScroll)
        return;
    SCROLLINFO si = {};
    si.cbSize = sizeof(si);
    si.fMask = SIF_ALL | SIF_DISABLENOSCROLL;
    si.nMin = 0;
    si.nMax = nContentHeight;
    si.nPage = (UINT)(nViewHeight > 0 ? nViewHeight : 0);
    si.nPos = pView->nScrollOffset;
    SetScrollInfo(hwndScroll, SB_CTL, &si, TRUE);
    const bool bShown = (GetWindowLongW(hwndScroll, GWL_STYLE) & WS_VISIBLE) != 0;
    if (nContentHeight < nViewHeight)
    {
        pView->nScrollOffset = 0;
        if (bShown)
            ShowWindow(hwndScroll, SW_HIDE);
    }
    else if (!bShown)
    {
        ShowWindow(hwndScroll, SW_SHOW);
    }
}

// The grid is composed off-screen and copied in one block.
static void PaintGrid(ThumbViewState* pView, HDC hdc, LONG nViewHeight)
{
    if (nViewHeight <= 0)
        return;
    if (pView->hbmOffscreen && pView->cyOffscreen != nViewHeight)
    {
        DeleteObject(pView->hbmOffscreen);
        pView->hbmOffscreen = NULL;
    }
    if (!pView->hbmOffscreen)
    {
        pView->hbmOffscreen = CreateCompatibleBitmap(hdc, THUMB_DRAW_WIDTH, nViewHeight);
        pView->cyOffscreen = pView->hbmOffscreen ? nViewHeight : 0;
        if (!pView->hbmOffscreen)
            return;
    }
    HDC hdcMem = CreateCompatibleDC(hdc);
    if (!hdcMem)
        return;
    HGDIOBJ hOld = SelectObject(hdcMem, pView->hbmOffscreen);
    RECT rc = {0, 0, THUMB_DRAW_WIDTH, nViewHeight};
    FillRect(hdcMem, &rc, GetSysColorBrush(COLOR_WINDOW));
    for (PictureEntry* p = FirstVisibleThumb(pView); p && IsVisibleIn(pView, p); p = NextPicture(p))
        PaintCellOf(pView, hdcMem, p);
    BitBlt(hdc, 0, 0, THUMB_DRAW_WIDTH, nViewHeight, hdcMem, 0, 0, SRCCOPY);
    SelectObject(hdcMem, hOld);
    DeleteDC(hdcMem);
}

// The worker paints each finished cell itself, through the view's painter.
static void StartWorker(HWND hwnd, ThumbViewState* pView)
{
    const ThumbCellPainter painter = {hwnd, pView, IsVisibleIn, PaintCellOf};
    StartThumbWorker(&painter);
}

// False when the window went while the repaint waited for the lock: a
// message served meanwhile may have destroyed it, and its record with it.
static bool Repaint(HWND hwnd, HDC hdc, bool bUpdateScrollBar)
{
    ThumbViewState* pView = ViewOf(hwnd);
    if (!pView)
        return false;
    if (CountUnprocessed() > 0)
        StartWorker(hwnd, pView);
    LockThumbPainting();
    pView = ViewOf(hwnd);
    if (!pView)
    {
        UnlockThumbPainting();
        return false;
    }
    const LONG nContentHeight = ThumbContentHeight(CountPictures());
    const LONG nViewHeight = ViewHeight(hwnd, pView);
    if (pView->nScrollOffset >= nContentHeight)
        pView->nScrollOffset = nContentHeight;
    if (bUpdateScrollBar)
        UpdateScrollBar(hwnd, pView, nContentHeight, nViewHeight);
    PaintGrid(pView, hdc, nViewHeight);
    // Whatever path moved the offset, the next scroll compares with what
    // the window shows now.
    pView->nLastDrawnOffset = pView->nScrollOffset;
    UnlockThumbPainting();
    return true;
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
    const ThumbViewState* pView = ViewOf(s_hwndView);
    if (!pView || !pEntry || IsVisibleIn(pView, pEntry))
        return;
    // Kept within the scrollable range of the list as it stands, so no
    // empty page shows below the last row.
    const LONG nMax = ThumbContentHeight(CountPictures()) - ClientHeight(GetThumbViewWindow());
    SetThumbScrollOffset(ClampThumbOffset(ThumbRowTop(nIndex), nMax));
    SteerThumbWorker(pEntry);
}

void SetThumbViewHeight(LONG nHeight)
{
    ThumbViewState* pView = ViewOf(s_hwndView);
    if (pView)
        pView->nViewHeight = nHeight;
}

LONG GetThumbScrollOffset(void)
{
    const ThumbViewState* pView = ViewOf(s_hwndView);
    return pView ? pView->nScrollOffset : 0;
}

LONG GetThumbMaxScrollOffset(void)
{
    const ThumbViewState* pView = ViewOf(s_hwndView);
    return pView ? pView->nMaxOffset : 0;
}

static void SetScrollOffset(ThumbViewState* pView, LONG nOffset)
{
    pView->nScrollOffset = nOffset;
    if (pView->hwndScroll)
        SetScrollPos(pView->hwndScroll, SB_CTL, nOffset, TRUE);
}

void SetThumbScrollOffset(LONG nOffset)
{
    ThumbViewState* pView = ViewOf(s_hwndView);
    if (pView)
        SetScrollOffset(pView, nOffset);
}

LONG GetLastTappedThumb(void)
{
    const ThumbViewState* pView = ViewOf(s_hwndView);
    return pView ? pView->nLastTapped : -1;
}

HWND GetThumbScrollBar(void)
{
    const ThumbViewState* pView = ViewOf(s_hwndView);
    return pView ? pView->hwndScroll : NULL;
}

void SetThumbOpenHandler(ThumbOpenHandler pfnOpen)
{
    s_pfnOpen = pfnOpen;
}

static LONG ScrollStep(const ThumbViewState* pView, int nCode)
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
        if (pView->hwndScroll && GetScrollInfo(pView->hwndScroll, SB_CTL, &si))
            nStep = si.nTrackPos - pView->nScrollOffset;
        break;
    }
    }
    return (nStep >= STEP_LIMIT || nStep <= -STEP_LIMIT) ? 0 : nStep;
}

static void OnVScroll(HWND hwnd, ThumbViewState* pView, WPARAM wParam)
{
    const LONG nOffset =
        ClampThumbOffset(pView->nScrollOffset + ScrollStep(pView, LOWORD(wParam)), pView->nMaxOffset);
    SetScrollOffset(pView, nOffset);
    if (nOffset == pView->nLastDrawnOffset)
        return;
    PictureEntry* p = FirstVisibleThumb(pView);
    if (p)
        SteerThumbWorker(p);
    HDC hdc = GetDC(hwnd);
    if (hdc)
    {
        const bool bAlive = Repaint(hwnd, hdc, false);
        ReleaseDC(hwnd, hdc);
        if (!bAlive)
            return;
    }
    pView->nLastDrawnOffset = nOffset;
}

// ---- Taps -------------------------------------------------------------------------

static LONG HitTestAt(const ThumbViewState* pView, LPARAM lParam)
{
    return ThumbHitTest((short)LOWORD(lParam), (short)HIWORD(lParam), CountPictures(), pView->nScrollOffset);
}

static void OnTap(HWND hwnd, ThumbViewState* pView, LPARAM lParam)
{
    SetFocus(hwnd);
    if (CountPictures() == 0)
        return;
    const LONG nTapped = HitTestAt(pView, lParam);
    pView->nLastTapped = nTapped;
    if (nTapped < 0 || !PictureByIndex(nTapped))
        return;
    SelectPicture(nTapped);
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

static void OnDoubleTap(HWND hwnd, LPARAM lParam)
{
    StopThumbWorker();
    // Looked up after the stop, whose wait serves sent messages.
    ThumbViewState* pView = ViewOf(hwnd);
    if (!pView)
        return;
    const LONG nTapped = HitTestAt(pView, lParam);
    pView->nLastTapped = nTapped;
    PictureEntry* pEntry = nTapped >= 0 ? PictureByIndex(nTapped) : NULL;
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

// The record is made before anything else reaches the window; without
// memory the window is not made.
static LRESULT OnNcCreate(HWND hwnd, WPARAM wParam, LPARAM lParam)
{
    ThumbViewState* pView = AllocRecord<ThumbViewState>();
    if (!pView)
        return FALSE;
    pView->nMaxOffset = INITIAL_MAX_OFFSET;
    pView->nLastTapped = -1;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(pView));
    return DefWindowProcW(hwnd, WM_NCCREATE, wParam, lParam);
}

static LRESULT OnCreate(HWND hwnd, ThumbViewState* pView)
{
    HINSTANCE hInstance = (HINSTANCE)GetWindowLongPtrW(hwnd, GWLP_HINSTANCE);
    pView->hwndScroll = CreateWindowExW(0, L"scrollbar", NULL, WS_CHILD | WS_VISIBLE | SBS_VERT, SCROLLBAR_INITIAL_X, 0,
                                        THUMB_SCROLLBAR_WIDTH, SCROLLBAR_INITIAL_HEIGHT, hwnd,
                                        (HMENU)(INT_PTR)IDC_THUMB_SCROLLBAR, hInstance, NULL);
    MakeCellFont(&pView->art);
    SetGridSelectionFollower(BringIntoView);
    return 0;
}

// The worker draws with the view's font and reads its state: it stops
// before they go. Run at WM_DESTROY and again at WM_NCDESTROY, in case a
// message served during the first stop's wait started another worker.
static void ReleaseView(ThumbViewState* pView)
{
    StopThumbWorker();
    SetGridSelectionFollower(NULL);
    if (pView->hbmOffscreen)
        DeleteObject(pView->hbmOffscreen);
    pView->hbmOffscreen = NULL;
    pView->cyOffscreen = 0;
    FreeCellArt(&pView->art);
    pView->hwndScroll = NULL;
}

static void OnNcDestroy(HWND hwnd, ThumbViewState* pView)
{
    ReleaseView(pView);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    FreeZeroed(pView);
    if (s_hwndView == hwnd)
        s_hwndView = NULL;
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
    ThumbViewState* pView = ViewOf(hwnd);
    if (!pView)
    {
        // Messages before WM_NCCREATE, and any after WM_NCDESTROY.
        if (uMsg == WM_NCCREATE)
            return OnNcCreate(hwnd, wParam, lParam);
        return DefWindowProcW(hwnd, uMsg, wParam, lParam);
    }
    switch (uMsg)
    {
    case WM_CREATE:
        return OnCreate(hwnd, pView);
    case WM_DESTROY:
        ReleaseView(pView);
        return 0;
    case WM_NCDESTROY:
        OnNcDestroy(hwnd, pView);
        return DefWindowProcW(hwnd, uMsg, wParam, lParam);
    case WM_PAINT:
        OnPaint(hwnd);
        return 0;
    case WM_VSCROLL:
        OnVScroll(hwnd, pView, wParam);
        return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN: // a desktop mouse's menu button holds at once
        OnTap(hwnd, pView, lParam);
        return 0;
    case WM_LBUTTONDBLCLK:
        OnDoubleTap(hwnd, lParam);
        return 0;
    default:
        return DefWindowProcW(hwnd, uMsg, wParam, lParam);
    }
}
