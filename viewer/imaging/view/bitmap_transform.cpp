#include "viewer/imaging/view/bitmap_transform.h"

#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "viewer/imaging/view/fast_sample.h"
#include "viewer/imaging/decode/image_decoder.h"
#include "viewer/imaging/view/view_geometry.h"

BOOL StretchFlipped(HDC hdcDst, const ViewBox& d, HDC hdcSrc, const ViewBox& s, DWORD dwFlags)
{
    int x = d.x, y = d.y, w = d.width, h = d.height;
    // A negative extent is anchored at its first pixel, inclusive: the
    // mirror of a box starts on the box's last column (or row).
    if (dwFlags & FLIP_LEFT_RIGHT)
    {
        x = d.x + d.width - 1;
        w = -d.width;
    }
    if (dwFlags & FLIP_TOP_BOTTOM)
    {
        y = d.y + d.height - 1;
        h = -d.height;
    }
    // Nearest pixel: the blending modes are slow and would smear a picture
    // the high-quality pass redraws anyway.
    int nOldMode = SetStretchBltMode(hdcDst, COLORONCOLOR);
    BOOL bOk = StretchBlt(hdcDst, x, y, w, h, hdcSrc, s.x, s.y, s.width, s.height, SRCCOPY);
    if (nOldMode)
        SetStretchBltMode(hdcDst, nOldMode);
    return bOk;
}

// A 24-bit bottom-up strip whose bits the quarter turn writes directly.
static HBITMAP CreateStrip(HDC hdc, int nWidth, int nHeight, BYTE** ppBits)
{
    *ppBits = NULL;
    HBITMAP hbm = CImageDecoder::CreateDib(hdc, nWidth, nHeight, 24);
    DIBSECTION ds;
    if (hbm && GetObjectW(hbm, sizeof(ds), &ds) == sizeof(ds))
        *ppBits = static_cast<BYTE*>(ds.dsBm.bmBits);
    return hbm;
}

BOOL BlitBitmap(HDC hdcDst, const ViewBox& d, HBITMAP hbm)
{
    HDC hdcSrc = CreateCompatibleDC(hdcDst);
    if (!hdcSrc)
        return FALSE;
    HGDIOBJ hOld = SelectObject(hdcSrc, hbm);
    BOOL bOk = BitBlt(hdcDst, d.x, d.y, d.width, d.height, hdcSrc, 0, 0, SRCCOPY);
    SelectObject(hdcSrc, hOld);
    DeleteDC(hdcSrc);
    return bOk;
}

// Quarter turn, one source row at a time: the row is read into a row strip,
// its pixels are copied into a column strip, and the column is written into
// the result. BitBlt converts between the display format and the strips.
static void TurnQuarter(HDC hdcDst, HDC hdcSrc, const ViewBox& b, bool bCounterClockwise, HDC hdc)
{
    const int w = b.width, h = b.height;
    BYTE* pRow = NULL;
    BYTE* pColumn = NULL;
    HBITMAP hbmRow = CreateStrip(hdc, w, 1, &pRow);
    HBITMAP hbmColumn = CreateStrip(hdc, 1, w, &pColumn);
    HDC hdcRow = CreateCompatibleDC(hdc);
    HDC hdcColumn = CreateCompatibleDC(hdc);
    if (hbmRow && hbmColumn && hdcRow && hdcColumn && pRow && pColumn)
    {
        HGDIOBJ hOldRow = SelectObject(hdcRow, hbmRow);
        HGDIOBJ hOldColumn = SelectObject(hdcColumn, hbmColumn);
        const int nColumnStride = 4; // one 3-byte pixel padded to 4
        for (int r = 0; r < h; ++r)
        {
            BitBlt(hdcRow, 0, 0, w, 1, hdcSrc, b.x, b.y + r, SRCCOPY);
            GdiFlush();
            for (int i = 0; i < w; ++i)
            {
                // The column strip is bottom-up: memory row m is display
                // row w - 1 - m.
                int m = bCounterClockwise ? i : w - 1 - i;
                memcpy(pColumn + (size_t)m * nColumnStride, pRow + (size_t)i * 3, 3);
            }
            BitBlt(hdcDst, bCounterClockwise ? r : h - 1 - r, 0, 1, w, hdcColumn, 0, 0, SRCCOPY);
        }
        SelectObject(hdcColumn, hOldColumn);
        SelectObject(hdcRow, hOldRow);
    }
    if (hdcColumn)
        DeleteDC(hdcColumn);
    if (hdcRow)
        DeleteDC(hdcRow);
    if (hbmColumn)
        DeleteObject(hbmColumn);
    if (hbmRow)
        DeleteObject(hbmRow);
}

