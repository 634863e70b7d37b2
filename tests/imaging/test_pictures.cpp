#include "tests/imaging/test_pictures.h"

#include <stdio.h>
#include <string.h>

#include <jpeglib.h>

namespace {

void Put16(Bytes& b, uint32_t v) { b.push_back(v & 0xFF); b.push_back((v >> 8) & 0xFF); }
void Put32(Bytes& b, uint32_t v) { Put16(b, v & 0xFFFF); Put16(b, v >> 16); }
// The three colour bytes of 0x00RRGGBB, blue first.
void PutBgr(Bytes& b, uint32_t c)
{
    for (int s : {0, 8, 16})
        b.push_back((c >> s) & 0xFF);
}

} // namespace

Bytes MakeJpeg(int w, int h, JpegKind kind, const PixelFn& pixel, bool bProgressive, int nQuality)
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
    if (bProgressive)
        jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<unsigned char> row(static_cast<size_t>(w) * n);
    for (int y = 0; y < h; y++)
    {
        // The low n bytes of the value, most significant first.
        for (int x = 0; x < w; x++)
            for (int k = 0; k < n; k++)
                row[static_cast<size_t>(x) * n + k] = (pixel(x, y) >> (8 * (n - 1 - k))) & 0xFF;
        JSAMPROW pRow = row.data();
        jpeg_write_scanlines(&cinfo, &pRow, 1);
    }
    jpeg_finish_compress(&cinfo);
    Bytes data(pOut, pOut + cbOut);
    jpeg_destroy_compress(&cinfo);
    free(pOut);
    return data;
}

Bytes MakeBmp(int nHeaderSize, int w, int h, int nBits, uint32_t compression, const std::vector<uint32_t>& palette,
              const uint32_t* pMasks, const Bytes& pixelData, bool bTopDown)
{
    Bytes info;
    Put32(info, nHeaderSize);
    if (nHeaderSize == 12)
    {
        for (uint32_t v : {uint32_t(w), uint32_t(h), 1u, uint32_t(nBits)})
            Put16(info, v);
    }
    else
    {
        Put32(info, w);
        Put32(info, bTopDown ? -h : h);
        Put16(info, 1);
        Put16(info, nBits);
        if (nHeaderSize > 16)
            for (uint32_t v : {compression, uint32_t(pixelData.size()), 2835u, 2835u, uint32_t(palette.size()), 0u})
                Put32(info, v);
        if (nHeaderSize >= 52 && pMasks)
            for (int i = 0; i < 3; i++)
                Put32(info, pMasks[i]);
        info.resize(nHeaderSize, 0);
    }
    if (nHeaderSize == 40 && pMasks)
        for (int i = 0; i < 3; i++)
            Put32(info, pMasks[i]);
    for (uint32_t c : palette)
    {
        PutBgr(info, c);
        if (nHeaderSize != 12)
            info.push_back(0);
    }
    Bytes file = {'B', 'M'};
    Put32(file, static_cast<uint32_t>(14 + info.size() + pixelData.size()));
    Put32(file, 0);
    Put32(file, static_cast<uint32_t>(14 + info.size()));
    file.insert(file.end(), info.begin(), info.end());
    file.insert(file.end(), pixelData.begin(), pixelData.end());
    return file;
}

Bytes BmpRows(int w, int h, int nBits, const PixelFn& valueAt, bool bTopDown)
{
    const size_t cbRow = ((static_cast<size_t>(w) * nBits + 31) / 32) * 4;
    Bytes data(cbRow * h, 0);
    for (int i = 0; i < h; i++)
    {
        uint8_t* row = &data[cbRow * i];
        for (int x = 0; x < w; x++)
        {
            const uint32_t v = valueAt(x, bTopDown ? i : h - 1 - i);
            const int perByte = 8 / nBits;
            if (nBits < 8)
                row[x / perByte] |= static_cast<uint8_t>(v << (8 - nBits * (x % perByte + 1)));
            else
                for (int k = 0; k < nBits / 8; k++)
                    row[x * (nBits / 8) + k] = (v >> (8 * k)) & 0xFF;
        }
    }
    return data;
}

