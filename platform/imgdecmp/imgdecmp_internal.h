// Pieces shared by the decode call, the BMP decoder and the WIC route.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "platform/imgdecmp/imgdecmp.h"

struct IWICImagingFactory;
struct IWICBitmapDecoder;
struct IWICBitmapFrameDecode;
struct IWICFormatConverter;
struct IStream;
class RenderObject;

// The caller's data, pulled through the read callback into the caller's
// buffer one callback at a time. Once the callback has returned 0 it is
// not called again.
struct DataSource
{
    DecompressImageInfo* pParams;
    DWORD iPos;          // next unread byte in pParams->pbBuffer
    bool bEnded;

    bool Fill();                              // next buffer; false at the end
    size_t Read(void* pvDst, size_t cb);      // loops until cb bytes or the end
    bool Skip(size_t cb);
    const BYTE* Peek(DWORD* pcb);             // the unread bytes of the current buffer
};

// Everything one decode acquires, kept here (not in stack frames) so that
// the cleanup after a caught fault can release it.
struct DecodeJob
{
    DecompressImageInfo* pParams;
    DataSource src;
    HRESULT hr;

    // Output DIB section at the requested depth.
    int nDepth;
    int nWidth;
    int nHeight;
    HBITMAP hbm;
    BYTE* pBits;
    ptrdiff_t cbStride;
    RenderObject* pRender;

    // Scratch memory (malloc) of the decoders.
    void* pScratch;
    void* pScratch2;

    // WIC route.
    bool bComInitialized;
    IWICImagingFactory* pFactory;
    IStream* pStream;
    IWICBitmapDecoder* pDecoder;
    IWICBitmapFrameDecode* pFrame;
    IWICFormatConverter* pConverter;
};

// Makes the output DIB section of nWidth x nHeight at the job's depth, then
// calls the progress callback with the render object (not complete).
HRESULT OutputCreate(DecodeJob* pJob, int nWidth, int nHeight);
// Writes count pixels (0x00RRGGBB) to display row y from column x, clipped.
void OutputWriteSpan(DecodeJob* pJob, int x, int y, int nCount, const uint32_t* pPixels);
void OutputFillWhite(DecodeJob* pJob);
void NotifyProgress(DecodeJob* pJob, BOOL bComplete);

HRESULT DecodeBmp(DecodeJob* pJob);
// Container from the magic bytes: 'P' PNG, 'G' GIF, 'J' JPEG.
HRESULT DecodeWithWic(DecodeJob* pJob, char chContainer);
void ReleaseWic(DecodeJob* pJob);

// Header parsing from the first buffer (pure).
bool ParsePngSize(const BYTE* pb, size_t cb, int* pnWidth, int* pnHeight);
bool ParseGifScreenSize(const BYTE* pb, size_t cb, int* pnWidth, int* pnHeight);
// False for a GIF that WIC's decoder would fail on after allocating its
// frames: a frame larger than its screen, a block cut by the end of the
// file, LZW data that ends, stops or goes wrong before the frame's last pixel.
bool GifPassesCheck(const BYTE* pb, size_t cb, int nWidth, int nHeight);

// Scratch allocation checked for overflow: count x size bytes.
void* AllocScratch(size_t nCount, size_t cbSize);
