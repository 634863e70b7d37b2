#include "tests/fuzz/fuzz_targets.h"

#include <stdarg.h>
#include <stdio.h>

#include "viewer/browser/thumb_cache.h"
#include "viewer/common/settings.h"
#include "viewer/common/settings_names.h"
#include "viewer/imaging/decode/picture_budget.h"

// A new reader is one row here, with its seed maker (or fixture files) and
// run function.
const FuzzTarget g_rgFuzzTargets[] = {
    {"jpeg", ".jpg", FUZZ_FORMAT_JPEG, JpegSeeds, RunPicture, {}},
    {"bmp", ".bmp", FUZZ_FORMAT_BMP, BmpSeeds, RunPicture, {}},
    {"gif", ".gif", FUZZ_FORMAT_GIF, NULL, RunPicture, {L"frame.gif", L"noise.gif"}},
    {"png", ".png", FUZZ_FORMAT_PNG, NULL, RunPicture,
     {L"quad.png", L"quad16.png", L"quad_interlaced.png", L"quad_palette.png", L"grey.png", L"grey16_interlaced.png",
      L"alpha.png", L"rgb_50x40.png"}},
    {"webp", ".webp", FUZZ_FORMAT_WEBP, NULL, RunModernPicture,
     {L"q.webp", L"alpha.webp", L"anim.webp", L"exif6.webp"}},
    {"heic", ".heic", FUZZ_FORMAT_HEIF, NULL, RunModernPicture, {L"q.heic", L"small_thumb.heic"}},
    {"avif", ".avif", FUZZ_FORMAT_HEIF, NULL, RunModernPicture, {L"rot.avif", L"deep.avif", L"camera.avif"}},
    {"index", ".tmb", FUZZ_FORMAT_INDEX, IndexSeeds, RunIndex, {}},
    {"pvx", ".pvx", FUZZ_FORMAT_JPEG, PvxSeeds, RunPvx, {}},
    {"settings", ".reg", FUZZ_FORMAT_RECORDS, SettingsSeeds, RunSettings, {}},
    {"exif", ".jpg", FUZZ_FORMAT_JPEG, ExifSeeds, RunExif, {}},
    {"colour", ".bin", FUZZ_FORMAT_RECORDS, NULL, RunColour,
     {L"prophoto.jpg", L"prophoto.png", L"prophoto.bmp", L"prophoto.webp", L"prophoto.avif", L"display_p3.avif"}},
};
const size_t g_nFuzzTargets = sizeof(g_rgFuzzTargets) / sizeof(g_rgFuzzTargets[0]);

bool Wrong(FuzzContext* pCtx, const char* pszFormat, ...)
{
    va_list args;
    va_start(args, pszFormat);
    vsnprintf(pCtx->szWrong, sizeof(pCtx->szWrong), pszFormat, args);
    va_end(args);
    return false;
}

bool WriteInput(FuzzContext* pCtx, const std::wstring& path, const FuzzBytes& data)
{
    // It fails when the previous input's reader still holds the file.
    return WriteWholeFile(path, data.data(), data.size()) ||
           Wrong(pCtx, "cannot rewrite %ls (error %lu)", path.c_str(), GetLastError());
}

bool CheckPicture(FuzzContext* pCtx, HBITMAP hbm, const char* pszCall)
{
    if (!hbm)
        return true;
    DIBSECTION ds = {};
    const int cb = GetObjectW(hbm, sizeof(ds), &ds);
    DeleteObject(hbm);
    if (cb != sizeof(ds) || ds.dsBm.bmWidth < 1 || ds.dsBm.bmHeight < 1 || !ds.dsBm.bmBits)
        return Wrong(pCtx, "%s gave a bitmap that is no picture", pszCall);
    const unsigned long long cbBits = DibBytes(ds.dsBm.bmWidth, ds.dsBm.bmHeight, ds.dsBm.bmBitsPixel);
    if (cbBits > pCtx->cbLargestBitmap)
        pCtx->cbLargestBitmap = cbBits;
    if (cbBits > pCtx->cbBudget)
        return Wrong(pCtx, "%s gave %ldx%ld at %d bits: %llu bytes over the budget of %llu", pszCall, ds.dsBm.bmWidth,
                     ds.dsBm.bmHeight, ds.dsBm.bmBitsPixel, cbBits, pCtx->cbBudget);
    return true;
}

bool CheckThumbnail(FuzzContext* pCtx, HBITMAP hbm, int nThumbBits, const char* pszCall)
{
    if (!hbm)
        return true;
    BITMAP bm = {};
    const bool bSound = GetObjectW(hbm, sizeof(bm), &bm) == sizeof(bm) && bm.bmWidth >= 1 && bm.bmWidth <= 64 &&
                        bm.bmHeight >= 1 && bm.bmHeight <= 60 && (!nThumbBits || bm.bmBitsPixel == nThumbBits);
    DeleteObject(hbm);
    return bSound || Wrong(pCtx, "%s gave a thumbnail of %ldx%ld at %d bits", pszCall, bm.bmWidth, bm.bmHeight,
                           bm.bmBitsPixel);
}

bool PrepareContext(FuzzContext* pCtx)
{
    pCtx->thumbs = pCtx->work / L"thumbs";
    if (!CreateDirectoryW(pCtx->thumbs.c_str(), NULL) || pCtx->thumbs.size() > SETTING_TEXT_MAX_CHARS)
        return false;
    RegDeleteKeyW(HKEY_CURRENT_USER, KEYMAP_KEY_PATH);
    SetStringSetting(SZ_THUMBNAIL_FOLDER, pCtx->thumbs.c_str());
    wcscpy_s(pCtx->data.szThumbnailFolder, pCtx->thumbs.c_str());
    pCtx->data.pDecoder = &pCtx->decoder;
    SetMainWindowData(&pCtx->data);
    pCtx->cbBudget = CImageDecoder::PictureBudgetBytes();
    return true;
}

// The scratch files go with the context.
void CleanContext(void)
{
    CloseThumbIndex();
    SetMainWindowData(NULL);
    RegDeleteKeyW(HKEY_CURRENT_USER, KEYMAP_KEY_PATH);
}
