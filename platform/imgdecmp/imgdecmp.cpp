// The indirect decode call: sniff the format from the first buffer, make the
// output DIB section, decode, all inside a fault guard.
#include "platform/imgdecmp/imgdecmp.h"

#include <new>
#include <stdlib.h>
#include <string.h>

#include "platform/imgdecmp/com_object.h"
#include "platform/imgdecmp/imgdecmp_internal.h"
#include "platform/seh_guard/seh_guard.h"

class RenderObject : public ComObject<IImageRender>
{
public:
    RenderObject(HBITMAP hbm, int nWidth, int nHeight) : ComObject<IImageRender>(NULL), m_hbm(hbm), m_bOwns(false)
    {
        m_size.cx = nWidth;
        m_size.cy = nHeight;
    }
    ~RenderObject() override
    {
        if (m_bOwns && m_hbm)
            DeleteObject(m_hbm);
    }

    HRESULT STDMETHODCALLTYPE GetBitmap(HBITMAP* phBitmap, BOOL) override
    {
        if (!phBitmap)
            return E_POINTER;
        *phBitmap = m_hbm;
        return m_hbm ? S_OK : E_FAIL;
    }
    HRESULT STDMETHODCALLTYPE GetOrigSize(SIZE* pSize) override
    {
        if (!pSize)
            return E_POINTER;
        *pSize = m_size;
        return S_OK;
    }
    void Detach() { m_hbm = NULL; }
    void TakeOwnership() { m_bOwns = true; }

private:
    HBITMAP m_hbm;
    bool m_bOwns;   // the bitmap nobody else took goes with this object
    SIZE m_size;
};

HRESULT OutputCreate(DecodeJob* pJob, int nWidth, int nHeight)
{
    const DecompressImageInfo* p = pJob->pParams;
    if (nWidth <= 0 || nHeight <= 0 || nWidth > p->iMaxWidth || nHeight > p->iMaxHeight)
        return E_INVALIDARG;
    struct
    {
        BITMAPINFOHEADER header;
        DWORD masks[3];
    } bmi;
    memset(&bmi, 0, sizeof(bmi));
    bmi.header.biSize = sizeof(BITMAPINFOHEADER);
    bmi.header.biWidth = nWidth;
    bmi.header.biHeight = nHeight;   // bottom-up, like every bitmap of the viewer
    bmi.header.biPlanes = 1;
    bmi.header.biBitCount = static_cast<WORD>(pJob->nDepth);
    bmi.header.biCompression = BI_RGB;
    if (pJob->nDepth == 16)
    {
        bmi.header.biCompression = BI_BITFIELDS;
        bmi.masks[0] = 0xF800;
        bmi.masks[1] = 0x07E0;
        bmi.masks[2] = 0x001F;
    }
    void* pvBits = NULL;
    pJob->hbm = CreateDIBSection(p->hdc, reinterpret_cast<BITMAPINFO*>(&bmi), DIB_RGB_COLORS, &pvBits, NULL, 0);
    if (!pJob->hbm || !pvBits)
        return E_OUTOFMEMORY;
    pJob->pBits = static_cast<BYTE*>(pvBits);
    pJob->nWidth = nWidth;
    pJob->nHeight = nHeight;
    pJob->cbStride = ((static_cast<ptrdiff_t>(nWidth) * pJob->nDepth + 31) / 32) * 4;
    pJob->pRender = new (std::nothrow) RenderObject(pJob->hbm, nWidth, nHeight);
    if (!pJob->pRender)
        return E_OUTOFMEMORY;
    NotifyProgress(pJob, FALSE);
    return S_OK;
}

void NotifyProgress(DecodeJob* pJob, BOOL bComplete)
{
    if (pJob->pParams->pfnImageProgress && pJob->pRender)
        pJob->pParams->pfnImageProgress(pJob->pRender, bComplete, pJob->pParams->lParam);
}

