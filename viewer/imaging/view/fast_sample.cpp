#include "viewer/imaging/view/fast_sample.h"

#include <string.h>

#include "viewer/imaging/view/view_geometry.h"

bool FillSampleAxis(int32_t start, int32_t length, int32_t n, bool bFromEnd, bool bReverse, int32_t* pOut)
{
    if (n <= 0 || length <= 0 || start < 0 || length > INT32_MAX - start || !pOut)
        return false;
    // 64 bits hold (2n + 2) * length for any 32-bit n and length.
    const int64_t twoN = 2 * (int64_t)n;
    const bool bShrink = length > n;
    for (int32_t i = 0; i < n; ++i)
    {
        // Matching the stretch keeps the fast pass looking as it always
        // did; the high-quality pass redraws it anyway.
        int64_t k = bReverse ? n - 1 - i : i;
        if (bFromEnd)
            k = n - 1 - k;
        int64_t offset = bShrink ? ((2 * k + 2) * length - n) / twoN : ((2 * k + 1) * length) / twoN;
        if (bFromEnd)
            offset = length - 1 - offset;
        pOut[i] = start + (int32_t)offset;
    }
    return true;
}

bool PlanSampling(const ViewBox& view, int32_t width, int32_t height, int32_t nAngle, uint32_t flips,
                  SampleAxes* pAxes)
{
    if (!pAxes || !pAxes->pColumnSource || !pAxes->pRowSource)
        return false;
    const bool bLeftRight = (flips & FLIP_LEFT_RIGHT) != 0;
    const bool bTopBottom = (flips & FLIP_TOP_BOTTOM) != 0;
    // In the picture's orientation the output is tw x th. A turn moves
    // picture column u and row v of it to output (x, y):
    //   90: (v, tw - 1 - u)   180: (tw - 1 - u, th - 1 - v)   270: (th - 1 - v, u)
    // so each output axis walks one picture axis, forwards or backwards,
    // and a mirror turns that direction round.
    bool bTransposed, bReverseColumns, bReverseRows;
    switch (nAngle)
    {
    case 0:
        bTransposed = false;
        bReverseColumns = bLeftRight;
        bReverseRows = bTopBottom;
        break;
    case 180:
        bTransposed = false;
        bReverseColumns = !bLeftRight;
        bReverseRows = !bTopBottom;
        break;
    case 90:
        bTransposed = true;
        bReverseColumns = bTopBottom;
        bReverseRows = !bLeftRight;
        break;
    case 270:
        bTransposed = true;
        bReverseColumns = !bTopBottom;
        bReverseRows = bLeftRight;
        break;
    default:
        return false;
    }
    pAxes->bTransposed = bTransposed;
    // Output columns walk the picture's x, or its y once turned a quarter.
    const int32_t columnStart = bTransposed ? view.y : view.x;
    const int32_t columnLength = bTransposed ? view.height : view.width;
    const int32_t rowStart = bTransposed ? view.x : view.y;
    const int32_t rowLength = bTransposed ? view.width : view.height;
    // The stretch lays its cells from the bottom on the picture's y axis.
    return FillSampleAxis(columnStart, columnLength, width, bTransposed, bReverseColumns, pAxes->pColumnSource) &&
           FillSampleAxis(rowStart, rowLength, height, !bTransposed, bReverseRows, pAxes->pRowSource);
}

