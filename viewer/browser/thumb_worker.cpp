#include "viewer/browser/thumb_worker.h"

#include "viewer/browser/picture_list.h"
#include "viewer/browser/thumb_bound.h"
#include "viewer/browser/thumb_maker.h"
#include "viewer/common/main_window_data.h"
#include "viewer/common/path_parts.h"
#include "viewer/common/shared_paths.h"
#include "viewer/common/thread_wait.h"
#include "viewer/imaging/decode/image_decoder.h"

// A stop cancels the decode and the resampling in hand, so the worker
// answers at once; one that still does not is given this long twice before
// the thread is ended.
#define STOP_WAIT_MS 3000

static HANDLE s_hThread = NULL;
static DWORD s_dwThreadId = 0;
// Also the abort flag of the worker's resampling: a stop cuts it short, and
// nothing else (a renderer or slideshow stop) does.
static volatile int32_t s_nCancel = 0;
static volatile LONG s_bRunning = 0;
static BOOL s_bStopping = FALSE;
static PVOID volatile s_pJump = NULL;
// A mutex rather than a critical section: a worker ended by force while it
// holds it leaves it abandoned, which the next owner simply takes over.
static HANDLE s_hPaintLock = NULL;
// Folder of the listed pictures, copied when the worker starts: the
// user-interface thread rewrites the shared path while it works.
static WCHAR s_szPictureFolder[MAX_PATH];
// In a folder larger than the bound the worker waits for the view to move
// once the entries around it are made: a steer or a stop wakes it. The
// idle event is set while it waits or after its body ended; the guard makes
// "no jump pending" and "idle" one step, so that a steer cannot be missed.
static HANDLE s_hWake = NULL;
static HANDLE s_hIdle = NULL;
// A mutex for the same reason as the paint lock.
static HANDLE s_hIdleGuard = NULL;

static void MakeUntilStopped(CImageDecoder* pDecoder, PictureEntry* pEntry, LPCWSTR pszPictureFolder)
{
    MakeStoppableThumbnail(pDecoder, pEntry, pszPictureFolder, &s_nCancel);
}

static ThumbMakerFunction s_pfnMaker = MakeUntilStopped;
// Set before the thread starts and unchanged while it runs.
static ThumbCellPainter s_painter;
// The main window record's decoder, taken when the worker starts; the stop
// cancels it. It outlives every worker: exit stops the worker first.
static CImageDecoder* s_pDecoder = NULL;

static HANDLE PaintLock(void)
{
    // Made on the user-interface thread (first repaint or first start),
    // before any worker exists.
    if (!s_hPaintLock)
        s_hPaintLock = CreateMutexW(NULL, FALSE, NULL);
    return s_hPaintLock;
}

void LockThumbPainting(void)
{
    HANDLE hLock = PaintLock();
    // The user-interface thread serves sent messages while it waits, so a
    // worker whose drawing needs that thread cannot stall it.
    if (hLock)
        WaitServingSentMessages(hLock, INFINITE);
}

void UnlockThumbPainting(void)
{
    if (s_hPaintLock)
        ReleaseMutex(s_hPaintLock);
}

void SetThumbMakerForTests(ThumbMakerFunction pfnMaker)
{
    s_pfnMaker = pfnMaker ? pfnMaker : MakeUntilStopped;
}

// Makes the thumbnail into a copy of the entry, so that the decode runs
// without the lock: a repaint then never waits for a decode. The results
// go into the entry, and its cell onto the view, under the lock. Nothing
// here may send a message to the user-interface thread while the lock is
// held: that thread may be waiting for it inside a repaint.
static void MakeOne(PictureEntry* pEntry)
{
    PictureEntry work = *pEntry;
    work.pNext = NULL;
    work.hbmThumb = NULL;
    s_pfnMaker(s_pDecoder, &work, s_szPictureFolder);
    // Cut short by a stop, not failed: left for the next worker.
    if (s_nCancel && !work.hbmThumb)
        return;

    LockThumbPainting();
    pEntry->hbmThumb = work.hbmThumb;
    pEntry->xThumb = work.xThumb;
    pEntry->yThumb = work.yThumb;
    pEntry->bProcessed = 1;
    const HWND hwndView = s_painter.hwndView;
    if (hwndView && s_painter.pfnIsVisible(pEntry))
    {
        HDC hdc = GetDC(hwndView);
        if (hdc)
        {
            s_painter.pfnPaintCell(hdc, pEntry);
            ReleaseDC(hwndView, hdc);
            pEntry->bDrawn = 1;
        }
    }
    UnlockThumbPainting();
}

