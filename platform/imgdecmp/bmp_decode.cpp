// BMP and ".2bp" decoding of our own: OS/2 12/16/64-byte, 40, 52, 56, V4 and
// V5 headers; 1, 2, 4, 8, 16, 24 and 32 bits; RLE4, RLE8, bit fields and
// top-down rows. Rows are read one at a time and written straight into the
// output DIB section; data that ends early fails the decode.
#include "platform/imgdecmp/bmp_decode.h"

#include <stdlib.h>
#include <string.h>

namespace {

enum
{
    kRgb = 0,
    kRle8 = 1,
    kRle4 = 2,
    kBitFields = 3,
    kAlphaBitFields = 6
};

struct BmpHeader
{
    uint32_t offBits;
    uint32_t headerSize;
    int32_t width;
    int32_t height;      // as stored: negative for top-down
    uint16_t bitCount;
    uint32_t compression;
    uint32_t clrUsed;
    uint32_t masks[3];   // red, green, blue
    bool bOs2;
};

inline uint16_t U16(const BYTE* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t U32(const BYTE* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24); }

struct MaskChannel
{
    uint32_t mask;
    int shift;
    uint32_t max;
};

MaskChannel MakeChannel(uint32_t mask)
{
    MaskChannel c = {mask, 0, 0};
    if (mask)
    {
        while (!(mask & (1u << c.shift)))
            c.shift++;
        c.max = mask >> c.shift;
    }
    return c;
}

inline uint32_t Expand(uint32_t pixel, const MaskChannel& c)
{
    if (!c.max)
        return 0;
    return static_cast<uint32_t>((static_cast<uint64_t>((pixel & c.mask) >> c.shift) * 255 + c.max / 2) / c.max);
}

// The fields of an info header of headerSize bytes; the shorter headers
// leave the rest 0.
void ParseInfo(const BYTE* info, BmpHeader* pHeader)
{
    BmpHeader& h = *pHeader;
    h.bOs2 = h.headerSize == 12 || h.headerSize == 16 || h.headerSize == 64;
    if (h.headerSize == 12)
    {
        h.width = U16(info + 4);
        h.height = U16(info + 6);
        h.bitCount = U16(info + 10);
        return;
    }
    h.width = static_cast<int32_t>(U32(info + 4));
    h.height = static_cast<int32_t>(U32(info + 8));
    h.bitCount = U16(info + 14);
    if (h.headerSize >= 20)
        h.compression = U32(info + 16);
    if (h.headerSize >= 36)
        h.clrUsed = U32(info + 32);
}

// The colour masks: from the info header, from the 12 or 16 bytes behind a
// short one, or the fixed ones of 16- and 32-bit BI_RGB. Fails for a
// compression that does not go with the depth.
HRESULT ReadMasks(DecodeJob* pJob, const BYTE* info, BmpHeader* pHeader, size_t* pcbConsumed)
{
    BmpHeader& h = *pHeader;
    if (h.compression == kBitFields || h.compression == kAlphaBitFields)
    {
        if (h.bitCount != 16 && h.bitCount != 32)
            return E_FAIL;
        if (h.headerSize >= 52)
        {
            h.masks[0] = U32(info + 40);
            h.masks[1] = U32(info + 44);
            h.masks[2] = U32(info + 48);
            return S_OK;
        }
        const size_t cbMasks = h.compression == kAlphaBitFields ? 16 : 12;
        BYTE masks[16];
        if (pJob->src.Read(masks, cbMasks) != cbMasks)
            return E_FAIL;
        h.masks[0] = U32(masks);
        h.masks[1] = U32(masks + 4);
        h.masks[2] = U32(masks + 8);
        *pcbConsumed += cbMasks;
        return S_OK;
    }
    if (h.compression == kRgb)
    {
        if (h.bitCount == 16)
        {
            h.masks[0] = 0x7C00;
            h.masks[1] = 0x03E0;
            h.masks[2] = 0x001F;
        }
        else if (h.bitCount == 32)
        {
            h.masks[0] = 0xFF0000;
            h.masks[1] = 0x00FF00;
            h.masks[2] = 0x0000FF;
        }
        return S_OK;
    }
    if ((h.compression == kRle8 && h.bitCount == 8) || (h.compression == kRle4 && h.bitCount == 4))
        return S_OK;
    return E_FAIL;
}

// Depth, dimensions and palette size that the row decoders can trust.
bool IsDecodableHeader(const BmpHeader& h)
{
    switch (h.bitCount)
    {
    case 1: case 2: case 4: case 8: case 16: case 24: case 32:
        break;
    default:
        return false;
    }
    // Positive width, non-zero height, RLE only bottom-up.
    if (h.width <= 0 || h.height == 0 || h.height == INT32_MIN)
        return false;
    if (h.height < 0 && (h.compression == kRle8 || h.compression == kRle4))
        return false;
    return !(h.bitCount <= 8 && h.clrUsed > (1u << h.bitCount));
}

// Reads the file header and the info header; validates what can be checked
// before any pixel is read.
HRESULT ReadHeader(DecodeJob* pJob, BmpHeader* pHeader, size_t* pcbConsumed)
{
    BYTE file[14];
    BYTE info[124];
    if (pJob->src.Read(file, sizeof(file)) != sizeof(file) || file[0] != 'B' || file[1] != 'M')
        return E_FAIL;
    if (pJob->src.Read(info, 4) != 4)
        return E_FAIL;
    BmpHeader& h = *pHeader;
    memset(&h, 0, sizeof(h));
    h.offBits = U32(file + 10);
    h.headerSize = U32(info);
    switch (h.headerSize)
    {
    case 12: case 16: case 40: case 52: case 56: case 64: case 108: case 124:
        break;
    default:
        return E_FAIL;
    }
    if (pJob->src.Read(info + 4, h.headerSize - 4) != h.headerSize - 4)
        return E_FAIL;
    size_t cbConsumed = sizeof(file) + h.headerSize;
    ParseInfo(info, &h);
    // OS/2 numbers 3 and 4 are Huffman and RLE24, neither provided.
    if (h.bOs2 && h.compression > kRle4)
        return E_FAIL;
    if (FAILED(ReadMasks(pJob, info, &h, &cbConsumed)) || !IsDecodableHeader(h))
        return E_FAIL;
    *pcbConsumed = cbConsumed;
    return S_OK;
}

// One row of palette indices (1 to 8 bits) to pixels.
void ExpandIndices(const BYTE* pRow, int nWidth, int nBits, const uint32_t* pPalette, uint32_t* pOut)
{
    const int nPerByte = 8 / nBits;
    const uint32_t mask = (1u << nBits) - 1;
    for (int x = 0; x < nWidth; x++)
    {
        const int shift = 8 - nBits * (x % nPerByte + 1);
        pOut[x] = pPalette[(pRow[x / nPerByte] >> shift) & mask];
    }
}

HRESULT DecodeRows(DecodeJob* pJob, const BmpHeader& h, const uint32_t* pPalette)
{
    const int nWidth = h.width;
    const int nHeight = h.height < 0 ? -h.height : h.height;
    const size_t cbRow = ((static_cast<size_t>(nWidth) * h.bitCount + 31) / 32) * 4;
    BYTE* pRow = static_cast<BYTE*>(AllocScratch(cbRow, 1));
    uint32_t* pPixels = static_cast<uint32_t*>(AllocScratch(nWidth, sizeof(uint32_t)));
    pJob->pScratch2 = pRow;   // released by the decode call's cleanup
    if (!pRow || !pPixels)
    {
        free(pPixels);
        return E_OUTOFMEMORY;
    }
    pJob->pScratch = pPixels;
    const MaskChannel r = MakeChannel(h.masks[0]), g = MakeChannel(h.masks[1]), b = MakeChannel(h.masks[2]);
    for (int i = 0; i < nHeight; i++)
    {
        if (pJob->src.Read(pRow, cbRow) != cbRow)
            return E_FAIL;   // the data ends before the rows the header claims
        switch (h.bitCount)
        {
        case 16:
        case 32:
            for (int x = 0; x < nWidth; x++)
            {
                const uint32_t p = h.bitCount == 16 ? U16(pRow + 2 * x) : U32(pRow + 4 * x);
                pPixels[x] = (Expand(p, r) << 16) | (Expand(p, g) << 8) | Expand(p, b);
            }
            break;
        case 24:
            for (int x = 0; x < nWidth; x++)
                pPixels[x] = pRow[3 * x] | (pRow[3 * x + 1] << 8) | (pRow[3 * x + 2] << 16);
            break;
        default:
            ExpandIndices(pRow, nWidth, h.bitCount, pPalette, pPixels);
            break;
        }
        OutputWriteSpan(&pJob->out, 0, h.height < 0 ? i : nHeight - 1 - i, nWidth, pPixels);
    }
    return S_OK;
}

// RLE8 and RLE4: escapes 0 end of line, 1 end of bitmap, 2 delta; pixels
// skipped by a delta or an early end stay black.
HRESULT DecodeRle(DecodeJob* pJob, const BmpHeader& h, const uint32_t* pPalette)
{
    const int nWidth = h.width;
    const int nHeight = h.height;
    const bool bRle4 = h.compression == kRle4;
    uint32_t* pPixels = static_cast<uint32_t*>(AllocScratch(nWidth, sizeof(uint32_t)));
    if (!pPixels)
        return E_OUTOFMEMORY;
    pJob->pScratch = pPixels;
    memset(pPixels, 0, nWidth * sizeof(uint32_t));
    int x = 0, y = 0;   // y counts file rows from the bottom
    auto flushRow = [&]() {
        OutputWriteSpan(&pJob->out, 0, nHeight - 1 - y, nWidth, pPixels);
        memset(pPixels, 0, nWidth * sizeof(uint32_t));
        y++;
        x = 0;
    };
    // x stops at the row's end: pixels past it are dropped, and a long run
    // with no end of line cannot wrap it round to a negative column.
    auto put = [&](BYTE index) {
        if (x < nWidth)
            pPixels[x++] = pPalette[index];
    };
    while (y < nHeight)
    {
        BYTE pair[2];
        if (pJob->src.Read(pair, 2) != 2)
            return E_FAIL;
        if (pair[0] > 0)
        {
            for (int i = 0; i < pair[0]; i++)
                put(bRle4 ? ((i & 1) ? (pair[1] & 0x0F) : (pair[1] >> 4)) : pair[1]);
            continue;
        }
        switch (pair[1])
        {
        case 0:
            flushRow();
            break;
        case 1:
            while (y < nHeight)
                flushRow();
            return S_OK;
        case 2:
        {
            BYTE delta[2];
            if (pJob->src.Read(delta, 2) != 2)
                return E_FAIL;
            const int dx = delta[0];
            for (int i = 0; i < delta[1] && y < nHeight; i++)
            {
                const int xKeep = x;
                flushRow();
                x = xKeep;
            }
            x = dx < nWidth - x ? x + dx : nWidth;
            break;
        }
        default:
        {
            // Absolute run of pair[1] pixels, padded to a 16-bit boundary.
            const int n = pair[1];
            const size_t cb = bRle4 ? (n + 1) / 2 : n;
            BYTE run[256];
            if (pJob->src.Read(run, cb) != cb || ((cb & 1) && !pJob->src.Skip(1)))
                return E_FAIL;
            for (int i = 0; i < n; i++)
                put(bRle4 ? ((i & 1) ? (run[i / 2] & 0x0F) : (run[i / 2] >> 4)) : run[i]);
            break;
        }
        }
    }
    return S_OK;
}

} // namespace

