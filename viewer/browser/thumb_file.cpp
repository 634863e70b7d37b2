// The thumbnail files "pvx<slot>.pvx": baseline JPEGs at the thumbnail's own
// size, read through the main window record's decoder and written here
// through libjpeg.
#include "viewer/browser/thumb_cache.h"

#include <setjmp.h>
#include <io.h>
#include <stdio.h>
#include <string.h>

#include "viewer/common/jpeg_recovery.h"
#include "viewer/common/main_window_data.h"
#include "viewer/imaging/image_decoder.h"

namespace {

// Encodes the rows of a 24-bit DIB section (bottom-up as the decoder and the
// resampler make them) top row first, in the
// encoder's red, green, blue order. False on any library error: a full card
// ends here instead of ending the program.
bool EncodeRows(const DIBSECTION& ds, FILE* pFile)
{
    const BITMAP& bm = ds.dsBm;
    jpeg_compress_struct info;
    JpegRecovery recovery;
    memset(&info, 0, sizeof(info));
    info.err = InitJpegRecovery(&recovery);
    if (setjmp(recovery.recoveryPoint))
    {
        jpeg_destroy_compress(&info);
        return false;
    }
    jpeg_CreateCompress(&info, JPEG_LIB_VERSION, sizeof(info));
    jpeg_stdio_dest(&info, pFile);
    info.image_width = static_cast<JDIMENSION>(bm.bmWidth);
    info.image_height = static_cast<JDIMENSION>(bm.bmHeight);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info); // quality 75
    jpeg_start_compress(&info, TRUE);

    const JDIMENSION cbStride = static_cast<JDIMENSION>(bm.bmWidthBytes);
    JSAMPARRAY ppRow = (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE, cbStride + 8, 1);
    const BYTE* pBits = static_cast<const BYTE*>(bm.bmBits);
    const bool bTopDown = ds.dsBmih.biHeight < 0;
    while (info.next_scanline < info.image_height)
    {
        const LONG nRow = static_cast<LONG>(info.next_scanline);
        const LONG nMemoryRow = bTopDown ? nRow : bm.bmHeight - 1 - nRow;
        BYTE* pRow = ppRow[0];
        memcpy(pRow, pBits + static_cast<size_t>(nMemoryRow) * cbStride, cbStride);
        for (LONG x = 0; x < bm.bmWidth; ++x)
        {
            const BYTE b = pRow[3 * x];
            pRow[3 * x] = pRow[3 * x + 2];
            pRow[3 * x + 2] = b;
        }
        jpeg_write_scanlines(&info, ppRow, 1);
    }
    jpeg_finish_compress(&info); // flushes; a failed flush is an error too
    jpeg_destroy_compress(&info);
    return true;
}

} // namespace

HBITMAP ReadThumbFile(LONG nSlot)
{
    MainWindowData* pData = GetMainWindowData();
    WCHAR szPath[MAX_PATH];
    if (!pData || !pData->pDecoder || !IsThumbIndexOpen() ||
        !BuildThumbFilePath(pData->szThumbnailFolder, nSlot, szPath))
        return NULL;
    // LoadJpeg directly: the extension of these files names no picture type.
    DecodeOptions options = {};
    options.type = PICTYPE_BY_EXTENSION;
    return pData->pDecoder->LoadJpeg(szPath, &options);
}

BOOL WriteThumbFile(HBITMAP hbm, LPCWSTR pszPath)
{
    if (!hbm || !pszPath)
        return FALSE;
    FILE* pFile = _wfopen(pszPath, L"wb");
    if (!pFile)
        return FALSE;
    // Only a 24-bit section can be read three bytes a pixel; anything else is
    // refused and leaves the empty file, which no record names.
    DIBSECTION ds;
    if (GetObjectW(hbm, sizeof(ds), &ds) != sizeof(ds) || !ds.dsBm.bmBits || ds.dsBm.bmBitsPixel != 24 ||
        ds.dsBm.bmWidth <= 0 || ds.dsBm.bmHeight <= 0)
    {
        fclose(pFile);
        return FALSE;
    }
    const bool bEncoded = EncodeRows(ds, pFile);
    const bool bDiskFile = GetFileType(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(pFile)))) == FILE_TYPE_DISK;
    const bool bClosed = fclose(pFile) == 0;
    if (bEncoded && bClosed)
        return TRUE;
    // A partial JPEG would still decode (padded with grey) and be shown as
    // the picture's thumbnail; without the file it is simply made again.
    // Never a device, though.
    if (bDiskFile)
        DeleteFileW(pszPath);
    return FALSE;
}