HBITMAP RotateBitmap(HDC hdc, const ViewBox& b, int nAngle, HBITMAP hbmSource)
{
    if (nAngle != 90 && nAngle != 180 && nAngle != 270)
        return NULL;
    if (b.width <= 0 || b.height <= 0 || !hbmSource)
        return NULL;
    const bool bQuarter = nAngle != 180;
    HBITMAP hbmResult =
        CreateCompatibleBitmap(hdc, bQuarter ? b.height : b.width, bQuarter ? b.width : b.height);
    HDC hdcSrc = CreateCompatibleDC(hdc);
    HDC hdcDst = CreateCompatibleDC(hdc);
    if (hbmResult && hdcSrc && hdcDst)
    {
        HGDIOBJ hOldSrc = SelectObject(hdcSrc, hbmSource);
        HGDIOBJ hOldDst = SelectObject(hdcDst, hbmResult);
        if (bQuarter)
        {
            TurnQuarter(hdcDst, hdcSrc, b, nAngle == 90, hdc);
        }
        else
        {
            // A half turn is both mirrors at once.
            ViewBox all = {0, 0, b.width, b.height};
            StretchFlipped(hdcDst, all, hdcSrc, b, FLIP_BOTH);
        }
        SelectObject(hdcDst, hOldDst);
        SelectObject(hdcSrc, hOldSrc);
    }
    else if (hbmResult)
    {
        DeleteObject(hbmResult);
        hbmResult = NULL;
    }
    if (hdcDst)
        DeleteDC(hdcDst);
    if (hdcSrc)
        DeleteDC(hdcSrc);
    return hbmResult;
}

// Stretches and mirrors into a temporary bitmap in the picture's
// orientation, then turns it and copies it to dest.
static void DrawTurned(HDC hdc, const ViewBox& dest, HDC hdcSrc, const ViewBox& src, int nAngle, DWORD dwFlags)
{
    ViewBox temp = {0, 0, dest.width, dest.height};
    if (IsQuarterTurn(nAngle))
    {
        temp.width = dest.height;
        temp.height = dest.width;
    }
    HDC hdcTemp = CreateCompatibleDC(hdc);
    HBITMAP hbmTemp = CreateCompatibleBitmap(hdc, temp.width, temp.height);
    if (hdcTemp && hbmTemp)
    {
        HGDIOBJ hOld = SelectObject(hdcTemp, hbmTemp);
        StretchFlipped(hdcTemp, temp, hdcSrc, src, dwFlags);
        SelectObject(hdcTemp, hOld);

        HBITMAP hbmTurned = RotateBitmap(hdc, temp, nAngle, hbmTemp);
        if (hbmTurned)
        {
            BlitBitmap(hdc, dest, hbmTurned);
            DeleteObject(hbmTurned);
        }
    }
    if (hbmTemp)
        DeleteObject(hbmTemp);
    if (hdcTemp)
        DeleteDC(hdcTemp);
}

