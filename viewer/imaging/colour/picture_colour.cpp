// The file's colours read through a small head buffer, and the transform
// applied to the decoded bitmap's own memory, a band of rows at a time so
// that a cancel is seen soon.
#include "viewer/imaging/colour/picture_colour.h"

#include <stdlib.h>
#include <string.h>

#include "viewer/imaging/colour/embedded_profile.h"

namespace {

// Every format puts its profile, or the way to it, in its first few
// kilobytes; one read takes them.
const DWORD kHeadBytes = 4096;
const int kRowsPerBand = 64;

struct HeadedFile
{
    HANDLE hFile;
    BYTE head[kHeadBytes];
    DWORD cbHead;
};

bool ReadFileAt(void* pContext, uint64_t nAt, void* pv, size_t cb)
{
    HeadedFile* pFile = static_cast<HeadedFile*>(pContext);
    if (nAt + cb <= pFile->cbHead)
    {
        memcpy(pv, pFile->head + nAt, cb);
        return true;
    }
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(nAt);
    if (!SetFilePointerEx(pFile->hFile, at, NULL, FILE_BEGIN))
        return false;
    BYTE* pb = static_cast<BYTE*>(pv);
    while (cb > 0)
    {
        const DWORD cbAsk = cb > 0x10000000 ? 0x10000000 : static_cast<DWORD>(cb);
        DWORD cbRead = 0;
        if (!ReadFile(pFile->hFile, pb, cbAsk, &cbRead, NULL) || cbRead == 0)
            return false;
        pb += cbRead;
        cb -= cbRead;
    }
    return true;
}

// One channel of a 16-bit pixel: where it sits and how many levels it has.
struct Channel16
{
    int nShift;
    uint32_t nMax;
};

Channel16 ChannelOf(uint32_t mask)
{
    Channel16 channel = {0, 0};
    if (!mask || mask > 0xFFFF)
        return channel;
    while (!(mask & 1))
    {
        mask >>= 1;
        ++channel.nShift;
    }
    channel.nMax = mask;
    return channel;
}

// A 16-bit section's rows through a row of blue, green, red bytes.
void Transform16(ColourTransform* pTransform, const DIBSECTION& ds, const volatile LONG* pCancel)
{
    const bool bFields = ds.dsBmih.biCompression == BI_BITFIELDS;
    const Channel16 rgChannels[3] = {ChannelOf(bFields ? ds.dsBitfields[2] : 0x001F),   // blue, green, red
                                     ChannelOf(bFields ? ds.dsBitfields[1] : 0x03E0),
                                     ChannelOf(bFields ? ds.dsBitfields[0] : 0x7C00)};
    for (const Channel16& channel : rgChannels)
        if (channel.nMax == 0 || channel.nMax > 0xFF)
            return;
    const int nWidth = ds.dsBm.bmWidth;
    BYTE* pRow = static_cast<BYTE*>(malloc(static_cast<size_t>(nWidth) * 3));
    if (!pRow)
        return;
    for (int y = 0; y < ds.dsBm.bmHeight && !(y % kRowsPerBand == 0 && *pCancel); ++y)
    {
        WORD* pPixels = reinterpret_cast<WORD*>(static_cast<BYTE*>(ds.dsBm.bmBits) +
                                                static_cast<size_t>(y) * ds.dsBm.bmWidthBytes);
        for (int x = 0; x < nWidth; ++x)
            for (int c = 0; c < 3; ++c)
            {
                const uint32_t v = (pPixels[x] >> rgChannels[c].nShift) & rgChannels[c].nMax;
                pRow[3 * x + c] = static_cast<BYTE>((v * 255 + rgChannels[c].nMax / 2) / rgChannels[c].nMax);
            }
        TransformRows(pTransform, pRow, 0, pRow, 0, nWidth, 1);
        for (int x = 0; x < nWidth; ++x)
        {
            uint32_t v = 0;
            for (int c = 0; c < 3; ++c)
                v |= ((pRow[3 * x + c] * rgChannels[c].nMax + 127) / 255) << rgChannels[c].nShift;
            pPixels[x] = static_cast<WORD>(v);
        }
    }
    free(pRow);
}

// The picture's pixels in place; false when a cancel stopped it part-way.
bool TransformBitmap(HBITMAP hbm, const EmbeddedColour& colour, const volatile LONG* pCancel)
{
    DIBSECTION ds;
    if (GetObjectW(hbm, sizeof(ds), &ds) != sizeof(ds) || !ds.dsBm.bmBits || ds.dsBm.bmWidth <= 0 ||
        ds.dsBm.bmHeight <= 0)
        return true;
    const int nBits = ds.dsBm.bmBitsPixel;
    // 32-bit sections with their own masks are not made by any route.
    const bool bPlain32 = nBits == 32 && (ds.dsBmih.biCompression == BI_RGB ||
                                          (ds.dsBitfields[0] == 0xFF0000 && ds.dsBitfields[1] == 0xFF00 &&
                                           ds.dsBitfields[2] == 0xFF));
    if (nBits != 16 && nBits != 24 && !bPlain32)
        return true;
    ColourTransform* pTransform = AcquireColourTransform(colour, nBits == 32 ? COLOUR_BGRX32 : COLOUR_BGR24);
    if (!pTransform)
        return true;
    if (nBits == 16)
        Transform16(pTransform, ds, pCancel);
    else
    {
        BYTE* pBits = static_cast<BYTE*>(ds.dsBm.bmBits);
        const size_t cbStride = static_cast<size_t>(ds.dsBm.bmWidthBytes);
        for (int y = 0; y < ds.dsBm.bmHeight && !*pCancel; y += kRowsPerBand)
        {
            const int nRows = ds.dsBm.bmHeight - y < kRowsPerBand ? ds.dsBm.bmHeight - y : kRowsPerBand;
            BYTE* pBand = pBits + static_cast<size_t>(y) * cbStride;
            TransformRows(pTransform, pBand, cbStride, pBand, cbStride, ds.dsBm.bmWidth, nRows);
        }
    }
    ReleaseColourTransform(pTransform);
    return !*pCancel;
}

} // namespace

