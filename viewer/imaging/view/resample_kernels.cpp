// Resampling kernels. Integer only; one division per table entry.
#include "viewer/imaging/view/resample_kernels.h"

#include <stdlib.h>
#include <string.h>

volatile int32_t g_nResampleAbort = 0;

void SetResampleAbort(int32_t nValue)
{
    g_nResampleAbort = nValue;
}

int32_t GetResampleAbort(void)
{
    return g_nResampleAbort;
}

WeightEntry* WeightTable(int32_t n, int32_t m, int32_t bReducing)
{
    if (n <= 0 || m <= 0)
        return NULL;
    WeightEntry* pTable = static_cast<WeightEntry*>(calloc(static_cast<size_t>(n), sizeof(WeightEntry)));
    if (!pTable)
        return NULL;
    const int32_t unit = bReducing ? (m * 4096) / n : 4096;
    const int32_t d = bReducing ? n : m;
    int32_t acc = 0;
    for (int32_t i = 0; i < n; i++)
    {
        int32_t t = acc + m;
        if (t > n)
        {
            pTable[i].w0 = ((n - acc) * 4096) / d;
            t -= n;
            pTable[i].w1 = (t * 4096) / d;
            // With an axis longer than 4096 the spill into the next cell
            // can truncate to 0, which would read as "the cell goes on" and
            // shift every later cell by one (and overflow the accumulators).
            // The cell still ends here; the tiny spill is dropped like any
            // other truncation.
            if (pTable[i].w1 == 0)
                pTable[i].w1 = -1;
        }
        else if (t == n)
        {
            pTable[i].w0 = unit;
            pTable[i].w1 = -1;
            t = 0;
        }
        else
        {
            pTable[i].w0 = unit;
            pTable[i].w1 = 0;
        }
        acc = t;
    }
    return pTable;
}

void FreeWeightTable(WeightEntry* pTable)
{
    free(pTable);
}

static int32_t CountTrailingZeros(uint32_t mask, int32_t nBits)
{
    int32_t n = 0;
    while (n < nBits && !(mask & (1u << n)))
        n++;
    return n;
}

static int32_t CountSetBits(uint32_t mask)
{
    int32_t n = 0;
    for (; mask; mask &= mask - 1)
        n++;
    return n;
}

static ChannelMasks MakeMasks(uint32_t r, uint32_t g, uint32_t b, int32_t nBits)
{
    ChannelMasks masks;
    const uint32_t rgMask[3] = {r, g, b};
    for (int c = 0; c < 3; c++)
    {
        masks.mask[c] = rgMask[c];
        masks.rightShift[c] = CountTrailingZeros(rgMask[c], nBits);
        masks.leftShift[c] = 8 - CountSetBits(rgMask[c]);
    }
    return masks;
}

ChannelMasks MakeChannelMasks(uint32_t redMask, uint32_t greenMask, uint32_t blueMask)
{
    return MakeMasks(redMask, greenMask, blueMask, 16);
}

ChannelMasks MakeChannelMasks32(uint32_t redMask, uint32_t greenMask, uint32_t blueMask)
{
    return MakeMasks(redMask, greenMask, blueMask, 32);
}

