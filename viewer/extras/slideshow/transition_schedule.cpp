#include "viewer/extras/slideshow/transition_schedule.h"

uint32_t RandomEffectFor(uint32_t dwTick)
{
    return dwTick % 10 + 2;
}

int32_t EffectFramePeriod(int32_t nFrameRate)
{
    return nFrameRate > 0 ? 1000 / nFrameRate : 1000;
}

int32_t EffectStepCount(int32_t nDurationMs, int32_t nFrameRate)
{
    int32_t nSteps = nDurationMs / EffectFramePeriod(nFrameRate);
    return nSteps > 0 ? nSteps : 1;
}

bool IsHorizontalEffect(uint32_t nEffect)
{
    return nEffect == EFFECT_COVER_LEFT || nEffect == EFFECT_COVER_RIGHT || nEffect == EFFECT_UNCOVER_LEFT ||
           nEffect == EFFECT_UNCOVER_RIGHT;
}

void CoverStart(CoverStepper* pStep, int32_t nExtent, int32_t nSteps)
{
    // Whole pixels per step, fraction discarded. An area narrower than the
    // step count would give 0 and never fill; it moves a pixel per frame.
    int32_t nIncrement = nSteps > 0 ? nExtent / nSteps : nExtent;
    if (nIncrement < 1)
        nIncrement = 1;
    pStep->dIncrement = (double)nIncrement;
    pStep->dAccum = 0.0;
    pStep->nCovered = 0;
    pStep->nExtent = nExtent;
    pStep->nFrame = 0;
}

bool CoverNextBand(CoverStepper* pStep, int32_t* pBand)
{
    if (pStep->nCovered >= pStep->nExtent)
        return false;
    // The first frame's band is empty; after it the band runs one pixel
    // ahead of the covered extent.
    *pBand = pStep->nFrame == 0 ? 0 : pStep->nCovered + 1;
    pStep->dAccum += pStep->dIncrement;
    pStep->nCovered = (int32_t)pStep->dAccum;
    ++pStep->nFrame;
    return true;
}

void CoverFrameRects(uint32_t nEffect, int32_t cx, int32_t cy, int32_t nBand, EffectRect* pDest,
                     int32_t* pxSrc, int32_t* pySrc)
{
    *pxSrc = 0;
    *pySrc = 0;
    switch (nEffect)
    {
    case EFFECT_COVER_LEFT: // the new picture's left edge enters on the right
        *pDest = {cx - nBand, 0, nBand, cy};
        break;
    case EFFECT_COVER_RIGHT:
        *pDest = {0, 0, nBand, cy};
        *pxSrc = cx - nBand;
        break;
    case EFFECT_COVER_UP:
        *pDest = {0, cy - nBand, cx, nBand};
        break;
    default: // EFFECT_COVER_DOWN
        *pDest = {0, 0, cx, nBand};
        *pySrc = cy - nBand;
        break;
    }
}

void UncoverStart(UncoverStepper* pStep, int32_t nExtent, int32_t nSteps)
{
    pStep->dIncrement = nSteps > 0 ? (double)nExtent / nSteps : (double)nExtent;
    pStep->dAccum = 0.0;
    pStep->nExtent = nExtent;
}

bool UncoverNextOffset(UncoverStepper* pStep, int32_t* pOffset)
{
    // An empty area has nothing to uncover; it would otherwise never end.
    if (pStep->nExtent <= 0)
        return false;
    int32_t nOffset = (int32_t)pStep->dAccum;
    if (nOffset != 0 && nOffset >= pStep->nExtent)
        return false;
    *pOffset = nOffset;
    pStep->dAccum += pStep->dIncrement;
    return true;
}

void UncoverFrameRects(uint32_t nEffect, int32_t cx, int32_t cy, int32_t nOffset, EffectRect* pDest,
                       int32_t* pxSrc, int32_t* pySrc)
{
    *pxSrc = 0;
    *pySrc = 0;
    switch (nEffect)
    {
    case EFFECT_UNCOVER_LEFT:
        *pDest = {0, 0, cx - nOffset, cy};
        *pxSrc = nOffset;
        break;
    case EFFECT_UNCOVER_RIGHT:
        *pDest = {nOffset, 0, cx - nOffset, cy};
        break;
    case EFFECT_UNCOVER_UP:
        *pDest = {0, 0, cx, cy - nOffset};
        *pySrc = nOffset;
        break;
    default: // EFFECT_UNCOVER_DOWN
        *pDest = {0, nOffset, cx, cy - nOffset};
        break;
    }
}

bool BlindStrip(bool bHorizontal, int32_t cx, int32_t cy, int32_t nStrip, int32_t nThickness,
                EffectRect* pStrip)
{
    int32_t nStart = nStrip * BLIND_BAND;
    if (nStrip < 0 || nStart >= (bHorizontal ? cy : cx))
        return false;
    if (bHorizontal)
        *pStrip = {0, nStart, cx, nThickness};
    else
        *pStrip = {nStart, 0, nThickness, cy};
    return true;
}
