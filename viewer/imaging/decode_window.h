// A 24-bit bottom-up DIB section made with CImageDecoder::CreateDib on the
// decode window's device context ("the main window's device context").
#pragma once

#include <windows.h>

HBITMAP CreateDibOnDecodeWindow(int nWidth, int nHeight);
