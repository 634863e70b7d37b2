// Opening a 12-megapixel WebP, HEIC or AVIF (printed, never a timed test):
//   modern_bench FILE [RUNS] [thumb]
// Decodes FILE RUNS times as the viewer opens a picture (a new bitmap each
// time), or with "thumb" as the thumbnail worker asks for it, and prints the
// median, and apart from it what making and first
// writing a bitmap of that size costs, as "name value" lines.
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <wchar.h>

#include <algorithm>
#include <vector>

#include "bench/bench_support.h"
#include "viewer/imaging/decode/image_decoder.h"

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2)
    {
        fprintf(stderr, "usage: modern_bench FILE [RUNS]\n");
        return 2;
    }
    const int nRuns = argc > 2 ? std::max(1, _wtoi(argv[2])) : 7;
    const bool bThumb = argc > 3 && wcscmp(argv[3], L"thumb") == 0;
    CImageDecoder decoder;
    std::vector<double> ms;
    BITMAP bm = {};
    for (int i = 0; i < nRuns; i++)
    {
        DecodeOptions options = {};
        options.type = PICTYPE_BY_EXTENSION;
        options.flags = bThumb ? DECODE_REDUCE | DECODE_SIZE_TEST : 0;
        options.reduceMode = 1;
        const double t0 = NowMs();
        HBITMAP hbm = decoder.LoadNow(argv[1], &options);
        ms.push_back(NowMs() - t0);
        if (!hbm || GetObjectW(hbm, sizeof(bm), &bm) != sizeof(bm))
        {
            fprintf(stderr, "%ls does not decode\n", argv[1]);
            return 1;
        }
        DeleteObject(hbm);
    }
    printf("size %ldx%ld\n", bm.bmWidth, bm.bmHeight);
    printf("decode_ms %.1f\n", Median(ms));
    printf("bitmap_first_touch_ms %.1f\n", NewBitmapFirstTouchMs(bm.bmWidth, bm.bmHeight));
    return 0;
}
