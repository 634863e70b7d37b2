#include "tests/fuzz/fuzz_mutate.h"

#include <stdio.h>

namespace {

const uint32_t kExtremes[] = {0,          1,          2,          0x7F,       0x80,       0xFF,
                              0x7FFF,     0x8000,     0xFFFF,     65500,      20000,      0x10000,
                              0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, 0xFFFFFFFE, 0x40000000, 548};
const uint32_t kHugeSides[] = {0, 1, 20000, 32767, 32768, 65500, 65535, 0x10000, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF};

template <size_t N>
uint32_t Pick(const uint32_t (&rg)[N], SeededRandom* pRandom)
{
    return rg[pRandom->Below(N)];
}

// Writes the low nBytes of v at an offset, in either byte order; nothing
// when the field does not fit.
void Put(FuzzBytes* p, size_t at, uint32_t v, int nBytes, bool bBigEndian)
{
    for (int i = 0; i < nBytes && at + nBytes <= p->size(); ++i)
        (*p)[at + i] = static_cast<uint8_t>(v >> 8 * (bBigEndian ? nBytes - 1 - i : i));
}

// Two fields side by side, as a picture's sides are.
void PutPair(FuzzBytes* p, size_t at, uint32_t a, uint32_t b, int nBytes, bool bBigEndian)
{
    Put(p, at, a, nBytes, bBigEndian);
    Put(p, at + nBytes, b, nBytes, bBigEndian);
}

uint32_t Crc32(const uint8_t* pb, size_t cb)
{
    uint32_t c = 0xFFFFFFFFu;
    for (size_t i = 0; i < cb; ++i)
    {
        c ^= pb[i];
        for (int k = 0; k < 8; ++k)
            c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1)));
    }
    return c ^ 0xFFFFFFFFu;
}

// Offset of the first marker that accepts, plus nSkip; 0 when none does.
template <class IsIt>
size_t Find(const FuzzBytes& d, size_t nFrom, size_t nSkip, IsIt isIt)
{
    for (size_t i = nFrom; i + 9 < d.size(); ++i)
        if (isIt(i))
            return i + nSkip;
    return 0;
}

// Headers hold most of the decisions: half the flips land in the first 64 bytes.
void FlipBits(FuzzBytes* pData, SeededRandom* pRandom)
{
    if (pData->empty())
        return;
    const uint32_t nFlips = 1 + pRandom->Below(8);
    for (uint32_t i = 0; i < nFlips; ++i)
    {
        const uint32_t nSpan = pRandom->OneIn(2) && pData->size() > 64 ? 64 : static_cast<uint32_t>(pData->size());
        (*pData)[pRandom->Below(nSpan)] ^= static_cast<uint8_t>(1u << pRandom->Below(8));
    }
}

void Truncate(FuzzBytes* pData, SeededRandom* pRandom)
{
    const uint32_t n = static_cast<uint32_t>(pData->size());
    if (n)
        pData->resize(pRandom->OneIn(3) ? pRandom->Below(n < 128 ? n : 128) : pRandom->Below(n));
}

void Splice(FuzzBytes* pData, const FuzzBytes& other, SeededRandom* pRandom)
{
    const size_t nHead = pRandom->Below(static_cast<uint32_t>(pData->size()) + 1);
    const size_t nFrom = pRandom->Below(static_cast<uint32_t>(other.size()) + 1);
    pData->resize(nHead);
    pData->insert(pData->end(), other.begin() + nFrom, other.end());
    if (pData->size() > FUZZ_MAX_INPUT)
        pData->resize(FUZZ_MAX_INPUT);
}

void SetFieldExtreme(FuzzBytes* pData, SeededRandom* pRandom)
{
    if (pData->size() < 4)
        return;
    const uint32_t nSpan = pData->size() > 128 && !pRandom->OneIn(4) ? 128 : static_cast<uint32_t>(pData->size());
    const size_t at = pRandom->Below(nSpan - 3);
    const uint32_t v = Pick(kExtremes, pRandom);
    static const int rgnBytes[] = {1, 2, 2, 4, 4};
    const uint32_t nKind = pRandom->Below(5);
    Put(pData, at, v, rgnBytes[nKind], nKind == 2 || nKind == 4);
}

