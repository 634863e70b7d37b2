// CImageDecoder: picture file to bitmap. JPEG through libjpeg
// into a 24-bit bottom-up DIB section; every other type through the platform
// image decompression library at the display's depth.
#pragma once

#include <windows.h>

#include "viewer/common/picture_type.h"

// DecodeOptions.flags
enum DecodeFlags
{
    DECODE_REDUCE = 0x1,      // reduced decoding allowed (with reduceMode 1)
    DECODE_SIZE_TEST = 0x2,   // sets largeFlag
    DECODE_HEADER_ONLY = 0x4, // no bitmap, only info
    // A JPEG is stood upright as its EXIF orientation says (size reported
    // upright too); other types and JPEGs without the tag come as stored.
    DECODE_UPRIGHT = 0x8
};

// A picture wider or higher than this is large (DECODE_SIZE_TEST); only
// large pictures get a cached thumbnail.
enum { DECODE_LARGE_SIDE = 256 };

// The in/out record of every decode call. The caller zeroes it, sets the
// inputs and reads the outputs.
struct DecodeOptions
{
    DWORD flags;             // in: DecodeFlags
    LONG type;               // in/out: PictureType; 1 is replaced by the type of the name
    LONG reduceMode;         // in: 1 = reduce by width when DECODE_REDUCE is set
    DWORD largeFlag;         // out: 1 when DECODE_SIZE_TEST and width or height > DECODE_LARGE_SIDE
    BITMAPINFOHEADER info;   // out, header-only mode: biWidth, biHeight, biPlanes 1, biBitCount
};

class CImageDecoder
{
public:
    CImageDecoder();
    virtual ~CImageDecoder();   // sets the cancel flag

    // 0 when null or no "."; else by the text from the last ".".
    static PictureType TypeFromExtension(const WCHAR* pszPath);

    // The dispatcher: error code 2 on a null argument, null when cancelled,
    // type 1 resolved from the name, then the JPEG or the platform route.
    HBITMAP Load(const WCHAR* pszPath, DecodeOptions* pOptions);
    // Clears the cancel flag, then Load.
    HBITMAP LoadNow(const WCHAR* pszPath, DecodeOptions* pOptions);
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
    friend struct PlatformDecodeState;

    HANDLE m_hFile;              // platform route only
    volatile LONG m_bCancel;
    CRITICAL_SECTION m_csCancel;

    CImageDecoder(const CImageDecoder&) = delete;
    CImageDecoder& operator=(const CImageDecoder&) = delete;
};
