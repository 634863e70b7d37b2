// The transition effects: plain block copies from the two frames onto the
// target window, paced by the tick count.
#include "viewer/extras/slideshow/slide_show.h"
#include "viewer/extras/slideshow/transition_schedule.h"

namespace {

struct EffectRun
{
    const EffectSurface& surface;
    HDC hdcWindow;
    int cx;
    int cy;
    DWORD dwLastTick;
};

bool InTransition(const EffectSurface& surface)
{
    return surface.pState && *surface.pState == SLIDESHOW_IN_TRANSITION;
}

// Waits for the next frame time by sleeping; false as soon as the show has
// left the transition, which the effect then ends with its final copy.
bool WaitForFrame(EffectRun& run, DWORD dwPeriod)
{
    for (;;)
    {
        if (!InTransition(run.surface))
            return false;
        DWORD dwElapsed = GetTickCount() - run.dwLastTick;
        if (dwElapsed >= dwPeriod)
        {
            run.dwLastTick += dwElapsed;
            return true;
        }
        Sleep(dwPeriod - dwElapsed);
    }
}

void Copy(HDC hdcTo, const EffectRect& to, HDC hdcFrom, int xFrom, int yFrom)
{
    if (to.cx > 0 && to.cy > 0)
        BitBlt(hdcTo, to.x, to.y, to.cx, to.cy, hdcFrom, xFrom, yFrom, SRCCOPY);
}

void FinalCopy(EffectRun& run)
{
    BitBlt(run.hdcWindow, 0, 0, run.cx, run.cy, run.surface.hdcNew, 0, 0, SRCCOPY);
}

void PlayBlinds(EffectRun& run, bool bHorizontal)
{
    for (int32_t k = 1; k < BLIND_BAND; ++k)
    {
        if (!WaitForFrame(run, BLIND_PERIOD_MS))
            return;
        EffectRect strip;
        for (int32_t i = 0; BlindStrip(bHorizontal, run.cx, run.cy, i, k, &strip); ++i)
            Copy(run.hdcWindow, strip, run.surface.hdcNew, strip.x, strip.y);
    }
}

void PlayCover(EffectRun& run, DWORD nEffect)
{
    const int32_t nSteps = EffectStepCount(run.surface.nDurationMs, run.surface.nFrameRate);
    const DWORD dwPeriod = (DWORD)EffectFramePeriod(run.surface.nFrameRate);
    const bool bHorizontal = IsHorizontalEffect(nEffect);
    CoverStepper step;
    CoverStart(&step, bHorizontal ? run.cx : run.cy, nSteps);
    int32_t nBand;
    while (CoverNextBand(&step, &nBand))
    {
        if (!WaitForFrame(run, dwPeriod))
            return;
        EffectRect dest;
        int32_t xSrc, ySrc;
        CoverFrameRects(nEffect, run.cx, run.cy, nBand, &dest, &xSrc, &ySrc);
        if (bHorizontal)
        {
            Copy(run.hdcWindow, dest, run.surface.hdcNew, xSrc, ySrc);
            continue;
        }
        // Built in the old frame and shown whole: never a half-drawn frame.
        Copy(run.surface.hdcOld, dest, run.surface.hdcNew, xSrc, ySrc);
        BitBlt(run.hdcWindow, 0, 0, run.cx, run.cy, run.surface.hdcOld, 0, 0, SRCCOPY);
    }
}

void PlayUncover(EffectRun& run, DWORD nEffect)
{
    const int32_t nSteps = EffectStepCount(run.surface.nDurationMs, run.surface.nFrameRate);
    const DWORD dwPeriod = (DWORD)EffectFramePeriod(run.surface.nFrameRate);
    HDC hdcBuffer = CreateCompatibleDC(run.hdcWindow);
    HBITMAP hbmBuffer = CreateCompatibleBitmap(run.hdcWindow, run.cx, run.cy);
    HGDIOBJ hbmSaved = (hdcBuffer && hbmBuffer) ? SelectObject(hdcBuffer, hbmBuffer) : NULL;

    if (hbmSaved)
    {
        UncoverStepper step;
        UncoverStart(&step, IsHorizontalEffect(nEffect) ? run.cx : run.cy, nSteps);
        int32_t nOffset;
        while (WaitForFrame(run, dwPeriod) && UncoverNextOffset(&step, &nOffset))
        {
            EffectRect dest;
            int32_t xSrc, ySrc;
            UncoverFrameRects(nEffect, run.cx, run.cy, nOffset, &dest, &xSrc, &ySrc);
            BitBlt(hdcBuffer, 0, 0, run.cx, run.cy, run.surface.hdcNew, 0, 0, SRCCOPY);
            Copy(hdcBuffer, dest, run.surface.hdcOld, xSrc, ySrc);
            BitBlt(run.hdcWindow, 0, 0, run.cx, run.cy, hdcBuffer, 0, 0, SRCCOPY);
        }
        SelectObject(hdcBuffer, hbmSaved);
    }
    if (hbmBuffer)
        DeleteObject(hbmBuffer);
    if (hdcBuffer)
        DeleteDC(hdcBuffer);
}

} // namespace

LONG PlayEffectOn(const EffectSurface& surface, DWORD nEffect)
{
    if (nEffect == EFFECT_RANDOM)
        nEffect = RandomEffectFor(GetTickCount());
    if (nEffect > EFFECT_LAST)
        return -1;

    RECT rc = {0, 0, 0, 0};
    GetClientRect(surface.hwnd, &rc);
    HDC hdcWindow = GetDC(surface.hwnd);
    if (!hdcWindow)
        return -1;
    EffectRun run = {surface, hdcWindow, rc.right - rc.left, rc.bottom - rc.top, GetTickCount()};

    LONG nResult = -1;
    if (nEffect == EFFECT_BLIND_HORIZONTAL || nEffect == EFFECT_BLIND_VERTICAL)
    {
        PlayBlinds(run, nEffect == EFFECT_BLIND_HORIZONTAL);
        nResult = 0;
    }
    else if (nEffect >= EFFECT_COVER_LEFT && nEffect <= EFFECT_COVER_DOWN)
        PlayCover(run, nEffect);
    else if (nEffect >= EFFECT_UNCOVER_LEFT)
        PlayUncover(run, nEffect);
    FinalCopy(run);
    ReleaseDC(surface.hwnd, hdcWindow);
    return nResult;
}
