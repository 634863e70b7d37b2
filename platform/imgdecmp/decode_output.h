// The output of one decode: the DIB section at the requested depth, the
// render object the progress callback is shown, and their hand-over to the
// caller. The readers write into it; it calls nothing of theirs.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "platform/imgdecmp/imgdecmp.h"

class RenderObject;

struct DecodeOutput
{
    DecompressImageInfo* pParams;   // the caller's: device context, largest size, callback, out pointers
    int nDepth;                     // 16 (5-6-5 bit fields), 24 or 32
    int nWidth;
    int nHeight;
    HBITMAP hbm;
    BYTE* pBits;
    ptrdiff_t cbStride;
    RenderObject* pRender;
};

// An output for pParams, nothing made yet: 16 means 5-6-5 bit fields; 24
// and 32 plain; other depths get 24.
void OutputStart(DecodeOutput* pOut, DecompressImageInfo* pParams);
// Makes the DIB section of nWidth x nHeight at the output's depth, then
// calls the progress callback with the render object (not complete).
HRESULT OutputCreate(DecodeOutput* pOut, int nWidth, int nHeight);
// Writes count pixels (0x00RRGGBB) to display row y from column x, clipped.
void OutputWriteSpan(DecodeOutput* pOut, int x, int y, int nCount, const uint32_t* pPixels);
void OutputFillWhite(DecodeOutput* pOut);
// The progress callback with the render object, once there is one.
void NotifyProgress(DecodeOutput* pOut, BOOL bComplete);
// After the decode: a decode that succeeded gives the bitmap and the render
// object to the caller's out pointers; what nobody takes is released.
void OutputHandOver(DecodeOutput* pOut, bool bSucceeded);
