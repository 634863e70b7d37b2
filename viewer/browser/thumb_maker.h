// Making one entry's thumbnail: the cache first, then a reduced decode,
// fitted into the 64 x 60 box and cached when the picture is large. Runs on
// the thumbnail worker's thread (and in the benchmark).
#pragma once

#include <windows.h>

#include "viewer/common/picture_entry.h"

class CImageDecoder;

// pszPictureFolder ends with a backslash. Sets the entry's bitmap (null when
// the picture cannot be decoded) and its offsets; does not touch its flags.
void MakeThumbnail(CImageDecoder* pDecoder, PictureEntry* pEntry, LPCWSTR pszPictureFolder);
