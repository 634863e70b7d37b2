// HEIF and AVIF: the "colr" property of the primary item, found in the
// "meta" box (pitm names the item, iprp/ipma ties it to properties of
// iprp/ipco). A profile ("prof", "rICC") wins over "nclx", of which only
// Display P3 asks for a change; sRGB and the rest are shown as stored.
#include "viewer/imaging/colour/profile_readers.h"

#include <stdlib.h>
#include <string.h>

namespace {

// The meta box holds item tables and properties, not pictures; a phone's
// is a few kilobytes, one of many tiles some tens.
const uint64_t kMetaMaxBytes = 4u * 1024 * 1024;
const int kTopBoxesMax = 64;
const int kAssociationsMax = 64;
// nclx codes (ISO/IEC 23091-2): SMPTE EG 432-1 primaries; sRGB's transfer.
const uint16_t kPrimariesDisplayP3 = 12;
const uint16_t kTransferSrgb = 13, kTransferUnspecified = 2;

struct Box
{
    const uint8_t* pBody;
    size_t cbBody;
    char type[4];
};

// The next box of [pb, pb + cb) at *pAt; false at the end or when the box
// does not fit.
bool NextBox(const uint8_t* pb, size_t cb, size_t* pAt, Box* pBox)
{
    const size_t nAt = *pAt;
    if (nAt > cb || cb - nAt < 8)
        return false;
    uint64_t cbBox = ReadBe32(pb + nAt);
    size_t cbHeader = 8;
    if (cbBox == 1)
    {
        if (cb - nAt < 16)
            return false;
        cbBox = static_cast<uint64_t>(ReadBe32(pb + nAt + 8)) << 32 | ReadBe32(pb + nAt + 12);
        cbHeader = 16;
    }
    else if (cbBox == 0)
        cbBox = cb - nAt;
    if (cbBox < cbHeader || cbBox > cb - nAt)
        return false;
    memcpy(pBox->type, pb + nAt + 4, 4);
    pBox->pBody = pb + nAt + cbHeader;
    pBox->cbBody = static_cast<size_t>(cbBox) - cbHeader;
    *pAt = nAt + static_cast<size_t>(cbBox);
    return true;
}

bool FindChild(const uint8_t* pb, size_t cb, const char* pszType, Box* pBox)
{
    size_t nAt = 0;
    while (NextBox(pb, cb, &nAt, pBox))
        if (memcmp(pBox->type, pszType, 4) == 0)
            return true;
    return false;
}

// The property indices (1-based) that ipma gives the item; their count.
int PropertiesOf(const Box& ipma, uint32_t nItem, int* pIndices)
{
    const uint8_t* p = ipma.pBody;
    const uint8_t* const pEnd = p + ipma.cbBody;
    if (ipma.cbBody < 8)
        return 0;
    const uint8_t version = p[0];
    const bool bWide = (p[3] & 1) != 0;
    uint32_t nEntries = ReadBe32(p + 4);
    p += 8;
    for (; nEntries > 0; --nEntries)
    {
        const size_t cbId = version < 1 ? 2 : 4;
        if (static_cast<size_t>(pEnd - p) < cbId + 1)
            return 0;
        const uint32_t nId = version < 1 ? ReadBe16(p) : ReadBe32(p);
        const int nCount = p[cbId];
        p += cbId + 1;
        const size_t cbEach = bWide ? 2 : 1;
        if (static_cast<size_t>(pEnd - p) < nCount * cbEach)
            return 0;
        if (nId == nItem)
        {
            int n = 0;
            for (int i = 0; i < nCount && n < kAssociationsMax; ++i)
                pIndices[n++] = bWide ? ReadBe16(p + 2 * i) & 0x7FFF : p[i] & 0x7F;
            return n;
        }
        p += nCount * cbEach;
    }
    return 0;
}

// The colour of the primary item, from the meta box's body.
void ReadMetaColour(const uint8_t* pb, size_t cb, EmbeddedColour* pColour)
{
    Box pitm, iprp, ipco, ipma;
    // meta and pitm are full boxes: a version byte and three flag bytes.
    if (cb < 4 || !FindChild(pb + 4, cb - 4, "pitm", &pitm) || pitm.cbBody < 6 ||
        !FindChild(pb + 4, cb - 4, "iprp", &iprp) || !FindChild(iprp.pBody, iprp.cbBody, "ipco", &ipco) ||
        !FindChild(iprp.pBody, iprp.cbBody, "ipma", &ipma))
        return;
    const uint32_t nItem = pitm.pBody[0] == 0 ? ReadBe16(pitm.pBody + 4)
                                              : (pitm.cbBody >= 8 ? ReadBe32(pitm.pBody + 4) : 0);
    int rgIndices[kAssociationsMax];
    const int nIndices = PropertiesOf(ipma, nItem, rgIndices);
    bool bDisplayP3 = false;
    for (int i = 0; i < nIndices; ++i)
    {
        Box property;
        size_t nAt = 0;
        int nIndex = 0;
        while (NextBox(ipco.pBody, ipco.cbBody, &nAt, &property) && ++nIndex < rgIndices[i])
        {
        }
        if (nIndex != rgIndices[i] || memcmp(property.type, "colr", 4) != 0 || property.cbBody < 4)
            continue;
        const uint8_t* pc = property.pBody;
        if (memcmp(pc, "prof", 4) == 0 || memcmp(pc, "rICC", 4) == 0)
        {
            const size_t cbIcc = property.cbBody - 4;
            uint8_t* pbIcc = cbIcc <= EMBEDDED_PROFILE_MAX_BYTES ? static_cast<uint8_t*>(malloc(cbIcc ? cbIcc : 1)) : NULL;
            if (!pbIcc)
                return;
            memcpy(pbIcc, pc + 4, cbIcc);
            TakeProfileBytes(pbIcc, cbIcc, pColour);
            return;
        }
        if (memcmp(pc, "nclx", 4) == 0 && property.cbBody >= 8)
        {
            const uint16_t nTransfer = ReadBe16(pc + 6);
            bDisplayP3 = ReadBe16(pc + 4) == kPrimariesDisplayP3 &&
                         (nTransfer == kTransferSrgb || nTransfer == kTransferUnspecified);
        }
    }
    if (bDisplayP3)
        pColour->kind = EMBEDDED_DISPLAY_P3;
}

bool IsStillPictureBrand(const uint8_t* p)
{
    static const char kBrands[][5] = {"mif1", "msf1", "heic", "heix", "heim", "heis", "hevc", "hevx", "avif", "avis"};
    for (const char* pszBrand : kBrands)
        if (memcmp(p, pszBrand, 4) == 0)
            return true;
    return false;
}

} // namespace

