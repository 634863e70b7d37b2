// The thumbnail files "pvx<slot>.pvx" of the cache folder: their names, and
// the baseline JPEGs at the thumbnail's own size written into them through
// libjpeg. The cache reads them back through the picture decoder.
#pragma once

#include <windows.h>

// "<folder>\pvx<slot>.pvx" into a MAX_PATH buffer; FALSE when the slot is not
// one the cache writes or the name does not fit.
BOOL BuildThumbFilePath(LPCWSTR pszFolder, LONG nSlot, LPWSTR pszPath);
// Writes a 24-bit bottom-up DIB section as a baseline JPEG (quality 75).
// 0 when the file cannot be created, the bitmap is refused or a write fails.
BOOL WriteThumbFile(HBITMAP hbm, LPCWSTR pszPath);
