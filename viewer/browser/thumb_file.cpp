#include "viewer/browser/thumb_file.h"

#include <io.h>
#include <stdio.h>

#include "viewer/browser/thumb_index_record.h"
#include "viewer/imaging/codec/jpeg_encode.h"
#include "viewer/common/path_parts.h"

namespace {

// Rows of a 24-bit DIB section, top row first whichever way it is stored.
const BYTE* DibRow(const void* pContext, LONG nRow)
{
    const DIBSECTION& ds = *static_cast<const DIBSECTION*>(pContext);
    const LONG nMemoryRow = ds.dsBmih.biHeight < 0 ? nRow : ds.dsBm.bmHeight - 1 - nRow;
    return static_cast<const BYTE*>(ds.dsBm.bmBits) + static_cast<size_t>(nMemoryRow) * ds.dsBm.bmWidthBytes;
}

} // namespace

BOOL BuildThumbFolderPath(LPCWSTR pszFolder, LPCWSTR pszName, LPWSTR pszPath)
{
    return pszFolder && pszName && pszPath && JoinPath(pszFolder, pszName, pszPath, MAX_PATH);
}

BOOL BuildThumbFilePath(LPCWSTR pszFolder, LONG nSlot, LPWSTR pszPath)
{
    WCHAR szName[32];
    if (!IsValidThumbSlot(nSlot) || _snwprintf_s(szName, 32, _TRUNCATE, L"pvx%d.pvx", static_cast<int>(nSlot)) < 0)
        return FALSE;
    return BuildThumbFolderPath(pszFolder, szName, pszPath);
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
