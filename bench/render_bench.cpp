// Renderer passes for a fitted 12-megapixel picture in the 240 x 268 viewer
// surface: the fast pass (GDI blits) and the high-quality pass (resampling).
// Prints medians in ms against the targets. Run under Wine on the test
// display, like the tests.
#include <windows.h>

#include <stdio.h>
#include <stdint.h>
#include <string.h>

#include <vector>

#include "bench/bench_support.h"
#include "viewer/imaging/renderer.h"

static const int kPictureW = 4000, kPictureH = 3000;
static const int kRounds = 15;

static HBITMAP MakePicture(int w, int h)
{
    BITMAPINFO bmi;
    memset(&bmi, 0, sizeof(bmi));
    bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bmi.bmiHeader.biWidth = w;
    bmi.bmiHeader.biHeight = h;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 24;
    void* pvBits = NULL;
    HBITMAP hbm = CreateDIBSection(NULL, &bmi, DIB_RGB_COLORS, &pvBits, NULL, 0);
    if (!hbm)
        return NULL;
    const size_t stride = ((size_t)w * 3 + 3) & ~(size_t)3;
    uint32_t seed = 12345;
    for (int y = 0; y < h; ++y)
    {
        uint8_t* p = static_cast<uint8_t*>(pvBits) + (size_t)y * stride;
        for (int x = 0; x < w; ++x)
        {
            seed = seed * 1664525u + 1013904223u;
            p[x * 3] = (uint8_t)(x / 16 + (seed >> 28));
            p[x * 3 + 1] = (uint8_t)(y / 12 + (seed >> 29));
            p[x * 3 + 2] = (uint8_t)((x + y) / 28);
        }
    }
    return hbm;
}

// Median time of one Render with the renderer as it is set up.
static double TimeRenders(CRenderer* pRenderer, bool bQualityOnly)
{
    std::vector<double> times;
    for (int i = 0; i < kRounds; ++i)
    {
        if (!bQualityOnly)
            pRenderer->SetBitmap(pRenderer->GetBitmap()); // forget the last render: fast pass again
        double t0 = NowMs();
        pRenderer->Render();
        times.push_back(NowMs() - t0);
    }
    return Median(times);
}

// The two blits the fast pass is made of, timed alone: the stretch of the
// picture into a display-format bitmap, and the copy of such a bitmap to the
// window.
static void TimeBlits(HWND hwnd, HBITMAP hbm, double zoom)
{
    HDC hdcWindow = GetDC(hwnd);
    HDC hdcBack = CreateCompatibleDC(hdcWindow);
    HBITMAP hbmBack = CreateCompatibleBitmap(hdcWindow, 240, 268);
    HDC hdcPicture = CreateCompatibleDC(hdcWindow);
    HGDIOBJ hOldBack = SelectObject(hdcBack, hbmBack);
    HGDIOBJ hOldPicture = SelectObject(hdcPicture, hbm);
    SetStretchBltMode(hdcBack, COLORONCOLOR);
    const int w = (int)(kPictureW * zoom), h = (int)(kPictureH * zoom);
    std::vector<double> stretch, copy;
    for (int i = 0; i < kRounds; ++i)
    {
        double t0 = NowMs();
        StretchBlt(hdcBack, 0, 0, w, h, hdcPicture, 0, 0, kPictureW, kPictureH, SRCCOPY);
        GdiFlush();
        double t1 = NowMs();
        BitBlt(hdcWindow, 0, 0, 240, 268, hdcBack, 0, 0, SRCCOPY);
        GdiFlush();
        double t2 = NowMs();
        stretch.push_back(t1 - t0);
        copy.push_back(t2 - t1);
    }
    printf("  of which: StretchBlt %d x %d -> %d x %d %.2f ms, back buffer to window %.2f ms\n", kPictureW,
           kPictureH, w, h, Median(stretch), Median(copy));
    SelectObject(hdcPicture, hOldPicture);
    SelectObject(hdcBack, hOldBack);
    DeleteDC(hdcPicture);
    DeleteObject(hbmBack);
    DeleteDC(hdcBack);
    ReleaseDC(hwnd, hdcWindow);
}

static void Report(const char* pszWhat, double ms, double target)
{
    printf("%-44s %8.2f ms   target < %5.0f ms   ratio %.2f\n", pszWhat, ms, target, ms / target);
}

int wmain(void)
{
    HWND hwnd = CreateBenchWindow(L"RenderBench");
    HBITMAP hbm = MakePicture(kPictureW, kPictureH);
    if (!hwnd || !hbm)
    {
        fprintf(stderr, "set-up failed\n");
        return 1;
    }
    HDC hdc = GetDC(hwnd);
    printf("display %d bpp, window 240 x 268, picture %d x %d 24-bit, %d rounds, median\n",
           GetDeviceCaps(hdc, BITSPIXEL), kPictureW, kPictureH, kRounds);
    ReleaseDC(hwnd, hdc);

    CRenderer renderer;
    renderer.SetWindow(hwnd);
    renderer.SetBitmap(hbm);
    renderer.SetFitToScreen(1);

    const int rgAngles[] = {0, 90};
    for (int angle : rgAngles)
    {
        renderer.SetRotation(angle);
        char sz[80];
        renderer.SetHighQuality(0);
        double fast = TimeRenders(&renderer, false);
        snprintf(sz, sizeof(sz), "fast pass, fitted (zoom %.4f), turn %d", renderer.GetZoom(), angle);
        Report(sz, fast, 10.0);
        if (angle == 0)
            TimeBlits(hwnd, hbm, renderer.GetZoom());

        // With the view already on the screen only the resampled pass runs.
        renderer.SetHighQuality(1);
        renderer.Render();
        RenderPassCounts before = renderer.GetPassCounts();
        double quality = TimeRenders(&renderer, true);
        RenderPassCounts after = renderer.GetPassCounts();
        snprintf(sz, sizeof(sz), "high-quality pass, fitted, turn %d", angle);
        Report(sz, quality, 150.0);
        if (after.nFast != before.nFast || after.nQuality - before.nQuality != kRounds)
            printf("  (pass counts off: %ld fast, %ld quality)\n", after.nFast - before.nFast,
                   after.nQuality - before.nQuality);
    }

    renderer.SetBitmap(NULL);
    DeleteObject(hbm);
    DestroyWindow(hwnd);
    return 0;
}
