// CImageDecoder: the front door. Cancellation, the type of a name, and the
// table that gives each type its route; the routes (one file each) and what
// they share are in the files below.
#include "viewer/imaging/decode/image_decoder.h"

#include <string.h>
#include <wchar.h>

#include "viewer/common/image_error.h"
#include "viewer/imaging/colour/picture_colour.h"
#include "viewer/imaging/decode/decode_route.h"
#include "viewer/imaging/decode/decode_window.h"
#include "viewer/imaging/decode/exif_info.h"
#include "viewer/imaging/decode/heif_route.h"
#include "viewer/imaging/decode/jpeg_route.h"
#include "viewer/imaging/decode/machine_budget.h"
#include "viewer/imaging/decode/platform_route.h"
#include "viewer/imaging/decode/webp_route.h"

namespace {

// A JPEG's EXIF block, read through a handle of its own.
BOOL JpegExif(const WCHAR* pszPath, uint64_t, ExifInfo* pInfo)
{
    HANDLE hFile = CreateFileW(pszPath, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (hFile == INVALID_HANDLE_VALUE)
        return FALSE;
    const BOOL bFound = ReadExifInfo(hFile, pInfo);
    CloseHandle(hFile);
    return bFound;
}

// Every type the decoder has a route of its own for (the extensions of each
// are in picture_type.h), and the reader of its EXIF block, if it has one. A
// type without a row (0, unknown) goes to the platform decoder, which tells
// the format from the data.
const struct
{
    PictureType type;
    DecodeRoute pfnRoute;
    BOOL (*pfnExif)(const WCHAR* pszPath, uint64_t cbMax, ExifInfo* pInfo);
} kFormats[] = {
    {PICTYPE_BMP, PlatformRoute, NULL},
    {PICTYPE_GIF, PlatformRoute, NULL},
    {PICTYPE_PNG, PlatformRoute, NULL},
    {PICTYPE_JPG, JpegRoute, JpegExif},
    {PICTYPE_JPEG, JpegRoute, JpegExif},
    {PICTYPE_WEBP, WebpRoute, WebpExif},
    {PICTYPE_HEIC, HeifRoute, HeifExif},
    {PICTYPE_HEIF, HeifRoute, HeifExif},
    {PICTYPE_AVIF, HeifRoute, HeifExif},
};

DecodeRoute RouteOfType(LONG type)
{
    for (const auto& format : kFormats)
    {
        if (format.type == type)
            return format.pfnRoute;
    }
    return PlatformRoute;
}

} // namespace

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
    // Without the lock: the worker polls here, and a worker ended by force
    // while holding the lock would make the stop's clear of the flag wait
    // for ever. An aligned 32-bit read is whole on its own.
    return static_cast<DWORD>(m_bCancel);
}

PictureType CImageDecoder::TypeFromExtension(const WCHAR* pszPath)
{
    if (!pszPath)
        return PICTYPE_UNKNOWN;
    const WCHAR* pszDot = wcsrchr(pszPath, L'.');
    return pszDot ? PictureTypeOfExtension(pszDot) : PICTYPE_UNKNOWN;
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
    HBITMAP hbm = RunRoute(RouteOfType(pOptions->type), pszPath, pOptions);
    // Whatever the route, so a new format is managed as soon as it decodes.
    return (pOptions->flags & DECODE_MANAGE_COLOUR) ? ConvertToScreenColours(pszPath, hbm, &m_bCancel) : hbm;
}

BOOL CImageDecoder::ReadCameraFacts(const WCHAR* pszPath, LONG type, ExifInfo* pInfo)
{
    for (const auto& format : kFormats)
    {
        if (format.type == type && format.pfnExif && pszPath && pInfo)
            return format.pfnExif(pszPath, MachinePictureBudget(), pInfo);
    }
    return FALSE;
}

HBITMAP CImageDecoder::LoadNow(const WCHAR* pszPath, DecodeOptions* pOptions)
{
    SetCancel(0);
    return Load(pszPath, pOptions);
}

HBITMAP CImageDecoder::LoadJpeg(const WCHAR* pszPath, DecodeOptions* pOptions)
{
    return RunRoute(JpegRoute, pszPath, pOptions);
}

HBITMAP CImageDecoder::LoadWithPlatform(const WCHAR* pszPath, DecodeOptions* pOptions)
{
    return RunRoute(PlatformRoute, pszPath, pOptions);
}

HBITMAP CImageDecoder::RunRoute(DecodeRoute pfnRoute, const WCHAR* pszPath, DecodeOptions* pOptions)
{
    if (!pszPath || !pOptions)
        return NULL;
    pOptions->largeFlag = 0;
    memset(&pOptions->info, 0, sizeof(pOptions->info));
    const DecodeRequest request = {pszPath, pOptions, MachinePictureBudget(), &m_bCancel, &m_hFile};
    return pfnRoute(request);
}
