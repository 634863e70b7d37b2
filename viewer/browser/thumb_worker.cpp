#include "viewer/browser/thumb_worker.h"

#include "viewer/browser/picture_list.h"
#include "viewer/browser/thumb_maker.h"
#include "viewer/common/main_window_data.h"
#include "viewer/common/path_parts.h"
#include "viewer/common/shared_paths.h"
#include "viewer/common/thread_wait.h"
#include "viewer/imaging/image_decoder.h"

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

static DWORD WINAPI ThumbWorkerMain(LPVOID)
{
    if (!FirstPicture() || CountUnprocessed() == 0)
        return 0;
    InterlockedExchange(&s_bRunning, 1);

    PictureEntry* pPos = FirstPicture();
    PictureEntry* pRemembered = NULL;
    bool bDetoured = false;
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
        }
        // Entries already done are passed over without a look at the jump
        // request.
        while (pPos == NULL || IsDone(pPos))
        {
            if (s_nCancel)
                break;
            if (pPos)
            {
                pPos = NextPicture(pPos);
                continue;
            }
            if (!pRemembered)
                break;
            pPos = pRemembered;
            pRemembered = NULL;
            bDetoured = false;
        }
        if (!pPos || s_nCancel)
            break;
        MakeOne(pPos);
        pPos = NextPicture(pPos);
        if (s_nCancel)
            break;
    }
    InterlockedExchange(&s_bRunning, 0);
    return 0;
}

void StartThumbWorker(const ThumbCellPainter* pPainter)
{
    if (s_hThread || !PaintLock())
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
    InterlockedExchangePointer(&s_pJump, pEntry);
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
