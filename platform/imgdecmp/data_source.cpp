// The pull side: the read callback fills the caller's buffer.
#include "platform/imgdecmp/imgdecmp_internal.h"

#include <stdlib.h>
#include <string.h>

bool DataSource::Fill()
{
    if (bEnded)
        return false;
    DWORD cb = pParams->pfnGetData(reinterpret_cast<LPSTR>(pParams->pbBuffer), pParams->dwBufferMax,
                                   pParams->lParam);
    if (cb > pParams->dwBufferMax)
        cb = pParams->dwBufferMax;
    pParams->dwBufferCurrent = cb;
    iPos = 0;
    if (cb == 0)
        bEnded = true;
    return cb != 0;
}

size_t DataSource::Read(void* pvDst, size_t cb)
{
    BYTE* pDst = static_cast<BYTE*>(pvDst);
    size_t cbDone = 0;
    while (cbDone < cb)
    {
        if (iPos >= pParams->dwBufferCurrent && !Fill())
            break;
        size_t cbChunk = pParams->dwBufferCurrent - iPos;
        if (cbChunk > cb - cbDone)
            cbChunk = cb - cbDone;
        if (pDst)
            memcpy(pDst + cbDone, pParams->pbBuffer + iPos, cbChunk);
        iPos += static_cast<DWORD>(cbChunk);
        cbDone += cbChunk;
    }
    return cbDone;
}

bool DataSource::Skip(size_t cb)
{
    return Read(NULL, cb) == cb;
}

const BYTE* DataSource::Peek(DWORD* pcb)
{
    if (iPos >= pParams->dwBufferCurrent)
        Fill();
    *pcb = pParams->dwBufferCurrent - iPos;
    return pParams->pbBuffer + iPos;
}

bool ParsePngSize(const BYTE* pb, size_t cb, int* pnWidth, int* pnHeight)
{
    static const BYTE kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    // Signature, then the IHDR chunk: length 13, "IHDR", width, height (big-endian).
    if (cb < 24 || memcmp(pb, kSignature, 8) != 0 || memcmp(pb + 12, "IHDR", 4) != 0)
        return false;
    const uint32_t w = (uint32_t(pb[16]) << 24) | (pb[17] << 16) | (pb[18] << 8) | pb[19];
    const uint32_t h = (uint32_t(pb[20]) << 24) | (pb[21] << 16) | (pb[22] << 8) | pb[23];
    if (w == 0 || h == 0 || w > 0x7FFFFFFF || h > 0x7FFFFFFF)
        return false;
    *pnWidth = static_cast<int>(w);
    *pnHeight = static_cast<int>(h);
    return true;
}

bool ParseGifScreenSize(const BYTE* pb, size_t cb, int* pnWidth, int* pnHeight)
{
    // "GIF87a"/"GIF89a", then the logical screen width and height (little-endian).
    if (cb < 10 || memcmp(pb, "GIF8", 4) != 0)
        return false;
    const int w = pb[6] | (pb[7] << 8);
    const int h = pb[8] | (pb[9] << 8);
    if (w == 0 || h == 0)
        return false;
    *pnWidth = w;
    *pnHeight = h;
    return true;
}

void* AllocScratch(size_t nCount, size_t cbSize)
{
    if (cbSize != 0 && nCount > SIZE_MAX / cbSize)
        return NULL;
    return malloc(nCount * cbSize);
}
