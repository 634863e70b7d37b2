// PNG: the profile of an "iCCP" chunk, deflated. An "sRGB" chunk says the
// numbers are sRGB already, and gAMA with cHRM is left alone: such pictures
// are shown as stored.
#include "viewer/imaging/colour/profile_readers.h"

#include <stdlib.h>
#include <string.h>

#include <zlib.h>

namespace {

const uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
// Chunks walked before the image data; text chunks make a few dozen.
const int kPngChunksMax = 1024;
// A profile name is 1 to 79 bytes and a terminator.
const size_t kNameMax = 80;

// Inflates the profile: its first four bytes give its size, which bounds
// the rest. A stream that ends before that size, or is damaged, gives none.
void InflateProfile(const uint8_t* pbIn, size_t cbIn, EmbeddedColour* pColour)
{
    z_stream z;
    memset(&z, 0, sizeof(z));
    if (inflateInit(&z) != Z_OK)
        return;
    uint8_t rgbSize[4];
    z.next_in = const_cast<Bytef*>(pbIn);
    z.avail_in = static_cast<uInt>(cbIn);
    z.next_out = rgbSize;
    z.avail_out = sizeof(rgbSize);
    int nResult = inflate(&z, Z_SYNC_FLUSH);
    const uint32_t cbProfile = z.avail_out == 0 ? ReadBe32(rgbSize) : 0;
    uint8_t* pb = NULL;
    if (cbProfile >= EMBEDDED_PROFILE_MIN_BYTES && cbProfile <= EMBEDDED_PROFILE_MAX_BYTES &&
        (nResult == Z_OK || nResult == Z_STREAM_END))
        pb = static_cast<uint8_t*>(malloc(cbProfile));
    if (pb)
    {
        memcpy(pb, rgbSize, sizeof(rgbSize));
        z.next_out = pb + sizeof(rgbSize);
        z.avail_out = cbProfile - sizeof(rgbSize);
        nResult = inflate(&z, Z_FINISH);
        // Bytes beyond the declared size are padding at most.
        if ((nResult == Z_STREAM_END || nResult == Z_OK || nResult == Z_BUF_ERROR) && z.avail_out == 0)
            TakeProfileBytes(pb, cbProfile, pColour);
        else
            free(pb);
    }
    inflateEnd(&z);
}

// The chunk's data: name, terminator, method 0, then the zlib stream.
void ReadIccpChunk(const ByteSource& source, uint64_t nAt, uint32_t cbChunk, EmbeddedColour* pColour)
{
    if (cbChunk < 3 || cbChunk > EMBEDDED_PROFILE_MAX_BYTES || nAt > source.cbSize || cbChunk > source.cbSize - nAt)
        return;
    uint8_t* pb = static_cast<uint8_t*>(malloc(cbChunk));
    if (!pb)
        return;
    if (source.pfnRead(source.pContext, nAt, pb, cbChunk))
    {
        const size_t cbScan = cbChunk < kNameMax ? cbChunk : kNameMax;
        const uint8_t* pEnd = static_cast<const uint8_t*>(memchr(pb, 0, cbScan));
        const size_t nMethodAt = pEnd ? static_cast<size_t>(pEnd - pb) + 1 : cbChunk;
        if (pEnd && pEnd != pb && nMethodAt + 1 < cbChunk && pb[nMethodAt] == 0)
            InflateProfile(pb + nMethodAt + 1, cbChunk - nMethodAt - 1, pColour);
    }
    free(pb);
}

} // namespace

bool ReadPngColour(const ByteSource& source, EmbeddedColour* pColour)
{
    uint8_t b[8];
    if (source.cbSize < sizeof(b) || !source.pfnRead(source.pContext, 0, b, sizeof(b)) ||
        memcmp(b, kPngSignature, sizeof(b)) != 0)
        return false;
    uint64_t nAt = 8;
    for (int nChunk = 0; nChunk < kPngChunksMax; ++nChunk)
    {
        if (nAt > source.cbSize || source.cbSize - nAt < 8 || !source.pfnRead(source.pContext, nAt, b, 8))
            break;
        const uint32_t cbChunk = ReadBe32(b);
        if (cbChunk > 0x7FFFFFFFu || memcmp(b + 4, "IDAT", 4) == 0 || memcmp(b + 4, "IEND", 4) == 0 ||
            memcmp(b + 4, "sRGB", 4) == 0)
            break;
        if (memcmp(b + 4, "iCCP", 4) == 0)
        {
            ReadIccpChunk(source, nAt + 8, cbChunk, pColour);
            break;
        }
        nAt += 12 + static_cast<uint64_t>(cbChunk);
    }
    return true;
}