// False when the format's dimension fields are not found in the data.
bool MakeDimensionsHuge(FuzzBytes* pData, FuzzFormat format, SeededRandom* pRandom)
{
    FuzzBytes& d = *pData;
    const uint32_t w = Pick(kHugeSides, pRandom);
    const uint32_t h = pRandom->OneIn(3) ? w : Pick(kHugeSides, pRandom);
    size_t at = 0;
    switch (format)
    {
    case FUZZ_FORMAT_JPEG:
        // The first frame header (SOF0..SOF15 but not DHT, JPG or DAC).
        at = Find(d, 2, 5, [&](size_t i) {
            return d[i] == 0xFF && d[i + 1] >= 0xC0 && d[i + 1] <= 0xCF && d[i + 1] != 0xC4 && d[i + 1] != 0xC8 &&
                   d[i + 1] != 0xCC;
        });
        if (!at)
            return false;
        PutPair(pData, at, h, w, 2, true);
        return true;
    case FUZZ_FORMAT_BMP:
        if (d.size() < 26)
            return false;
        if (d[14] == 12)
            PutPair(pData, 18, w, h, 2, false);
        else
            PutPair(pData, 18, w, pRandom->OneIn(4) ? 0u - (h & 0x7FFFFFFF) : h, 4, false);
        return true;
    case FUZZ_FORMAT_PNG:
        if (d.size() < 33)
            return false;
        PutPair(pData, 16, w, h, 4, true);
        Put(pData, 29, Crc32(&d[12], 17), 4, true);
        return true;
    case FUZZ_FORMAT_GIF:
        if (d.size() < 10)
            return false;
        PutPair(pData, 6, w, h, 2, false);
        // And half the time the first image descriptor's.
        at = Find(d, 13, 5, [&](size_t i) { return d[i] == 0x2C; });
        if (at && pRandom->OneIn(2))
            PutPair(pData, at, w, h, 2, false);
        return true;
    case FUZZ_FORMAT_WEBP:
        if (d.size() < 30 || d[12] != 'V' || d[15] != 'X')
            return false;
        PutPair(pData, 24, w - 1, h - 1, 3, false);
        return true;
    case FUZZ_FORMAT_HEIF:
        at = Find(d, 4, 8, [&](size_t i) { return d[i] == 'i' && d[i + 1] == 's' && d[i + 2] == 'p' && d[i + 3] == 'e'; });
        if (!at)
            return false;
        PutPair(pData, at, w, h, 4, true);
        return true;
    case FUZZ_FORMAT_INDEX:
        if (d.size() / 548 < 2)
            return false;
        at = 548 * (1 + pRandom->Below(static_cast<uint32_t>(d.size() / 548 - 1)));
        Put(pData, at + 524 + 4 * pRandom->Below(6), w, 4, false);
        return true;
    default:
        return false;
    }
}

// Repeats or drops a block: lengths and counts no longer agree.
const char* RepeatOrDrop(FuzzBytes* pData, SeededRandom* pRandom)
{
    FuzzBytes& data = *pData;
    if (data.size() < 2)
        return "";
    const size_t at = pRandom->Below(static_cast<uint32_t>(data.size()));
    const size_t n = 1 + pRandom->Below(static_cast<uint32_t>(data.size() - at < 512 ? data.size() - at : 512));
    if (pRandom->OneIn(2))
    {
        data.erase(data.begin() + at, data.begin() + at + n);
        return " drop";
    }
    if (data.size() + n > FUZZ_MAX_INPUT)
        return "";
    const FuzzBytes block(data.begin() + at, data.begin() + at + n);
    data.insert(data.begin() + at, block.begin(), block.end());
    return " repeat";
}

} // namespace

FuzzBytes MutateSeed(const std::vector<FuzzBytes>& seeds, size_t nSeed, FuzzFormat format, SeededRandom* pRandom,
                     char* pszWhat, size_t cchWhat)
{
    FuzzBytes data = seeds[nSeed];
    size_t nUsed = static_cast<size_t>(snprintf(pszWhat, cchWhat, "seed %u:", static_cast<unsigned>(nSeed)));
    const uint32_t nSteps = 1 + pRandom->Below(4);
    for (uint32_t i = 0; i < nSteps; ++i)
    {
        const char* pszStep = "";
        switch (pRandom->Below(8))
        {
        case 0:
        case 1: FlipBits(&data, pRandom); pszStep = " flip"; break;
        case 2: Truncate(&data, pRandom); pszStep = " cut"; break;
        case 3: Splice(&data, seeds[pRandom->Below(static_cast<uint32_t>(seeds.size()))], pRandom); pszStep = " splice"; break;
        case 4:
        case 5: SetFieldExtreme(&data, pRandom); pszStep = " extreme"; break;
        case 6: pszStep = MakeDimensionsHuge(&data, format, pRandom) ? " huge" : " huge?"; break;
        default: pszStep = RepeatOrDrop(&data, pRandom); break;
        }
        if (nUsed < cchWhat)
            nUsed += static_cast<size_t>(snprintf(pszWhat + nUsed, cchWhat - nUsed, "%s", pszStep));
    }
    return data;
}
