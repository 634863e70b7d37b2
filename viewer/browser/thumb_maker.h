// Making one entry's thumbnail: the cache first, then a reduced decode,
// fitted into the 64 x 60 box and cached when the picture is large. Runs on
// the thumbnail worker's thread (and in the benchmark).
#pragma once

#include <stdint.h>
#include <windows.h>

#include "viewer/common/picture_entry.h"

class CImageDecoder;

// pszPictureFolder ends with a backslash. Sets the entry's bitmap (null when
// the picture cannot be decoded) and its offsets; does not touch its flags.
// The decoder's cancel flag is left as it is: a cancel set before the call
// already ends it, and clearing it is the canceller's business.
void MakeThumbnail(CImageDecoder* pDecoder, PictureEntry* pEntry, LPCWSTR pszPictureFolder);
// The same, stopped early once *pStop is non-zero: a thumbnail whose
// resampling was cut short is neither kept nor cached.
void MakeStoppableThumbnail(CImageDecoder* pDecoder, PictureEntry* pEntry, LPCWSTR pszPictureFolder,
                            volatile int32_t* pStop);
