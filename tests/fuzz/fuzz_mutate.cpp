#include "tests/fuzz/fuzz_mutate.h"

#include <stdio.h>
#include <string.h>

namespace {

const uint32_t kExtremes[] = {0,          1,          2,          0x7F,       0x80,       0xFF,
                              0x7FFF,     0x8000,     0xFFFF,     65500,      20000,      0x10000,
                              0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, 0xFFFFFFFE, 0x40000000, 548};
const uint32_t kHugeSides[] = {0, 1, 20000, 32767, 32768, 65500, 65535, 0x10000, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF};

uint32_t Pick(const uint32_t* p, size_t n, FuzzRandom* pRandom)
{
    return p[pRandom->Below(static_cast<uint32_t>(n))];
}

void Put16Le(FuzzBytes* p, size_t at, uint32_t v)
{
    if (at + 2 <= p->size())
    {
        (*p)[at] = static_cast<uint8_t>(v);
        (*p)[at + 1] = static_cast<uint8_t>(v >> 8);
    }
}

void Put16Be(FuzzBytes* p, size_t at, uint32_t v)
{
    if (at + 2 <= p->size())
    {
        (*p)[at] = static_cast<uint8_t>(v >> 8);
        (*p)[at + 1] = static_cast<uint8_t>(v);
    }
}

void Put32Le(FuzzBytes* p, size_t at, uint32_t v)
{
    for (int i = 0; i < 4 && at + 4 <= p->size(); ++i)
        (*p)[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

void Put32Be(FuzzBytes* p, size_t at, uint32_t v)
{
    for (int i = 0; i < 4 && at + 4 <= p->size(); ++i)
        (*p)[at + i] = static_cast<uint8_t>(v >> (24 - 8 * i));
}

// Offset of the first frame header's height field (SOF0..SOF15 but not DHT,
// JPG or DAC), or 0 when there is none.
size_t FindJpegFrame(const FuzzBytes& d)
{
    for (size_t i = 2; i + 9 < d.size(); ++i)
    {
        if (d[i] != 0xFF)
            continue;
        const uint8_t m = d[i + 1];
        if (m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC)
            return i + 5;
    }
    return 0;
}

// Offset of the first GIF image descriptor's width field, or 0.
size_t FindGifImage(const FuzzBytes& d)
{
    for (size_t i = 13; i + 9 < d.size(); ++i)
        if (d[i] == 0x2C)
            return i + 5;
    return 0;
}

} // namespace

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

void FlipBits(FuzzBytes* pData, FuzzRandom* pRandom)
{
    if (pData->empty())
        return;
    // Headers hold most of the decisions: half the flips land in the first 64 bytes.
    const uint32_t nFlips = 1 + pRandom->Below(8);
    for (uint32_t i = 0; i < nFlips; ++i)
    {
        const uint32_t nSpan = pRandom->OneIn(2) && pData->size() > 64 ? 64 : static_cast<uint32_t>(pData->size());
        (*pData)[pRandom->Below(nSpan)] ^= static_cast<uint8_t>(1u << pRandom->Below(8));
    }
}

void Truncate(FuzzBytes* pData, FuzzRandom* pRandom)
{
    if (pData->empty())
        return;
    const uint32_t n = static_cast<uint32_t>(pData->size());
    pData->resize(pRandom->OneIn(3) ? pRandom->Below(n < 128 ? n : 128) : pRandom->Below(n));
}

void Splice(FuzzBytes* pData, const FuzzBytes& other, FuzzRandom* pRandom)
{
    const size_t nHead = pRandom->Below(static_cast<uint32_t>(pData->size()) + 1);
    const size_t nFrom = pRandom->Below(static_cast<uint32_t>(other.size()) + 1);
    pData->resize(nHead);
    pData->insert(pData->end(), other.begin() + nFrom, other.end());
    if (pData->size() > FUZZ_MAX_INPUT)
        pData->resize(FUZZ_MAX_INPUT);
}

void SetFieldExtreme(FuzzBytes* pData, FuzzRandom* pRandom)
{
    if (pData->size() < 4)
        return;
    const uint32_t nSpan = pData->size() > 128 && !pRandom->OneIn(4) ? 128 : static_cast<uint32_t>(pData->size());
    const size_t at = pRandom->Below(nSpan - 3);
    const uint32_t v = Pick(kExtremes, sizeof(kExtremes) / sizeof(kExtremes[0]), pRandom);
    switch (pRandom->Below(5))
    {
    case 0: (*pData)[at] = static_cast<uint8_t>(v); break;
    case 1: Put16Le(pData, at, v); break;
    case 2: Put16Be(pData, at, v); break;
    case 3: Put32Le(pData, at, v); break;
    default: Put32Be(pData, at, v); break;
    }
}

bool MakeDimensionsHuge(FuzzBytes* pData, FuzzFormat format, FuzzRandom* pRandom)
{
    FuzzBytes& d = *pData;
    const uint32_t w = Pick(kHugeSides, sizeof(kHugeSides) / sizeof(kHugeSides[0]), pRandom);
    const uint32_t h = pRandom->OneIn(3) ? w : Pick(kHugeSides, sizeof(kHugeSides) / sizeof(kHugeSides[0]), pRandom);
    switch (format)
    {
    case FUZZ_FORMAT_JPEG:
    {
        const size_t at = FindJpegFrame(d);
        if (!at)
            return false;
        Put16Be(pData, at, h);
        Put16Be(pData, at + 2, w);
        return true;
    }
    case FUZZ_FORMAT_BMP:
        if (d.size() < 26)
            return false;
        if (d[14] == 12)
        {
            Put16Le(pData, 18, w);
            Put16Le(pData, 20, h);
        }
        else
        {
            Put32Le(pData, 18, w);
            Put32Le(pData, 22, pRandom->OneIn(4) ? 0u - (h & 0x7FFFFFFF) : h);
        }
        return true;
    case FUZZ_FORMAT_PNG:
        if (d.size() < 33)
            return false;
        Put32Be(pData, 16, w);
        Put32Be(pData, 20, h);
        Put32Be(pData, 29, Crc32(&d[12], 17));
        return true;
    case FUZZ_FORMAT_GIF:
    {
        if (d.size() < 10)
            return false;
        Put16Le(pData, 6, w);
        Put16Le(pData, 8, h);
        const size_t at = FindGifImage(d);
        if (at && pRandom->OneIn(2))
        {
            Put16Le(pData, at, w);
            Put16Le(pData, at + 2, h);
        }
        return true;
    }
    case FUZZ_FORMAT_INDEX:
    {
        const size_t nRecords = d.size() / 548;
        if (nRecords < 2)
            return false;
        const size_t rec = 548 * (1 + pRandom->Below(static_cast<uint32_t>(nRecords - 1)));
        Put32Le(pData, rec + 524 + 4 * pRandom->Below(6), w);
        return true;
    }
    default:
        return false;
    }
}

FuzzBytes MutateSeed(const std::vector<FuzzBytes>& seeds, size_t nSeed, FuzzFormat format, FuzzRandom* pRandom,
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
        default:
        {
            // Repeat or drop a block: lengths and counts no longer agree.
            if (data.size() < 2)
                break;
            const size_t at = pRandom->Below(static_cast<uint32_t>(data.size()));
            const size_t n = 1 + pRandom->Below(static_cast<uint32_t>(data.size() - at < 512 ? data.size() - at : 512));
            if (pRandom->OneIn(2))
            {
                data.erase(data.begin() + at, data.begin() + at + n);
                pszStep = " drop";
            }
            else if (data.size() + n <= FUZZ_MAX_INPUT)
            {
                FuzzBytes block(data.begin() + at, data.begin() + at + n);
                data.insert(data.begin() + at, block.begin(), block.end());
                pszStep = " repeat";
            }
            break;
        }
        }
        if (nUsed < cchWhat)
            nUsed += static_cast<size_t>(snprintf(pszWhat + nUsed, cchWhat - nUsed, "%s", pszStep));
    }
    return data;
}
