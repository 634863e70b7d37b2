#include "viewer/browser/thumb_maker.h"

#include <wchar.h>

#include "viewer/browser/thumb_cache.h"
#include "viewer/browser/thumb_preview.h"
#include "viewer/imaging/decode/image_decoder.h"
#include "viewer/imaging/view/resample.h"

namespace {

// The picture decoded at reduced size and fitted into the box; its offsets
// in the box come back in pFit. Null when it cannot be decoded or a stop
// cut it short.
HBITMAP ThumbFromPicture(CImageDecoder* pDecoder, const PictureEntry* pEntry, LPCWSTR pszPath, ViewBox* pFit,
                         bool* pbLarge, volatile int32_t* pStop)
{
    DecodeOptions options = {};
    options.flags = DECODE_REDUCE | DECODE_SIZE_TEST | (AreThumbsUpright() ? DECODE_UPRIGHT : 0) |
                    (AreThumbsColourManaged() ? DECODE_MANAGE_COLOUR : 0);
    options.type = pEntry->nType;
    options.reduceMode = 1;
    // Load, not LoadNow: clearing the flag here could swallow a stop that
    // came just before.
    HBITMAP hbm = pDecoder->Load(pszPath, &options);
    *pbLarge = options.largeFlag != 0;
    BITMAP bm;
    if (!hbm || GetObjectW(hbm, sizeof(bm), &bm) != sizeof(bm))
    {
        if (hbm)
            DeleteObject(hbm);
        return NULL;
    }
    if (FitRect(bm.bmWidth, bm.bmHeight, pFit))
    {
        const ViewBox whole = {0, 0, bm.bmWidth, bm.bmHeight};
        bool bComplete = false;
        HBITMAP hbmFitted = Resample(hbm, pFit->width, pFit->height, &whole, pStop, &bComplete);
        DeleteObject(hbm);
        hbm = hbmFitted;
        // Partly unwritten: neither shown nor cached.
        if (hbm && !bComplete)
        {
            DeleteObject(hbm);
            hbm = NULL;
        }
    }
    return hbm;
}

// A cached thumbnail painted at the record's offsets must stay in its box,
// or it covers the neighbouring cells.
bool FitsItsBox(HBITMAP hbm, LONG xOffset, LONG yOffset)
{
    BITMAP bm;
    return GetObjectW(hbm, sizeof(bm), &bm) == sizeof(bm) && xOffset >= 0 && yOffset >= 0 &&
           bm.bmWidth <= THUMB_BOX_WIDTH - xOffset && bm.bmHeight <= THUMB_BOX_HEIGHT - yOffset;
}

} // namespace

void MakeThumbnail(CImageDecoder* pDecoder, PictureEntry* pEntry, LPCWSTR pszPictureFolder)
{
    volatile int32_t nNever = 0;
    MakeStoppableThumbnail(pDecoder, pEntry, pszPictureFolder, &nNever);
}

void MakeStoppableThumbnail(CImageDecoder* pDecoder, PictureEntry* pEntry, LPCWSTR pszPictureFolder,
                            volatile int32_t* pStop)
{
    if (!pEntry || !pStop)
        return;
    pEntry->hbmThumb = NULL;
    // A path that does not fit names another file, or none: no thumbnail.
    WCHAR szPath[MAX_PATH];
    if (!pDecoder || !pszPictureFolder ||
        _snwprintf_s(szPath, MAX_PATH, _TRUNCATE, L"%s%s", pszPictureFolder, pEntry->szName) < 0)
        return;

    LONG xOffset = 0, yOffset = 0;
    LONG nSlot = LookupThumb(szPath, pEntry->nFileSize, &pEntry->ftLastWrite, &xOffset, &yOffset);
    if (nSlot != -1)
    {
        HBITMAP hbmCached = ReadThumbFile(nSlot);
        if (hbmCached && FitsItsBox(hbmCached, xOffset, yOffset))
        {
            pEntry->xThumb = xOffset;
            pEntry->yThumb = yOffset;
            pEntry->hbmThumb = hbmCached;
            return;
        }
        if (hbmCached)
        {
            // The record's placement is wrong, not just its file: a new
            // record with the right one takes its place.
            DeleteObject(hbmCached);
            nSlot = -1;
        }
    }

    ViewBox fit = {};
    bool bLarge = false;
    HBITMAP hbm = ThumbFromPreview(szPath, pEntry->nType, AreThumbsUpright() != FALSE, AreThumbsColourManaged() != FALSE,
                                   &fit, &bLarge, pStop);
    if (!hbm)
        hbm = ThumbFromPicture(pDecoder, pEntry, szPath, &fit, &bLarge, pStop);
    pEntry->hbmThumb = hbm;
    if (!hbm)
        return;
    pEntry->xThumb = fit.x;
    pEntry->yThumb = fit.y;
    if (bLarge)
        StoreThumb(hbm, szPath, pEntry->nFileSize, &pEntry->ftLastWrite, fit.x, fit.y, nSlot);
}
