// The thumbnail files "pvx<slot>.pvx" of the cache folder: their names, and
// the baseline JPEGs at the thumbnail's own size written into them through
// libjpeg. The cache reads them back through the picture decoder.
#pragma once

#include <windows.h>

// Folder and name of a file of the cache folder into a MAX_PATH buffer with
// exactly one separator, so that the device root "\" and a folder ending in
// "\" work too. FALSE when it does not fit.
BOOL BuildThumbFolderPath(LPCWSTR pszFolder, LPCWSTR pszName, LPWSTR pszPath);
// "<folder>\pvx<slot>.pvx" into a MAX_PATH buffer; FALSE when the slot is not
// one the cache writes or the name does not fit.
BOOL BuildThumbFilePath(LPCWSTR pszFolder, LONG nSlot, LPWSTR pszPath);
// Writes a 24-bit bottom-up DIB section as a baseline JPEG (quality 75).
// 0 when the file cannot be created, the bitmap is refused or a write fails.
BOOL WriteThumbFile(HBITMAP hbm, LPCWSTR pszPath);
