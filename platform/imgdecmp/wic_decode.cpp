// PNG, GIF (and JPEG) through the Windows Imaging Component. The stream's
// Read loops over the 4096-byte callback until the request is filled (Wine's
// PNG and BMP decoders break on short reads) and keeps what it pulled, so
// the backward seeks of the decoders are served from memory. Pixels are
// converted to 32bppBGRA by WIC and to the output depth by our own loop
// (Wine's direct 24bppBGR conversion of indexed and 16-bit sources gives
// black pictures).
#include "platform/imgdecmp/wic_decode.h"

#include <stdlib.h>
#include <string.h>

#include <new>

#include <wincodec.h>

#include "platform/imgdecmp/com_object.h"
#include "platform/imgdecmp/gif_check.h"

namespace {

const IID* const kStreamIids[] = {&IID_ISequentialStream, &IID_IStream, NULL};

class PullStream : public ComObject<IStream>
{
public:
    explicit PullStream(DataSource* pSource) : ComObject<IStream>(kStreamIids), m_pSource(pSource), m_pData(NULL),
                                               m_cbData(0), m_cbCapacity(0), m_pos(0) {}
    ~PullStream() { free(m_pData); }

    HRESULT STDMETHODCALLTYPE Read(void* pv, ULONG cb, ULONG* pcbRead) override
    {
        if (!pv && cb)
            return STG_E_INVALIDPOINTER;
        if (!PullTo(m_pos + cb) && m_cbData < m_pos + cb && m_pos < m_cbData && !m_pSource->bEnded)
            return E_OUTOFMEMORY;
        ULONG cbDone = 0;
        if (m_pos < m_cbData)
        {
            const ULONGLONG cbAvail = m_cbData - m_pos;
            cbDone = static_cast<ULONG>(cbAvail < cb ? cbAvail : cb);
            memcpy(pv, m_pData + m_pos, cbDone);
            m_pos += cbDone;
        }
        if (pcbRead)
            *pcbRead = cbDone;
        return cbDone == cb ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Write(const void*, ULONG, ULONG*) override { return STG_E_ACCESSDENIED; }

    HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD dwOrigin, ULARGE_INTEGER* pNewPos) override
    {
        LONGLONG base = 0;
        if (dwOrigin == STREAM_SEEK_CUR)
            base = static_cast<LONGLONG>(m_pos);
        else if (dwOrigin == STREAM_SEEK_END)
        {
            PullTo(~0ull);   // the end is known only once everything is pulled
            base = static_cast<LONGLONG>(m_cbData);
        }
        else if (dwOrigin != STREAM_SEEK_SET)
            return STG_E_INVALIDFUNCTION;
        const LONGLONG pos = base + move.QuadPart;
        if (pos < 0)
            return STG_E_INVALIDFUNCTION;
        m_pos = static_cast<ULONGLONG>(pos);
        if (pNewPos)
            pNewPos->QuadPart = m_pos;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER) override { return STG_E_ACCESSDENIED; }
    HRESULT STDMETHODCALLTYPE CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Commit(DWORD) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Revert() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return STG_E_INVALIDFUNCTION; }
    HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return STG_E_INVALIDFUNCTION; }
    HRESULT STDMETHODCALLTYPE Stat(STATSTG* pStat, DWORD) override
    {
        if (!pStat)
            return STG_E_INVALIDPOINTER;
        PullTo(~0ull);
        memset(pStat, 0, sizeof(*pStat));
        pStat->type = STGTY_STREAM;
        pStat->cbSize.QuadPart = m_cbData;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(IStream**) override { return E_NOTIMPL; }

    // Everything the callback gives, held; null when memory ran out.
    const BYTE* PullAll(size_t* pcb)
    {
        PullTo(~0ull);
        *pcb = m_cbData;
        return m_pSource->bEnded ? m_pData : NULL;
    }

private:
    // Pulls from the callback until cbWanted bytes are held or the data ends.
    bool PullTo(ULONGLONG cbWanted)
    {
        while (m_cbData < cbWanted && !m_pSource->bEnded)
        {
            if (m_cbCapacity - m_cbData < 4096)
            {
                const size_t cbNew = m_cbCapacity ? m_cbCapacity * 2 : 65536;
                BYTE* pNew = static_cast<BYTE*>(realloc(m_pData, cbNew));
                if (!pNew)
                    return false;
                m_pData = pNew;
                m_cbCapacity = cbNew;
            }
            const size_t cbGot = m_pSource->Read(m_pData + m_cbData, m_cbCapacity - m_cbData);
            m_cbData += cbGot;
        }
        return m_cbData >= cbWanted;
    }

    DataSource* m_pSource;
    BYTE* m_pData;
    size_t m_cbData;
    size_t m_cbCapacity;
    ULONGLONG m_pos;
};

