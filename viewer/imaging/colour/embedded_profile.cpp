// The readers by signature, and the JPEG, WebP and BMP ones, which find the
// profile by walking the file's segments, chunks or header: a few small
// reads, never the picture data.
#include "viewer/imaging/colour/embedded_profile.h"

#include <stdlib.h>
#include <string.h>

namespace {

// Segments and chunks walked before the picture data; files carry a few.
const int kJpegSegmentsMax = 1024;
const int kWebpChunksMax = 64;
// A JPEG profile comes in at most 255 numbered chunks of APP2.
const int kJpegChunksMax = 255;
const uint32_t kBmpV5HeaderBytes = 124;
const uint32_t kProfileEmbedded = 0x4D424544;   // 'MBED'

bool ReadFrom(const ByteSource& source, uint64_t nAt, void* pv, size_t cb)
{
    return nAt <= source.cbSize && cb <= source.cbSize - nAt && source.pfnRead(source.pContext, nAt, pv, cb);
}

bool ReadMemory(void* pContext, uint64_t nAt, void* pv, size_t cb)
{
    const MemoryBytes* pBytes = static_cast<const MemoryBytes*>(pContext);
    if (nAt > pBytes->cb || cb > pBytes->cb - nAt)
        return false;
    memcpy(pv, pBytes->pb + nAt, cb);
    return true;
}

struct JpegChunk
{
    uint64_t nAt;   // 0: not seen
    uint32_t cb;
};

// Reads the chunks, in sequence order, into one profile.
void JoinJpegChunks(const ByteSource& source, const JpegChunk* pChunks, int nCount, uint64_t cbTotal,
                    EmbeddedColour* pColour)
{
    if (cbTotal < EMBEDDED_PROFILE_MIN_BYTES || cbTotal > EMBEDDED_PROFILE_MAX_BYTES)
        return;
    uint8_t* pb = static_cast<uint8_t*>(malloc(static_cast<size_t>(cbTotal)));
    if (!pb)
        return;
    size_t cbDone = 0;
    for (int nSeq = 1; nSeq <= nCount; ++nSeq)
    {
        if (!ReadFrom(source, pChunks[nSeq].nAt, pb + cbDone, pChunks[nSeq].cb))
        {
            free(pb);
            return;
        }
        cbDone += pChunks[nSeq].cb;
    }
    TakeProfileBytes(pb, cbDone, pColour);
}

} // namespace

ByteSource MemorySource(const MemoryBytes* pBytes)
{
    ByteSource source = {const_cast<MemoryBytes*>(pBytes), ReadMemory, pBytes->cb};
    return source;
}

bool TakeProfileBytes(uint8_t* pb, size_t cb, EmbeddedColour* pColour)
{
    // The header's own size and signature; lcms2 checks the rest.
    const uint32_t cbDeclared = cb >= EMBEDDED_PROFILE_MIN_BYTES ? ReadBe32(pb) : 0;
    if (cbDeclared < EMBEDDED_PROFILE_MIN_BYTES || cbDeclared > cb || memcmp(pb + 36, "acsp", 4) != 0)
    {
        free(pb);
        return false;
    }
    pColour->kind = EMBEDDED_ICC;
    pColour->pbIcc = pb;
    pColour->cbIcc = cbDeclared;
    return true;
}

bool ReadProfileAt(const ByteSource& source, uint64_t nAt, uint64_t cb, EmbeddedColour* pColour)
{
    if (cb < EMBEDDED_PROFILE_MIN_BYTES || cb > EMBEDDED_PROFILE_MAX_BYTES)
        return false;
    uint8_t* pb = static_cast<uint8_t*>(malloc(static_cast<size_t>(cb)));
    if (!pb)
        return false;
    if (!ReadFrom(source, nAt, pb, static_cast<size_t>(cb)))
    {
        free(pb);
        return false;
    }
    return TakeProfileBytes(pb, static_cast<size_t>(cb), pColour);
}

void FreeEmbeddedColour(EmbeddedColour* pColour)
{
    free(pColour->pbIcc);
    memset(pColour, 0, sizeof(*pColour));
}

void ReadEmbeddedColour(const ByteSource& source, EmbeddedColour* pColour)
{
    memset(pColour, 0, sizeof(*pColour));
    // Each reader answers only for its own signature.
    ReadJpegColour(source, pColour) || ReadPngColour(source, pColour) || ReadWebpColour(source, pColour) ||
        ReadBmpColour(source, pColour) || ReadIsoBoxColour(source, pColour);
}

// APP2 segments "ICC_PROFILE\0", each with its sequence number and the
// count: every one from 1 to the count exactly once, or nothing.
bool ReadJpegColour(const ByteSource& source, EmbeddedColour* pColour)
{
    uint8_t b[18];
    if (!ReadFrom(source, 0, b, 2) || b[0] != 0xFF || b[1] != 0xD8)
        return false;
    JpegChunk rgChunks[kJpegChunksMax + 1];
    memset(rgChunks, 0, sizeof(rgChunks));
    int nCount = 0, nSeen = 0;
    uint64_t cbTotal = 0, nAt = 2;
    for (int nSegment = 0; nSegment < kJpegSegmentsMax && ReadFrom(source, nAt, b, 4) && b[0] == 0xFF; ++nSegment)
    {
        const uint8_t marker = b[1];
        if (marker == 0xFF)
        {
            ++nAt;   // a fill byte before the marker
            continue;
        }
        // The scan starts: profiles come before it.
        if (marker == 0xDA || marker == 0xD9)
            break;
        const uint32_t cbSegment = ReadBe16(b + 2);
        if (cbSegment < 2)
            return true;
        if (marker == 0xE2 && cbSegment >= 16 && ReadFrom(source, nAt + 4, b + 4, 14) &&
            memcmp(b + 4, "ICC_PROFILE", 12) == 0)
        {
            const int nSeq = b[16], nOfCount = b[17];
            // A number out of range, a count that changes or a repeated chunk: no profile.
            if (nSeq < 1 || nSeq > nOfCount || (nCount && nOfCount != nCount) || rgChunks[nSeq].nAt)
                return true;
            nCount = nOfCount;
            rgChunks[nSeq].nAt = nAt + 18;
            rgChunks[nSeq].cb = cbSegment - 16;
            cbTotal += cbSegment - 16;
            ++nSeen;
        }
        nAt += 2 + cbSegment;
    }
    if (nSeen > 0 && nSeen == nCount)
        JoinJpegChunks(source, rgChunks, nCount, cbTotal, pColour);
    return true;
}

// RIFF "WEBP": an "ICCP" chunk comes after "VP8X" and before the image data.
bool ReadWebpColour(const ByteSource& source, EmbeddedColour* pColour)
{
    uint8_t b[12];
    if (!ReadFrom(source, 0, b, 12) || memcmp(b, "RIFF", 4) != 0 || memcmp(b + 8, "WEBP", 4) != 0)
        return false;
    uint64_t nAt = 12;
    for (int nChunk = 0; nChunk < kWebpChunksMax && ReadFrom(source, nAt, b, 8); ++nChunk)
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
    if (!ReadFrom(source, 0, b, 2) || b[0] != 'B' || b[1] != 'M')
        return false;
    const uint64_t nHeaderAt = 14;
    if (!ReadFrom(source, nHeaderAt, b, sizeof(b)) || ReadLe32(b) < kBmpV5HeaderBytes ||
        ReadLe32(b + 56) != kProfileEmbedded)
        return true;
    ReadProfileAt(source, nHeaderAt + ReadLe32(b + 112), ReadLe32(b + 116), pColour);
    return true;
}