HRESULT DecodeBmp(DecodeJob* pJob)
{
    BmpHeader h;
    size_t cbConsumed = 0;
    HRESULT hr = ReadHeader(pJob, &h, &cbConsumed);
    if (FAILED(hr))
        return hr;
    uint32_t palette[256];
    memset(palette, 0, sizeof(palette));
    if (h.bitCount <= 8)
    {
        const uint32_t nColours = h.clrUsed ? h.clrUsed : (1u << h.bitCount);
        const size_t cbEntry = h.headerSize == 12 ? 3 : 4;
        for (uint32_t i = 0; i < nColours; i++)
        {
            BYTE entry[4];
            if (pJob->src.Read(entry, cbEntry) != cbEntry)
                return E_FAIL;
            palette[i] = entry[0] | (entry[1] << 8) | (entry[2] << 16);
        }
        cbConsumed += nColours * cbEntry;
    }
    // The pixels must start after everything read so far.
    if (h.offBits < cbConsumed)
        return E_FAIL;
    if (!pJob->src.Skip(h.offBits - cbConsumed))
        return E_FAIL;
    hr = OutputCreate(&pJob->out, h.width, h.height < 0 ? -h.height : h.height);
    if (FAILED(hr))
        return hr;
    if (h.compression == kRle8 || h.compression == kRle4)
        return DecodeRle(pJob, h, palette);
    return DecodeRows(pJob, h, palette);
}