template <class T>
void SafeRelease(T** pp)
{
    if (*pp)
    {
        (*pp)->Release();
        *pp = NULL;
    }
}

USHORT MetadataUShort(IWICBitmapFrameDecode* pFrame, const WCHAR* pszName)
{
    USHORT value = 0;
    IWICMetadataQueryReader* pReader = NULL;
    if (SUCCEEDED(pFrame->GetMetadataQueryReader(&pReader)) && pReader)
    {
        PROPVARIANT var;
        PropVariantInit(&var);
        if (SUCCEEDED(pReader->GetMetadataByName(pszName, &var)) && var.vt == VT_UI2)
            value = var.uiVal;
        PropVariantClear(&var);
        pReader->Release();
    }
    return value;
}

// The picture's size from the first buffer, so that the output need not
// wait for WIC.
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

// Straight (not premultiplied) alpha over white.
inline uint32_t OverWhite(uint32_t bgra)
{
    const uint32_t a = bgra >> 24;
    if (a == 255)
        return bgra & 0x00FFFFFF;
    uint32_t out = 0;
    for (int shift = 0; shift < 24; shift += 8)
    {
        const uint32_t c = (bgra >> shift) & 0xFF;
        out |= ((c * a + 255 * (255 - a) + 127) / 255) << shift;
    }
    return out;
}

// The converted frame, a strip of rows at a time, over white into the
// output with its top-left corner at (xFrame, yFrame).
HRESULT CopyFrame(DecodeJob* pJob, UINT frameWidth, UINT frameHeight, int xFrame, int yFrame)
{
    HRESULT hr;
    const UINT nStrip = 64;
    const UINT cbRow = frameWidth * 4;
    uint32_t* pStrip = static_cast<uint32_t*>(AllocScratch(static_cast<size_t>(cbRow), nStrip));
    pJob->pScratch = pStrip;
    if (!pStrip || frameWidth > 0x3FFFFFFF)
        return E_OUTOFMEMORY;
    for (UINT y = 0; y < frameHeight; y += nStrip)
    {
        const UINT nRows = frameHeight - y < nStrip ? frameHeight - y : nStrip;
        WICRect rect = {0, static_cast<INT>(y), static_cast<INT>(frameWidth), static_cast<INT>(nRows)};
        if (FAILED(hr = pJob->pConverter->CopyPixels(&rect, cbRow, cbRow * nRows, reinterpret_cast<BYTE*>(pStrip))))
            return hr;
        for (UINT i = 0; i < nRows; i++)
        {
            uint32_t* pRow = pStrip + static_cast<size_t>(i) * frameWidth;
            for (UINT x = 0; x < frameWidth; x++)
                pRow[x] = OverWhite(pRow[x]);
            OutputWriteSpan(&pJob->out, xFrame, yFrame + static_cast<int>(y + i), static_cast<int>(frameWidth),
                            pRow);
        }
    }
    return S_OK;
}

} // namespace

