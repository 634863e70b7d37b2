// CImageDecoder: dispatch and cancellation. The two routes are in
// jpeg_decode.cpp and platform_decode.cpp.
#include "viewer/imaging/decode/image_decoder.h"

#include <wchar.h>

#include "viewer/common/image_error.h"
#include "viewer/imaging/decode/decode_window.h"
#include "viewer/imaging/decode/machine_budget.h"

CImageDecoder::CImageDecoder() : m_hFile(NULL), m_bCancel(0)
{
    InitializeCriticalSection(&m_csCancel);
}

CImageDecoder::~CImageDecoder()
{
    SetCancel(1);
    DeleteCriticalSection(&m_csCancel);
}

void CImageDecoder::SetDecodeWindow(HWND hwnd)
{
    StoreDecodeWindow(hwnd);
}

HWND CImageDecoder::GetDecodeWindow(void)
{
    return DecodeWindow();
}

unsigned long long CImageDecoder::PictureBudgetBytes(void)
{
    return MachinePictureBudget();
}

HBITMAP CImageDecoder::CreateDib(HDC hdc, int nWidth, int nHeight, int nBitCount)
{
    return CreatePlainDib(hdc, nWidth, nHeight, nBitCount);
}

void CImageDecoder::SetCancel(DWORD dwValue)
{
    // A value that is already stored needs no lock: most calls are clears
    // of a flag that is already clear.
    if (static_cast<DWORD>(m_bCancel) == dwValue)
        return;
    EnterCriticalSection(&m_csCancel);
    m_bCancel = static_cast<LONG>(dwValue);
    LeaveCriticalSection(&m_csCancel);
}

DWORD CImageDecoder::IsCancelled()
{
    // Read without the lock: the worker polls here, and a worker ended by
    // force while holding the lock would make the stop's clear of the flag
    // wait for ever. An aligned 32-bit read is whole on its own.
    return static_cast<DWORD>(m_bCancel);
}

PictureType CImageDecoder::TypeFromExtension(const WCHAR* pszPath)
{
    if (!pszPath)
        return PICTYPE_UNKNOWN;
    const WCHAR* pszDot = wcsrchr(pszPath, L'.');
    if (!pszDot)
        return PICTYPE_UNKNOWN;
    static const struct
    {
        const WCHAR* pszExt;
        PictureType type;
    } kTypes[] = {
        {L".bmp", PICTYPE_BMP}, {L".2bp", PICTYPE_BMP}, {L".gif", PICTYPE_GIF},
        {L".png", PICTYPE_PNG}, {L".jpg", PICTYPE_JPG}, {L".jpeg", PICTYPE_JPEG},
    };
    for (const auto& entry : kTypes)
    {
        if (_wcsicmp(pszDot, entry.pszExt) == 0)
            return entry.type;
    }
    return PICTYPE_UNKNOWN;
}

HBITMAP CImageDecoder::Load(const WCHAR* pszPath, DecodeOptions* pOptions)
{
    if (!pszPath || !pOptions)
    {
        SetImageError(IMGERR_NULL_OBJECT);
        return NULL;
    }
    if (IsCancelled())
        return NULL;
    if (pOptions->type == PICTYPE_BY_EXTENSION)
        pOptions->type = TypeFromExtension(pszPath);
    if (pOptions->type == PICTYPE_JPG || pOptions->type == PICTYPE_JPEG)
        return LoadJpeg(pszPath, pOptions);
    return LoadWithPlatform(pszPath, pOptions);
}

HBITMAP CImageDecoder::LoadNow(const WCHAR* pszPath, DecodeOptions* pOptions)
{
    SetCancel(0);
    return Load(pszPath, pOptions);
}
