#include "viewer/imaging/decode/decode_window.h"

#include <string.h>

#include "platform/seh_guard/seh_guard.h"

namespace {

// Set by the UI thread at the main window's creation and teardown, read by
// every decoding thread: a window handle is one aligned word.
HWND g_hwndDecode = NULL;

struct CreateDibCall
{
    HDC hdc;
    const BITMAPINFO* pbmi;
    HBITMAP hbm;
};

void CallCreateDibSection(void* pv)
{
    CreateDibCall* pCall = static_cast<CreateDibCall*>(pv);
    void* pvBits = NULL;
    pCall->hbm = CreateDIBSection(pCall->hdc, pCall->pbmi, DIB_RGB_COLORS, &pvBits, NULL, 0);
}

} // namespace

void StoreDecodeWindow(HWND hwnd)
{
    g_hwndDecode = hwnd;
}

HWND DecodeWindow(void)
{
    return g_hwndDecode;
}

HBITMAP CreateDibGuarded(HDC hdc, const BITMAPINFO* pbmi)
{
    CreateDibCall call = {hdc, pbmi, NULL};
    if (!SehGuardRun(CallCreateDibSection, &call, NULL))
    {
        if (call.hbm)
            DeleteObject(call.hbm);
        return NULL;
    }
    return call.hbm;
}

HBITMAP CreatePlainDib(HDC hdc, int nWidth, int nHeight, int nBitCount)
{
    BITMAPINFO bmi;
    memset(&bmi, 0, sizeof(bmi));
    bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bmi.bmiHeader.biWidth = nWidth;
    bmi.bmiHeader.biHeight = nHeight;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = static_cast<WORD>(nBitCount);
    bmi.bmiHeader.biCompression = BI_RGB;
    return CreateDibGuarded(hdc, &bmi);
}

HBITMAP CreateDibOnDecodeWindow(int nWidth, int nHeight, int nBitCount)
{
    const HWND hwnd = DecodeWindow();
    const HDC hdc = GetDC(hwnd);
    HBITMAP hbm = CreatePlainDib(hdc, nWidth, nHeight, nBitCount);
    if (hdc)
        ReleaseDC(hwnd, hdc);
    return hbm;
}
