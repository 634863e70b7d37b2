#include "viewer/browser/thumb_worker.h"

#include "viewer/browser/picture_list.h"
#include "viewer/browser/thumb_bound.h"
#include "viewer/browser/thumb_maker.h"
#include "viewer/common/main_window_data.h"
#include "viewer/common/path_parts.h"
#include "viewer/common/shared_paths.h"
#include "viewer/common/thread_wait.h"
#include "viewer/common/zero_alloc.h"
#include "viewer/imaging/decode/image_decoder.h"

// A stop cancels the decode and the resampling in hand, so the worker
// answers at once; one that still does not is given this long twice before
// the thread is ended.
#define STOP_WAIT_MS 3000

// One worker, from its start to its stop: made by StartThumbWorker, handed
// to the thread as its argument, and freed by StopThumbWorker once the thread
// has ended. What the thread reads of it is set before the thread starts.
struct ThumbWorker
{
    HANDLE hThread;
    DWORD dwThreadId;
    // The main window record's decoder, taken when the worker starts; the
    // stop cancels it. It outlives every worker: exit stops the worker first.
    CImageDecoder* pDecoder;
    ThumbCellPainter painter;
    // Folder of the listed pictures, copied when the worker starts: the
    // user-interface thread rewrites the shared path while it works.
    WCHAR szPictureFolder[MAX_PATH];
    // In a folder larger than the bound the worker waits for the view to
    // move once the entries around it are made: a steer or a stop wakes it.
    // The idle event is set while it waits or after its body ended; the
    // guard makes "no jump pending" and "idle" one step, so that a steer
    // cannot be missed. A mutex rather than a critical section: a worker
    // ended by force while it holds it leaves it abandoned, which the next
    // owner simply takes over.
    HANDLE hWake;
    HANDLE hIdle;
    HANDLE hIdleGuard;
    // A stop runs; a stop asked for by a message served meanwhile only waits.
    BOOL bStopping;
    // The entries whose bitmaps this worker holds; its own thread's.
    HeldThumbs held;
};

// What the worker and the user-interface thread share, one set for the
// program: the worker started and not yet stopped (null when none), and the
// flags each thread sets for the other between entries.
static ThumbWorker* s_pWorker = NULL;
// Also the abort flag of the worker's resampling: a stop cuts it short, and
// nothing else (a renderer or slideshow stop) does.
static volatile int32_t s_nCancel = 0;
static volatile LONG s_bRunning = 0;
static PVOID volatile s_pJump = NULL;
// Held by the worker and by the view's full repaint, whichever view and
// worker there are. A mutex for the same reason as the idle guard.
static HANDLE s_hPaintLock = NULL;

static void MakeUntilStopped(CImageDecoder* pDecoder, PictureEntry* pEntry, LPCWSTR pszPictureFolder)
{
    MakeStoppableThumbnail(pDecoder, pEntry, pszPictureFolder, &s_nCancel);
}

