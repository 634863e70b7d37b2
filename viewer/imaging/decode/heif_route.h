// The HEIF route: HEIC and AVIF pictures through libheif (with libde265
// and dav1d) into a 24-bit bottom-up DIB section, upright by the file's
// own transformations.
#pragma once

#include "viewer/imaging/decode/decode_route.h"

struct ExifInfo;

HBITMAP HeifRoute(const DecodeRequest& request);

// The EXIF block of the primary picture of the HEIF file at pszPath (read
// whole when at most cbMax bytes); FALSE when it has none.
BOOL HeifExif(const WCHAR* pszPath, uint64_t cbMax, ExifInfo* pInfo);
