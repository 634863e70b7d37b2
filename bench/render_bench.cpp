// Renderer passes for a 12-megapixel picture in the 240 x 268 viewer
// surface, turned 0 and 90, fitted, at 1:1 and at 4x: the fast pass beside
// the high-quality pass (resampling). Prints medians in ms, the fast pass's
// share of the quality pass, and the fitted fast pass against its target.
// Run under Wine on the test display, like the tests.
#include <windows.h>

#include <stdio.h>
#include <stdint.h>
#include <string.h>

#include <vector>

#include "bench/bench_support.h"
#include "viewer/imaging/view/bitmap_transform.h"
#include "viewer/imaging/view/renderer.h"

static const int kPictureW = 4000, kPictureH = 3000;
static const int kRounds = 15;
static const double kFastTargetMs = 1.0;

// A noisy 24-bit picture like the JPEG decoder's, or a 16-bit 5-6-5 one
// like the platform decoder's at display depth.
static HBITMAP MakePicture(int w, int h, int nBits)
{
    struct
    {
        BITMAPINFOHEADER header;
        DWORD masks[3];
    } bmi;
    memset(&bmi, 0, sizeof(bmi));
    bmi.header.biSize = sizeof(BITMAPINFOHEADER);
    bmi.header.biWidth = w;
    bmi.header.biHeight = h;
    bmi.header.biPlanes = 1;
    bmi.header.biBitCount = (WORD)nBits;
    bmi.header.biCompression = nBits == 16 ? BI_BITFIELDS : BI_RGB;
    bmi.masks[0] = 0xF800;
    bmi.masks[1] = 0x07E0;
    bmi.masks[2] = 0x001F;
    void* pvBits = NULL;
    HBITMAP hbm = CreateDIBSection(NULL, reinterpret_cast<BITMAPINFO*>(&bmi), DIB_RGB_COLORS, &pvBits, NULL, 0);
    if (!hbm)
        return NULL;
    const size_t stride = (((size_t)w * nBits + 31) / 32) * 4;
    uint32_t seed = 12345;
    for (int y = 0; y < h; ++y)
    {
        uint8_t* p = static_cast<uint8_t*>(pvBits) + (size_t)y * stride;
        for (int x = 0; x < w; ++x)
        {
            seed = seed * 1664525u + 1013904223u;
            const uint8_t b = (uint8_t)(x / 16 + (seed >> 28)), g = (uint8_t)(y / 12 + (seed >> 29)),
                          r = (uint8_t)((x + y) / 28);
            if (nBits == 16)
            {
                const uint16_t v = (uint16_t)(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3));
                memcpy(p + x * 2, &v, 2);
            }
            else
            {
                p[x * 3] = b;
                p[x * 3 + 1] = g;
                p[x * 3 + 2] = r;
            }
        }
    }
    return hbm;
}

// Median time of one Render with the renderer as it is set up: with
// bQualityOnly the view is already on the screen, so only the resampled
// pass runs; otherwise the render state is forgotten first, so the fast
// pass runs (and, with high quality off, alone).
static double TimeRenders(CRenderer* pRenderer, bool bQualityOnly)
{
    std::vector<double> times;
    for (int i = 0; i < kRounds; ++i)
    {
        if (!bQualityOnly)
            pRenderer->SetBitmap(pRenderer->GetBitmap());
        double t0 = NowMs();
        pRenderer->Render();
        times.push_back(NowMs() - t0);
    }
    return Median(times);
}

// The stretch the fast pass used to be made of, timed alone: the whole
// picture into a display-format bitmap of the fitted size.
static double TimeStretch(HWND hwnd, HBITMAP hbm, double zoom)
{
    HDC hdcWindow = GetDC(hwnd);
    HDC hdcBack = CreateCompatibleDC(hdcWindow);
    HBITMAP hbmBack = CreateCompatibleBitmap(hdcWindow, 240, 268);
    HDC hdcPicture = CreateCompatibleDC(hdcWindow);
    HGDIOBJ hOldBack = SelectObject(hdcBack, hbmBack);
    HGDIOBJ hOldPicture = SelectObject(hdcPicture, hbm);
    int nOldMode = SetStretchBltMode(hdcBack, COLORONCOLOR);
    const int w = (int)(kPictureW * zoom), h = (int)(kPictureH * zoom);
    std::vector<double> times;
    for (int i = 0; i < kRounds; ++i)
    {
        double t0 = NowMs();
        StretchBlt(hdcBack, 0, 0, w, h, hdcPicture, 0, 0, kPictureW, kPictureH, SRCCOPY);
        GdiFlush();
        times.push_back(NowMs() - t0);
    }
    SetStretchBltMode(hdcBack, nOldMode);
    SelectObject(hdcPicture, hOldPicture);
    SelectObject(hdcBack, hOldBack);
    DeleteDC(hdcPicture);
    DeleteObject(hbmBack);
    DeleteDC(hdcBack);
    ReleaseDC(hwnd, hdcWindow);
    return Median(times);
}

