#include "viewer/shell/slideshow_handlers.h"

#include <wchar.h>

#include "viewer/browser/picture_list.h"
#include "viewer/common/path_parts.h"
#include "viewer/common/shared_paths.h"
#include "viewer/extras/slideshow/slide_show.h"
#include "viewer/imaging/view/renderer.h"
#include "viewer/resources/resource.h"
#include "viewer/common/main_window_data.h"
#include "viewer/shell/open_picture.h"
#include "viewer/shell/screen_chrome.h"
#include "viewer/common/settings.h"

static ViewBox ClientViewBox(HWND hwnd)
{
    RECT rc = {0, 0, 0, 0};
    GetClientRect(hwnd, &rc);
    ViewBox box = {0, 0, rc.right - rc.left, rc.bottom - rc.top};
    return box;
}

void StepSlideshow(MainWindowData* pData)
{
    const bool bForward = pData->nSlideshowDirection == 0;
    WCHAR szFolder[MAX_PATH];
    FolderPart(g_szPicturePath, szFolder, MAX_PATH);
    // One round through the list at most: with the loop flag and no picture
    // that loads the show would otherwise never leave this loop.
    int nTries = CountPictures();
    bool bWrapped = false;
    PictureEntry* pEntry = pData->pCurrentEntry;
    for (;;)
    {
        pEntry = pEntry ? (bForward ? NextPicture(pEntry) : PreviousPicture(pEntry)) : NULL;
        if (!pEntry && pData->bSlideshowLoop && !bWrapped)
        {
            bWrapped = true;
            pEntry = bForward ? FirstPicture() : LastPicture();
        }
        if (!pEntry || nTries-- <= 0)
            break;
        if (OpenFolderEntry(pData, szFolder, pEntry))
            return;
    }
    SendMessageW(pData->hwndMain, WM_COMMAND, IDM_SLIDESHOW_STOP, 0);
}

// UI thread: the outgoing picture, the step, the incoming picture; then the
// transition owns the window until the after-transition handler.
static void BeforeTransition(CSlideShow* pShow)
{
    MainWindowData* pData = GetMainWindowData();
    if (!pData || !pData->pRenderer)
        return;
    const ViewBox box = ClientViewBox(pData->hwndMain);
    if (pShow->GetOldFrameDC())
        pData->pRenderer->RenderTo(pShow->GetOldFrameDC(), box);
    StepSlideshow(pData);
    if (pShow->GetNewFrameDC())
        pData->pRenderer->RenderTo(pShow->GetNewFrameDC(), box);
    pData->pRenderer->LockDrawing();
}

// Transition thread, or the UI thread when the show stopped before a
// transition began. A UI thread stopping the show waits for this thread
// serving sent messages, so the send below cannot deadlock.
static void AfterTransition(CSlideShow* pShow)
{
    MainWindowData* pData = GetMainWindowData();
    if (!pData || !pData->pRenderer)
        return;
    pData->pRenderer->UnlockDrawing();
    if (pShow->GetState() != SLIDESHOW_STOPPED)
        return;
    if (pData->bFullScreen)
        SendMessageW(pData->hwndMain, WM_COMMAND, IDM_FULL_SCREEN, 0);
    pData->pRenderer->StartRendering();
}

bool CreateSlideShow(HWND hwndMain, MainWindowData* pData)
{
    CSlideShow* pShow = CSlideShow::GetInstance();
    pData->pSlideShow = pShow;
    if (!pShow)
        return false;
    pShow->SetTimerWindow(hwndMain);
    pShow->SetBeforeTransitionHandler(BeforeTransition);
    pShow->SetAfterTransitionHandler(AfterTransition);
    return true;
}

void EndSlideShow(MainWindowData* pData)
{
    if (pData && pData->pSlideShow)
        pData->pSlideShow->StopShow();
}

void StartSlideshow(MainWindowData* pData)
{
    CSlideShow* pShow = pData->pSlideShow;
    if (!pShow)
        return;
    pShow->SetIntervalTime(GetSlideshowIntervalTime());
    pShow->SetEffectMethod(GetSlideshowEffectMethod());
    pShow->PrepareFrames(pData->hwndMain);
    pShow->StartShow();
    UpdateMenuBar(pData);
}

void StopSlideshow(MainWindowData* pData)
{
    if (pData->pSlideShow)
        pData->pSlideShow->StopShow();
    if (pData->pRenderer)
        pData->pRenderer->StartRendering();
    UpdateMenuBar(pData);
}

LRESULT OnSlideShowRearm(MainWindowData* pData, WPARAM nGeneration)
{
    if (pData->pSlideShow)
        pData->pSlideShow->OnRearmRequest(nGeneration);
    return 0;
}
