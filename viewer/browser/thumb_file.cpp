// The thumbnail files "pvx<slot>.pvx": baseline JPEGs at the thumbnail's own
// size, read through the main window record's decoder and written here
// through libjpeg.
#include "viewer/browser/thumb_cache.h"

#include <io.h>
#include <stdio.h>

#include "viewer/common/jpeg_encode.h"
#include "viewer/common/main_window_data.h"
#include "viewer/imaging/image_decoder.h"

namespace {

// Rows of a 24-bit DIB section, top row first whichever way it is stored.
const BYTE* DibRow(const void* pContext, LONG nRow)
{
    const DIBSECTION& ds = *static_cast<const DIBSECTION*>(pContext);
    const LONG nMemoryRow = ds.dsBmih.biHeight < 0 ? nRow : ds.dsBm.bmHeight - 1 - nRow;
    return static_cast<const BYTE*>(ds.dsBm.bmBits) + static_cast<size_t>(nMemoryRow) * ds.dsBm.bmWidthBytes;
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
    JpegRowsSpec rows = {};
    rows.nWidth = ds.dsBm.bmWidth;
    rows.nHeight = ds.dsBm.bmHeight;
    rows.cbRow = static_cast<size_t>(ds.dsBm.bmWidthBytes);
    rows.nQuality = -1; // the library's default, 75
    rows.bBlueFirst = true;
    rows.pfnRow = DibRow;
    rows.pContext = &ds;
    const bool bEncoded = WriteJpegRows(pFile, rows);
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
