// Decoder and resampler figures (printed, never a timed test).
//   decode_bench make-jpeg OUT.jpg W H     12-MP test picture (baseline, q90)
//   decode_bench make-ppm OUT.ppm W H      the same kind of pixels as raw PPM
//   decode_bench jpeg FILE.jpg [RUNS]      full decode and 1/8 decode, in ms
//   decode_bench shrink FILE.ppm TW TH [RUNS]  ShrinkPixels of 24-bit pixels, in ms
// Allocation and first touch of the 24-bit bitmap are measured apart:
// on this machine the first write to a page costs far more than decoding it.
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <vector>

#include "bench/bench_support.h"
#include "viewer/imaging/decode/image_decoder.h"
#include "viewer/imaging/view/resample_kernels.h"

namespace {

// A smooth picture with some texture, like a photograph.
uint8_t Sample(int x, int y, int c)
{
    return static_cast<uint8_t>((x * (c + 1) / 16 + y * (3 - c) / 12 + ((x * 7 + y * 13) % 23)) & 0xFF);
}

int MakeJpeg(const wchar_t* path, int w, int h)
{
    const bool bMade = WriteTestJpeg(path, w, h, [w](int y, JSAMPLE* row) {
        for (int x = 0; x < w; x++)
            for (int c = 0; c < 3; c++)
                row[x * 3 + c] = Sample(x, y, c);
    });
    return bMade ? 0 : 1;
}

int MakePpm(const wchar_t* path, int w, int h)
{
    FILE* f = _wfopen(path, L"wb");
    if (!f)
        return 1;
    fprintf(f, "P6\n%d %d\n255\n", w, h);
    std::vector<uint8_t> row(static_cast<size_t>(w) * 3);
    for (int y = 0; y < h; y++)
    {
        for (int x = 0; x < w; x++)
            for (int c = 0; c < 3; c++)
                row[x * 3 + c] = Sample(x, y, c);
        fwrite(row.data(), 1, row.size(), f);
    }
    fclose(f);
    return 0;
}

int BenchJpeg(const wchar_t* path, int runs)
{
    CImageDecoder decoder;
    DecodeOptions header = {};
    header.flags = DECODE_HEADER_ONLY;
    header.type = PICTYPE_JPG;
    decoder.LoadJpeg(path, &header);
    const int w = header.info.biWidth, h = header.info.biHeight;
    if (w <= 0)
    {
        fprintf(stderr, "not a JPEG\n");
        return 1;
    }
    std::vector<double> full, touch, eighth;
    for (int i = 0; i < runs; i++)
    {
        // Allocation and first touch of a bitmap of the same size, alone.
        touch.push_back(NewBitmapFirstTouchMs(w, h));

        DecodeOptions o = {};
        o.type = PICTYPE_JPG;
        double t0 = NowMs();
        HBITMAP hbm = decoder.LoadJpeg(path, &o);
        full.push_back(NowMs() - t0);
        if (!hbm)
            return 1;
        DeleteObject(hbm);

        DecodeOptions thumb = {};
        thumb.flags = DECODE_REDUCE;
        thumb.reduceMode = 1;
        thumb.type = PICTYPE_JPG;
        t0 = NowMs();
        hbm = decoder.LoadJpeg(path, &thumb);
        eighth.push_back(NowMs() - t0);
        DeleteObject(hbm);
    }
    const double mFull = Median(full), mTouch = Median(touch);
    printf("picture %dx%d, median of %d runs\n", w, h, runs);
    printf("full_decode_total_ms %.1f\n", mFull);
    printf("bitmap_alloc_first_touch_ms %.1f\n", mTouch);
    printf("full_decode_ms %.1f\n", mFull - mTouch);
    printf("eighth_decode_ms %.1f\n", Median(eighth));
    return 0;
}

int BenchShrink(const wchar_t* path, int tw, int th, int runs)
{
    FILE* f = _wfopen(path, L"rb");
    int w = 0, h = 0, maxv = 0;
    if (!f || fscanf(f, "P6 %d %d %d", &w, &h, &maxv) != 3 || fgetc(f) == EOF || w <= 0 || h <= 0)
    {
        if (f)
            fclose(f);
        fprintf(stderr, "not a PPM\n");
        return 1;
    }
    // PPM rows are RGB top-down; the kernel is byte-order blind, so the
    // figure is the same as for BGR rows.
    std::vector<uint8_t> src(static_cast<size_t>(w) * h * 3);
    const bool bRead = fread(src.data(), 1, src.size(), f) == src.size();
    fclose(f);
    if (!bRead)
        return 1;
    std::vector<uint8_t> dst(static_cast<size_t>(tw) * th * 3);
    std::vector<double> times;
    for (int i = 0; i < runs; i++)
    {
        const double t0 = NowMs();
        ShrinkPixels(PlainFormat(PIXELS_RGB24), src.data(), w, h, static_cast<ptrdiff_t>(w) * 3, dst.data(), tw, th,
                     tw * 3);
        times.push_back(NowMs() - t0);
    }
    printf("shrink %dx%d -> %dx%d, median of %d runs\n", w, h, tw, th, runs);
    printf("shrink_ms %.1f\n", Median(times));
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc >= 5 && wcscmp(argv[1], L"make-jpeg") == 0)
        return MakeJpeg(argv[2], _wtoi(argv[3]), _wtoi(argv[4]));
    if (argc >= 5 && wcscmp(argv[1], L"make-ppm") == 0)
        return MakePpm(argv[2], _wtoi(argv[3]), _wtoi(argv[4]));
    if (argc >= 3 && wcscmp(argv[1], L"jpeg") == 0)
        return BenchJpeg(argv[2], argc >= 4 ? _wtoi(argv[3]) : 7);
    if (argc >= 5 && wcscmp(argv[1], L"shrink") == 0)
        return BenchShrink(argv[2], _wtoi(argv[3]), _wtoi(argv[4]), argc >= 6 ? _wtoi(argv[5]) : 7);
    fprintf(stderr, "usage: decode_bench make-jpeg|make-ppm|jpeg|shrink ...\n");
    return 2;
}
