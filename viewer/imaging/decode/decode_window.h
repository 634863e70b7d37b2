// The window decoded bitmaps are made for, and DIB sections made under the
// exception guard: what the decoder's routes, the resampler and the
// thumbnail maker share to make their bitmaps.
#pragma once

#include <windows.h>

// The window whose device context the bitmaps are made on, so that they
// match the display. Null, the default, means the screen, which has the
// same depth.
void StoreDecodeWindow(HWND hwnd);
HWND DecodeWindow(void);

// CreateDIBSection with DIB_RGB_COLORS, no section; null on failure or on
// an exception inside it (Wine's allocation path can fault on a huge
// request rather than fail), with nothing left behind.
HBITMAP CreateDibGuarded(HDC hdc, const BITMAPINFO* pbmi);

// A BI_RGB bottom-up DIB section of nBitCount bits a pixel.
HBITMAP CreatePlainDib(HDC hdc, int nWidth, int nHeight, int nBitCount);

// A 24-bit (or nBitCount) bottom-up DIB section on the decode window's
// device context.
HBITMAP CreateDibOnDecodeWindow(int nWidth, int nHeight, int nBitCount = 24);
