#include "viewer/browser/thumb_preview.h"

#include <setjmp.h>
#include <stdio.h>
#include <string.h>

#include <jpeglib.h>

#include "viewer/browser/thumb_fit.h"
#include "viewer/imaging/codec/jpeg_recovery.h"
#include "viewer/imaging/colour/picture_colour.h"
#include "viewer/common/picture_type.h"
#include "viewer/imaging/decode/decode_window.h"
#include "viewer/imaging/decode/exif_info.h"
#include "viewer/imaging/decode/image_decoder.h"
#include "viewer/imaging/decode/picture_orientation.h"
#include "viewer/imaging/view/resample.h"

namespace {

// A preview is a thumbnail's worth of pixels; a block that claims more is
// not one, and decoding it could take more than the whole picture would.
const LONG kPreviewSideMax = 1024;
// Segments walked before the picture's frame header; cameras write a few.
const int kSegmentsMax = 64;

bool ReadAt(HANDLE hFile, DWORD dwAt, void* pv, DWORD cb)
{
    DWORD cbRead = 0;
    return SetFilePointer(hFile, static_cast<LONG>(dwAt), NULL, FILE_BEGIN) == dwAt &&
           ReadFile(hFile, pv, cb, &cbRead, NULL) && cbRead == cb;
}

bool IsFrameMarker(BYTE marker)
{
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

// The picture's stored size from its frame header, found by stepping over
// the segments before it (the EXIF block among them).
bool ReadFrameSize(HANDLE hFile, LONG* pWidth, LONG* pHeight)
{
    BYTE b[9];
    if (!ReadAt(hFile, 0, b, 2) || b[0] != 0xFF || b[1] != 0xD8)
        return false;
    DWORD dwAt = 2;
    for (int i = 0; i < kSegmentsMax; i++)
    {
        if (!ReadAt(hFile, dwAt, b, 4) || b[0] != 0xFF)
            return false;
        if (b[1] == 0xFF)
        {
            dwAt++;   // a fill byte
            continue;
        }
        const DWORD cbSegment = (static_cast<DWORD>(b[2]) << 8) | b[3];
        if (b[1] == 0xDA || b[1] == 0xD9 || cbSegment < 2)
            return false;
        if (IsFrameMarker(b[1]))
        {
            if (cbSegment < 7 || !ReadAt(hFile, dwAt + 4, b, 5))
                return false;
            *pHeight = (static_cast<LONG>(b[1]) << 8) | b[2];
            *pWidth = (static_cast<LONG>(b[3]) << 8) | b[4];
            return *pWidth > 0 && *pHeight > 0;
        }
        dwAt += 2 + cbSegment;
    }
    return false;
}

// Everything one preview decode acquires, in the caller's frame, so that
// its values survive the library's jump back.
struct PreviewDecode
{
    jpeg_decompress_struct cinfo;
    JpegRecovery err;
    HBITMAP hbm;
};

// The largest reduction that still leaves at least cx x cy pixels.
unsigned int PreviewDenominator(JDIMENSION pw, JDIMENSION ph, LONG cx, LONG cy)
{
    for (unsigned int d = 8; d > 1; d /= 2)
        if (static_cast<LONG>((pw + d - 1) / d) >= cx && static_cast<LONG>((ph + d - 1) / d) >= cy)
            return d;
    return 1;
}

// Decodes straight into the bitmap's rows as blue, green, red. True only
// for a whole, clean decode: a warning (corrupt or missing data, which the
// library papers over) refuses the preview as an error does.
bool DecodePreview(PreviewDecode* pJob, const BYTE* pb, DWORD cb, LONG w, LONG h, LONG fitWidth, LONG fitHeight)
{
    jpeg_decompress_struct* const pInfo = &pJob->cinfo;
    pInfo->err = InitJpegRecovery(&pJob->err);
    if (setjmp(pJob->err.recoveryPoint))
        return false;
    jpeg_CreateDecompress(pInfo, JPEG_LIB_VERSION, sizeof(*pInfo));
    pInfo->mem->max_memory_to_use = 8L * 1024 * 1024;
    jpeg_mem_src(pInfo, pb, cb);
    jpeg_read_header(pInfo, TRUE);
    if (pInfo->image_width > static_cast<JDIMENSION>(kPreviewSideMax) ||
        pInfo->image_height > static_cast<JDIMENSION>(kPreviewSideMax) ||
        (pInfo->jpeg_color_space != JCS_YCbCr && pInfo->jpeg_color_space != JCS_GRAYSCALE &&
         pInfo->jpeg_color_space != JCS_RGB) ||
        !PreviewMatchesPicture(static_cast<LONG>(pInfo->image_width), static_cast<LONG>(pInfo->image_height), w, h,
                               fitWidth, fitHeight))
        return false;
    // The main picture's thumbnail decode takes the same shortcuts.
    pInfo->dct_method = JDCT_IFAST;
    pInfo->do_fancy_upsampling = FALSE;
    pInfo->out_color_space = JCS_EXT_BGR;
    pInfo->scale_num = 1;
    pInfo->scale_denom = PreviewDenominator(pInfo->image_width, pInfo->image_height, fitWidth, fitHeight);
    jpeg_start_decompress(pInfo);
    pJob->hbm = CreateDibOnDecodeWindow(static_cast<int>(pInfo->output_width), static_cast<int>(pInfo->output_height));
    BITMAP bm;
    if (!pJob->hbm || GetObjectW(pJob->hbm, sizeof(bm), &bm) != sizeof(bm) || !bm.bmBits)
        return false;
    BYTE* pRow = static_cast<BYTE*>(bm.bmBits) + static_cast<ptrdiff_t>(bm.bmHeight - 1) * bm.bmWidthBytes;
    while (pInfo->output_scanline < pInfo->output_height)
    {
        JSAMPROW row = pRow;
        jpeg_read_scanlines(pInfo, &row, 1);
        pRow -= bm.bmWidthBytes;
    }
    jpeg_finish_decompress(pInfo);
    return pJob->err.mgr.num_warnings == 0;
}

HBITMAP DecodePreviewBytes(const BYTE* pb, DWORD cb, LONG w, LONG h, LONG fitWidth, LONG fitHeight)
{
    PreviewDecode job;
    memset(&job, 0, sizeof(job));
    const bool bDecoded = DecodePreview(&job, pb, cb, w, h, fitWidth, fitHeight);
    jpeg_destroy_decompress(&job.cinfo);
    if (!bDecoded && job.hbm)
    {
        DeleteObject(job.hbm);
        job.hbm = NULL;
    }
    return job.hbm;
}

// The preview bytes and the picture's size, from the open file.
HBITMAP PreviewOfOpenFile(HANDLE hFile, bool bUpright, ViewBox* pFit, bool* pbLarge)
{
    ExifInfo info;
    LONG w = 0, h = 0;
    if (!ReadExifInfo(hFile, &info) || info.dwPreviewLength == 0 || info.dwPreviewLength > EXIF_READ_LIMIT ||
        !ReadFrameSize(hFile, &w, &h))
        return NULL;
    const int nOrientation = bUpright ? info.nOrientation : EXIF_ORIENTATION_UPRIGHT;
    // The box is not square: the thumbnail's size follows the picture as it
    // will be shown, and is turned back to compare with the stored preview.
    LONG wShown = w, hShown = h;
    UprightSize(nOrientation, &wShown, &hShown);
    ViewBox fit = {};
    FitRect(wShown, hShown, &fit);
    LONG fitWidth = fit.width, fitHeight = fit.height;
    UprightSize(nOrientation, &fitWidth, &fitHeight);

    BYTE* pb = static_cast<BYTE*>(HeapAlloc(GetProcessHeap(), 0, info.dwPreviewLength));
    if (!pb)
        return NULL;
    HBITMAP hbm = NULL;
    if (ReadAt(hFile, info.dwPreviewOffset, pb, info.dwPreviewLength))
        hbm = DecodePreviewBytes(pb, info.dwPreviewLength, w, h, fitWidth, fitHeight);
    HeapFree(GetProcessHeap(), 0, pb);
    if (hbm)
        hbm = OrientBitmap(hbm, nOrientation);
    if (!hbm)
        return NULL;
    *pFit = fit;
    *pbLarge = w > DECODE_LARGE_SIDE || h > DECODE_LARGE_SIDE;
    return hbm;
}

} // namespace

bool PreviewMatchesPicture(LONG pw, LONG ph, LONG w, LONG h, LONG fitWidth, LONG fitHeight)
{
    if (pw <= 0 || ph <= 0 || w <= 0 || h <= 0 || pw < fitWidth || ph < fitHeight)
        return false;
    // |pw / ph - w / h| <= 2 % of w / h, without division.
    const long long nSkew = static_cast<long long>(pw) * h - static_cast<long long>(ph) * w;
    return (nSkew < 0 ? -nSkew : nSkew) * 50 <= static_cast<long long>(ph) * w;
}

HBITMAP ThumbFromPreview(LPCWSTR pszPath, LONG nType, bool bUpright, bool bManaged, ViewBox* pFit, bool* pbLarge,
                         volatile int32_t* pStop)
{
    if (!pszPath || !pFit || !pbLarge || !pStop || (nType != PICTYPE_JPG && nType != PICTYPE_JPEG))
        return NULL;
    HANDLE hFile = CreateFileW(pszPath, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                               OPEN_EXISTING, FILE_FLAG_RANDOM_ACCESS, NULL);
    if (hFile == INVALID_HANDLE_VALUE)
        return NULL;
    ViewBox fit = {};
    bool bLarge = false;
    HBITMAP hbm = PreviewOfOpenFile(hFile, bUpright, &fit, &bLarge);
    CloseHandle(hFile);
    // A stop cuts the conversion short too; the worker's stop waits for it.
    if (bManaged)
        hbm = ConvertToScreenColours(pszPath, hbm, reinterpret_cast<const volatile LONG*>(pStop));
    BITMAP bm;
    if (!hbm || GetObjectW(hbm, sizeof(bm), &bm) != sizeof(bm))
    {
        if (hbm)
            DeleteObject(hbm);
        return NULL;
    }
    const ViewBox whole = {0, 0, bm.bmWidth, bm.bmHeight};
    bool bComplete = false;
    HBITMAP hbmFitted = Resample(hbm, fit.width, fit.height, &whole, pStop, &bComplete);
    DeleteObject(hbm);
    if (hbmFitted && !bComplete)
    {
        DeleteObject(hbmFitted);
        hbmFitted = NULL;
    }
    if (hbmFitted)
    {
        *pFit = fit;
        *pbLarge = bLarge;
    }
    return hbmFitted;
}
