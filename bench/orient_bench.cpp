// Figures of standing camera pictures upright (printed, never a timed test).
//   orient_bench turn W H [RUNS]        OrientBitmap of a 24-bit W x H picture,
//                                        each orientation, in ms (median)
//   orient_bench open FILE.jpg [RUNS]   decoding FILE to view, without and
//                                        with DECODE_UPRIGHT, in ms (median)
// The turn's figure includes making its new bitmap; the first touch of
// that bitmap's pages is measured apart, as it dominates on this machine.
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <vector>

#include "bench/bench_support.h"
#include "viewer/imaging/decode/image_decoder.h"
#include "viewer/imaging/decode/picture_orientation.h"

namespace {

HBITMAP MakeFilled(int w, int h)
{
    HBITMAP hbm = CImageDecoder::CreateDib(NULL, w, h, 24);
    BITMAP bm;
    if (!hbm || !GetObjectW(hbm, sizeof(bm), &bm))
        return hbm;
    BYTE* p = static_cast<BYTE*>(bm.bmBits);
    const size_t cb = static_cast<size_t>(bm.bmWidthBytes) * bm.bmHeight;
    for (size_t i = 0; i < cb; i++)
        p[i] = static_cast<BYTE>(i * 7 + (i >> 12));
    return hbm;
}

int BenchTurn(int w, int h, int runs)
{
    std::vector<double> touch;
    for (int i = 0; i < runs; i++)
        touch.push_back(NewBitmapFirstTouchMs(h, w));
    printf("%d x %d, 24 bits: new bitmap made and first written alone %.1f ms\n", w, h, Median(touch));
    for (int o = 2; o <= 8; o++)
    {
        std::vector<double> turn;
        for (int i = 0; i < runs; i++)
        {
            HBITMAP hbm = MakeFilled(w, h);
            const double t0 = NowMs();
            HBITMAP hbmUp = OrientBitmap(hbm, o);
            turn.push_back(NowMs() - t0);
            if (!hbmUp)
            {
                fprintf(stderr, "orientation %d failed\n", o);
                return 1;
            }
            DeleteObject(hbmUp);
        }
        printf("orientation %d: %.1f ms\n", o, Median(turn));
    }
    return 0;
}

int BenchOpen(const wchar_t* path, int runs)
{
    CImageDecoder decoder;
    for (DWORD flags : {DWORD(0), DWORD(DECODE_UPRIGHT)})
    {
        std::vector<double> open;
        LONG w = 0, h = 0;
        for (int i = 0; i < runs; i++)
        {
            DecodeOptions o = {};
            o.flags = flags;
            o.type = PICTYPE_JPG;
            const double t0 = NowMs();
            HBITMAP hbm = decoder.LoadNow(path, &o);
            open.push_back(NowMs() - t0);
            BITMAP bm;
            if (!hbm || !GetObjectW(hbm, sizeof(bm), &bm))
            {
                fprintf(stderr, "cannot open\n");
                return 1;
            }
            w = bm.bmWidth;
            h = bm.bmHeight;
            DeleteObject(hbm);
        }
        printf("%s: %ld x %ld in %.1f ms\n", flags ? "upright" : "as stored", static_cast<long>(w),
               static_cast<long>(h), Median(open));
    }
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc >= 4 && wcscmp(argv[1], L"turn") == 0)
        return BenchTurn(_wtoi(argv[2]), _wtoi(argv[3]), argc > 4 ? _wtoi(argv[4]) : 7);
    if (argc >= 3 && wcscmp(argv[1], L"open") == 0)
        return BenchOpen(argv[2], argc > 3 ? _wtoi(argv[3]) : 5);
    fprintf(stderr, "usage: orient_bench turn W H [RUNS] | open FILE.jpg [RUNS]\n");
    return 2;
}
