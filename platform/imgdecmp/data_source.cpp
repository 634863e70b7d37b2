// The pull side: the read callback fills the caller's buffer.
#include "platform/imgdecmp/data_source.h"

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
