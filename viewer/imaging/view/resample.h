// Resampling of a part of a picture bitmap into a new 24-bit bitmap.
// The kernels are in resample_kernels.h.
#pragma once

#include <windows.h>

#include "viewer/common/view_box.h"
#include "viewer/imaging/view/resample_kernels.h"

// Makes a 24-bit bottom-up DIB section of exactly targetWidth x targetHeight
// from the source box (display coordinates, top left) of hbmSource. Null
// when the call mixes enlargement and reduction, when pBox is null, when the
// source cannot be read (depths other than 16, 24 and 32) or when the target
// cannot be made. After an abort the target is returned partly written.
// pAbort defaults to the process-wide flag. *pbComplete, when given, says
// whether every target row was written whole; it is the only sound test,
// since the flag may be cleared again before the caller looks at it.
HBITMAP Resample(HBITMAP hbmSource, int targetWidth, int targetHeight, const ViewBox* pBox,
                 volatile int32_t* pAbort = &g_nResampleAbort, bool* pbComplete = NULL);
