// Picture files made at test time, and pixel read-back of decoded bitmaps.
#pragma once

#include <windows.h>

#include <stdint.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/extras/temp_folder.h"

typedef std::vector<uint8_t> Bytes;
// Colour of pixel (x, y) as 0x00RRGGBB (y from the top).
typedef std::function<uint32_t(int x, int y)> PixelFn;

enum JpegKind { JPEG_RGB, JPEG_GREY, JPEG_CMYK };
// CMYK pictures take the four samples from the pixel function: (c, m, y, k)
// packed as 0xCCMMYYKK.
Bytes MakeJpeg(int w, int h, JpegKind kind, const PixelFn& pixel, bool bProgressive = false, int nQuality = 95);

Bytes MakeBmp(int nHeaderSize, int w, int h, int nBits, uint32_t compression, const std::vector<uint32_t>& palette,
              const uint32_t* pMasks, const Bytes& pixelData, bool bTopDown = false);
// Uncompressed rows (bottom-up unless top-down) from palette indices or colours.
Bytes BmpRows(int w, int h, int nBits, const PixelFn& valueAt, bool bTopDown = false);

enum PngColour { PNG_GREY = 0, PNG_RGB = 2, PNG_PALETTE = 3, PNG_RGBA = 6 };
// For RGBA the pixel function gives 0xAARRGGBB; for palette the index.
Bytes MakePng(int w, int h, PngColour colour, int nDepth, const PixelFn& pixel, bool bInterlaced = false,
              const std::vector<uint32_t>& palette = {});

// First frame of w x h at (left, top) on a screen of sw x sh; the pixel
// function gives palette indices. transparentIndex -1 for none.
Bytes MakeGif(int sw, int sh, int left, int top, int w, int h, const std::vector<uint32_t>& palette,
              const PixelFn& index, int transparentIndex = -1);

// 0x00RRGGBB of display pixel (x, y) of a DIB section (16 bits read with its
// masks and widened by a left shift, 24 and 32 bits as stored).
uint32_t PixelAt(HBITMAP hbm, int x, int y);
// What a colour looks like after storing at the bitmap's depth and reading
// with PixelAt.
uint32_t Quantised(HBITMAP hbm, uint32_t rgb);
// True when every channel is within tolerance.
bool Near(uint32_t a, uint32_t b, int nTolerance);

// Bytes of memory committed in the process (for leak checks of large bitmaps).
size_t CommittedBytes();
// True when nobody holds the file open (an exclusive open succeeds).
bool FileIsClosed(const std::wstring& path);