namespace {

// A channel of a masked pixel as 8 bits (the top 8 of a wider channel).
struct ChannelReader
{
    uint32_t mask;
    int32_t right;
    int32_t left;   // negative: shift right by -left
};

struct MaskReader
{
    ChannelReader c[3];
};

MaskReader MakeMaskReader(const ChannelMasks& m)
{
    MaskReader reader;
    for (int i = 0; i < 3; ++i)
    {
        // A mask reaching past the word, or a channel wider than 32 bits,
        // reads as 0 rather than shifting by the word size.
        const bool bUsable = m.rightShift[i] < 32 && m.leftShift[i] > -32 && m.leftShift[i] < 32;
        reader.c[i].mask = bUsable ? m.mask[i] : 0;
        reader.c[i].right = bUsable ? m.rightShift[i] : 0;
        reader.c[i].left = bUsable ? m.leftShift[i] : 0;
    }
    return reader;
}

inline uint32_t ReadChannel(uint32_t pixel, const ChannelReader& c)
{
    uint32_t v = (pixel & c.mask) >> c.right;
    v = c.left >= 0 ? v << c.left : v >> -c.left;
    return v & 0xFF;
}

inline uint32_t ReadMasked(uint32_t pixel, const MaskReader& r)
{
    return (ReadChannel(pixel, r.c[0]) << 16) | (ReadChannel(pixel, r.c[1]) << 8) | ReadChannel(pixel, r.c[2]);
}

// Words of 16 or 32 bits read as their masks say; a template so that each
// width keeps its own tight loop.
template <typename Word>
void GatherMaskedWords(const MaskReader& reader, const uint8_t* pRow, const int32_t* pIndex, int32_t n,
                       uint32_t* pLine)
{
    for (int32_t i = 0; i < n; ++i)
    {
        Word v;
        memcpy(&v, pRow + (size_t)pIndex[i] * sizeof(Word), sizeof(Word));
        pLine[i] = ReadMasked(v, reader);
    }
}

// Pixels at pIndex[0 .. n) of one source row into pLine as 0x00RRGGBB.
void GatherLine(const PixelRows& source, const MaskReader& reader, const uint8_t* pRow, const int32_t* pIndex,
                int32_t n, uint32_t* pLine)
{
    switch (source.format.layout)
    {
    case PIXELS_RGB24:
        for (int32_t i = 0; i < n; ++i)
        {
            const uint8_t* p = pRow + (size_t)pIndex[i] * 3;
            pLine[i] = ((uint32_t)p[2] << 16) | ((uint32_t)p[1] << 8) | p[0];
        }
        break;
    case PIXELS_BGRX32:
        for (int32_t i = 0; i < n; ++i)
        {
            uint32_t v;
            memcpy(&v, pRow + (size_t)pIndex[i] * 4, 4);
            pLine[i] = v & 0xFFFFFF;
        }
        break;
    case PIXELS_MASKED16:
        GatherMaskedWords<uint16_t>(reader, pRow, pIndex, n, pLine);
        break;
    case PIXELS_MASKED32:
        GatherMaskedWords<uint32_t>(reader, pRow, pIndex, n, pLine);
        break;
    }
}

// Packs 8-bit channels into a masked word: the top bits of each channel
// go to the mask's place.
struct MaskWriter
{
    int32_t drop[3];    // low bits of the 8-bit channel that do not fit
    int32_t place[3];   // position of the mask's lowest bit
};

MaskWriter MakeMaskWriter(const ChannelMasks& m)
{
    MaskWriter writer;
    for (int i = 0; i < 3; ++i)
    {
        writer.drop[i] = m.leftShift[i];
        writer.place[i] = m.rightShift[i];
    }
    return writer;
}

inline uint32_t PackMasked(uint32_t rgb, const MaskWriter& w)
{
    return (((rgb >> 16) & 0xFF) >> w.drop[0] << w.place[0]) | (((rgb >> 8) & 0xFF) >> w.drop[1] << w.place[1]) |
           ((rgb & 0xFF) >> w.drop[2] << w.place[2]);
}

// pLine[0 .. n) to n target pixels from pDst on, step bytes apart.
void ScatterLine(const PixelRows& target, const MaskWriter& writer, const uint32_t* pLine, int32_t n, uint8_t* pDst,
                 ptrdiff_t step)
{
    switch (target.format.layout)
    {
    case PIXELS_RGB24:
        for (int32_t i = 0; i < n; ++i, pDst += step)
        {
            pDst[0] = (uint8_t)pLine[i];
            pDst[1] = (uint8_t)(pLine[i] >> 8);
            pDst[2] = (uint8_t)(pLine[i] >> 16);
        }
        break;
    case PIXELS_BGRX32:
        for (int32_t i = 0; i < n; ++i, pDst += step)
            memcpy(pDst, &pLine[i], 4);
        break;
    case PIXELS_MASKED16:
        for (int32_t i = 0; i < n; ++i, pDst += step)
        {
            const uint16_t v = (uint16_t)PackMasked(pLine[i], writer);
            memcpy(pDst, &v, 2);
        }
        break;
    case PIXELS_MASKED32:
        for (int32_t i = 0; i < n; ++i, pDst += step)
        {
            const uint32_t v = PackMasked(pLine[i], writer);
            memcpy(pDst, &v, 4);
        }
        break;
    }
}

} // namespace

int32_t PixelBytes(PixelLayout layout)
{
    return layout == PIXELS_MASKED16 ? 2 : layout == PIXELS_RGB24 ? 3 : 4;
}

bool CanWritePixels(const PixelFormat& format)
{
    if (format.layout == PIXELS_RGB24 || format.layout == PIXELS_BGRX32)
        return true;
    const int32_t nWordBits = format.layout == PIXELS_MASKED16 ? 16 : 32;
    uint32_t seen = 0;
    for (int i = 0; i < 3; ++i)
    {
        const uint32_t mask = format.masks.mask[i];
        const int32_t place = format.masks.rightShift[i];
        const int32_t bits = 8 - format.masks.leftShift[i];
        if (!mask || bits < 1 || bits > 8 || place < 0 || place + bits > nWordBits)
            return false;
        // Contiguous: exactly the bits counted, from the lowest set one up.
        if (mask != (((1u << bits) - 1) << place) || (mask & seen))
            return false;
        seen |= mask;
    }
    return true;
}

void SamplePixels(const PixelRows& source, const SampleAxes& axes, const PixelRows& target, uint8_t* pDst,
                  int32_t width, int32_t height)
{
    if (width <= 0 || height <= 0)
        return;
    const MaskReader reader = MakeMaskReader(source.format.masks);
    const MaskWriter writer = MakeMaskWriter(target.format.masks);
    const ptrdiff_t pixelBytes = PixelBytes(target.format.layout);

    // One source row at a time, so the large picture is read along its
    // rows even when turned; the output is small enough to stay cached
    // while its columns are written. Lines go through a small buffer in
    // pieces.
    enum { kPiece = 512 };
    uint32_t line[kPiece];
    const int32_t nLines = axes.bTransposed ? width : height;
    const int32_t nLength = axes.bTransposed ? height : width;
    const int32_t* pLineSource = axes.bTransposed ? axes.pColumnSource : axes.pRowSource;
    const int32_t* pAlong = axes.bTransposed ? axes.pRowSource : axes.pColumnSource;
    const ptrdiff_t lineStep = axes.bTransposed ? pixelBytes : target.stride;
    const ptrdiff_t pixelStep = axes.bTransposed ? target.stride : pixelBytes;
    for (int32_t l = 0; l < nLines; ++l)
    {
        const uint8_t* pRow = source.pTop + (ptrdiff_t)pLineSource[l] * source.stride;
        uint8_t* pOut = pDst + (ptrdiff_t)l * lineStep;
        for (int32_t s = 0; s < nLength; s += kPiece)
        {
            const int32_t n = nLength - s < kPiece ? nLength - s : kPiece;
            GatherLine(source, reader, pRow, pAlong + s, n, line);
            ScatterLine(target, writer, line, n, pOut + (ptrdiff_t)s * pixelStep, pixelStep);
        }
    }
}
