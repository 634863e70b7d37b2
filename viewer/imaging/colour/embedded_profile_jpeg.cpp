// JPEG: the profile in APP2 "ICC_PROFILE" chunks, found by walking the
// segments before the scan: a few small reads, never the picture data.
#include "viewer/imaging/colour/profile_readers.h"

#include <stdlib.h>
#include <string.h>

namespace {

// Segments walked before the scan; files carry a few.
const int kJpegSegmentsMax = 1024;
// A JPEG profile comes in at most 255 numbered chunks of APP2.
const int kJpegChunksMax = 255;

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
        if (!ReadSource(source, pChunks[nSeq].nAt, pb + cbDone, pChunks[nSeq].cb))
        {
            free(pb);
            return;
        }
        cbDone += pChunks[nSeq].cb;
    }
    TakeProfileBytes(pb, cbDone, pColour);
}

} // namespace

// APP2 segments "ICC_PROFILE\0", each with its sequence number and the
// count: every one from 1 to the count exactly once, or nothing.
bool ReadJpegColour(const ByteSource& source, EmbeddedColour* pColour)
{
    uint8_t b[18];
    if (!ReadSource(source, 0, b, 2) || b[0] != 0xFF || b[1] != 0xD8)
        return false;
    JpegChunk rgChunks[kJpegChunksMax + 1];
    memset(rgChunks, 0, sizeof(rgChunks));
    int nCount = 0, nSeen = 0;
    uint64_t cbTotal = 0, nAt = 2;
    for (int nSegment = 0; nSegment < kJpegSegmentsMax && ReadSource(source, nAt, b, 4) && b[0] == 0xFF; ++nSegment)
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
        if (marker == 0xE2 && cbSegment >= 16 && ReadSource(source, nAt + 4, b + 4, 14) &&
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
