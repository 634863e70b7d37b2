// Frame geometry of the transition effects: band depths, offsets and the
// rectangles copied per frame. Pure arithmetic, so that tests compute the
// schedules with the same code the effects draw with.
#pragma once

#include <stdint.h>

enum TransitionEffect
{
    EFFECT_NONE = 0,
    EFFECT_RANDOM = 1,
    EFFECT_BLIND_HORIZONTAL = 2,
    EFFECT_BLIND_VERTICAL = 3,
    EFFECT_COVER_LEFT = 4,
    EFFECT_COVER_RIGHT = 5,
    EFFECT_COVER_UP = 6,
    EFFECT_COVER_DOWN = 7,
    EFFECT_UNCOVER_LEFT = 8,
    EFFECT_UNCOVER_RIGHT = 9,
    EFFECT_UNCOVER_UP = 10,
    EFFECT_UNCOVER_DOWN = 11,
    EFFECT_LAST = 11
};

// Blinds: bands of this many pixels, strips 1 to BLIND_BAND - 1 thick, one
// frame every BLIND_PERIOD_MS.
#define BLIND_BAND 10
#define BLIND_PERIOD_MS 100

struct EffectRect
{
    int32_t x, y, cx, cy;
};

// The effect that "Random" plays for a tick count: 2 to 11.
uint32_t RandomEffectFor(uint32_t dwTick);

// Frame period and step count from the duration and the frame rate.
int32_t EffectFramePeriod(int32_t nFrameRate);
int32_t EffectStepCount(int32_t nDurationMs, int32_t nFrameRate);

// True for the effects that move along the width (left and right).
bool IsHorizontalEffect(uint32_t nEffect);

// Cover: the band of the new picture grows by a whole-pixel increment.
struct CoverStepper
{
    double dIncrement;
    double dAccum;
    int32_t nCovered; // pixels of the extent covered so far
    int32_t nExtent;
    int32_t nFrame;
};
void CoverStart(CoverStepper* pStep, int32_t nExtent, int32_t nSteps);
// The next frame's band depth; false once the band has reached the extent.
bool CoverNextBand(CoverStepper* pStep, int32_t* pBand);
// Source in the new frame and destination of a band of depth nBand. For the
// vertical covers the destination is in the old frame, which is then shown
// whole.
void CoverFrameRects(uint32_t nEffect, int32_t cx, int32_t cy, int32_t nBand, EffectRect* pDest,
                     int32_t* pxSrc, int32_t* pySrc);

// UnCover: the old picture moves away by a fractional increment.
struct UncoverStepper
{
    double dIncrement;
    double dAccum;
    int32_t nExtent;
};
void UncoverStart(UncoverStepper* pStep, int32_t nExtent, int32_t nSteps);
// The next frame's offset; false once the old picture has left.
bool UncoverNextOffset(UncoverStepper* pStep, int32_t* pOffset);
// Where the rest of the old picture goes for offset o, and from where.
void UncoverFrameRects(uint32_t nEffect, int32_t cx, int32_t cy, int32_t nOffset, EffectRect* pDest,
                       int32_t* pxSrc, int32_t* pySrc);

// Blinds: strip i of a frame with thickness k; false past the last strip.
bool BlindStrip(bool bHorizontal, int32_t cx, int32_t cy, int32_t nStrip, int32_t nThickness,
                EffectRect* pStrip);
