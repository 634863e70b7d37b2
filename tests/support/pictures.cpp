#include "tests/support/pictures.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <jpeglib.h>

// Little-endian bytes of v: 2 or 4 of them (3 of a colour give blue, green, red).
static void Put(Bytes& b, uint32_t v, int nBytes = 4)
{
    for (int i = 0; i < nBytes; i++)
        b.push_back((v >> (8 * i)) & 0xFF);
}

// The bits of a DIB section and its row length.
static uint8_t* Bits(HBITMAP hbm, DIBSECTION* pds)
{
    return GetObjectW(hbm, sizeof(*pds), pds) == sizeof(*pds) ? static_cast<uint8_t*>(pds->dsBm.bmBits) : nullptr;
}

Bytes MakeJpeg(int w, int h, JpegKind kind, const PixelFn& pixel, bool bProgressive, int nQuality, int nRestartRows,
              int hLuma, int vLuma)
{
    jpeg_compress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    unsigned char* pOut = NULL;
    unsigned long cbOut = 0;
    jpeg_mem_dest(&cinfo, &pOut, &cbOut);
    cinfo.image_width = w;
    cinfo.image_height = h;
    const int n = kind == JPEG_RGB ? 3 : kind == JPEG_GREY ? 1 : 4;
    cinfo.input_components = n;
    cinfo.in_color_space = kind == JPEG_RGB ? JCS_RGB : kind == JPEG_GREY ? JCS_GRAYSCALE : JCS_CMYK;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, nQuality, TRUE);
    if (kind == JPEG_RGB)
    {
        cinfo.comp_info[0].h_samp_factor = hLuma;
        cinfo.comp_info[0].v_samp_factor = vLuma;
    }
    if (bProgressive)
        jpeg_simple_progression(&cinfo);
    cinfo.restart_in_rows = nRestartRows;
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<unsigned char> row(static_cast<size_t>(w) * n);
    for (JSAMPROW pRow = row.data(); (int)cinfo.next_scanline < h; jpeg_write_scanlines(&cinfo, &pRow, 1))
        for (int i = 0; i < w * n; i++)   // the low n bytes of the value, most significant first
            row[i] = (pixel(i / n, cinfo.next_scanline) >> (8 * (n - 1 - i % n))) & 0xFF;
    jpeg_finish_compress(&cinfo);
    Bytes data(pOut, pOut + cbOut);
    jpeg_destroy_compress(&cinfo);
    free(pOut);
    return data;
}

size_t FindMarker(const Bytes& jpeg, uint8_t lo, uint8_t hi, int nth, size_t at)
{
    for (; at + 1 < jpeg.size(); at++)
        if (jpeg[at] == 0xFF && jpeg[at + 1] >= lo && jpeg[at + 1] <= hi && --nth == 0)
            return at;
    return 0;
}

std::vector<uint32_t> LibraryDecode(const Bytes& jpeg, unsigned nDenom, bool bFancy, int* pWidth, int* pHeight)
{
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jerr.output_message = [](j_common_ptr) {};   // the warnings of a cut file are expected
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, jpeg.data(), static_cast<unsigned long>(jpeg.size()));
    jpeg_read_header(&cinfo, TRUE);
    cinfo.dct_method = JDCT_IFAST;
    cinfo.scale_num = 1;
    cinfo.scale_denom = nDenom;
    cinfo.do_fancy_upsampling = bFancy;
    jpeg_start_decompress(&cinfo);
    *pWidth = static_cast<int>(cinfo.output_width);
    *pHeight = static_cast<int>(cinfo.output_height);
    const int n = cinfo.output_components;
    std::vector<JSAMPLE> row(static_cast<size_t>(*pWidth) * n);
    std::vector<uint32_t> pixels;
    while (cinfo.output_scanline < cinfo.output_height)
    {
        JSAMPROW p = row.data();
        jpeg_read_scanlines(&cinfo, &p, 1);
        for (int x = 0; x < *pWidth; x++)
        {
            const JSAMPLE* s = &row[static_cast<size_t>(x) * n];
            pixels.push_back(n == 1 ? s[0] * 0x010101u : static_cast<uint32_t>(s[0] << 16 | s[1] << 8 | s[2]));
        }
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return pixels;
}