bool ReadIsoBoxColour(const ByteSource& source, EmbeddedColour* pColour)
{
    uint8_t b[64];
    if (source.cbSize < 16 || !source.pfnRead(source.pContext, 0, b, 16) || memcmp(b + 4, "ftyp", 4) != 0)
        return false;
    const uint32_t cbFtyp = ReadBe32(b);
    if (cbFtyp < 16 || cbFtyp > sizeof(b) || cbFtyp > source.cbSize || !source.pfnRead(source.pContext, 0, b, cbFtyp))
        return false;
    bool bBrand = IsStillPictureBrand(b + 8);
    for (uint32_t nAt = 16; nAt + 4 <= cbFtyp && !bBrand; nAt += 4)
        bBrand = IsStillPictureBrand(b + nAt);
    if (!bBrand)
        return false;

    uint64_t nAt = cbFtyp;
    for (int nBox = 0; nBox < kTopBoxesMax && nAt <= source.cbSize && source.cbSize - nAt >= 16; ++nBox)
    {
        if (!source.pfnRead(source.pContext, nAt, b, 16))
            break;
        uint64_t cbBox = ReadBe32(b), cbHeader = 8;
        if (cbBox == 1)
        {
            cbBox = static_cast<uint64_t>(ReadBe32(b + 8)) << 32 | ReadBe32(b + 12);
            cbHeader = 16;
        }
        else if (cbBox == 0)
            cbBox = source.cbSize - nAt;
        if (cbBox < cbHeader || cbBox > source.cbSize - nAt)
            break;
        if (memcmp(b + 4, "meta", 4) == 0)
        {
            const uint64_t cbBody = cbBox - cbHeader;
            uint8_t* pb = cbBody <= kMetaMaxBytes ? static_cast<uint8_t*>(malloc(cbBody ? cbBody : 1)) : NULL;
            if (pb && source.pfnRead(source.pContext, nAt + cbHeader, pb, static_cast<size_t>(cbBody)))
                ReadMetaColour(pb, static_cast<size_t>(cbBody), pColour);
            free(pb);
            break;
        }
        nAt += cbBox;
    }
    return true;
}
