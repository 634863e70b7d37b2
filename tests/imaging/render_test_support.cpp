#include "render_test_support.h"

#include <stdint.h>
#include <stdlib.h>
#include <string.h>

HBITMAP MakePictureFromColours(int w, int h, PictureFormat format, const std::vector<COLORREF>& colours)
{
    struct
    {
        BITMAPINFOHEADER header;
        DWORD masks[3];
    } bmi;
    memset(&bmi, 0, sizeof(bmi));
    bmi.header.biSize = sizeof(BITMAPINFOHEADER);
    bmi.header.biWidth = w;
    bmi.header.biHeight = h;
    bmi.header.biPlanes = 1;
    bmi.header.biBitCount = format == PICTURE_RGB24 ? 24 : format == PICTURE_RGB565 ? 16 : 32;
    bmi.header.biCompression = format == PICTURE_RGB565 ? BI_BITFIELDS : BI_RGB;
    bmi.masks[0] = 0xF800;
    bmi.masks[1] = 0x07E0;
    bmi.masks[2] = 0x001F;
    void* pvBits = NULL;
    HBITMAP hbm = CreateDIBSection(NULL, reinterpret_cast<BITMAPINFO*>(&bmi), DIB_RGB_COLORS, &pvBits, NULL, 0);
    if (!hbm)
        return NULL;
    const int stride = ((w * bmi.header.biBitCount + 31) / 32) * 4;
    for (int y = 0; y < h; ++y)
    {
        uint8_t* pRow = static_cast<uint8_t*>(pvBits) + (size_t)(h - 1 - y) * stride;
        for (int x = 0; x < w; ++x)
        {
            COLORREF c = colours[(size_t)y * w + x];
            uint8_t r = GetRValue(c), g = GetGValue(c), b = GetBValue(c);
            if (format == PICTURE_RGB24)
            {
                pRow[x * 3] = b;
                pRow[x * 3 + 1] = g;
                pRow[x * 3 + 2] = r;
            }
            else if (format == PICTURE_RGB565)
            {
                uint16_t v = (uint16_t)(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3));
                memcpy(pRow + x * 2, &v, 2);
            }
            else
            {
                uint32_t v = ((uint32_t)r << 16) | ((uint32_t)g << 8) | b;
                memcpy(pRow + x * 4, &v, 4);
            }
        }
    }
    return hbm;
}

bool CreateSurface32(int w, int h, Surface32* pSurface)
{
    memset(pSurface, 0, sizeof(*pSurface));
    BITMAPINFO bmi;
    memset(&bmi, 0, sizeof(bmi));
    bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bmi.bmiHeader.biWidth = w;
    bmi.bmiHeader.biHeight = -h;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    void* pvBits = NULL;
    pSurface->hbm = CreateDIBSection(NULL, &bmi, DIB_RGB_COLORS, &pvBits, NULL, 0);
    pSurface->hdc = CreateCompatibleDC(NULL);
    if (!pSurface->hbm || !pSurface->hdc)
    {
        DestroySurface32(pSurface);
        return false;
    }
    pSurface->hOld = SelectObject(pSurface->hdc, pSurface->hbm);
    pSurface->pBits = static_cast<DWORD*>(pvBits);
    pSurface->width = w;
    pSurface->height = h;
    return true;
}

void DestroySurface32(Surface32* pSurface)
{
    if (pSurface->hdc)
    {
        if (pSurface->hOld)
            SelectObject(pSurface->hdc, pSurface->hOld);
        DeleteDC(pSurface->hdc);
    }
    if (pSurface->hbm)
        DeleteObject(pSurface->hbm);
    memset(pSurface, 0, sizeof(*pSurface));
}

std::vector<COLORREF> ReadWindow(HWND hwnd, int* pWidth, int* pHeight)
{
    std::vector<COLORREF> pixels;
    RECT rc;
    GetClientRect(hwnd, &rc);
    *pWidth = rc.right;
    *pHeight = rc.bottom;
    Surface32 s;
    if (!CreateSurface32(rc.right, rc.bottom, &s))
        return pixels;
    HDC hdc = GetDC(hwnd);
    BitBlt(s.hdc, 0, 0, rc.right, rc.bottom, hdc, 0, 0, SRCCOPY);
    ReleaseDC(hwnd, hdc);
    GdiFlush();
    pixels.resize((size_t)rc.right * rc.bottom);
    for (int y = 0; y < rc.bottom; ++y)
        for (int x = 0; x < rc.right; ++x)
            pixels[(size_t)y * rc.right + x] = Surface32Pixel(s, x, y);
    DestroySurface32(&s);
    return pixels;
}

bool NearColour(COLORREF a, COLORREF b)
{
    return abs((int)GetRValue(a) - (int)GetRValue(b)) <= 8 && abs((int)GetGValue(a) - (int)GetGValue(b)) <= 8 &&
           abs((int)GetBValue(a) - (int)GetBValue(b)) <= 8;
}
