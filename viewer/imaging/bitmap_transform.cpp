#include "viewer/imaging/bitmap_transform.h"

#include <string.h>

#include "viewer/imaging/image_decoder.h"
#include "viewer/imaging/view_geometry.h"

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