Bytes MakeBmp(int nHeaderSize, int w, int h, int nBits, uint32_t compression, const std::vector<uint32_t>& palette,
              const uint32_t* pMasks, const Bytes& pixelData, bool bTopDown)
{
    Bytes info;
    Put(info, nHeaderSize);
    if (nHeaderSize == 12)
        for (uint32_t v : {uint32_t(w), uint32_t(h), 1u, uint32_t(nBits)})
            Put(info, v, 2);
    else
    {
        Put(info, w);
        Put(info, bTopDown ? -h : h);
        Put(info, 1 | nBits << 16);
        for (uint32_t v : {compression, uint32_t(pixelData.size()), 2835u, 2835u, uint32_t(palette.size()), 0u})
            Put(info, v);
        info.resize(std::min(nHeaderSize, 40), 0);
    }
    // Masks follow a 40-byte header, or stand inside a longer one.
    for (int i = 0; pMasks && nHeaderSize >= 40 && i < 3; i++)
        Put(info, pMasks[i]);
    info.resize(std::max<size_t>(nHeaderSize, info.size()), 0);
    for (uint32_t c : palette)
        Put(info, c, nHeaderSize == 12 ? 3 : 4);
    Bytes file = {'B', 'M'};
    for (size_t v : {14 + info.size() + pixelData.size(), size_t(0), 14 + info.size()})
        Put(file, static_cast<uint32_t>(v));
    file.insert(file.end(), info.begin(), info.end());
    file.insert(file.end(), pixelData.begin(), pixelData.end());
    return file;
}

Bytes BmpRows(int w, int h, int nBits, const PixelFn& valueAt, bool bTopDown)
{
    const size_t cbRow = ((static_cast<size_t>(w) * nBits + 31) / 32) * 4;
    Bytes data(cbRow * h, 0);
    for (int i = 0; i < h; i++)
        for (int x = 0; x < w; x++)
        {
            uint8_t* row = &data[cbRow * i];
            const uint32_t v = valueAt(x, bTopDown ? i : h - 1 - i);
            const int perByte = 8 / nBits;
            for (int k = 0; k < nBits / 8; k++)
                row[x * (nBits / 8) + k] = (v >> (8 * k)) & 0xFF;
            if (nBits < 8)
                row[x / perByte] |= static_cast<uint8_t>(v << (8 - nBits * (x % perByte + 1)));
        }
    return data;
}

Bytes Bmp24(int w, int h, const PixelFn& rgb) { return MakeBmp(40, w, h, 24, 0, {}, nullptr, BmpRows(w, h, 24, rgb)); }

void WriteSolidBmp(const std::wstring& path, int w, int h, COLORREF cr)
{
    const Bytes bmp = Bmp24(w, h, Plain(GetRValue(cr) << 16 | GetGValue(cr) << 8 | GetBValue(cr)));
    WriteWholeFile(path, bmp.data(), bmp.size());
}

PixelFn Quadrants(int w, int h)
{
    return [=](int x, int y) {
        return y < h / 2 ? (x < w / 2 ? 0xFF0000u : 0x00FF00u) : (x < w / 2 ? 0x0000FFu : 0xFFFFFFu);
    };
}

HBITMAP MakeDib(int w, int h, int nBits, const uint32_t* pMasks)
{
    struct { BITMAPINFOHEADER h; DWORD m[3]; } bmi = {{sizeof(BITMAPINFOHEADER), w, h, 1, static_cast<WORD>(nBits),
                                                       DWORD(pMasks ? BI_BITFIELDS : BI_RGB)}};
    if (pMasks)
        memcpy(bmi.m, pMasks, sizeof(bmi.m));
    void* pv = nullptr;
    return CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&bmi), DIB_RGB_COLORS, &pv, nullptr, 0);
}

HBITMAP MakePicture(int w, int h, int nBits, const PixelFn& rgbAt)
{
    static const uint32_t k565[3] = {0xF800, 0x07E0, 0x001F};
    HBITMAP hbm = MakeDib(w, h, nBits, nBits == 16 ? k565 : nullptr);
    DIBSECTION ds;
    uint8_t* pBits = Bits(hbm, &ds);
    for (int i = 0; pBits && i < w * h; i++)
    {
        uint8_t* px = pBits + static_cast<ptrdiff_t>(h - 1 - i / w) * ds.dsBm.bmWidthBytes + (i % w) * nBits / 8;
        const uint32_t c = rgbAt(i % w, i / w);
        const uint16_t c565 = static_cast<uint16_t>(((c >> 8) & 0xF800) | ((c >> 5) & 0x07E0) | ((c >> 3) & 0x1F));
        memcpy(px, nBits == 16 ? static_cast<const void*>(&c565) : &c, nBits / 8);
    }
    return hbm;
}

uint32_t PixelAt(HBITMAP hbm, int x, int y)
{
    DIBSECTION ds;
    const uint8_t* row = Bits(hbm, &ds);
    if (!row)
        return 0xDEADBEEF;
    row += static_cast<ptrdiff_t>(ds.dsBm.bmHeight - 1 - y) * ds.dsBm.bmWidthBytes;
    uint32_t p = 0;
    memcpy(&p, row + x * ds.dsBm.bmBitsPixel / 8, ds.dsBm.bmBitsPixel / 8);
    if (ds.dsBm.bmBitsPixel != 16)
        return p & 0xFFFFFF;
    if (ds.dsBmih.biCompression == BI_BITFIELDS && ds.dsBitfields[1] == 0x07E0)
        return (((p >> 11) & 31) << 19) | (((p >> 5) & 63) << 10) | ((p & 31) << 3);
    return (((p >> 10) & 31) << 19) | (((p >> 5) & 31) << 11) | ((p & 31) << 3);
}