// The copy of a back buffer to the window alone, part of every pass.
static double TimeCopy(HWND hwnd)
{
    HDC hdcWindow = GetDC(hwnd);
    HDC hdcBack = CreateCompatibleDC(hdcWindow);
    HBITMAP hbmBack = CreateBackBufferBitmap(hdcWindow, 240, 268);
    HGDIOBJ hOldBack = SelectObject(hdcBack, hbmBack);
    std::vector<double> times;
    for (int i = 0; i < kRounds; ++i)
    {
        double t0 = NowMs();
        BitBlt(hdcWindow, 0, 0, 240, 268, hdcBack, 0, 0, SRCCOPY);
        GdiFlush();
        times.push_back(NowMs() - t0);
    }
    SelectObject(hdcBack, hOldBack);
    DeleteObject(hbmBack);
    DeleteDC(hdcBack);
    ReleaseDC(hwnd, hdcWindow);
    return Median(times);
}

// The fast pass, and the quality pass where there is one (not at 1:1),
// at the renderer's present view. Returns the fast pass.
static double MeasureView(CRenderer* pRenderer, const char* pszPicture, int angle, const char* pszZoom)
{
    pRenderer->SetHighQuality(0);
    const double fast = TimeRenders(pRenderer, false);
    char szLine[120];
    snprintf(szLine, sizeof(szLine), "%-6s turn %3d  %-16s fast %7.2f ms", pszPicture, angle, pszZoom, fast);
    if (pRenderer->GetZoom() == 1.0)
    {
        printf("%s   quality (none at 1:1)\n", szLine);
        return fast;
    }
    pRenderer->SetHighQuality(1);
    pRenderer->Render();
    RenderPassCounts before = pRenderer->GetPassCounts();
    const double quality = TimeRenders(pRenderer, true);
    RenderPassCounts after = pRenderer->GetPassCounts();
    printf("%s   quality %7.2f ms   fast/quality %.2f\n", szLine, quality, fast / quality);
    if (after.nFast != before.nFast || after.nQuality - before.nQuality != kRounds)
        printf("  (pass counts off: %ld fast, %ld quality)\n", after.nFast - before.nFast,
               after.nQuality - before.nQuality);
    return fast;
}

int wmain(void)
{
    HWND hwnd = CreateBenchWindow(L"RenderBench");
    HBITMAP hbm24 = MakePicture(kPictureW, kPictureH, 24);
    HBITMAP hbm565 = MakePicture(kPictureW, kPictureH, 16);
    if (!hwnd || !hbm24 || !hbm565)
    {
        fprintf(stderr, "set-up failed\n");
        return 1;
    }
    HDC hdc = GetDC(hwnd);
    printf("display %d bpp, window 240 x 268, picture %d x %d, %d rounds, median\n", GetDeviceCaps(hdc, BITSPIXEL),
           kPictureW, kPictureH, kRounds);
    ReleaseDC(hwnd, hdc);

    CRenderer renderer;
    renderer.SetWindow(hwnd);
    const struct
    {
        HBITMAP hbm;
        const char* pszName;
    } rgPictures[] = {{hbm24, "24-bit"}, {hbm565, "5-6-5"}};
    const int rgAngles[] = {0, 90};
    double worstFitted = 0.0;
    for (const auto& picture : rgPictures)
    {
        renderer.SetBitmap(picture.hbm);
        for (int angle : rgAngles)
        {
            renderer.SetRotation(angle);
            renderer.SetFitToScreen(1);
            renderer.Render();
            char szZoom[32];
            snprintf(szZoom, sizeof(szZoom), "fitted %.4f", renderer.GetZoom());
            double fitted = MeasureView(&renderer, picture.pszName, angle, szZoom);
            if (fitted > worstFitted)
                worstFitted = fitted;
            // The larger zooms show the middle of the picture.
            renderer.SetFitToScreen(0);
            renderer.SetInitialOrigin(kPictureW / 2 - 120, kPictureH / 2 - 134);
            renderer.SetZoom(1.0);
            MeasureView(&renderer, picture.pszName, angle, "1:1");
            renderer.SetInitialOrigin(kPictureW / 2 - 30, kPictureH / 2 - 34);
            renderer.SetZoom(4.0);
            MeasureView(&renderer, picture.pszName, angle, "4x");
            renderer.SetInitialOrigin(0, 0);
        }
    }
    printf("fast pass fitted, slowest of the above: %.2f ms   target <= %.0f ms   ratio %.2f\n", worstFitted,
           kFastTargetMs, worstFitted / kFastTargetMs);
    printf("for comparison, StretchBlt of the whole 24-bit picture to the fitted size: %.2f ms\n",
           TimeStretch(hwnd, hbm24, 240.0 / kPictureW));
    printf("back buffer to window alone, part of every pass: %.2f ms\n", TimeCopy(hwnd));

    renderer.SetBitmap(NULL);
    DeleteObject(hbm565);
    DeleteObject(hbm24);
    DestroyWindow(hwnd);
    return 0;
}
