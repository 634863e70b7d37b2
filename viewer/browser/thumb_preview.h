// Thumbnails of camera photos from the small JPEG preview their EXIF block
// carries: a few kilobytes to decode instead of the whole picture.
#pragma once

#include <stdint.h>
#include <windows.h>

#include "viewer/common/view_box.h"

// Whether a pw x ph preview may stand in for a w x h picture whose
// thumbnail takes fit's size: the same shape within 2 % and at least as
// many pixels as the thumbnail, both measured the way the picture is
// stored (preview and picture are stored alike).
bool PreviewMatchesPicture(LONG pw, LONG ph, LONG w, LONG h, LONG fitWidth, LONG fitHeight);

// The thumbnail of the JPEG at pszPath made from its preview, stood upright
// when bUpright, in the colours of the picture's profile when bManaged
// (the camera writes both in the same colours), fitted into the 64 x 60 box as the picture's own would be:
// its place there in *pFit, and in *pbLarge whether the picture is large
// enough to cache. Null, with nothing set, for other types and for a file
// without a usable preview (none, a stale one, one that does not decode
// cleanly), or when *pStop cut the resampling short.
HBITMAP ThumbFromPreview(LPCWSTR pszPath, LONG nType, bool bUpright, bool bManaged, ViewBox* pFit, bool* pbLarge,
                         volatile int32_t* pStop);