HRESULT DecodeWithWic(DecodeJob* pJob, char chContainer)
{
    // Size from our own header parse, so that the bitmap and the progress
    // callback come after the first buffer (Wine's PNG and GIF decoders read
    // the whole file before they tell the size).
    DWORD cbFirst = 0;
    const BYTE* pbFirst = pJob->src.Peek(&cbFirst);
    int nWidth = 0, nHeight = 0;
    bool bSized = false;
    if (chContainer == 'P')
        bSized = ParsePngSize(pbFirst, cbFirst, &nWidth, &nHeight);
    else if (chContainer == 'G')
        bSized = ParseGifScreenSize(pbFirst, cbFirst, &nWidth, &nHeight);
    if (chContainer != 'J' && !bSized)
        return E_FAIL;
    HRESULT hr;
    if (bSized && FAILED(hr = OutputCreate(&pJob->out, nWidth, nHeight)))
        return hr;

    hr = CoInitializeEx(NULL, COINIT_MULTITHREADED);
    pJob->bComInitialized = SUCCEEDED(hr);   // RPC_E_CHANGED_MODE: the thread has COM already
    hr = CoCreateInstance(CLSID_WICImagingFactory, NULL, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                          reinterpret_cast<void**>(&pJob->pFactory));
    if (FAILED(hr))
        return hr;
    PullStream* pStream = new (std::nothrow) PullStream(&pJob->src);
    pJob->pStream = pStream;
    if (!pStream)
        return E_OUTOFMEMORY;
    size_t cbAll = 0;
    const BYTE* pbAll = chContainer == 'G' ? pStream->PullAll(&cbAll) : NULL;
    if (chContainer == 'G' && (!pbAll || !GifPassesCheck(pbAll, cbAll, nWidth, nHeight)))
        return E_FAIL;
    const GUID& container = chContainer == 'P' ? GUID_ContainerFormatPng
                          : chContainer == 'G' ? GUID_ContainerFormatGif : GUID_ContainerFormatJpeg;
    if (FAILED(hr = pJob->pFactory->CreateDecoder(container, NULL, &pJob->pDecoder)) ||
        FAILED(hr = pJob->pDecoder->Initialize(pJob->pStream, WICDecodeMetadataCacheOnDemand)) ||
        FAILED(hr = pJob->pDecoder->GetFrame(0, &pJob->pFrame)))
        return hr;
    UINT frameWidth = 0, frameHeight = 0;
    if (FAILED(hr = pJob->pFrame->GetSize(&frameWidth, &frameHeight)))
        return hr;
    if (!bSized &&
        FAILED(hr = OutputCreate(&pJob->out, static_cast<int>(frameWidth), static_cast<int>(frameHeight))))
        return hr;
    if (FAILED(hr = pJob->pFactory->CreateFormatConverter(&pJob->pConverter)) ||
        FAILED(hr = pJob->pConverter->Initialize(pJob->pFrame, GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone,
                                                 NULL, 0.0, WICBitmapPaletteTypeCustom)))
        return hr;

    // GIF: the first frame at its offset on the logical screen, over white.
    int xFrame = 0, yFrame = 0;
    if (chContainer == 'G')
    {
        xFrame = MetadataUShort(pJob->pFrame, L"/imgdesc/Left");
        yFrame = MetadataUShort(pJob->pFrame, L"/imgdesc/Top");
        OutputFillWhite(&pJob->out);
    }
    return CopyFrame(pJob, frameWidth, frameHeight, xFrame, yFrame);
}

void ReleaseWic(DecodeJob* pJob)
{
    SafeRelease(&pJob->pConverter);
    SafeRelease(&pJob->pFrame);
    SafeRelease(&pJob->pDecoder);
    SafeRelease(&pJob->pStream);
    SafeRelease(&pJob->pFactory);
    if (pJob->bComInitialized)
    {
        CoUninitialize();
        pJob->bComInitialized = false;
    }
}