uint32_t Quantised(HBITMAP hbm, uint32_t rgb)
{
    DIBSECTION ds;
    return Bits(hbm, &ds) && ds.dsBm.bmBitsPixel == 16 ? rgb & 0xF8FCF8 : rgb;
}

std::vector<uint32_t> PixelsOf(HBITMAP hbm)
{
    const Dims size = BitmapSize(hbm);
    std::vector<uint32_t> pixels;
    for (int i = 0; i < size.first * size.second; i++)
        pixels.push_back(PixelAt(hbm, i % size.first, i / size.first));
    return pixels;
}

bool Near(uint32_t a, uint32_t b, int nTolerance)
{
    for (int shift = 0; shift < 24; shift += 8)
        if (abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)) > nTolerance)
            return false;
    return true;
}

MemoryCanvas::MemoryCanvas(int w, int h, int nBits, const uint32_t* pMasks)
    : hbm(MakeDib(w, h, nBits, pMasks)), width(w), height(h)
{
    hOld = SelectObject(hdc, hbm);
    Clear();
}

MemoryCanvas::~MemoryCanvas()
{
    SelectObject(hdc, hOld);
    DeleteDC(hdc);
    DeleteObject(hbm);
}

std::vector<uint32_t> MemoryCanvas::Pixels() const { return ReadDC(hdc, width, height); }

HWND MakeTestWindow(int w, int h, bool bVisible)
{
    WNDCLASSW wc = {0, DefWindowProcW, 0, 0, GetModuleHandleW(nullptr), nullptr, nullptr, nullptr, nullptr,
                    L"OmbrixPictureTest"};
    RegisterClassW(&wc);
    return CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP | (bVisible ? WS_VISIBLE : 0), 0, 0, w, h, nullptr,
                           nullptr, wc.hInstance, nullptr);
}

std::vector<uint32_t> ReadDC(HDC hdc, int w, int h)
{
    HBITMAP hbm = MakeDib(w, h, 32);
    HDC hdcMem = CreateCompatibleDC(nullptr);
    HGDIOBJ hOld = SelectObject(hdcMem, hbm);
    BitBlt(hdcMem, 0, 0, w, h, hdc, 0, 0, SRCCOPY);
    SelectObject(hdcMem, hOld);
    DeleteDC(hdcMem);
    GdiFlush();
    DIBSECTION ds;
    const uint8_t* pBits = Bits(hbm, &ds);
    std::vector<uint32_t> pixels;
    for (int i = 0; pBits && i < w * h; i++)   // rows from the top, the bitmap's from the bottom
        pixels.push_back(reinterpret_cast<const uint32_t*>(pBits + static_cast<ptrdiff_t>(h - 1 - i / w) *
                                                                       ds.dsBm.bmWidthBytes)[i % w] & 0xFFFFFF);
    DeleteObject(hbm);
    return pixels;
}

std::vector<uint32_t> ReadWindow(HWND hwnd, int* pWidth, int* pHeight)
{
    RECT rc;
    GetClientRect(hwnd, &rc);
    *pWidth = rc.right;
    *pHeight = rc.bottom;
    HDC hdc = GetDC(hwnd);
    std::vector<uint32_t> pixels = ReadDC(hdc, rc.right, rc.bottom);
    ReleaseDC(hwnd, hdc);
    return pixels;
}

Dims BitmapSize(HBITMAP hbm)
{
    BITMAP bm = {};
    return hbm && GetObjectW(hbm, sizeof(bm), &bm) ? Dims(bm.bmWidth, bm.bmHeight) : Dims(0, 0);
}

bool FileIsClosed(const std::wstring& path)
{
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
    return h != INVALID_HANDLE_VALUE && CloseHandle(h);
}

std::string QuartersOff(HBITMAP hbm, const uint32_t (&rgb)[4], int nTolerance)
{
    const Dims s = BitmapSize(hbm);
    for (int i = 0; i < 4; i++)
    {
        const int x = (2 * (i % 2) + 1) * s.first / 4, y = (2 * (i / 2) + 1) * s.second / 4;
        char sz[64];
        snprintf(sz, sizeof(sz), "(%d, %d) is %06X, not %06X", x, y, PixelAt(hbm, x, y), rgb[i]);
        if (!Near(PixelAt(hbm, x, y), rgb[i], nTolerance))
            return sz;
    }
    return std::string();
}

COLORREF WindowPixel(HWND hwnd, int x, int y)
{
    HDC hdc = GetDC(hwnd);
    COLORREF cr = GetPixel(hdc, x, y);
    ReleaseDC(hwnd, hdc);
    return cr;
}
