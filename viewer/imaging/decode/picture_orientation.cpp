#include "viewer/imaging/decode/picture_orientation.h"

#include <stddef.h>
#include <string.h>

#include <algorithm>

#include "viewer/imaging/decode/decode_window.h"
#include "viewer/imaging/decode/picture_budget.h"

namespace {

// Side of the square tiles a quarter turn copies: the source rows one tile
// reads (64 rows of a cache line or two each) stay in the first-level cache
// while its columns are written.
const int kTile = 64;

bool HasQuarterTurn(int nOrientation)
{
    return nOrientation >= 5 && nOrientation <= 8;
}

// Where the upright picture's pixel (0, 0) lies in the stored picture, and
// how far one step right and one step down in the upright picture move in
// the stored one, all in bytes.
struct SourceWalk
{
    const BYTE* pOrigin;
    ptrdiff_t nStepX;
    ptrdiff_t nStepY;
};

// The walk of a quarter-turn orientation (5 to 8) over a stored picture of
// w x h with pixel (x, y) at pRow0 + y * nRowStep + x * nPixel, y from the
// top whichever way its rows lie in memory.
SourceWalk WalkFor(int nOrientation, const BYTE* pRow0, ptrdiff_t nRowStep, ptrdiff_t nPixel, int w, int h)
{
    const ptrdiff_t nLastX = (w - 1) * nPixel, nLastY = (h - 1) * nRowStep;
    switch (nOrientation)
    {
    case 5: // mirrored along the main diagonal
        return {pRow0, nRowStep, nPixel};
    case 6: // stored a quarter turn counter-clockwise: turned clockwise
        return {pRow0 + nLastY, -nRowStep, nPixel};
    case 7: // mirrored along the other diagonal
        return {pRow0 + nLastX + nLastY, -nRowStep, -nPixel};
    default: // 8, stored a quarter turn clockwise: turned counter-clockwise
        return {pRow0 + nLastX, nRowStep, -nPixel};
    }
}

// One pixel of N bytes; the fixed size lets the compiler use plain moves.
template <int N>
inline void CopyPixel(BYTE* d, const BYTE* s)
{
    memcpy(d, s, N);
}

// Upright rows 0..h-1 of width w, row y at pDst0 + y * nDstRowStep, from a
// walk that crosses the stored rows: tile by tile, so that neither side is
// read or written a whole picture row apart per pixel.
template <int N>
void CopyTiles(BYTE* pDst0, ptrdiff_t nDstRowStep, int w, int h, const SourceWalk& walk)
{
    for (int y0 = 0; y0 < h; y0 += kTile)
    {
        const int y1 = y0 + kTile < h ? y0 + kTile : h;
        for (int x0 = 0; x0 < w; x0 += kTile)
        {
            const int x1 = x0 + kTile < w ? x0 + kTile : w;
            for (int y = y0; y < y1; ++y)
            {
                BYTE* d = pDst0 + y * nDstRowStep + x0 * N;
                const BYTE* s = walk.pOrigin + y * walk.nStepY + x0 * walk.nStepX;
                for (int x = x0; x < x1; ++x, d += N, s += walk.nStepX)
                    CopyPixel<N>(d, s);
            }
        }
    }
}

template <int N>
inline void SwapPixels(BYTE* a, BYTE* b)
{
    BYTE t[N];
    memcpy(t, a, N);
    memcpy(a, b, N);
    memcpy(b, t, N);
}

// Pixel x of row a trades places with pixel w-1-x of row b; a row given
// twice is reversed.
template <int N>
void SwapReversed(BYTE* a, BYTE* b, int w)
{
    const int nLast = a == b ? w / 2 : w;
    for (int x = 0; x < nLast; ++x)
        SwapPixels<N>(a + x * N, b + (w - 1 - x) * N);
}

// The mirrors and the half turn keep the size, so they need no second
// bitmap: rows and pixels trade places pairwise. Which way round the rows
// lie in memory does not matter to any of the three.
template <int N>
void TurnInPlace(BYTE* pBits, ptrdiff_t nStride, int w, int h, int nOrientation)
{
    const size_t cbRow = static_cast<size_t>(w) * N;
    for (int y = 0, yOther = h - 1; y <= yOther; ++y, --yOther)
    {
        BYTE* a = pBits + y * nStride;
        BYTE* b = pBits + yOther * nStride;
        if (nOrientation == 2)
        {
            SwapReversed<N>(a, a, w);
            if (b != a)
                SwapReversed<N>(b, b, w);
        }
        else if (nOrientation == 3)
            SwapReversed<N>(a, b, w);
        else if (b != a)
            std::swap_ranges(a, a + cbRow, b);
    }
}

// Rows of a DIB section, whichever way round they lie.
int Height(const DIBSECTION& ds)
{
    return ds.dsBm.bmHeight < 0 ? -ds.dsBm.bmHeight : ds.dsBm.bmHeight;
}

// A DIB section's pixel (0, 0) and the step to the next row down.
void TopRow(const DIBSECTION& ds, BYTE** ppRow0, ptrdiff_t* pnRowStep)
{
    BYTE* pBits = static_cast<BYTE*>(ds.dsBm.bmBits);
    const ptrdiff_t nStride = ds.dsBm.bmWidthBytes;
    const bool bBottomUp = ds.dsBmih.biHeight > 0;
    *ppRow0 = bBottomUp ? pBits + (Height(ds) - 1) * nStride : pBits;
    *pnRowStep = bBottomUp ? -nStride : nStride;
}

// An empty DIB section in ds's format (masks and row order included), w x h.
HBITMAP CreateLike(const DIBSECTION& ds, int w, int h)
{
    if (DibBytes(w, h, ds.dsBmih.biBitCount) == UINT64_MAX)
        return NULL;
    struct
    {
        BITMAPINFOHEADER header;
        DWORD rgMasks[3];
    } bmi;
    memset(&bmi, 0, sizeof(bmi));
    bmi.header.biSize = sizeof(BITMAPINFOHEADER);
    bmi.header.biWidth = w;
    bmi.header.biHeight = ds.dsBmih.biHeight < 0 ? -h : h;
    bmi.header.biPlanes = 1;
    bmi.header.biBitCount = ds.dsBmih.biBitCount;
    bmi.header.biCompression = ds.dsBmih.biCompression;
    if (ds.dsBmih.biCompression == BI_BITFIELDS)
        memcpy(bmi.rgMasks, ds.dsBitfields, sizeof(bmi.rgMasks));
    return CreateDibGuarded(NULL, reinterpret_cast<const BITMAPINFO*>(&bmi));
}

bool IsTurnable(const DIBSECTION& ds)
{
    const WORD nBits = ds.dsBmih.biBitCount;
    const DWORD dwCompression = ds.dsBmih.biCompression;
    return ds.dsBm.bmBits && ds.dsBm.bmWidth > 0 && Height(ds) > 0 &&
           (nBits == 16 || nBits == 24 || nBits == 32) &&
           (dwCompression == BI_RGB || (dwCompression == BI_BITFIELDS && nBits != 24));
}

// The upright copy of a picture that needs a quarter turn; null when it
// cannot be made.
HBITMAP MakeTurned(const DIBSECTION& ds, int nOrientation)
{
    const int w = ds.dsBm.bmWidth, h = Height(ds);
    HBITMAP hbmUp = CreateLike(ds, h, w);
    DIBSECTION dsUp;
    if (!hbmUp || GetObjectW(hbmUp, sizeof(dsUp), &dsUp) != sizeof(dsUp) || !dsUp.dsBm.bmBits)
    {
        if (hbmUp)
            DeleteObject(hbmUp);
        return NULL;
    }
    BYTE* pSrc0;
    BYTE* pDst0;
    ptrdiff_t nSrcRowStep, nDstRowStep;
    TopRow(ds, &pSrc0, &nSrcRowStep);
    TopRow(dsUp, &pDst0, &nDstRowStep);
    const int nPixel = ds.dsBmih.biBitCount / 8;
    const SourceWalk walk = WalkFor(nOrientation, pSrc0, nSrcRowStep, nPixel, w, h);
    if (nPixel == 2)
        CopyTiles<2>(pDst0, nDstRowStep, h, w, walk);
    else if (nPixel == 3)
        CopyTiles<3>(pDst0, nDstRowStep, h, w, walk);
    else
        CopyTiles<4>(pDst0, nDstRowStep, h, w, walk);
    return hbmUp;
}

void MirrorInPlace(const DIBSECTION& ds, int nOrientation)
{
    BYTE* pBits = static_cast<BYTE*>(ds.dsBm.bmBits);
    const ptrdiff_t nStride = ds.dsBm.bmWidthBytes;
    const int w = ds.dsBm.bmWidth, h = Height(ds);
    const int nPixel = ds.dsBmih.biBitCount / 8;
    if (nPixel == 2)
        TurnInPlace<2>(pBits, nStride, w, h, nOrientation);
    else if (nPixel == 3)
        TurnInPlace<3>(pBits, nStride, w, h, nOrientation);
    else
        TurnInPlace<4>(pBits, nStride, w, h, nOrientation);
}

} // namespace

void UprightSize(int nOrientation, LONG* pWidth, LONG* pHeight)
{
    if (!pWidth || !pHeight || !HasQuarterTurn(nOrientation))
        return;
    const LONG w = *pWidth;
    *pWidth = *pHeight;
    *pHeight = w;
}

HBITMAP OrientBitmap(HBITMAP hbm, int nOrientation)
{
    if (!hbm || nOrientation < 2 || nOrientation > 8)
        return hbm;
    // Drawing queued on the bitmap must land before its bits are read.
    GdiFlush();
    DIBSECTION ds;
    if (GetObjectW(hbm, sizeof(ds), &ds) != sizeof(ds) || !IsTurnable(ds))
    {
        DeleteObject(hbm);
        return NULL;
    }
    if (!HasQuarterTurn(nOrientation))
    {
        MirrorInPlace(ds, nOrientation);
        return hbm;
    }
    HBITMAP hbmUp = MakeTurned(ds, nOrientation);
    DeleteObject(hbm);
    return hbmUp;
}
