// Pictures for the tests: JPEG and BMP files made at test time, DIB sections
// filled and read back. No test framework: the fuzz driver shares it.
#pragma once

#include <windows.h>
#include <stdint.h>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/files.h"

typedef std::vector<uint8_t> Bytes;
// Colour of pixel (x, y) as 0x00RRGGBB (y from the top).
typedef std::function<uint32_t(int x, int y)> PixelFn;

inline PixelFn Plain(uint32_t rgb)
{
    return [rgb](int, int) { return rgb; };
}
// Four quarters of a w x h picture: red, green over blue, white.
PixelFn Quadrants(int w, int h);

enum JpegKind { JPEG_RGB, JPEG_GREY, JPEG_CMYK };
// Through libjpeg. CMYK pictures take (c, m, y, k) packed as 0xCCMMYYKK.
// nRestartRows > 0 puts a restart marker after every that many block rows;
// a colour picture's luma takes hLuma x vLuma samples to each chroma one.
Bytes MakeJpeg(int w, int h, JpegKind kind, const PixelFn& pixel, bool bProgressive = false, int nQuality = 95,
              int nRestartRows = 0, int hLuma = 2, int vLuma = 2);
// Where the nth marker FF lo..FF hi of a JPEG stands, searched from at; 0
// when there is none. A made file's tables and data hold no such pair.
size_t FindMarker(const Bytes& jpeg, uint8_t lo, uint8_t hi, int nth = 1, size_t at = 2);
// The library's own decode of a whole JPEG at 1/nDenom, with the viewer's
// fast DCT and the upsampling given, as 0x00RRGGBB rows from the top.
std::vector<uint32_t> LibraryDecode(const Bytes& jpeg, unsigned nDenom, bool bFancy, int* pWidth, int* pHeight);
// Any BMP header (12 to 124 bytes) over the pixel data, and uncompressed
// rows (bottom-up unless top-down) of palette indices or colours.
Bytes MakeBmp(int nHeaderSize, int w, int h, int nBits, uint32_t compression, const std::vector<uint32_t>& palette,
              const uint32_t* pMasks, const Bytes& pixelData, bool bTopDown = false);
Bytes BmpRows(int w, int h, int nBits, const PixelFn& valueAt, bool bTopDown = false);
// A plain 24-bit BMP; a file of one colour (a COLORREF).
Bytes Bmp24(int w, int h, const PixelFn& rgb);
void WriteSolidBmp(const std::wstring& path, int w, int h, COLORREF cr);

// A bottom-up DIB section; 16 bits take masks (5-5-5 without).
HBITMAP MakeDib(int w, int h, int nBits, const uint32_t* pMasks = nullptr);
// A DIB section at 16 (5-6-5), 24 or 32 bits painted from rgbAt.
HBITMAP MakePicture(int w, int h, int nBits, const PixelFn& rgbAt);
// 0x00RRGGBB of pixel (x, y) of a DIB section (16 bits widened by a left
// shift), and a colour as it reads back after storing at the bitmap's depth.
uint32_t PixelAt(HBITMAP hbm, int x, int y);
uint32_t Quantised(HBITMAP hbm, uint32_t rgb);
// Every pixel of a DIB section, rows from the top.
std::vector<uint32_t> PixelsOf(HBITMAP hbm);
// Width and height of a bitmap; (0, 0) for none.
typedef std::pair<LONG, LONG> Dims;
Dims BitmapSize(HBITMAP hbm);
// True when every channel is within tolerance (in either byte order).
bool Near(uint32_t a, uint32_t b, int nTolerance);
// The centres of a bitmap's quarters (in reading order) against four
// colours: "" when each channel is within nTolerance, else the first miss.
std::string QuartersOff(HBITMAP hbm, const uint32_t (&rgb)[4], int nTolerance);

// A bottom-up DIB section selected into a memory context, white at first.
struct MemoryCanvas
{
    HDC hdc = CreateCompatibleDC(NULL);
    HBITMAP hbm = NULL;
    HGDIOBJ hOld = NULL;
    int width, height;

    MemoryCanvas(int w, int h, int nBits = 32, const uint32_t* pMasks = nullptr);
    ~MemoryCanvas();
    MemoryCanvas(const MemoryCanvas&) = delete;
    MemoryCanvas& operator=(const MemoryCanvas&) = delete;
    bool Ok() const { return hdc && hbm && hOld; }
    void Clear() { PatBlt(hdc, 0, 0, width, height, WHITENESS); }
    std::vector<uint32_t> Pixels() const;
};

// A popup of w x h pixels at the screen's top left, drawing nothing itself.
HWND MakeTestWindow(int w, int h, bool bVisible);
// The first w x h pixels of a DC, or a window's client area, as 0x00RRGGBB
// rows from the top.
std::vector<uint32_t> ReadDC(HDC hdc, int w, int h);
std::vector<uint32_t> ReadWindow(HWND hwnd, int* pWidth, int* pHeight);
// A pixel read through the window's own DC (the screen's copy may lag).
COLORREF WindowPixel(HWND hwnd, int x, int y);

// True when nobody holds the file open (an exclusive open succeeds).
bool FileIsClosed(const std::wstring& path);