BOOL DrawTransformed(HDC hdc, const ViewBox& dest, const ViewBox& src, int nAngle, DWORD dwFlags, HBITMAP hbm)
{
    HDC hdcSrc = CreateCompatibleDC(hdc);
    if (!hdcSrc)
        return FALSE;
    HGDIOBJ hOld = SelectObject(hdcSrc, hbm);
    if (nAngle == 0)
        StretchFlipped(hdc, dest, hdcSrc, src, dwFlags);
    else
        DrawTurned(hdc, dest, hdcSrc, src, nAngle, dwFlags);
    SelectObject(hdcSrc, hOld);
    DeleteDC(hdcSrc);
    return TRUE;
}

// How a DIB section stores its pixels, for the sampler. 16-bit BI_RGB is
// 5-5-5. False for palettes and anything else it cannot read.
static bool DibFormat(const DIBSECTION& ds, PixelFormat* pFormat)
{
    const DWORD dwCompression = ds.dsBmih.biCompression;
    if (!ds.dsBm.bmBits || (dwCompression != BI_RGB && dwCompression != BI_BITFIELDS))
        return false;
    const bool bFields = dwCompression == BI_BITFIELDS;
    const DWORD* pMasks = ds.dsBitfields;
    switch (ds.dsBm.bmBitsPixel)
    {
    case 16:
        *pFormat = MaskedFormat(PIXELS_MASKED16, bFields ? MakeChannelMasks(pMasks[0], pMasks[1], pMasks[2])
                                                         : MakeChannelMasks(0x7C00, 0x03E0, 0x001F));
        return !bFields || (pMasks[0] && pMasks[1] && pMasks[2]);
    case 24:
        *pFormat = PlainFormat(PIXELS_RGB24);
        return !bFields;
    case 32:
        if (!bFields || (pMasks[0] == 0xFF0000 && pMasks[1] == 0xFF00 && pMasks[2] == 0xFF))
            *pFormat = PlainFormat(PIXELS_BGRX32);
        else
            *pFormat = MaskedFormat(PIXELS_MASKED32, MakeChannelMasks32(pMasks[0], pMasks[1], pMasks[2]));
        return !bFields || (pMasks[0] && pMasks[1] && pMasks[2]);
    default:
        return false;
    }
}

// The rows of a DIB section from display row 0 down. A negative height
// marks top-down rows; every bitmap the viewer makes is bottom-up (and
// GetObjectW may report a top-down one with a positive height).
static bool DibRows(HBITMAP hbm, PixelRows* pRows, int32_t* pWidth, int32_t* pHeight)
{
    DIBSECTION ds;
    if (!hbm || GetObjectW(hbm, sizeof(ds), &ds) != sizeof(ds) || !DibFormat(ds, &pRows->format))
        return false;
    const int32_t w = ds.dsBm.bmWidth;
    const int32_t h = ds.dsBm.bmHeight < 0 ? -ds.dsBm.bmHeight : ds.dsBm.bmHeight;
    if (w <= 0 || h <= 0)
        return false;
    // DIB rows are padded to 4 bytes; 64 bits hold any 32-bit width times 32.
    const ptrdiff_t stride = (ptrdiff_t)((((int64_t)w * ds.dsBm.bmBitsPixel + 31) / 32) * 4);
    uint8_t* pBits = static_cast<uint8_t*>(ds.dsBm.bmBits);
    if (ds.dsBmih.biHeight < 0)
    {
        pRows->pTop = pBits;
        pRows->stride = stride;
    }
    else
    {
        pRows->pTop = pBits + (ptrdiff_t)(h - 1) * stride;
        pRows->stride = -stride;
    }
    *pWidth = w;
    *pHeight = h;
    return true;
}

