// CImageDecoder: dispatch, cancellation, bitmap creation and the JPEG
// route's orientation step. The two routes are in jpeg_decode.cpp and
// platform_decode.cpp.
#include "viewer/imaging/decode/image_decoder.h"
#include "viewer/imaging/decode/decode_upright.h"
#include "viewer/imaging/decode/decode_window.h"

#include <io.h>
#include <string.h>
#include <wchar.h>

#include "platform/seh_guard/seh_guard.h"
#include "viewer/common/image_error.h"
#include "viewer/imaging/decode/exif_info.h"
#include "viewer/imaging/decode/picture_budget.h"
#include "viewer/imaging/decode/picture_orientation.h"

static HWND g_hwndDecode = NULL;

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
    g_hwndDecode = hwnd;
}

HWND CImageDecoder::GetDecodeWindow(void)
{
    return g_hwndDecode;
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

namespace {

struct CreateDibCall
{
    HDC hdc;
    BITMAPINFO bmi;
    HBITMAP hbm;
};

void CallCreateDibSection(void* pv)
{
    CreateDibCall* pCall = static_cast<CreateDibCall*>(pv);
    void* pvBits = NULL;
    pCall->hbm = CreateDIBSection(pCall->hdc, &pCall->bmi, DIB_RGB_COLORS, &pvBits, NULL, 0);
}

} // namespace

unsigned long long CImageDecoder::PictureBudgetBytes(void)
{
    MEMORYSTATUSEX status;
    memset(&status, 0, sizeof(status));
    status.dwLength = sizeof(status);
    // Should the system not say, a machine of 512 MiB is assumed.
    const uint64_t cbPhysical = GlobalMemoryStatusEx(&status) ? status.ullTotalPhys : PICTURE_BUDGET_CAP;
    return PictureBudget(cbPhysical);
}

HBITMAP CImageDecoder::CreateDib(HDC hdc, int nWidth, int nHeight, int nBitCount)
{
    CreateDibCall call;
    memset(&call, 0, sizeof(call));
    call.hdc = hdc;
    call.bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    call.bmi.bmiHeader.biWidth = nWidth;
    call.bmi.bmiHeader.biHeight = nHeight;
    call.bmi.bmiHeader.biPlanes = 1;
    call.bmi.bmiHeader.biBitCount = static_cast<WORD>(nBitCount);
    call.bmi.bmiHeader.biCompression = BI_RGB;
    if (!SehGuardRun(CallCreateDibSection, &call, NULL))
    {
        if (call.hbm)
            DeleteObject(call.hbm);
        return NULL;
    }
    return call.hbm;
}

HBITMAP CreateDibOnDecodeWindow(int nWidth, int nHeight)
{
    const HWND hwnd = CImageDecoder::GetDecodeWindow();
    const HDC hdc = GetDC(hwnd);
    HBITMAP hbm = CImageDecoder::CreateDib(hdc, nWidth, nHeight, 24);
    if (hdc)
        ReleaseDC(hwnd, hdc);
    return hbm;
}

int OrientationToApply(FILE* pFile, const DecodeOptions* pOptions)
{
    if (!pFile || !pOptions || !(pOptions->flags & DECODE_UPRIGHT))
        return EXIF_ORIENTATION_UPRIGHT;
    // Read through the handle under the stream, which has buffered nothing
    // yet; the reader leaves the handle at the start, where the stream
    // believes it is.
    const HANDLE hFile = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(pFile)));
    ExifInfo info;
    if (hFile == INVALID_HANDLE_VALUE || !ReadExifInfo(hFile, &info))
        return EXIF_ORIENTATION_UPRIGHT;
    return info.nOrientation;
}

uint64_t DecodeBudget(uint64_t cbBudget, int nOrientation)
{
    // Only a quarter turn (5 to 8) makes a second bitmap; the others work
    // in place.
    const bool bQuarterTurn = nOrientation >= 5 && nOrientation <= EXIF_ORIENTATION_MAX;
    return bQuarterTurn ? BudgetBesideTurn(cbBudget) : cbBudget;
}

HBITMAP StandUpright(HBITMAP hbm, int nOrientation, DecodeOptions* pOptions)
{
    if (pOptions && (pOptions->flags & DECODE_HEADER_ONLY))
        UprightSize(nOrientation, &pOptions->info.biWidth, &pOptions->info.biHeight);
    return hbm ? OrientBitmap(hbm, nOrientation) : NULL;
}
