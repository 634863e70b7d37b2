// The platform route: the platform decoder's indirect decode call, fed
// through a read callback. The header-only capture and the stop-reading flag
// are kept per decode, not process-wide, so that two decoders can run on two
// threads at once.
#include "viewer/imaging/decode/platform_route.h"

#include <stdint.h>
#include <string.h>

#include "platform/imgdecmp/imgdecmp.h"
#include "platform/seh_guard/seh_guard.h"
#include "viewer/imaging/decode/decode_window.h"
#include "viewer/imaging/decode/picture_budget.h"

namespace {

// The file is pulled through a buffer of this size, so a cancel or a
// finished header capture stops the reading within one buffer.
const DWORD kReadBufferSize = 4096;
const int kFullScale = 100;   // percent
// Larger pictures are refused before their bitmap is made.
const int kMaxPictureSide = 10000;

// Passed to the callbacks as their user parameter.
struct PlatformDecodeState
{
    const volatile LONG* pCancel;
    HANDLE* phFile;               // the open file
    DecodeOptions capture;        // the header-only capture
    volatile LONG bHeaderOnly;
    volatile LONG bStopReading;
};

DWORD CALLBACK PullFromFile(LPSTR pBuffer, DWORD cbMax, LPARAM lParam)
{
    PlatformDecodeState* pState = reinterpret_cast<PlatformDecodeState*>(lParam);
    if (!pState || !pState->phFile)
        return 0;
    const HANDLE hFile = *pState->phFile;
    if (hFile == INVALID_HANDLE_VALUE || hFile == NULL || *pState->pCancel || pState->bStopReading)
        return 0;
    DWORD cbRead = 0;
    if (!ReadFile(hFile, pBuffer, cbMax, &cbRead, NULL))
        return 0;
    return cbRead;
}

void CALLBACK CaptureHeader(IImageRender* pRender, BOOL, LPARAM lParam)
{
    PlatformDecodeState* pState = reinterpret_cast<PlatformDecodeState*>(lParam);
    if (!pState || !pState->bHeaderOnly || !pRender)
        return;
    // The bitmap stays the decode's: it is only measured here.
    HBITMAP hbm = NULL;
    BITMAP bm;
    if (SUCCEEDED(pRender->GetBitmap(&hbm, 0)) && hbm && GetObjectW(hbm, sizeof(bm), &bm))
    {
        pState->capture.info.biWidth = bm.bmWidth;
        pState->capture.info.biHeight = bm.bmHeight;
        pState->capture.info.biPlanes = 1;   // as the JPEG route reports it
        pState->capture.info.biBitCount = bm.bmBitsPixel;
    }
    pState->bStopReading = 1;
}

struct DecodeCall
{
    DecompressImageInfo* pParams;
};

void CallDecompress(void* pv)
{
    DecompressImageIndirect(static_cast<DecodeCall*>(pv)->pParams);
}

// One guarded decode call on the open file; null when it made no bitmap or
// faulted. The result code is not examined: a bitmap or none says it all.
HBITMAP DecompressFile(PlatformDecodeState* pState, int nMaxSide)
{
    const HWND hwnd = DecodeWindow();
    const HDC hdc = GetDC(hwnd);
    BYTE buffer[kReadBufferSize];
    HBITMAP hbm = NULL;
    DecompressImageInfo params;
    memset(&params, 0, sizeof(params));
    params.dwSize = DECOMPRESSIMAGEINFO_HANDHELD_SIZE;
    params.pbBuffer = buffer;
    params.dwBufferMax = sizeof(buffer);
    params.dwBufferCurrent = 0;
    params.phBM = &hbm;
    params.ppImageRender = NULL;
    params.iBitDepth = GetDeviceCaps(hdc, BITSPIXEL);
    params.lParam = reinterpret_cast<LPARAM>(pState);
    params.hdc = hdc;
    params.iScale = kFullScale;
    params.iMaxWidth = nMaxSide;
    params.iMaxHeight = nMaxSide;
    params.pfnGetData = PullFromFile;
    params.pfnImageProgress = CaptureHeader;
    params.crTransparentOverride = static_cast<COLORREF>(-1);
    DecodeCall call = {&params};
    // A fault inside the decoder drops the bitmap it had made so far.
    if (!SehGuardRun(CallDecompress, &call, NULL) && hbm)
    {
        DeleteObject(hbm);
        hbm = NULL;
    }
    if (hdc)
        ReleaseDC(hwnd, hdc);
    return hbm;
}

// The depth of the bitmap the decoder makes when asked for the display's:
// 16 and 32 bits as asked, anything else as 24.
int OutputBits(void)
{
    const HWND hwnd = DecodeWindow();
    const HDC hdc = GetDC(hwnd);
    const int nBits = hdc ? GetDeviceCaps(hdc, BITSPIXEL) : 0;
    if (hdc)
        ReleaseDC(hwnd, hdc);
    return nBits == 16 || nBits == 32 ? nBits : 24;
}

// The picture's size as its header gives it, read from the start of the
// file, which is then rewound for the decoder. False when the file cannot
// be read or rewound.
bool ReadHeaderSize(HANDLE hFile, bool* pbKnown, int64_t* pWidth, int64_t* pHeight)
{
    BYTE buffer[kReadBufferSize];
    DWORD cbRead = 0;
    if (!ReadFile(hFile, buffer, sizeof(buffer), &cbRead, NULL))
        return false;
    *pbKnown = PictureSizeFromHeader(buffer, cbRead, pWidth, pHeight);
    return SetFilePointer(hFile, 0, NULL, FILE_BEGIN) != INVALID_SET_FILE_POINTER;
}

// A header-only request about a picture too large to decode is answered
// from its header: its true size at the depth it would have had.
void ReportHeaderSize(int64_t nWidth, int64_t nHeight, int nBits, DecodeOptions* pCapture)
{
    if (nWidth <= 0 || nHeight <= 0 || nWidth > INT32_MAX || nHeight > INT32_MAX)
        return;
    pCapture->info.biWidth = static_cast<LONG>(nWidth);
    pCapture->info.biHeight = static_cast<LONG>(nHeight);
    pCapture->info.biPlanes = 1;
    pCapture->info.biBitCount = static_cast<WORD>(nBits);
}

} // namespace

