// CImageDecoder: picture file to bitmap, the decoder's front door. It finds
// the picture's type, chooses the format's route from one table and hands it
// the request; the routes (decode_route.h) do the decoding. JPEG, HEIF and
// AVIF come as 24-bit bottom-up DIB sections, WebP as 24 or (with
// transparent parts) 32 bits, every other type through the platform image
// decompression library at the display's depth.
#pragma once

#include <windows.h>

#include "viewer/common/picture_type.h"
#include "viewer/imaging/decode/decode_options.h"

struct DecodeRequest;
struct ExifInfo;

class CImageDecoder
{
public:
    CImageDecoder();
    virtual ~CImageDecoder();   // sets the cancel flag

    // 0 when null or no "."; else by the text from the last ".".
    static PictureType TypeFromExtension(const WCHAR* pszPath);

    // The EXIF block of a picture of the given type, for the types whose
    // files carry one (JPEG, WebP, HEIF); FALSE, *pInfo left as it is for
    // the other types, when there is none.
    static BOOL ReadCameraFacts(const WCHAR* pszPath, LONG type, ExifInfo* pInfo);

    // The dispatcher: error code 2 on a null argument, null when cancelled,
    // type 1 resolved from the name, then the route of the type.
    HBITMAP Load(const WCHAR* pszPath, DecodeOptions* pOptions);
    // Clears the cancel flag, then Load.
    HBITMAP LoadNow(const WCHAR* pszPath, DecodeOptions* pOptions);
    // One route, whatever the type (no cancel check before it).
    HBITMAP LoadJpeg(const WCHAR* pszPath, DecodeOptions* pOptions);
    HBITMAP LoadWithPlatform(const WCHAR* pszPath, DecodeOptions* pOptions);

    // The most one decoded bitmap may take on this machine, in bytes: a
    // quarter of its physical memory, at most 512 MiB.
    static unsigned long long PictureBudgetBytes(void);

    // 24-bit (or nBitCount) BI_RGB bottom-up DIB section; null on failure or
    // on an exception inside CreateDIBSection.
    static HBITMAP CreateDib(HDC hdc, int nWidth, int nHeight, int nBitCount);

    // Stores the value under the lock, only when it differs.
    void SetCancel(DWORD dwValue);
    DWORD IsCancelled();

    // The window whose device context the decoder makes its bitmaps on, so
    // that they match the display. Null, the default, means the screen,
    // which has the same depth. The main window sets it at creation and
    // clears it at teardown.
    static void SetDecodeWindow(HWND hwnd);
    static HWND GetDecodeWindow(void);

private:
    // Clears the outputs and runs one route on this decoder's flag and file.
    HBITMAP RunRoute(HBITMAP (*pfnRoute)(const DecodeRequest&), const WCHAR* pszPath,
                     DecodeOptions* pOptions);

    HANDLE m_hFile;              // the file a route reads through a handle, while it does
    volatile LONG m_bCancel;
    CRITICAL_SECTION m_csCancel;

    CImageDecoder(const CImageDecoder&) = delete;
    CImageDecoder& operator=(const CImageDecoder&) = delete;
};
