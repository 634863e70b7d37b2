// A 24-bit bottom-up DIB section made with CImageDecoder::CreateDib on the
// decode window's device context, for the decoder and the resampler alike.
#pragma once

#include <windows.h>

HBITMAP CreateDibOnDecodeWindow(int nWidth, int nHeight);
