// The WebP route: libwebp into a 24-bit bottom-up DIB section (32 bits,
// over white, for a picture with transparent parts).
#pragma once

#include "viewer/imaging/decode/decode_route.h"

struct ExifInfo;

HBITMAP WebpRoute(const DecodeRequest& request);

// The EXIF block of the WebP file at pszPath (read whole when at most cbMax
// bytes); FALSE when it has none.
BOOL WebpExif(const WCHAR* pszPath, uint64_t cbMax, ExifInfo* pInfo);