void OutputWriteSpan(DecodeJob* pJob, int x, int y, int nCount, const uint32_t* pPixels)
{
    if (y < 0 || y >= pJob->nHeight)
        return;
    if (x < 0)
    {
        pPixels -= x;
        nCount += x;
        x = 0;
    }
    if (nCount > pJob->nWidth - x)
        nCount = pJob->nWidth - x;
    if (nCount <= 0)
        return;
    BYTE* pRow = pJob->pBits + (pJob->nHeight - 1 - y) * pJob->cbStride;
    switch (pJob->nDepth)
    {
    case 16:
    {
        WORD* pOut = reinterpret_cast<WORD*>(pRow) + x;
        for (int i = 0; i < nCount; i++)
        {
            const uint32_t c = pPixels[i];
            pOut[i] = static_cast<WORD>(((c >> 8) & 0xF800) | ((c >> 5) & 0x07E0) | ((c >> 3) & 0x001F));
        }
        break;
    }
    case 24:
    {
        BYTE* pOut = pRow + x * 3;
        for (int i = 0; i < nCount; i++, pOut += 3)
        {
            const uint32_t c = pPixels[i];
            pOut[0] = static_cast<BYTE>(c);
            pOut[1] = static_cast<BYTE>(c >> 8);
            pOut[2] = static_cast<BYTE>(c >> 16);
        }
        break;
    }
    default:
    {
        uint32_t* pOut = reinterpret_cast<uint32_t*>(pRow) + x;
        for (int i = 0; i < nCount; i++)
            pOut[i] = pPixels[i] & 0x00FFFFFF;
        break;
    }
    }
}

void OutputFillWhite(DecodeJob* pJob)
{
    // White is all ones at every output depth (5-6-5, 24 and 32 bits).
    memset(pJob->pBits, 0xFF, static_cast<size_t>(pJob->cbStride) * pJob->nHeight);
}

static void RunDecode(void* pvJob)
{
    DecodeJob* pJob = static_cast<DecodeJob*>(pvJob);
    DWORD cb = 0;
    const BYTE* pb = pJob->src.Peek(&cb);
    static const BYTE kPng[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (cb >= 2 && pb[0] == 'B' && pb[1] == 'M')
        pJob->hr = DecodeBmp(pJob);
    else if (cb >= 8 && memcmp(pb, kPng, 8) == 0)
        pJob->hr = DecodeWithWic(pJob, 'P');
    else if (cb >= 6 && memcmp(pb, "GIF8", 4) == 0)
        pJob->hr = DecodeWithWic(pJob, 'G');
    else if (cb >= 3 && pb[0] == 0xFF && pb[1] == 0xD8 && pb[2] == 0xFF)
        pJob->hr = DecodeWithWic(pJob, 'J');
    else
        pJob->hr = E_FAIL;   // unknown format or no data
    if (SUCCEEDED(pJob->hr))
        NotifyProgress(pJob, TRUE);
}

HRESULT DecompressImageIndirect(DecompressImageInfo* pParams)
{
    if (!pParams || (pParams->dwSize != DECOMPRESSIMAGEINFO_HANDHELD_SIZE && pParams->dwSize != sizeof(*pParams)) ||
        !pParams->pbBuffer || pParams->dwBufferMax == 0 || !pParams->pfnGetData)
        return E_INVALIDARG;
    if (pParams->phBM)
        *pParams->phBM = NULL;
    if (pParams->ppImageRender)
        *pParams->ppImageRender = NULL;
    pParams->dwBufferCurrent = 0;

    DecodeJob job;
    memset(&job, 0, sizeof(job));
    job.pParams = pParams;
    job.src.pParams = pParams;
    job.hr = E_FAIL;
    // 16 means 5-6-5 bit fields; 24 and 32 plain; other depths get 24.
    job.nDepth = (pParams->iBitDepth == 16 || pParams->iBitDepth == 32) ? pParams->iBitDepth : 24;

    DWORD dwCode = 0;
    if (!SehGuardRun(RunDecode, &job, &dwCode))
        job.hr = HRESULT_FROM_NT(dwCode);

    // One cleanup for every path, the faulted one included.
    ReleaseWic(&job);
    free(job.pScratch);
    free(job.pScratch2);
    if (SUCCEEDED(job.hr) && pParams->phBM)
    {
        *pParams->phBM = job.hbm;
        job.hbm = NULL;
    }
    if (job.pRender)
    {
        if (SUCCEEDED(job.hr) && pParams->ppImageRender)
        {
            *pParams->ppImageRender = job.pRender;
            if (job.hbm)
            {
                job.pRender->TakeOwnership();
                job.hbm = NULL;
            }
        }
        else
        {
            job.pRender->Detach();
            job.pRender->Release();
        }
    }
    if (job.hbm)
        DeleteObject(job.hbm);
    return job.hr;
}
