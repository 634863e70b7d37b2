// The renderer's view arithmetic: where the picture goes in the window, how
// zoom steps and stylus distances translate. Pure code: no <windows.h>, so
// tests call it directly.
#pragma once

#include <stdint.h>

#include "viewer/common/view_box.h"

// Flip flags of the renderer.
enum ViewFlip
{
    FLIP_LEFT_RIGHT = 0x01,
    FLIP_TOP_BOTTOM = 0x10,
    FLIP_BOTH = FLIP_LEFT_RIGHT | FLIP_TOP_BOTTOM
};

// Zoom never goes below this on the way out.
#define ZOOM_OUT_FLOOR 0.05

// a modulo 360, in 0..359.
int32_t NormalizeAngle(int32_t nAngle);
inline bool IsQuarterTurn(int32_t nAngle)
{
    return nAngle == 90 || nAngle == 270;
}

// Fits the view to the picture and the window. pDest is the window's client
// box on entry and the part of the window the picture covers on return;
// pView takes the clamped origin and the size visible at this zoom, in the
// picture's own orientation. Returns 1 when the picture leaves part of the
// destination uncovered (it was centred), else 0.
int32_t ComputeView(const ViewBox& picture, ViewBox* pDest, ViewBox* pView, int32_t nAngle, double zoom);

// The zoom that keeps the picture's larger side at least one screen pixel:
// (larger side x zoom x step) / larger side, not below 1 / larger side.
double StepZoom(int32_t nPictureWidth, int32_t nPictureHeight, double zoom, double step);
double ZoomInStep(int32_t nPictureWidth, int32_t nPictureHeight, double zoom);
double ZoomOutStep(int32_t nPictureWidth, int32_t nPictureHeight, double zoom);

// The zoom a request of 0 or less stands for: the picture's shorter side one
// screen pixel. 0 for an empty picture.
double SmallestZoom(int32_t nPictureWidth, int32_t nPictureHeight);

// Whole picture in the window (sides swapped for a quarter turn), and the
// window covered by the picture. 0 for an empty picture.
double FitZoom(int32_t nPictureWidth, int32_t nPictureHeight, int32_t nClientWidth, int32_t nClientHeight,
               int32_t nAngle);
double FillZoom(int32_t nPictureWidth, int32_t nPictureHeight, int32_t nClientWidth, int32_t nClientHeight);

// Origin that keeps the centre of the clamped view where it is at the new
// zoom. Client sizes are in the picture's orientation.
void ZoomOrigin(const ViewBox& clampedView, int32_t nClientWidth, int32_t nClientHeight, double newZoom,
                int32_t* px, int32_t* py);

// Screen distance (x, y) to a distance of the view origin in picture pixels,
// for a view drawn at nAngle with the given flips. Dragging passes the
// stylus travel negated, so that the picture follows the stylus.
void ScreenToPictureDelta(int32_t x, int32_t y, double zoom, int32_t nAngle, uint32_t flips, int32_t* pdx,
                          int32_t* pdy);

// The start origin of a picture of w x h at zoom in a client of cw x ch for
// INITIAL_VIEW_POSITION 1..9 (down the columns: 1 left-top ... 9
// right-bottom). Values outside 1..9 count as 1. A picture more than three
// screens wide or high centres its side positions on its outer thirds.
void InitialOrigin(int32_t nPictureWidth, int32_t nPictureHeight, double zoom, int32_t nClientWidth,
                   int32_t nClientHeight, int32_t nPosition, int32_t* px, int32_t* py);
