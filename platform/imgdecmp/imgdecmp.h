// Stand-in for the handheld's image decompression library (imgdecmp): the
// indirect decode call with its parameter record, read callback, progress
// callback and render object. BMP (and ".2bp") is decoded here; PNG and GIF
// go through the Windows Imaging Component.
#pragma once

#include <windows.h>
#include <unknwn.h>

// The render object handed to the progress callback.
struct IImageRender : public IUnknown
{
    // The bitmap being made. It stays the decode's: do not delete it.
    virtual HRESULT STDMETHODCALLTYPE GetBitmap(HBITMAP* phBitmap, BOOL fNoBlock) = 0;
    // The picture's size in the file.
    virtual HRESULT STDMETHODCALLTYPE GetOrigSize(SIZE* pSize) = 0;
};

typedef DWORD (CALLBACK* GETDATAFUNC)(LPSTR szBuffer, DWORD dwBufferMax, LPARAM lParam);
typedef void (CALLBACK* PROGRESSFUNC)(IImageRender* pRender, BOOL bComplete, LPARAM lParam);

// The record's size on the handheld (fifteen 32-bit members). dwSize must be
// this value or sizeof(DecompressImageInfo); on 64-bit builds the pointers
// make the record larger than 60 bytes.
#define DECOMPRESSIMAGEINFO_HANDHELD_SIZE 60

struct DecompressImageInfo
{
    DWORD dwSize;                    // 60
    LPBYTE pbBuffer;                 // read buffer lent by the caller
    DWORD dwBufferMax;               // its size (4096)
    DWORD dwBufferCurrent;           // bytes currently in it
    HBITMAP* phBM;                   // receives the bitmap (may be null)
    IImageRender** ppImageRender;    // receives the render object (may be null)
    int iBitDepth;                   // output depth: 16 = 5-6-5 bit fields; 24, 32 plain
    LPARAM lParam;                   // user parameter of the callbacks
    HDC hdc;                         // device context for CreateDIBSection
    int iScale;                      // 100 = full size (the only scale provided)
    int iMaxWidth;                   // larger pictures are refused
    int iMaxHeight;
    GETDATAFUNC pfnGetData;
    PROGRESSFUNC pfnImageProgress;   // may be null
    COLORREF crTransparentOverride;  // (COLORREF)-1: none (not otherwise used)
};

#if !defined(_WIN64)
static_assert(sizeof(DecompressImageInfo) == DECOMPRESSIMAGEINFO_HANDHELD_SIZE, "handheld record layout");
#endif

// Decodes the data pulled through pfnGetData. S_OK with *phBM set on
// success; a failure HRESULT and *phBM null otherwise (also after a fault
// inside the decode, which is caught here). Data that ends early (the read
// callback returned 0) gives a failure, except that the progress callback
// has by then been called with the render object once the bitmap was made.
HRESULT DecompressImageIndirect(DecompressImageInfo* pParams);
