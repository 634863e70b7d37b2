// Figures of colour management (printed, never a timed test).
//   colour_bench FILE [RUNS]   decoding FILE to view without and with
//                              DECODE_MANAGE_COLOUR, and the colour step
//                              alone (reading the file's colours and
//                              converting the decoded bitmap), in ms
// The first colour step builds the profile's transform; it is reported
// apart from the steps that find it kept.
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <vector>

#include "bench/bench_support.h"
#include "viewer/imaging/colour/picture_colour.h"
#include "viewer/imaging/decode/image_decoder.h"

namespace {

HBITMAP Decode(CImageDecoder* pDecoder, const wchar_t* path, DWORD flags, double* pMs)
{
    DecodeOptions o = {};
    o.flags = flags;
    o.type = PICTYPE_BY_EXTENSION;
    const double t0 = NowMs();
    HBITMAP hbm = pDecoder->LoadNow(path, &o);
    *pMs = NowMs() - t0;
    return hbm;
}

int Bench(const wchar_t* path, int runs)
{
    CImageDecoder decoder;
    const volatile LONG nNever = 0;
    double msFirstStep = 0;
    std::vector<double> plain, managed, step, read;
    BITMAP bm = {};
    for (int i = 0; i < runs; i++)
    {
        double ms = 0;
        HBITMAP hbm = Decode(&decoder, path, 0, &ms);
        if (!hbm || GetObjectW(hbm, sizeof(bm), &bm) != sizeof(bm))
        {
            fprintf(stderr, "cannot decode\n");
            return 1;
        }
        plain.push_back(ms);
        double t0 = NowMs();
        hbm = ConvertToScreenColours(path, hbm, &nNever);
        const double msStep = NowMs() - t0;
        if (i == 0)
            msFirstStep = msStep;
        else
            step.push_back(msStep);
        DeleteObject(hbm);

        t0 = NowMs();
        EmbeddedColour colour;
        ReadFileColour(path, &colour);
        read.push_back(NowMs() - t0);
        FreeEmbeddedColour(&colour);

        hbm = Decode(&decoder, path, DECODE_MANAGE_COLOUR, &ms);
        managed.push_back(ms);
        if (hbm)
            DeleteObject(hbm);
    }
    EmbeddedColour colour;
    ReadFileColour(path, &colour);
    static const char* const kKinds[] = {"none", "ICC profile", "Display P3"};
    printf("%ls: %ld x %ld, %d bits, colours: %s (%u bytes)\n", path, static_cast<long>(bm.bmWidth),
           static_cast<long>(bm.bmHeight), bm.bmBitsPixel, kKinds[colour.kind], colour.cbIcc);
    FreeEmbeddedColour(&colour);
    const double msPlain = Median(plain), msStep = Median(step);
    printf("  decode alone                      %8.1f ms (median of %d)\n", msPlain, runs);
    printf("  decode with colour management     %8.1f ms\n", Median(managed));
    printf("  colour step, first (builds)       %8.1f ms\n", msFirstStep);
    printf("  colour step, transform kept       %8.1f ms = %.1f %% of the decode (target <= 15 %%)\n", msStep,
           100.0 * msStep / msPlain);
    printf("  of which reading the file's colours %6.2f ms\n", Median(read));
    printf("  new bitmap made and first written alone %.1f ms (inside the decode)\n",
           NewBitmapFirstTouchMs(bm.bmWidth, bm.bmHeight));
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc >= 2)
        return Bench(argv[1], argc > 2 ? _wtoi(argv[2]) : 7);
    fprintf(stderr, "usage: colour_bench FILE [RUNS]\n");
    return 2;
}
