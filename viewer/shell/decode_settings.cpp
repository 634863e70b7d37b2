// Each setting is stored, and the thumbnail cache, the listed folder's
// thumbnails and the shown picture follow it, only as far as it changed.
#include "viewer/shell/decode_settings.h"

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

// Stores one setting; true when the cache holds thumbnails made the other
// way (also after an edit while the program ran), which pfnSetThumbs then
// clears. *pbChanged is set when the stored value changed.
bool StoreSetting(DWORD (*pfnGet)(void), void (*pfnSet)(DWORD), BOOL (*pfnThumbs)(void), void (*pfnSetThumbs)(BOOL),
                  BOOL bNow, bool* pbChanged)
{
    if (!pfnGet() != !bNow)
        *pbChanged = true;
    pfnSet(bNow);
    if (!pfnThumbs() == !bNow)
        return false;
    // The worker is the cache's only other user, and it would go on making
    // thumbnails the old way.
    StopThumbWorker();
    pfnSetThumbs(bNow);
    return true;
}

} // namespace

void ApplyDecodeSettings(MainWindowData* pData, BOOL bUpright, BOOL bManageColour)
{
    bool bChanged = false;
    const bool bUprightCache =
        StoreSetting(GetAutoRotate, SetAutoRotate, AreThumbsUpright, SetThumbsUpright, bUpright, &bChanged);
    const bool bColourCache = StoreSetting(GetColorManage, SetColorManage, AreThumbsColourManaged,
                                           SetThumbsColourManaged, bManageColour, &bChanged);
    if (bUprightCache || bColourCache)
    {
        ForgetListedThumbnails();
        RedrawThumbView();
    }
    if (pData && (bChanged || bUprightCache || bColourCache))
        ReopenShownPicture(pData);
}