namespace {

// Pixel readers: Read() gives blue, green, red of pixel x of a row.
// Plain pixels of N bytes, blue first.
template <int N>
struct BgrReader
{
    static inline void Read(const uint8_t* pRow, int32_t x, uint32_t bgr[3])
    {
        const uint8_t* p = pRow + x * N;
        bgr[0] = p[0];
        bgr[1] = p[1];
        bgr[2] = p[2];
    }
};

inline uint32_t Channel(uint32_t pixel, const ChannelMasks& m, int c)
{
    const int32_t r = m.rightShift[c];
    const int32_t l = m.leftShift[c];
    uint32_t v = r >= 32 ? 0 : (pixel & m.mask[c]) >> r;
    if (l >= 32 || l <= -32)
        v = 0;
    else if (l >= 0)
        v <<= l;
    else
        v >>= -l;   // channels wider than 8 bits (32-bit bit fields) keep their top 8 bits
    return v & 0xFF;
}

template <class Word>
struct MaskedReader
{
    const ChannelMasks& m;
    inline void Read(const uint8_t* pRow, int32_t x, uint32_t bgr[3]) const
    {
        Word w;
        memcpy(&w, pRow + x * sizeof(Word), sizeof(Word));
        bgr[0] = Channel(w, m, CHANNEL_BLUE);
        bgr[1] = Channel(w, m, CHANNEL_GREEN);
        bgr[2] = Channel(w, m, CHANNEL_RED);
    }
};

// One axis of a weight table unpacked for the loops: the cell each entry
// starts in, its weight there, and its weight in the following cell (0 when
// none). Equivalent to walking the table with the w1 rules of the weight table.
struct Axis
{
    int32_t* cell;
    uint32_t* w0;
    uint32_t* w1;
};

bool UnpackAxis(const WeightEntry* pTable, int32_t n, Axis* pAxis)
{
    pAxis->cell = static_cast<int32_t*>(malloc(sizeof(int32_t) * n));
    pAxis->w0 = static_cast<uint32_t*>(malloc(sizeof(uint32_t) * n));
    pAxis->w1 = static_cast<uint32_t*>(malloc(sizeof(uint32_t) * n));
    if (!pAxis->cell || !pAxis->w0 || !pAxis->w1)
        return false;
    int32_t j = 0;
    for (int32_t i = 0; i < n; i++)
    {
        pAxis->cell[i] = j;
        pAxis->w0[i] = static_cast<uint32_t>(pTable[i].w0);
        pAxis->w1[i] = pTable[i].w1 > 0 ? static_cast<uint32_t>(pTable[i].w1) : 0;
        if (pTable[i].w1 != 0)
            j++;
    }
    return true;
}

void FreeAxis(Axis* pAxis)
{
    free(pAxis->cell);
    free(pAxis->w0);
    free(pAxis->w1);
}

// The cells of a reducing column table: each target column owns a run of
// entries of weight "unit" (w1 = 0) closed by one end entry (w1 != 0) with
// its own weights. Equivalent to walking the table entry by entry.
struct Cells
{
    int32_t* interior;   // entries of weight unit before the end entry
    uint32_t* endW0;
    uint32_t* endW1;     // 0 when the end entry does not spill
};

bool MakeCells(const WeightEntry* pTable, int32_t n, int32_t cells, Cells* pCells)
{
    pCells->interior = static_cast<int32_t*>(calloc(cells, sizeof(int32_t)));
    pCells->endW0 = static_cast<uint32_t*>(calloc(cells, sizeof(uint32_t)));
    pCells->endW1 = static_cast<uint32_t*>(calloc(cells, sizeof(uint32_t)));
    if (!pCells->interior || !pCells->endW0 || !pCells->endW1)
        return false;
    int32_t j = 0;
    for (int32_t i = 0; i < n && j < cells; i++)
    {
        if (pTable[i].w1 == 0)
        {
            pCells->interior[j]++;
            continue;
        }
        pCells->endW0[j] = static_cast<uint32_t>(pTable[i].w0);
        pCells->endW1[j] = pTable[i].w1 > 0 ? static_cast<uint32_t>(pTable[i].w1) : 0;
        j++;
    }
    return true;
}

void FreeCells(Cells* pCells)
{
    free(pCells->interior);
    free(pCells->endW0);
    free(pCells->endW1);
}

// One source row summed into the target's columns: column j gets the pixels
// of its cell, those of weight unit summed before one multiplication, and
// its end entry's spill goes to column j + 1. Stops early on an abort.
template <class Reader>
void SumRow(const Reader& reader, const uint8_t* pRow, int32_t tw, const Cells& cells, uint32_t unit,
            uint32_t* pH, volatile int32_t* pAbort)
{
    int32_t x = 0;
    for (int32_t j = 0; j < tw; j++)
    {
        uint32_t s0 = 0, s1 = 0, s2 = 0, bgr[3];
        const int32_t xEnd = x + cells.interior[j];
        bool bAborted = false;
        for (; x < xEnd; x++)
        {
            if (*pAbort)
            {
                bAborted = true;
                break;
            }
            reader.Read(pRow, x, bgr);
            s0 += bgr[0];
            s1 += bgr[1];
            s2 += bgr[2];
        }
        uint32_t* h = pH + j * 3;
        h[0] += s0 * unit;
        h[1] += s1 * unit;
        h[2] += s2 * unit;
        if (bAborted || *pAbort)
            return;
        reader.Read(pRow, x, bgr);
        const uint32_t a = cells.endW0[j], b = cells.endW1[j];
        h[0] += bgr[0] * a; h[1] += bgr[1] * a; h[2] += bgr[2] * a;
        h[3] += bgr[0] * b; h[4] += bgr[1] * b; h[5] += bgr[2] * b;
        x++;
    }
}

// Area averaging. Each contribution is p x (wy x wx); summed per
// source row first as H = sum(p x wx) and then weighted by wy, and inside a
// cell the pixels of weight unit are summed before one multiplication.
// Integer multiplication distributes over the sums (mod 2^32 too), so the
// accumulators hold exactly what adding every product one at a time would.
template <class Reader>
bool Shrink(const Reader& reader, const uint8_t* pSrc, int32_t sw, int32_t sh, ptrdiff_t srcStride,
            uint8_t* pDst, int32_t tw, int32_t th, ptrdiff_t dstStride, volatile int32_t* pAbort)
{
    // Only the shared flag is cleared here; a caller's own flag is its
    // owner's to clear, so a stop that came before the call still counts.
    if (pAbort == &g_nResampleAbort)
        *pAbort = 0;
    sw &= 0xFFFF; sh &= 0xFFFF; tw &= 0xFFFF; th &= 0xFFFF;
    if (sw == 0 || sh == 0 || tw == 0 || th == 0)
        return false;
    int32_t written = 0;
    WeightEntry* pCols = WeightTable(sw, tw, 1);
    WeightEntry* pRows = WeightTable(sh, th, 1);
    Cells cells = {NULL, NULL, NULL};
    const uint32_t unit = static_cast<uint32_t>((tw * 4096) / sw);
    const size_t cAcc = static_cast<size_t>(tw + 1) * 3;   // one spare cell: spills of 0 land there
    uint32_t* pCur = static_cast<uint32_t*>(calloc(cAcc, sizeof(uint32_t)));
    uint32_t* pNext = static_cast<uint32_t*>(calloc(cAcc, sizeof(uint32_t)));
    uint32_t* pH = static_cast<uint32_t*>(calloc(cAcc, sizeof(uint32_t)));
    if (pCols && pRows && pCur && pNext && pH && MakeCells(pCols, sw, tw, &cells))
    {
        for (int32_t y = 0; y < sh && written < th; y++)
        {
            if (*pAbort)
                break;
            const uint32_t wy0 = static_cast<uint32_t>(pRows[y].w0);
            const int32_t wy1 = pRows[y].w1;
            memset(pH, 0, cAcc * sizeof(uint32_t));
            SumRow(reader, pSrc, tw, cells, unit, pH, pAbort);
            for (size_t k = 0; k < static_cast<size_t>(tw) * 3; k++)
                pCur[k] += pH[k] * wy0;
            if (wy1 > 0)
            {
                for (size_t k = 0; k < static_cast<size_t>(tw) * 3; k++)
                    pNext[k] += pH[k] * static_cast<uint32_t>(wy1);
            }
            if (wy1 != 0)
            {
                for (size_t k = 0; k < static_cast<size_t>(tw) * 3; k++)
                    pDst[k] = static_cast<uint8_t>(pCur[k] >> 24);
                uint32_t* pSwap = pCur;
                pCur = pNext;
                pNext = pSwap;
                memset(pNext, 0, cAcc * sizeof(uint32_t));
                pDst += dstStride;
                written++;
            }
            pSrc += srcStride;
        }
    }
    FreeCells(&cells);
    free(pH);
    free(pNext);
    free(pCur);
    FreeWeightTable(pRows);
    FreeWeightTable(pCols);
    // A row summed while the abort came in is written too: only a flag still
    // clear at the end proves every row whole.
    return written == th && !*pAbort;
}

// Overlap interpolation: every target pixel from at most four source pixels.
template <class Reader>
bool Enlarge(const Reader& reader, const uint8_t* pSrc, int32_t sw, int32_t sh, ptrdiff_t srcStride,
             uint8_t* pDst, int32_t tw, int32_t th, ptrdiff_t dstStride, volatile int32_t* pAbort)
{
    sw &= 0xFFFF; sh &= 0xFFFF; tw &= 0xFFFF; th &= 0xFFFF;
    if (sw == 0 || sh == 0 || tw == 0 || th == 0)
        return false;
    WeightEntry* pCols = WeightTable(tw, sw, 0);
    WeightEntry* pRows = WeightTable(th, sh, 0);
    Axis cols = {NULL, NULL, NULL};
    int32_t y = 0;
    if (pCols && pRows && UnpackAxis(pCols, tw, &cols))
    {
        int32_t k = 0;   // current source row
        for (; y < th && k < sh; y++)
        {
            if (*pAbort)
                break;
            const uint32_t wy0 = static_cast<uint32_t>(pRows[y].w0);
            const uint32_t wy1 = pRows[y].w1 > 0 ? static_cast<uint32_t>(pRows[y].w1) : 0;
            const uint8_t* pRow0 = pSrc + k * srcStride;
            const uint8_t* pRow1 = pRow0 + srcStride;
            uint8_t* pOut = pDst;
            for (int32_t x = 0; x < tw; x++)
            {
                if (*pAbort)
                    break;
                const int32_t s = cols.cell[x];
                if (s >= sw)
                    break;
                const uint32_t wx0 = cols.w0[x], wx1 = cols.w1[x];
                uint32_t p00[3], sum[3];
                reader.Read(pRow0, s, p00);
                for (int c = 0; c < 3; c++)
                    sum[c] = p00[c] * (wy0 * wx0);
                if (wx1)
                {
                    uint32_t p01[3];
                    reader.Read(pRow0, s + 1, p01);
                    for (int c = 0; c < 3; c++)
                        sum[c] += p01[c] * (wy0 * wx1);
                }
                if (wy1)
                {
                    uint32_t p10[3];
                    reader.Read(pRow1, s, p10);
                    for (int c = 0; c < 3; c++)
                        sum[c] += p10[c] * (wy1 * wx0);
                    if (wx1)
                    {
                        uint32_t p11[3];
                        reader.Read(pRow1, s + 1, p11);
                        for (int c = 0; c < 3; c++)
                            sum[c] += p11[c] * (wy1 * wx1);
                    }
                }
                pOut[0] = static_cast<uint8_t>(sum[0] >> 24);
                pOut[1] = static_cast<uint8_t>(sum[1] >> 24);
                pOut[2] = static_cast<uint8_t>(sum[2] >> 24);
                pOut += 3;
            }
            if (pRows[y].w1 != 0)
                k++;
            pDst += dstStride;
        }
    }
    FreeAxis(&cols);
    FreeWeightTable(pRows);
    FreeWeightTable(pCols);
    return y == th && !*pAbort;
}

// Calls kernel with the reader of the format; each reader gets its own
// copy of the kernel, so the per-pixel loops stay free of the choice.
template <class Kernel>
bool WithReader(const PixelFormat& format, const Kernel& kernel)
{
    switch (format.layout)
    {
    case PIXELS_RGB24:
        return kernel(BgrReader<3>());
    case PIXELS_BGRX32:
        return kernel(BgrReader<4>());
    case PIXELS_MASKED16:
        return kernel(MaskedReader<uint16_t>{format.masks});
    case PIXELS_MASKED32:
        return kernel(MaskedReader<uint32_t>{format.masks});
    }
    return false;
}

} // namespace

bool ShrinkPixels(const PixelFormat& format, const uint8_t* pSrc, int32_t sw, int32_t sh, ptrdiff_t srcStride,
                  uint8_t* pDst, int32_t tw, int32_t th, ptrdiff_t dstStride, volatile int32_t* pAbort)
{
    return WithReader(format, [&](const auto& reader) {
        return Shrink(reader, pSrc, sw, sh, srcStride, pDst, tw, th, dstStride, pAbort);
    });
}

bool EnlargePixels(const PixelFormat& format, const uint8_t* pSrc, int32_t sw, int32_t sh, ptrdiff_t srcStride,
                   uint8_t* pDst, int32_t tw, int32_t th, ptrdiff_t dstStride, volatile int32_t* pAbort)
{
    return WithReader(format, [&](const auto& reader) {
        return Enlarge(reader, pSrc, sw, sh, srcStride, pDst, tw, th, dstStride, pAbort);
    });
}