HBITMAP PlatformRoute(const DecodeRequest& request)
{
    DecodeOptions* const pOptions = request.pOptions;
    PlatformDecodeState state;
    memset(&state, 0, sizeof(state));
    state.pCancel = request.pCancel;
    state.phFile = request.phFile;
    if (pOptions->flags & DECODE_HEADER_ONLY)
    {
        state.bHeaderOnly = 1;
        state.capture = *pOptions;
    }

    *request.phFile = INVALID_HANDLE_VALUE;
    HANDLE hFile = CreateFileW(request.pszPath, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, NULL);
    if (hFile == INVALID_HANDLE_VALUE)
        return NULL;
    *request.phFile = hFile;
    // The size is checked against the budget before the decoder makes
    // anything. A picture whose size the header does not tell is bounded
    // by the largest square that fits.
    const int nBits = OutputBits();
    const uint64_t cbBudget = request.cbBudget;
    bool bKnown = false;
    int64_t nWidth = 0, nHeight = 0;
    HBITMAP hbm = NULL;
    if (ReadHeaderSize(hFile, &bKnown, &nWidth, &nHeight))
    {
        const int32_t nSquare = SquareSideWithin(cbBudget, nBits);
        if (!bKnown)
            hbm = DecompressFile(&state, nSquare < kMaxPictureSide ? nSquare : kMaxPictureSide);
        else if (DibBytes(nWidth, nHeight, nBits) <= cbBudget)
            hbm = DecompressFile(&state, kMaxPictureSide);
        else if (state.bHeaderOnly)
            ReportHeaderSize(nWidth, nHeight, nBits, &state.capture);
    }
    CloseHandle(hFile);
    *request.phFile = NULL;

    if (hbm)
    {
        BITMAP bm;
        if ((pOptions->flags & DECODE_SIZE_TEST) && GetObjectW(hbm, sizeof(bm), &bm) &&
            (bm.bmWidth > DECODE_LARGE_SIDE || bm.bmHeight > DECODE_LARGE_SIDE))
            pOptions->largeFlag = 1;
    }
    if (state.bHeaderOnly)
        *pOptions = state.capture;
    // A header-only request never hands out a bitmap.
    if (hbm && (state.bHeaderOnly || *request.pCancel))
    {
        DeleteObject(hbm);
        hbm = NULL;
    }
    return hbm;
}
