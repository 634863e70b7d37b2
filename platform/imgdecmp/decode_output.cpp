#include "platform/imgdecmp/decode_output.h"

#include <new>
#include <string.h>

#include "platform/imgdecmp/com_object.h"

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

void OutputStart(DecodeOutput* pOut, DecompressImageInfo* pParams)
{
    memset(pOut, 0, sizeof(*pOut));
    pOut->pParams = pParams;
    pOut->nDepth = (pParams->iBitDepth == 16 || pParams->iBitDepth == 32) ? pParams->iBitDepth : 24;
}

HRESULT OutputCreate(DecodeOutput* pOut, int nWidth, int nHeight)
{
    const DecompressImageInfo* p = pOut->pParams;
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
    bmi.header.biBitCount = static_cast<WORD>(pOut->nDepth);
    bmi.header.biCompression = BI_RGB;
    if (pOut->nDepth == 16)
    {
        bmi.header.biCompression = BI_BITFIELDS;
        bmi.masks[0] = 0xF800;
        bmi.masks[1] = 0x07E0;
        bmi.masks[2] = 0x001F;
    }
    void* pvBits = NULL;
    pOut->hbm = CreateDIBSection(p->hdc, reinterpret_cast<BITMAPINFO*>(&bmi), DIB_RGB_COLORS, &pvBits, NULL, 0);
    if (!pOut->hbm || !pvBits)
        return E_OUTOFMEMORY;
    pOut->pBits = static_cast<BYTE*>(pvBits);
    pOut->nWidth = nWidth;
    pOut->nHeight = nHeight;
    pOut->cbStride = ((static_cast<ptrdiff_t>(nWidth) * pOut->nDepth + 31) / 32) * 4;
    pOut->pRender = new (std::nothrow) RenderObject(pOut->hbm, nWidth, nHeight);
    if (!pOut->pRender)
        return E_OUTOFMEMORY;
    NotifyProgress(pOut, FALSE);
    return S_OK;
}

void NotifyProgress(DecodeOutput* pOut, BOOL bComplete)
{
    if (pOut->pParams->pfnImageProgress && pOut->pRender)
        pOut->pParams->pfnImageProgress(pOut->pRender, bComplete, pOut->pParams->lParam);
}

void OutputWriteSpan(DecodeOutput* pOut, int x, int y, int nCount, const uint32_t* pPixels)
{
    if (y < 0 || y >= pOut->nHeight)
        return;
    if (x < 0)
    {
        pPixels -= x;
        nCount += x;
        x = 0;
    }
    if (nCount > pOut->nWidth - x)
        nCount = pOut->nWidth - x;
    if (nCount <= 0)
        return;
    BYTE* pRow = pOut->pBits + (pOut->nHeight - 1 - y) * pOut->cbStride;
    switch (pOut->nDepth)
    {
    case 16:
    {
        WORD* pDst = reinterpret_cast<WORD*>(pRow) + x;
        for (int i = 0; i < nCount; i++)
        {
            const uint32_t c = pPixels[i];
            pDst[i] = static_cast<WORD>(((c >> 8) & 0xF800) | ((c >> 5) & 0x07E0) | ((c >> 3) & 0x001F));
        }
        break;
    }
    case 24:
    {
        BYTE* pDst = pRow + x * 3;
        for (int i = 0; i < nCount; i++, pDst += 3)
        {
            const uint32_t c = pPixels[i];
            pDst[0] = static_cast<BYTE>(c);
            pDst[1] = static_cast<BYTE>(c >> 8);
            pDst[2] = static_cast<BYTE>(c >> 16);
        }
        break;
    }
    default:
    {
        uint32_t* pDst = reinterpret_cast<uint32_t*>(pRow) + x;
        for (int i = 0; i < nCount; i++)
            pDst[i] = pPixels[i] & 0x00FFFFFF;
        break;
    }
    }
}

void OutputFillWhite(DecodeOutput* pOut)
{
    // White is all ones at every output depth (5-6-5, 24 and 32 bits).
    memset(pOut->pBits, 0xFF, static_cast<size_t>(pOut->cbStride) * pOut->nHeight);
}

void OutputHandOver(DecodeOutput* pOut, bool bSucceeded)
{
    DecompressImageInfo* pParams = pOut->pParams;
    if (bSucceeded && pParams->phBM)
    {
        *pParams->phBM = pOut->hbm;
        pOut->hbm = NULL;
    }
    if (pOut->pRender)
    {
        if (bSucceeded && pParams->ppImageRender)
        {
            *pParams->ppImageRender = pOut->pRender;
            if (pOut->hbm)
            {
                pOut->pRender->TakeOwnership();
                pOut->hbm = NULL;
            }
        }
        else
        {
            pOut->pRender->Detach();
            pOut->pRender->Release();
        }
        pOut->pRender = NULL;
    }
    if (pOut->hbm)
    {
        DeleteObject(pOut->hbm);
        pOut->hbm = NULL;
    }
}
