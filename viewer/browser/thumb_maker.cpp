#include "viewer/browser/thumb_maker.h"

#include <wchar.h>

#include "viewer/browser/thumb_cache.h"
#include "viewer/imaging/image_decoder.h"
#include "viewer/imaging/resample.h"

namespace {

// The picture decoded at reduced size and fitted into the box; its offsets
// in the box come back in pFit. Null when it cannot be decoded.
HBITMAP ThumbFromPicture(CImageDecoder* pDecoder, const PictureEntry* pEntry, LPCWSTR pszPath, ViewBox* pFit,
                         bool* pbLarge)
{
    DecodeOptions options = {};
    options.flags = DECODE_REDUCE | DECODE_SIZE_TEST;
    options.type = pEntry->nType;
    options.reduceMode = 1;
    HBITMAP hbm = pDecoder->LoadNow(pszPath, &options);
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
        HBITMAP hbmFitted = Resample(hbm, pFit->width, pFit->height, &whole);
        DeleteObject(hbm);
        hbm = hbmFitted;
        // A renderer stop cuts the shared resampling short: such a thumbnail
        // is partly unwritten and must not reach the cache.
        if (g_nResampleAbort)
            *pbLarge = false;
    }
    return hbm;
}

} // namespace

void MakeThumbnail(CImageDecoder* pDecoder, PictureEntry* pEntry, LPCWSTR pszPictureFolder)
{
    if (!pEntry)
        return;
    pEntry->hbmThumb = NULL;
    // A path that does not fit names another file, or none: no thumbnail.
    WCHAR szPath[MAX_PATH];
    if (!pDecoder || !pszPictureFolder ||
        _snwprintf_s(szPath, MAX_PATH, _TRUNCATE, L"%s%s", pszPictureFolder, pEntry->szName) < 0)
        return;

    LONG xOffset = 0, yOffset = 0;
    const LONG nSlot = LookupThumb(szPath, pEntry->nFileSize, &pEntry->ftLastWrite, &xOffset, &yOffset);
    if (nSlot != -1)
    {
        pEntry->xThumb = xOffset;
        pEntry->yThumb = yOffset;
        pEntry->hbmThumb = ReadThumbFile(nSlot);
        if (pEntry->hbmThumb)
            return;
    }

    ViewBox fit = {};
    bool bLarge = false;
    HBITMAP hbm = ThumbFromPicture(pDecoder, pEntry, szPath, &fit, &bLarge);
    pEntry->hbmThumb = hbm;
    if (!hbm)
        return;
    pEntry->xThumb = fit.x;
    pEntry->yThumb = fit.y;
    if (bLarge)
        StoreThumb(hbm, szPath, pEntry->nFileSize, &pEntry->ftLastWrite, fit.x, fit.y, nSlot);
}
