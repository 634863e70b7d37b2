// Peak memory while the viewer opens a 12-megapixel JPEG: the 24-bit bitmap
// plus at most a row buffer and libjpeg's own state, no second full-size
// buffer. The JPEG is made here with libjpeg. Prints the figures.
#include <windows.h>
#include <psapi.h>

#include <stdio.h>
#include <stdint.h>
#include <stdlib.h>

#include "bench/bench_support.h"
#include "viewer/imaging/load/image_loader.h"
#include "viewer/imaging/view/renderer.h"
#include "viewer/common/main_window_data.h"

static const int kW = 4000, kH = 3000;

static bool WriteJpeg(const wchar_t* pszPath)
{
    uint32_t seed = 7;
    return WriteTestJpeg(pszPath, kW, kH, [&seed](int y, JSAMPLE* row) {
        for (int x = 0; x < kW; ++x)
        {
            seed = seed * 1664525u + 1013904223u;
            row[x * 3] = (JSAMPLE)(x / 16 + (seed >> 29));
            row[x * 3 + 1] = (JSAMPLE)(y / 12);
            row[x * 3 + 2] = (JSAMPLE)((x + y) / 28);
        }
    });
}

static PROCESS_MEMORY_COUNTERS Counters(void)
{
    PROCESS_MEMORY_COUNTERS pmc = {};
    pmc.cb = sizeof(pmc);
    GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof(pmc));
    return pmc;
}

static double Mb(SIZE_T cb)
{
    return (double)cb / (1024.0 * 1024.0);
}

int wmain(void)
{
    wchar_t szTemp[MAX_PATH], szPath[MAX_PATH];
    GetTempPathW(MAX_PATH, szTemp);
    _snwprintf_s(szPath, MAX_PATH, _TRUNCATE, L"%sombrix_open_bench_%lu.jpg", szTemp, GetCurrentProcessId());
    if (!WriteJpeg(szPath))
    {
        fprintf(stderr, "cannot write the JPEG\n");
        return 1;
    }

    HWND hwnd = CreateBenchWindow(L"OpenBench");
    MainWindowData* pData = static_cast<MainWindowData*>(calloc(1, sizeof(MainWindowData)));
    if (!hwnd || !pData)
        return 1;
    pData->hwndMain = hwnd;
    pData->nInitialViewPosition = 1;
    CImageDecoder::SetDecodeWindow(hwnd);
    pData->pRenderer = new CRenderer();
    pData->pRenderer->SetWindow(hwnd);
    pData->pRenderer->SetAutoRender(1);
    CImageLoader* pLoader = new CImageLoader(pData, NULL);

    // The peak so far (JPEG writing included) is reset by trimming, so the
    // figure that counts is the private-bytes peak above the level before.
    PROCESS_MEMORY_COUNTERS before = Counters();
    LARGE_INTEGER f, t0, t1;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&t0);
    pLoader->Open(szPath);
    QueryPerformanceCounter(&t1);
    pData->pRenderer->StopRendering();
    PROCESS_MEMORY_COUNTERS after = Counters();

    BITMAP bm = {};
    if (!pData->hbmCurrent || !GetObjectW(pData->hbmCurrent, sizeof(bm), &bm))
    {
        fprintf(stderr, "the picture did not open\n");
        return 1;
    }
    const double bitmapMb = Mb((SIZE_T)bm.bmWidthBytes * bm.bmHeight);
    const double peakGrowthMb = Mb(after.PeakPagefileUsage > before.PagefileUsage
                                       ? after.PeakPagefileUsage - before.PagefileUsage
                                       : 0);
    printf("opened %ld x %ld, %d bpp, in %.1f ms (decode, first touch of the bitmap and the first render)\n",
           bm.bmWidth, bm.bmHeight, bm.bmBitsPixel, (double)(t1.QuadPart - t0.QuadPart) * 1000.0 / f.QuadPart);
    printf("24-bit bitmap                      %8.2f MB\n", bitmapMb);
    printf("private bytes before open          %8.2f MB\n", Mb(before.PagefileUsage));
    printf("peak private bytes during open     %8.2f MB (peak before: %.2f MB)\n", Mb(after.PeakPagefileUsage),
           Mb(before.PeakPagefileUsage));
    printf("peak growth during open            %8.2f MB\n", peakGrowthMb);
    printf("growth beyond the bitmap           %8.2f MB   (row buffer + libjpeg state; a second full-size\n"
           "                                              buffer would add %.2f MB)\n",
           peakGrowthMb - bitmapMb, bitmapMb);
    printf("peak working set                   %8.2f MB\n", Mb(after.PeakWorkingSetSize));

    delete pLoader;
    delete pData->pRenderer;
    DeleteObject(pData->hbmCurrent);
    free(pData);
    DestroyWindow(hwnd);
    DeleteFileW(szPath);
    return 0;
}
