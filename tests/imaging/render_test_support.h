// Pictures and screen read-back for the renderer's pixel tests.
#pragma once

#include <windows.h>

#include <vector>

// Picture pixel formats the renderer meets: 24-bit from the JPEG decoder,
// 16-bit 5-6-5 and 32-bit from the platform decoder at display depth.
enum PictureFormat
{
    PICTURE_RGB24,
    PICTURE_RGB565,
    PICTURE_RGB32
};

// A bottom-up DIB section of w x h filled by fill(x, y) -> COLORREF.
template <class Fill>
HBITMAP MakePicture(int w, int h, PictureFormat format, Fill fill);

HBITMAP MakePictureFromColours(int w, int h, PictureFormat format, const std::vector<COLORREF>& colours);

// A 32-bit top-down DIB section and a context it is selected into.
struct Surface32
{
    HDC hdc;
    HBITMAP hbm;
    HGDIOBJ hOld;
    DWORD* pBits;
    int width;
    int height;
};
bool CreateSurface32(int w, int h, Surface32* pSurface);
void DestroySurface32(Surface32* pSurface);
inline COLORREF Surface32Pixel(const Surface32& s, int x, int y)
{
    DWORD v = s.pBits[(size_t)y * s.width + x];
    return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
}

// The window's client area as COLORREFs, row by row.
std::vector<COLORREF> ReadWindow(HWND hwnd, int* pWidth, int* pHeight);

// Equal within the loss of a 5-bit channel.
bool NearColour(COLORREF a, COLORREF b);

template <class Fill>
HBITMAP MakePicture(int w, int h, PictureFormat format, Fill fill)
{
    std::vector<COLORREF> colours((size_t)w * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            colours[(size_t)y * w + x] = fill(x, y);
    return MakePictureFromColours(w, h, format, colours);
}