bool ReadFileColour(const WCHAR* pszPath, EmbeddedColour* pColour)
{
    memset(pColour, 0, sizeof(*pColour));
    HeadedFile* pFile = static_cast<HeadedFile*>(malloc(sizeof(HeadedFile)));
    if (!pFile)
        return false;
    pFile->hFile = CreateFileW(pszPath, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    LARGE_INTEGER size;
    const bool bOpen = pFile->hFile != INVALID_HANDLE_VALUE && GetFileSizeEx(pFile->hFile, &size) &&
                       ReadFile(pFile->hFile, pFile->head, kHeadBytes, &pFile->cbHead, NULL);
    if (bOpen)
    {
        const ByteSource source = {pFile, ReadFileAt, static_cast<uint64_t>(size.QuadPart)};
        ReadEmbeddedColour(source, pColour);
    }
    if (pFile->hFile != INVALID_HANDLE_VALUE)
        CloseHandle(pFile->hFile);
    free(pFile);
    return bOpen;
}

HBITMAP ConvertToScreenColours(const WCHAR* pszPath, HBITMAP hbm, const volatile LONG* pCancel)
{
    if (!hbm || !pszPath || !pCancel)
        return hbm;
    EmbeddedColour colour;
    ReadFileColour(pszPath, &colour);
    const bool bWhole = colour.kind == EMBEDDED_NONE || TransformBitmap(hbm, colour, pCancel);
    FreeEmbeddedColour(&colour);
    if (!bWhole || *pCancel)
    {
        DeleteObject(hbm);
        return NULL;
    }
    return hbm;
}

ColourTransform* AcquireCmykTransform(const WCHAR* pszPath, bool bInverted)
{
    EmbeddedColour colour;
    if (!pszPath || !ReadFileColour(pszPath, &colour))
        return NULL;
    ColourTransform* pTransform = AcquireColourTransform(colour, bInverted ? COLOUR_CMYK_INVERTED : COLOUR_CMYK);
    FreeEmbeddedColour(&colour);
    return pTransform;
}
