// WebP's ICCP chunk and BMP V5's embedded profile: both found from the
// file's first bytes.
#include "viewer/imaging/colour/profile_readers.h"

#include <string.h>

namespace {

const int kWebpChunksMax = 64;
const uint32_t kBmpV5HeaderBytes = 124;
const uint32_t kProfileEmbedded = 0x4D424544;   // 'MBED'

} // namespace

// RIFF "WEBP": an "ICCP" chunk comes after "VP8X" and before the image data.
bool ReadWebpColour(const ByteSource& source, EmbeddedColour* pColour)
{
    uint8_t b[12];
    if (!ReadSource(source, 0, b, 12) || memcmp(b, "RIFF", 4) != 0 || memcmp(b + 8, "WEBP", 4) != 0)
        return false;
    uint64_t nAt = 12;
    for (int nChunk = 0; nChunk < kWebpChunksMax && ReadSource(source, nAt, b, 8); ++nChunk)
    {
        const uint32_t cbChunk = ReadLe32(b + 4);
        if (memcmp(b, "ICCP", 4) == 0)
        {
            ReadProfileAt(source, nAt + 8, cbChunk, pColour);
            break;
        }
        if (memcmp(b, "VP8 ", 4) == 0 || memcmp(b, "VP8L", 4) == 0 || memcmp(b, "ALPH", 4) == 0 ||
            memcmp(b, "ANIM", 4) == 0)
            break;
        nAt += 8 + static_cast<uint64_t>(cbChunk) + (cbChunk & 1);
    }
    return true;
}

// A V5 header whose colour space is PROFILE_EMBEDDED: the profile's offset
// counts from the start of the header, not of the file.
bool ReadBmpColour(const ByteSource& source, EmbeddedColour* pColour)
{
    uint8_t b[kBmpV5HeaderBytes];
    if (!ReadSource(source, 0, b, 2) || b[0] != 'B' || b[1] != 'M')
        return false;
    const uint64_t nHeaderAt = 14;
    if (!ReadSource(source, nHeaderAt, b, sizeof(b)) || ReadLe32(b) < kBmpV5HeaderBytes ||
        ReadLe32(b + 56) != kProfileEmbedded)
        return true;
    ReadProfileAt(source, nHeaderAt + ReadLe32(b + 112), ReadLe32(b + 116), pColour);
    return true;
}
