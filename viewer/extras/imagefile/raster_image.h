// The image file library: one in-memory raster record and plain functions
// to create it, bind it to a DIB section, load JPEG files into it, adjust its
// brightness and save it as a BMP, JPEG or icon file. Failures set the
// process-wide error code.
#pragma once

#include <windows.h>

// RasterImage.flags
#define RIF_HAS_MASK 0x1   // a 1-bit mask image rides along; set bits are visible
#define RIF_BOTTOM_UP 0x2  // logical row 0 is the last row in memory
#define RIF_BORROWED 0x8   // the pixel buffer belongs to someone else (a DIB section)

// RasterImage.pixelFormat
#define RIPF_NONE 0
#define RIPF_PALETTE 4
#define RIPF_555 6
#define RIPF_565 8
#define RIPF_32 9
#define RIPF_24 11

struct RasterPaletteEntry
{
    BYTE blue;
    BYTE green;
    BYTE red;
    BYTE reserved;
};

struct RasterImage
{
    LONG width;
    LONG height;
    LONG imageSize;        // stride x height
    BYTE* pixels;
    LONG rowWidth;         // the width handed to a DIB section
    LONG stride;           // bytes per row, padded to a multiple of 4
    DWORD pixelFormat;
    BYTE bytesPerPixel;
    BYTE bitsPerPixel;
    BYTE reserved[2];
    DWORD blueMask;
    DWORD greenMask;
    DWORD redMask;
    DWORD alphaMask;
    DWORD flags;
    LONG paletteCount;
    RasterPaletteEntry palette[256];
    RasterImage* maskImage;
};

RasterImage* CreateImage(LONG width, LONG height, int bitsPerPixel, DWORD flags);
void FreeImage(RasterImage* pImage);
// 0, or -1 when the error code is set afterwards.
int ResetImage(RasterImage* pImage, LONG width, LONG height, int bitsPerPixel, DWORD flags);

// Binds the pixels to a new DIB section (bottom-up); the image then borrows
// the section's bits. Free the image before deleting the returned bitmap.
HBITMAP AttachDibSection(RasterImage* pImage, HDC hdc);

int LoadJpegImage(RasterImage* pImage, LPCWSTR pszPath);
void AdjustBrightness(RasterImage* pImage, int nPercent);
// BMP, JPEG or icon by the name's extension: 0, or -1.
int SaveImage(RasterImage* pImage, LPCWSTR pszPath);
// As SaveImage, but never replaces a file: SAVE_IMAGE_EXISTS when the name is
// taken, even if the file appeared while this one was being written.
#define SAVE_IMAGE_EXISTS (-2)
int SaveNewImage(RasterImage* pImage, LPCWSTR pszPath);

// Start of logical row y (0 = top), or null outside the image.
BYTE* GetImageRow(const RasterImage* pImage, LONG y);
// The colour value at logical (x, y); 0 outside the image or for odd depths.
DWORD GetImagePixel(const RasterImage* pImage, LONG x, LONG y);
// Nonzero when the pixel is visible: its mask bit is set, or there is no mask.
BOOL IsImagePixelVisible(const RasterImage* pImage, LONG x, LONG y);
LONG GetPaletteBytes(const RasterImage* pImage);
// Distinct colours among the visible pixels, or limit + 1 when there are more.
int CountColors(const RasterImage* pImage, int nLimit);