HBITMAP MakeDib(int w, int h, int nBits, const uint32_t* pMasks)
{
    struct { BITMAPINFOHEADER h; DWORD m[3]; } bmi = {};
    bmi.h.biSize = sizeof(BITMAPINFOHEADER);
    bmi.h.biWidth = w;
    bmi.h.biHeight = h;
    bmi.h.biPlanes = 1;
    bmi.h.biBitCount = static_cast<WORD>(nBits);
    bmi.h.biCompression = pMasks ? BI_BITFIELDS : BI_RGB;
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
    if (!hbm || GetObjectW(hbm, sizeof(ds), &ds) != sizeof(ds))
        return hbm;
    for (int y = 0; y < h; y++)
    {
        uint8_t* row = static_cast<uint8_t*>(ds.dsBm.bmBits) + static_cast<ptrdiff_t>(h - 1 - y) * ds.dsBm.bmWidthBytes;
        for (int x = 0; x < w; x++)
        {
            const uint32_t c = rgbAt(x, y);
            if (nBits == 16)
                reinterpret_cast<uint16_t*>(row)[x] =
                    static_cast<uint16_t>(((c >> 8) & 0xF800) | ((c >> 5) & 0x07E0) | ((c >> 3) & 0x1F));
            else if (nBits == 24)
                memcpy(row + 3 * x, &c, 3);
            else
                reinterpret_cast<uint32_t*>(row)[x] = c;
        }
    }
    return hbm;
}

uint32_t PixelAt(HBITMAP hbm, int x, int y)
{
    DIBSECTION ds;
    if (GetObjectW(hbm, sizeof(ds), &ds) != sizeof(ds))
        return 0xDEADBEEF;
    const uint8_t* row = static_cast<const uint8_t*>(ds.dsBm.bmBits) +
                         static_cast<ptrdiff_t>(ds.dsBm.bmHeight - 1 - y) * ds.dsBm.bmWidthBytes;
    switch (ds.dsBm.bmBitsPixel)
    {
    case 16:
    {
        const uint16_t p = reinterpret_cast<const uint16_t*>(row)[x];
        if (ds.dsBmih.biCompression == BI_BITFIELDS && ds.dsBitfields[1] == 0x07E0)
            return (((p >> 11) & 31) << 19) | (((p >> 5) & 63) << 10) | ((p & 31) << 3);
        return (((p >> 10) & 31) << 19) | (((p >> 5) & 31) << 11) | ((p & 31) << 3);
    }
    case 24:
        return row[3 * x] | (row[3 * x + 1] << 8) | (row[3 * x + 2] << 16);
    case 32:
        return reinterpret_cast<const uint32_t*>(row)[x] & 0xFFFFFF;
    }
    return 0xDEADBEEF;
}

uint32_t Quantised(HBITMAP hbm, uint32_t rgb)
{
    BITMAP bm;
    GetObjectW(hbm, sizeof(bm), &bm);
    return bm.bmBitsPixel == 16 ? rgb & 0xF8FCF8 : rgb;
}

bool Near(uint32_t a, uint32_t b, int nTolerance)
{
    for (int shift = 0; shift < 24; shift += 8)
    {
        const int d = static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF);
        if (d > nTolerance || d < -nTolerance)
            return false;
    }
    return true;
}

std::vector<uint32_t> ReadWindow(HWND hwnd, int* pWidth, int* pHeight)
{
    RECT rc;
    GetClientRect(hwnd, &rc);
    *pWidth = rc.right;
    *pHeight = rc.bottom;
    std::vector<uint32_t> pixels;
    HBITMAP hbm = MakeDib(rc.right, rc.bottom, 32);
    HDC hdcMem = CreateCompatibleDC(nullptr);
    if (hbm && hdcMem)
    {
        HGDIOBJ hOld = SelectObject(hdcMem, hbm);
        HDC hdc = GetDC(hwnd);
        BitBlt(hdcMem, 0, 0, rc.right, rc.bottom, hdc, 0, 0, SRCCOPY);
        ReleaseDC(hwnd, hdc);
        SelectObject(hdcMem, hOld);
        GdiFlush();
        DIBSECTION ds;
        GetObjectW(hbm, sizeof(ds), &ds);
        for (int y = 0; y < rc.bottom; y++)
        {
            const uint32_t* row = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(ds.dsBm.bmBits) +
                                                                    static_cast<ptrdiff_t>(rc.bottom - 1 - y) * ds.dsBm.bmWidthBytes);
            for (int x = 0; x < rc.right; x++)
                pixels.push_back(row[x] & 0xFFFFFF);
        }
    }
    if (hdcMem)
        DeleteDC(hdcMem);
    if (hbm)
        DeleteObject(hbm);
    return pixels;
}

size_t CommittedBytes()
{
    size_t total = 0;
    MEMORY_BASIC_INFORMATION mbi;
    const uint8_t* p = NULL;
    while (VirtualQuery(p, &mbi, sizeof(mbi)) == sizeof(mbi))
    {
        if (mbi.State == MEM_COMMIT)
            total += mbi.RegionSize;
        const uint8_t* pNext = static_cast<const uint8_t*>(mbi.BaseAddress) + mbi.RegionSize;
        if (pNext <= p)
            break;
        p = pNext;
    }
    return total;
}

bool FileIsClosed(const std::wstring& path)
{
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(h);
    return true;
}
