// Mirrors and quarter turns of bitmaps through GDI, at any display depth,
// and the same drawing done by sampling DIB sections in memory.
#pragma once

#include <windows.h>

#include "viewer/common/view_box.h"

// One StretchBlt from box s of hdcSrc to box d of hdcDst, mirrored by the
// flip flags (FLIP_LEFT_RIGHT, FLIP_TOP_BOTTOM) through a negative extent.
// Returns the StretchBlt result.
BOOL StretchFlipped(HDC hdcDst, const ViewBox& d, HDC hdcSrc, const ViewBox& s, DWORD dwFlags);

// A new bitmap compatible with hdc holding box b of hbmSource turned by 90
// (counter-clockwise), 180 or 270 (clockwise) degrees; null for any other
// angle or when it cannot be made. The caller deletes it. hbmSource must
// not be selected into a device context.
HBITMAP RotateBitmap(HDC hdc, const ViewBox& b, int nAngle, HBITMAP hbmSource);

// Copies hbm from its (0, 0) into box d of hdcDst, 1:1. hbm must not be
// selected into a device context.
BOOL BlitBitmap(HDC hdcDst, const ViewBox& d, HBITMAP hbm);

// Draws box src of hbm into box dest of hdc: stretched, mirrored in the
// picture's orientation, then turned by nAngle (0, 90, 180, 270).
BOOL DrawTransformed(HDC hdc, const ViewBox& dest, const ViewBox& src, int nAngle, DWORD dwFlags, HBITMAP hbm);

// What DrawTransformed draws with a stretch, drawn instead by taking the
// nearest source pixel of each target pixel straight from memory (the
// pixel the stretch takes, give or take one): box src of hbmSource into
// box dest of hbmTarget. Only the part of dest inside the target is
// written. FALSE, with nothing drawn, when either bitmap is not a DIB
// section of a format the sampler reads or writes, or src does not lie
// inside the source; the caller then draws with DrawTransformed. Rows are
// taken as bottom-up, as every bitmap of the viewer is, unless a bitmap
// reports a negative height. Neither bitmap may be in use by another
// thread.
BOOL SampleTransformed(HBITMAP hbmTarget, const ViewBox& dest, const ViewBox& src, int nAngle, DWORD dwFlags,
                       HBITMAP hbmSource);

// A w x h bitmap for drawing off the screen: a bottom-up DIB section in the
// format of hdc's compatible bitmaps, so that SampleTransformed can write
// it and blits to the window convert no more than before; a compatible
// bitmap when that format cannot be read. Null on failure.
HBITMAP CreateBackBufferBitmap(HDC hdc, int w, int h);
