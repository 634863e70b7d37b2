#include "viewer/shell/upright_setting.h"

#include <wchar.h>

#include "viewer/browser/picture_list.h"
#include "viewer/browser/thumb_cache.h"
#include "viewer/browser/thumb_view.h"
#include "viewer/browser/thumb_worker.h"
#include "viewer/common/main_window_data.h"
#include "viewer/common/settings.h"
#include "viewer/imaging/load/image_loader.h"

namespace {

// The grid must not keep thumbnails made the other way beside new ones:
// every entry goes back to the worker.
void ForgetListedThumbnails(void)
{
    LockThumbPainting();
    for (PictureEntry* p = FirstPicture(); p; p = NextPicture(p))
    {
        if (p->hbmThumb)
            DeleteObject(p->hbmThumb);
        p->hbmThumb = NULL;
        SetPictureProcessed(p, FALSE);
        p->bDrawn = 0;
    }
    UnlockThumbPainting();
}

void ReopenShownPicture(MainWindowData* pData)
{
    if (!pData->pLoader || !pData->hbmCurrent)
        return;
    // Open copies the name into the buffer it is read from.
    WCHAR szPath[MAX_PATH];
    wcscpy_s(szPath, MAX_PATH, pData->pLoader->GetFileName());
    if (szPath[0])
        pData->pLoader->Open(szPath);
}

} // namespace

void ApplyAutoRotate(MainWindowData* pData, BOOL bUpright)
{
    const BOOL bWas = GetAutoRotate() != 0;
    SetAutoRotate(bUpright);
    // The cache also follows a value edited while the program ran.
    const bool bCacheDiffers = !AreThumbsUpright() != !bUpright;
    if (bCacheDiffers)
    {
        // The worker is the cache's only other user, and it would go on
        // making thumbnails the old way.
        StopThumbWorker();
        SetThumbsUpright(bUpright);
        ForgetListedThumbnails();
        RedrawThumbView();
    }
    if (pData && (bCacheDiffers || !bWas != !bUpright))
        ReopenShownPicture(pData);
}
