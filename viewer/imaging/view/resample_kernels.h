// Area-averaging reduction and overlap-interpolation enlargement in integer
// fixed point (4096 = 1.0), so that every processor and build gives the same
// pixels, bit for bit.
// Pure code: no <windows.h>, so it also builds natively.
#pragma once

#include <stddef.h>
#include <stdint.h>

// The process-wide abort flag (0/1), the default of every caller that has no
// flag of its own. The loops poll their flag per row and per pixel; the
// reducing routines clear this one (never a caller's own) at start.
extern volatile int32_t g_nResampleAbort;
void SetResampleAbort(int32_t nValue);
int32_t GetResampleAbort(void);

// One entry of a weight table (see WeightTable).
//   w1 == 0: whole entry in the current cell, the cell goes on;
//   w1 == -1: w0 is the weight and the cell ends after this entry;
//   w1 > 0: w0 in the current cell, w1 in the next; the cell ends here.
struct WeightEntry
{
    int32_t w0;
    int32_t w1;
};

// n entries describing how n pixels map onto m pixels on one axis. For
// reduction (bReducing = 1) n is the source length and m the target length;
// for enlargement n is the target length and m the source length.
// Returns null when out of memory; release with FreeWeightTable.
WeightEntry* WeightTable(int32_t n, int32_t m, int32_t bReducing);
void FreeWeightTable(WeightEntry* pTable);

// Colour masks of a 16-bit (or 32-bit bit-field) source: for red, green and
// blue (index 0, 1, 2) the mask, the right shift (zero bits below the mask)
// and the left shift (8 minus the set bits). A channel value is
// ((pixel & mask) >> right) << left, kept to 8 bits; a shift of 32 or more
// gives 0.
struct ChannelMasks
{
    uint32_t mask[3];
    int32_t rightShift[3];
    int32_t leftShift[3];
};
enum { CHANNEL_RED = 0, CHANNEL_GREEN = 1, CHANNEL_BLUE = 2 };

// Right shifts counted over the low 16 bits; MakeChannelMasks32
// counts over 32 bits for 32-bit bit-field sources.
ChannelMasks MakeChannelMasks(uint32_t redMask, uint32_t greenMask, uint32_t blueMask);
ChannelMasks MakeChannelMasks32(uint32_t redMask, uint32_t greenMask, uint32_t blueMask);

// How a source stores its pixels: plain blue, green, red in 3 bytes, the
// same plus an unused byte (desktop displays), or 16- or 32-bit words split
// with the masks (MakeChannelMasks, MakeChannelMasks32).
enum PixelLayout { PIXELS_RGB24, PIXELS_BGRX32, PIXELS_MASKED16, PIXELS_MASKED32 };
struct PixelFormat
{
    PixelLayout layout;
    ChannelMasks masks;   // masked layouts only
};
inline PixelFormat PlainFormat(PixelLayout layout)
{
    PixelFormat format = {layout, {}};
    return format;
}
inline PixelFormat MaskedFormat(PixelLayout layout, const ChannelMasks& masks)
{
    PixelFormat format = {layout, masks};
    return format;
}

// Sources and targets are walked by adding their own row strides, so a
// bottom-up bitmap stays bottom-up. Targets are 24-bit blue, green, red.
// Sizes are taken modulo 65536. pAbort defaults to the process-wide flag; a
// caller may pass a flag of its own, so a renderer stop never cuts a thumbnail short.
// True when every target row was written whole: no abort, nothing missing.
bool ShrinkPixels(const PixelFormat& format, const uint8_t* pSrc, int32_t srcWidth, int32_t srcHeight,
                  ptrdiff_t srcStride, uint8_t* pDst, int32_t dstWidth, int32_t dstHeight, ptrdiff_t dstStride,
                  volatile int32_t* pAbort = &g_nResampleAbort);
bool EnlargePixels(const PixelFormat& format, const uint8_t* pSrc, int32_t srcWidth, int32_t srcHeight,
                   ptrdiff_t srcStride, uint8_t* pDst, int32_t dstWidth, int32_t dstHeight, ptrdiff_t dstStride,
                   volatile int32_t* pAbort = &g_nResampleAbort);