BOOL SampleTransformed(HBITMAP hbmTarget, const ViewBox& dest, const ViewBox& src, int nAngle, DWORD dwFlags,
                       HBITMAP hbmSource)
{
    PixelRows source, target;
    int32_t sw, sh, tw, th;
    if (!DibRows(hbmSource, &source, &sw, &sh) || !DibRows(hbmTarget, &target, &tw, &th) ||
        !CanWritePixels(target.format))
        return FALSE;
    // Every index the axes give lies inside src, so src must lie inside
    // the picture.
    if (src.width < 1 || src.height < 1 || src.x < 0 || src.y < 0 || src.width > sw - src.x ||
        src.height > sh - src.y || dest.width < 1 || dest.height < 1)
        return FALSE;

    const size_t nEntries = (size_t)dest.width + (size_t)dest.height;
    if (nEntries > SIZE_MAX / sizeof(int32_t))
        return FALSE;
    int32_t* pTable = static_cast<int32_t*>(malloc(nEntries * sizeof(int32_t)));
    if (!pTable)
        return FALSE;
    SampleAxes axes = {false, pTable, pTable + dest.width};
    BOOL bOk = PlanSampling(src, dest.width, dest.height, nAngle, dwFlags, &axes) ? TRUE : FALSE;

    // The part of dest inside the target, in 64 bits: dest may reach past
    // the 32-bit range.
    const int64_t x0 = dest.x > 0 ? dest.x : 0, y0 = dest.y > 0 ? dest.y : 0;
    const int64_t x1 = (int64_t)dest.x + dest.width < tw ? (int64_t)dest.x + dest.width : tw;
    const int64_t y1 = (int64_t)dest.y + dest.height < th ? (int64_t)dest.y + dest.height : th;
    if (bOk && x0 < x1 && y0 < y1)
    {
        SampleAxes visible = {axes.bTransposed, axes.pColumnSource + (x0 - dest.x),
                              axes.pRowSource + (y0 - dest.y)};
        uint8_t* pDst =
            target.pTop + (ptrdiff_t)y0 * target.stride + (ptrdiff_t)x0 * PixelBytes(target.format.layout);
        // GDI may still be drawing into either bitmap.
        GdiFlush();
        SamplePixels(source, visible, target, pDst, (int32_t)(x1 - x0), (int32_t)(y1 - y0));
    }
    free(pTable);
    return bOk;
}

HBITMAP CreateBackBufferBitmap(HDC hdc, int w, int h)
{
    if (!hdc || w <= 0 || h <= 0)
        return NULL;
    // The format of the device's bitmaps, asked of a one-pixel one: the
    // first call fills the header, the second the masks.
    struct
    {
        BITMAPINFOHEADER header;
        DWORD masks[3];
    } bmi;
    memset(&bmi, 0, sizeof(bmi));
    bmi.header.biSize = sizeof(BITMAPINFOHEADER);
    bool bKnown = false;
    HBITMAP hbmProbe = CreateCompatibleBitmap(hdc, 1, 1);
    if (hbmProbe)
    {
        if (GetDIBits(hdc, hbmProbe, 0, 0, NULL, reinterpret_cast<BITMAPINFO*>(&bmi), DIB_RGB_COLORS) &&
            bmi.header.biCompression == BI_BITFIELDS)
            GetDIBits(hdc, hbmProbe, 0, 0, NULL, reinterpret_cast<BITMAPINFO*>(&bmi), DIB_RGB_COLORS);
        const WORD nBits = bmi.header.biBitCount;
        bKnown = (nBits == 16 || nBits == 24 || nBits == 32) &&
                 (bmi.header.biCompression == BI_RGB || bmi.header.biCompression == BI_BITFIELDS);
        DeleteObject(hbmProbe);
    }
    if (bKnown)
    {
        bmi.header.biWidth = w;
        bmi.header.biHeight = h;
        bmi.header.biPlanes = 1;
        bmi.header.biSizeImage = 0;
        void* pvBits = NULL;
        HBITMAP hbm = CreateDIBSection(hdc, reinterpret_cast<BITMAPINFO*>(&bmi), DIB_RGB_COLORS, &pvBits, NULL, 0);
        if (hbm && pvBits)
            return hbm;
        if (hbm)
            DeleteObject(hbm);
    }
    return CreateCompatibleBitmap(hdc, w, h);
}
