// The renderer's fast pass without GDI: each visible output pixel takes the
// nearest pixel of the picture, read straight from its memory. Only the
// output pixels are visited, so a shrunk picture costs as little as its
// view on the screen, however large it is.
// Pure code: no <windows.h>, so tests call it directly.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "viewer/common/view_box.h"
#include "viewer/imaging/view/resample_kernels.h"

// Source coordinate of each of n output pixels that show source pixels
// [start, start + length), the pixel the platform's stretch takes: when
// enlarging, the one under the output pixel's centre; when shrinking, the
// one half a source pixel before the end of the output pixel's cell, with
// the cells laid from the start, or from the far end when bFromEnd (the
// stretch lays them so down the rows). The output runs backwards when
// bReverse. False, with nothing written, for a non-positive n or length or
// a negative start.
bool FillSampleAxis(int32_t start, int32_t length, int32_t n, bool bFromEnd, bool bReverse, int32_t* pOut);

// Which source pixel each pixel of a width x height output box shows. Each
// output column stands for one source coordinate and each output row for
// another: source x and y without a quarter turn, source y and x
// (bTransposed) with one.
struct SampleAxes
{
    bool bTransposed;
    int32_t* pColumnSource;   // width entries, the caller's memory
    int32_t* pRowSource;      // height entries, the caller's memory
};

// Fills the axes for source box view drawn into width x height: mirrored
// by flips (FLIP_LEFT_RIGHT, FLIP_TOP_BOTTOM) in the picture's orientation,
// then turned counter-clockwise by nAngle (0, 90, 180 or 270); the width
// and height are the output's, swapped against the view for a quarter turn.
// False for any other angle or an empty box.
bool PlanSampling(const ViewBox& view, int32_t width, int32_t height, int32_t nAngle, uint32_t flips,
                  SampleAxes* pAxes);

// Rows of pixels in memory: pTop is display row 0, stride the signed byte
// step to the next display row down (negative for bottom-up bitmaps).
struct PixelRows
{
    uint8_t* pTop;
    ptrdiff_t stride;
    PixelFormat format;
};

// Bytes of one pixel of a layout: 2, 3 or 4.
int32_t PixelBytes(PixelLayout layout);

// Whether the sampler writes this format: plain 24 and 32 bits, or 16- and
// 32-bit words whose masks are contiguous, 1 to 8 bits and disjoint.
bool CanWritePixels(const PixelFormat& format);

// Writes a width x height block of output whose top left pixel is at pDst
// (its rows step by target.stride), reading source row and column from the
// axes: block pixel (c, r) shows source (pColumnSource[c], pRowSource[r]),
// or (pRowSource[r], pColumnSource[c]) when transposed. The caller checks
// that every index lies inside the source and the block inside the target.
void SamplePixels(const PixelRows& source, const SampleAxes& axes, const PixelRows& target, uint8_t* pDst,
                  int32_t width, int32_t height);
