#include "viewer/imaging/decode/picture_budget.h"

#include <string.h>

uint64_t PictureBudget(uint64_t cbPhysical)
{
    const uint64_t cbQuarter = cbPhysical / 4;
    return cbQuarter < PICTURE_BUDGET_CAP ? cbQuarter : PICTURE_BUDGET_CAP;
}

uint64_t DibBytes(int64_t w, int64_t h, int nBits)
{
    // Sides beyond 2^31 and depths beyond 64 bits exist in no header we read;
    // refusing them keeps the products below within 64 bits.
    if (w <= 0 || h <= 0 || nBits <= 0 || w > INT32_MAX || h > INT32_MAX || nBits > 64)
        return UINT64_MAX;
    const uint64_t cbStride = (static_cast<uint64_t>(w) * static_cast<uint64_t>(nBits) + 31) / 32 * 4;
    if (cbStride > UINT64_MAX / static_cast<uint64_t>(h))
        return UINT64_MAX;
    return cbStride * static_cast<uint64_t>(h);
}

unsigned int JpegDenominatorWithin(uint32_t w, uint32_t h, uint64_t cbBudget)
{
    static const unsigned int kDenoms[] = {1, 2, 4, 8};
    for (unsigned int d : kDenoms)
    {
        const uint64_t ws = (static_cast<uint64_t>(w) + d - 1) / d;
        const uint64_t hs = (static_cast<uint64_t>(h) + d - 1) / d;
        if (DibBytes(static_cast<int64_t>(ws), static_cast<int64_t>(hs), 24) <= cbBudget)
            return d;
    }
    return 0;
}

uint64_t BudgetBesideTurn(uint64_t cbBudget)
{
    const uint64_t cbPadding = 3ull * 65535;
    return cbBudget > cbPadding ? (cbBudget - cbPadding) / 2 : 0;
}

int32_t SquareSideWithin(uint64_t cbBudget, int nBits)
{
    // Bisection: DibBytes grows with the side and sides stay below 2^31.
    int64_t lo = 0, hi = INT32_MAX;
    while (lo < hi)
    {
        const int64_t mid = lo + (hi - lo + 1) / 2;
        if (DibBytes(mid, mid, nBits) <= cbBudget)
            lo = mid;
        else
            hi = mid - 1;
    }
    return static_cast<int32_t>(lo);
}

namespace {

inline uint32_t Le16(const uint8_t* p) { return p[0] | (p[1] << 8); }
inline uint32_t Le32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24); }
inline uint32_t Be16(const uint8_t* p) { return (p[0] << 8) | p[1]; }
inline uint32_t Be32(const uint8_t* p) { return (uint32_t(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3]; }

bool BmpSize(const uint8_t* pb, size_t cb, int64_t* pw, int64_t* ph)
{
    if (cb < 26)
        return false;
    const uint32_t cbInfo = Le32(pb + 14);
    if (cbInfo == 12)
    {
        *pw = Le16(pb + 18);
        *ph = Le16(pb + 20);
        return true;
    }
    *pw = static_cast<int32_t>(Le32(pb + 18));
    // Negative heights mean top-down rows.
    *ph = static_cast<int32_t>(Le32(pb + 22));
    if (*ph < 0)
        *ph = -*ph;
    return true;
}

bool JpegSize(const uint8_t* pb, size_t cb, int64_t* pw, int64_t* ph)
{
    size_t i = 2;
    while (i + 4 <= cb)
    {
        if (pb[i] != 0xFF)
            return false;
        const uint8_t marker = pb[i + 1];
        if (marker == 0xFF)
        {
            ++i;   // fill byte
            continue;
        }
        // Start-of-frame markers, leaving out DHT, JPG and DAC.
        if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC)
        {
            if (i + 9 > cb)
                return false;
            *ph = Be16(pb + i + 5);
            *pw = Be16(pb + i + 7);
            return true;
        }
        if (marker == 0xD9 || marker == 0xDA)
            return false;   // image data before any frame header
        i += 2 + Be16(pb + i + 2);
    }
    return false;
}

} // namespace

bool PictureSizeFromHeader(const uint8_t* pb, size_t cb, int64_t* pWidth, int64_t* pHeight)
{
    static const uint8_t kPng[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (!pb || !pWidth || !pHeight)
        return false;
    if (cb >= 2 && pb[0] == 'B' && pb[1] == 'M')
        return BmpSize(pb, cb, pWidth, pHeight);
    if (cb >= 24 && memcmp(pb, kPng, 8) == 0 && memcmp(pb + 12, "IHDR", 4) == 0)
    {
        *pWidth = Be32(pb + 16);
        *pHeight = Be32(pb + 20);
        return true;
    }
    if (cb >= 10 && memcmp(pb, "GIF8", 4) == 0)
    {
        *pWidth = Le16(pb + 6);
        *pHeight = Le16(pb + 8);
        return true;
    }
    if (cb >= 4 && pb[0] == 0xFF && pb[1] == 0xD8 && pb[2] == 0xFF)
        return JpegSize(pb, cb, pWidth, pHeight);
    return false;
}

unsigned int ThumbnailDenominator(uint32_t width)
{
    if (width >= 384)
        return 8;
    if (width >= 193)
        return 4;
    if (width >= 65)
        return 2;
    return 1;
}