static bool IsDone(const PictureEntry* pEntry)
{
    return pEntry->bProcessed || pEntry->hbmThumb;
}

// Takes the bitmap back from an entry far from the view: it is made again
// when it comes back into view. Under the lock, as a repaint may read it.
static void GiveBack(PictureEntry* pEntry)
{
    LockThumbPainting();
    HBITMAP hbm = pEntry->hbmThumb;
    pEntry->hbmThumb = NULL;
    pEntry->bProcessed = 0;
    pEntry->bDrawn = 0;
    UnlockThumbPainting();
    if (hbm)
        DeleteObject(hbm);
}

// The bitmaps the list holds as the worker starts: those in the window
// first, then others while the bound allows; the rest are given back.
static void TakeHeldThumbs(const ThumbWindow& window)
{
    ClearHeldThumbs();
    for (PictureEntry* p = FirstPicture(); p; p = NextPicture(p))
    {
        if (p->hbmThumb && IsInThumbWindow(window, p->nIndex) && !HoldThumb(p))
            GiveBack(p);
    }
    for (PictureEntry* p = FirstPicture(); p; p = NextPicture(p))
    {
        if (p->hbmThumb && !IsInThumbWindow(window, p->nIndex) && !HoldThumb(p))
            GiveBack(p);
    }
}

// Room for one more bitmap: the held one farthest outside the window goes.
// False when all lie inside it, which leaves nothing to make.
static bool MakeRoom(const ThumbWindow& window)
{
    if (CountHeldThumbs() < ThumbBitmapBound())
        return true;
    PictureEntry* pFarthest = TakeFarthestThumb(window);
    if (!pFarthest)
        return false;
    GiveBack(pFarthest);
    return true;
}

// The first entry on screen, where a big folder's work begins.
static PictureEntry* FirstOnScreen(void)
{
    PictureEntry* p = FirstPicture();
    if (!s_painter.hwndView)
        return p;
    while (p && !s_painter.pfnIsVisible(p))
        p = NextPicture(p);
    return p ? p : FirstPicture();
}

// Waits for a steer or a stop; false on a stop.
static bool WaitForView(void)
{
    WaitForSingleObject(s_hIdleGuard, INFINITE);
    const bool bWait = !s_pJump && !s_nCancel;
    if (bWait)
        SetEvent(s_hIdle);
    ReleaseMutex(s_hIdleGuard);
    if (bWait)
        WaitForSingleObject(s_hWake, INFINITE);
    return !s_nCancel;
}

// Entries outside the window are passed over like done ones; the window's
// end is the end of the walk. A folder within the bound has the whole list
// as its window, so nothing is ever given back there.
static void Walk(void)
{
    if (!FirstPicture() || CountUnprocessed() == 0)
        return;
    const LONG nEntries = CountPictures();
    const bool bBounded = nEntries > ThumbBitmapBound();
    PictureEntry* pPos = bBounded ? FirstOnScreen() : FirstPicture();
    ThumbWindow window = {};
    PlaceThumbWindow(&window, nEntries, pPos ? pPos->nIndex : 0, false);
    TakeHeldThumbs(window);

    PictureEntry* pRemembered = NULL;
    bool bDetoured = false;
    // Once the walk reached the end, one more pass over the window finds
    // what a detour left behind before the worker ends or waits.
    bool bSwept = false;
    for (;;)
    {
        // A jump goes first; the first detour remembers where the walk
        // was, so that it comes back there after the end of the list.
        PictureEntry* pJump = static_cast<PictureEntry*>(InterlockedExchangePointer(&s_pJump, NULL));
        if (pJump)
        {
            if (!bDetoured)
            {
                pRemembered = pPos;
                bDetoured = true;
            }
            pPos = pJump;
            PlaceThumbWindow(&window, nEntries, pJump->nIndex, true);
            bSwept = false;
        }
        // Entries already done are passed over without a look at the jump
        // request.
        while (pPos == NULL || IsDone(pPos) || !IsInThumbWindow(window, pPos->nIndex))
        {
            if (s_nCancel)
                break;
            if (pPos && pPos->nIndex < window.nLo)
            {
                pPos = PictureByIndex(window.nLo);
                continue;
            }
            if (pPos && pPos->nIndex < window.nHi)
            {
                pPos = NextPicture(pPos);
                continue;
            }
            if (pRemembered)
            {
                pPos = pRemembered;
                pRemembered = NULL;
                bDetoured = false;
                continue;
            }
            pPos = bSwept ? NULL : PictureByIndex(window.nLo);
            bSwept = true;
            if (!pPos)
                break;
        }
        if (s_nCancel)
            break;
        if (pPos && bBounded && !MakeRoom(window))
            pPos = NULL;
        if (!pPos)
        {
            if (!bBounded || !WaitForView())
                break;
            bDetoured = false;
            continue;
        }
        MakeOne(pPos);
        if (pPos->hbmThumb)
            HoldThumb(pPos);
        pPos = NextPicture(pPos);
        if (s_nCancel)
            break;
    }
}

