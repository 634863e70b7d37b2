// What the format readers share: bounded reads of the source, and taking
// bytes as a profile only when they hold a whole one.
#include "viewer/imaging/colour/profile_bytes.h"

#include <stdlib.h>
#include <string.h>

bool ReadSource(const ByteSource& source, uint64_t nAt, void* pv, size_t cb)
{
    return nAt <= source.cbSize && cb <= source.cbSize - nAt && source.pfnRead(source.pContext, nAt, pv, cb);
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
    if (!ReadSource(source, nAt, pb, static_cast<size_t>(cb)))
    {
        free(pb);
        return false;
    }
    return TakeProfileBytes(pb, static_cast<size_t>(cb), pColour);
}

namespace {

bool ReadMemory(void* pContext, uint64_t nAt, void* pv, size_t cb)
{
    const MemoryBytes* pBytes = static_cast<const MemoryBytes*>(pContext);
    if (nAt > pBytes->cb || cb > pBytes->cb - nAt)
        return false;
    memcpy(pv, pBytes->pb + nAt, cb);
    return true;
}

} // namespace

ByteSource MemorySource(const MemoryBytes* pBytes)
{
    ByteSource source = {const_cast<MemoryBytes*>(pBytes), ReadMemory, pBytes->cb};
    return source;
}

void FreeEmbeddedColour(EmbeddedColour* pColour)
{
    free(pColour->pbIcc);
    memset(pColour, 0, sizeof(*pColour));
}