// Set only while no worker runs.
static ThumbMakerFunction s_pfnMaker = MakeUntilStopped;

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
static void MakeOne(ThumbWorker* pWorker, PictureEntry* pEntry)
{
    PictureEntry work = *pEntry;
    work.pNext = NULL;
    work.hbmThumb = NULL;
    s_pfnMaker(pWorker->pDecoder, &work, pWorker->szPictureFolder);
    // Cut short by a stop, not failed: left for the next worker.
    if (s_nCancel && !work.hbmThumb)
        return;

    LockThumbPainting();
    pEntry->hbmThumb = work.hbmThumb;
    pEntry->xThumb = work.xThumb;
    pEntry->yThumb = work.yThumb;
    SetPictureProcessed(pEntry, TRUE);
    const ThumbCellPainter& painter = pWorker->painter;
    if (painter.hwndView && painter.pfnIsVisible(painter.pView, pEntry))
    {
        HDC hdc = GetDC(painter.hwndView);
        if (hdc)
        {
            painter.pfnPaintCell(painter.pView, hdc, pEntry);
            ReleaseDC(painter.hwndView, hdc);
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
    SetPictureProcessed(pEntry, FALSE);
    pEntry->bDrawn = 0;
    UnlockThumbPainting();
    if (hbm)
        DeleteObject(hbm);
}

// The bitmaps the list holds as the worker starts: those in the window
// first, then others while the bound allows; the rest are given back.
static void TakeHeldThumbs(HeldThumbs* pHeld, const ThumbWindow& window)
{
    ClearHeldThumbs(pHeld);
    for (PictureEntry* p = FirstPicture(); p; p = NextPicture(p))
    {
        if (p->hbmThumb && IsInThumbWindow(window, p->nIndex) && !HoldThumb(pHeld, p))
            GiveBack(p);
    }
    for (PictureEntry* p = FirstPicture(); p; p = NextPicture(p))
    {
        if (p->hbmThumb && !IsInThumbWindow(window, p->nIndex) && !HoldThumb(pHeld, p))
            GiveBack(p);
    }
}

// Room for one more bitmap: the held one farthest outside the window goes.
// False when all lie inside it, which leaves nothing to make.
static bool MakeRoom(HeldThumbs* pHeld, const ThumbWindow& window)
{
    if (CountHeldThumbs(pHeld) < ThumbBitmapBound())
        return true;
    PictureEntry* pFarthest = TakeFarthestThumb(pHeld, window);
    if (!pFarthest)
        return false;
    GiveBack(pFarthest);
    return true;
}

// The first entry on screen, where a big folder's work begins.
static PictureEntry* FirstOnScreen(const ThumbCellPainter& painter)
{
    PictureEntry* p = FirstPicture();
    if (!painter.hwndView)
        return p;
    while (p && !painter.pfnIsVisible(painter.pView, p))
        p = NextPicture(p);
    return p ? p : FirstPicture();
}

// Waits for a steer or a stop; false on a stop.
static bool WaitForView(ThumbWorker* pWorker)
{
    WaitForSingleObject(pWorker->hIdleGuard, INFINITE);
    const bool bWait = !s_pJump && !s_nCancel;
    if (bWait)
        SetEvent(pWorker->hIdle);
    ReleaseMutex(pWorker->hIdleGuard);
    if (bWait)
        WaitForSingleObject(pWorker->hWake, INFINITE);
    return !s_nCancel;
}

// Entries outside the window are passed over like done ones; the window's
// end is the end of the walk. A folder within the bound has the whole list
// as its window, so nothing is ever given back there.
static void Walk(ThumbWorker* pWorker)
{
    if (!FirstPicture() || CountUnprocessed() == 0)
        return;
    const LONG nEntries = CountPictures();
    const bool bBounded = nEntries > ThumbBitmapBound();
    PictureEntry* pPos = bBounded ? FirstOnScreen(pWorker->painter) : FirstPicture();
    ThumbWindow window = {};
    PlaceThumbWindow(&window, nEntries, pPos ? pPos->nIndex : 0, false);
    TakeHeldThumbs(&pWorker->held, window);

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
        if (pPos && bBounded && !MakeRoom(&pWorker->held, window))
            pPos = NULL;
        if (!pPos)
        {
            if (!bBounded || !WaitForView(pWorker))
                break;
            bDetoured = false;
            continue;
        }
        MakeOne(pWorker, pPos);
        if (pPos->hbmThumb)
            HoldThumb(&pWorker->held, pPos);
        pPos = NextPicture(pPos);
        if (s_nCancel)
            break;
    }
}

static DWORD WINAPI ThumbWorkerMain(LPVOID pvWorker)
{
    ThumbWorker* pWorker = static_cast<ThumbWorker*>(pvWorker);
    InterlockedExchange(&s_bRunning, 1);
    Walk(pWorker);
    InterlockedExchange(&s_bRunning, 0);
    SetEvent(pWorker->hIdle);
    return 0;
}

// Closes what the record holds and frees it; its thread has ended.
static void FreeWorker(ThumbWorker* pWorker)
{
    HANDLE rghObjects[] = {pWorker->hThread, pWorker->hWake, pWorker->hIdle, pWorker->hIdleGuard};
    for (HANDLE h : rghObjects)
    {
        if (h)
            CloseHandle(h);
    }
    FreeZeroed(pWorker);
}

static ThumbWorker* MakeWorker(void)
{
    ThumbWorker* pWorker = AllocRecord<ThumbWorker>();
    if (!pWorker)
        return NULL;
    pWorker->hIdleGuard = CreateMutexW(NULL, FALSE, NULL);
    pWorker->hWake = CreateEventW(NULL, FALSE, FALSE, NULL);
    pWorker->hIdle = CreateEventW(NULL, TRUE, FALSE, NULL);
    if (!pWorker->hIdleGuard || !pWorker->hWake || !pWorker->hIdle)
    {
        FreeWorker(pWorker);
        return NULL;
    }
    return pWorker;
}

void StartThumbWorker(const ThumbCellPainter* pPainter)
{
    if (s_pWorker || !PaintLock())
        return;
    ThumbWorker* pWorker = MakeWorker();
    if (!pWorker)
        return;
    // A painter without its functions paints nothing.
    if (pPainter && pPainter->pfnIsVisible && pPainter->pfnPaintCell)
        pWorker->painter = *pPainter;
    s_nCancel = 0;
    MainWindowData* pData = GetMainWindowData();
    pWorker->pDecoder = pData ? pData->pDecoder : NULL;
    if (pWorker->pDecoder)
        pWorker->pDecoder->SetCancel(0);
    // A request left from an earlier list may name a freed entry.
    InterlockedExchangePointer(&s_pJump, NULL);
    FolderPart(g_szPicturePath, pWorker->szPictureFolder, MAX_PATH);
    // Known before the thread runs: its maker may steer it at once.
    s_pWorker = pWorker;
    pWorker->hThread = CreateThread(NULL, 0, ThumbWorkerMain, pWorker, 0, &pWorker->dwThreadId);
    if (!pWorker->hThread)
    {
        s_pWorker = NULL;
        FreeWorker(pWorker);
        return;
    }
    SetThreadPriority(pWorker->hThread, THREAD_PRIORITY_IDLE);
}

void StopThumbWorker(void)
{
    ThumbWorker* pWorker = s_pWorker;
    if (!pWorker)
        return;
    s_nCancel = 1;
    if (pWorker->pDecoder)
        pWorker->pDecoder->SetCancel(1);
    SetEvent(pWorker->hWake);
    // A stop asked for by a message served during this stop's own wait must
    // not return while the worker runs either, as its caller then frees the
    // list; the outer stop frees the record.
    if (pWorker->bStopping)
    {
        WaitThenTerminate(pWorker->hThread, STOP_WAIT_MS, STOP_WAIT_MS);
        return;
    }
    pWorker->bStopping = TRUE;
    WaitThenTerminate(pWorker->hThread, STOP_WAIT_MS, STOP_WAIT_MS);
    s_pWorker = NULL;
    InterlockedExchange(&s_bRunning, 0);
    // The decoder also reads the cache's files and the slideshow's pictures.
    if (pWorker->pDecoder)
        pWorker->pDecoder->SetCancel(0);
    s_nCancel = 0;
    InterlockedExchangePointer(&s_pJump, NULL);
    FreeWorker(pWorker);
}

void SteerThumbWorker(PictureEntry* pEntry)
{
    ThumbWorker* pWorker = s_pWorker;
    // Without a worker there is nothing to wake.
    if (!pWorker)
    {
        InterlockedExchangePointer(&s_pJump, pEntry);
        return;
    }
    WaitForSingleObject(pWorker->hIdleGuard, INFINITE);
    InterlockedExchangePointer(&s_pJump, pEntry);
    if (pEntry)
        ResetEvent(pWorker->hIdle);
    ReleaseMutex(pWorker->hIdleGuard);
    if (pEntry)
        SetEvent(pWorker->hWake);
}

BOOL IsThumbWorkerRunning(void)
{
    return s_bRunning != 0;
}

BOOL HasThumbWorker(void)
{
    return s_pWorker != NULL;
}

// A stop served during the wait ends the worker too.
BOOL WaitForThumbWorkerEnd(DWORD dwMs)
{
    return !s_pWorker || WaitServingSentMessages(s_pWorker->hThread, dwMs) == WAIT_OBJECT_0 || !s_pWorker;
}

BOOL WaitForThumbWorkerIdle(DWORD dwMs)
{
    return !s_pWorker || WaitServingSentMessages(s_pWorker->hIdle, dwMs) == WAIT_OBJECT_0 || !s_pWorker;
}