static DWORD WINAPI ThumbWorkerMain(LPVOID)
{
    InterlockedExchange(&s_bRunning, 1);
    Walk();
    InterlockedExchange(&s_bRunning, 0);
    SetEvent(s_hIdle);
    return 0;
}

// Made on the user-interface thread before the first worker.
static bool MakeWaitObjects(void)
{
    if (!s_hIdleGuard)
        s_hIdleGuard = CreateMutexW(NULL, FALSE, NULL);
    if (!s_hWake)
        s_hWake = CreateEventW(NULL, FALSE, FALSE, NULL);
    if (!s_hIdle)
        s_hIdle = CreateEventW(NULL, TRUE, FALSE, NULL);
    return s_hIdleGuard && s_hWake && s_hIdle;
}

void StartThumbWorker(const ThumbCellPainter* pPainter)
{
    if (s_hThread || !PaintLock() || !MakeWaitObjects())
        return;
    // A painter without its functions paints nothing.
    s_painter = {};
    if (pPainter && pPainter->pfnIsVisible && pPainter->pfnPaintCell)
        s_painter = *pPainter;
    s_nCancel = 0;
    MainWindowData* pData = GetMainWindowData();
    s_pDecoder = pData ? pData->pDecoder : NULL;
    if (s_pDecoder)
        s_pDecoder->SetCancel(0);
    // A request left from an earlier list may name a freed entry.
    InterlockedExchangePointer(&s_pJump, NULL);
    ResetEvent(s_hWake);
    ResetEvent(s_hIdle);
    FolderPart(g_szPicturePath, s_szPictureFolder, MAX_PATH);
    s_hThread = CreateThread(NULL, 0, ThumbWorkerMain, NULL, 0, &s_dwThreadId);
    if (s_hThread)
        SetThreadPriority(s_hThread, THREAD_PRIORITY_IDLE);
}

void StopThumbWorker(void)
{
    if (!s_hThread)
        return;
    s_nCancel = 1;
    if (s_pDecoder)
        s_pDecoder->SetCancel(1);
    SetEvent(s_hWake);
    // A stop asked for by a message served during this stop's own wait must
    // not return while the worker runs either, as its caller then frees the
    // list; the outer stop closes the handle.
    if (s_bStopping)
    {
        WaitThenTerminate(s_hThread, STOP_WAIT_MS, STOP_WAIT_MS);
        return;
    }
    s_bStopping = TRUE;
    WaitThenTerminate(s_hThread, STOP_WAIT_MS, STOP_WAIT_MS);
    CloseHandle(s_hThread);
    s_hThread = NULL;
    s_dwThreadId = 0;
    InterlockedExchange(&s_bRunning, 0);
    // The decoder also reads the cache's files and the slideshow's pictures.
    if (s_pDecoder)
        s_pDecoder->SetCancel(0);
    s_pDecoder = NULL;
    s_nCancel = 0;
    InterlockedExchangePointer(&s_pJump, NULL);
    s_bStopping = FALSE;
}

void SteerThumbWorker(PictureEntry* pEntry)
{
    // Before the first worker there is nothing to wake.
    if (!s_hIdleGuard || !s_hWake || !s_hIdle)
    {
        InterlockedExchangePointer(&s_pJump, pEntry);
        return;
    }
    WaitForSingleObject(s_hIdleGuard, INFINITE);
    InterlockedExchangePointer(&s_pJump, pEntry);
    if (pEntry)
        ResetEvent(s_hIdle);
    ReleaseMutex(s_hIdleGuard);
    if (pEntry)
        SetEvent(s_hWake);
}

BOOL IsThumbWorkerRunning(void)
{
    return s_bRunning != 0;
}

BOOL HasThumbWorker(void)
{
    return s_hThread != NULL;
}

BOOL WaitForThumbWorkerEnd(DWORD dwMs)
{
    return !s_hThread || WaitServingSentMessages(s_hThread, dwMs) == WAIT_OBJECT_0;
}

BOOL WaitForThumbWorkerIdle(DWORD dwMs)
{
    return !s_hThread || WaitServingSentMessages(s_hIdle, dwMs) == WAIT_OBJECT_0;
}
