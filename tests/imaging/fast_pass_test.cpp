// The fast pass's sampling against the stretch it replaces, turned, mirrored
// and zoomed, in every pixel format the renderer meets, within one source pixel.
#include <gtest/gtest.h>
#include <windows.h>

#include <stdint.h>
#include <stdlib.h>

#include <vector>

#include "tests/support/pictures.h"
#include "viewer/imaging/view/bitmap_transform.h"
#include "viewer/imaging/view/fast_sample.h"
#include "viewer/imaging/view/view_geometry.h"

namespace {

const int kClientW = 120, kClientH = 100;
const uint32_t kUntouched = 0xFFFFFF;
const int rgAngles[] = {0, 90, 180, 270};
const uint32_t k555[3] = {0x7C00, 0x03E0, 0x001F}, k565[3] = {0xF800, 0x07E0, 0x001F};
const uint32_t kBgrMasks[3] = {0x0000FF, 0x00FF00, 0xFF0000};   // red and blue the other way round

// Pictures that carry their own coordinates. Wide: exact at 8 bits per
// channel. Narrow: red 8x, green 8y, blue 128, which 16 bits keep.
uint32_t WideCode(int x, int y) { return (x & 0xFF) << 16 | (y & 0xFF) << 8 | (x >> 8) | (y >> 8) << 4; }
uint32_t NarrowCode(int x, int y) { return (x * 8) << 16 | (y * 8) << 8 | 128; }
bool DecodeWide(uint32_t c, int* px, int* py)
{
    *px = (c >> 16 & 0xFF) | (c & 0x0F) << 8;
    *py = (c >> 8 & 0xFF) | (c >> 4 & 0x0F) << 8;
    return c != kUntouched;
}
bool DecodeNarrow(uint32_t c, int* px, int* py)
{
    *px = (c >> 16 & 0xFF) >> 3;
    *py = (c >> 8 & 0xFF) >> 3;
    return (c | 0x070707) != kUntouched;   // white read back from 16 bits may lack its low bits
}

// Both show the same source pixel, give or take one on each axis, and leave
// the same pixels untouched: the first difference, "" when none.
std::string Compare(const std::vector<uint32_t>& expected, const std::vector<uint32_t>& actual, int w,
                    bool (*decode)(uint32_t, int*, int*))
{
    if (expected.size() != actual.size())
        return "sizes differ";
    size_t nDrawn = 0;
    for (size_t i = 0; i < expected.size(); ++i)
    {
        int ex, ey, ax, ay;
        const uint32_t e = expected[i], a = actual[i];
        const bool bDrawn = decode(e, &ex, &ey);
        if (bDrawn != decode(a, &ax, &ay) ||
            (bDrawn && (abs(ex - ax) > 1 || abs(ey - ay) > 1 || (e & 0xFF) >> 3 != (a & 0xFF) >> 3)))
        {
            char sz[160];
            snprintf(sz, sizeof(sz), "at (%d, %d): stretch shows 0x%06x, sampler 0x%06x", (int)(i % w), (int)(i / w),
                     e, a);
            return sz;
        }
        nDrawn += bDrawn;
    }
    return nDrawn ? std::string() : "nothing drawn";
}

// The work box and view Draw computes at this zoom (0: fitted).
void Geometry(int w, int h, int angle, double zoom, ViewBox* pWork, ViewBox* pView)
{
    *pWork = {0, 0, kClientW, kClientH};
    *pView = {w / 3, h / 4, 0, 0};
    ComputeView(ViewBox{0, 0, w, h}, pWork, pView, angle, zoom > 0 ? zoom : FitZoom(w, h, kClientW, kClientH, angle));
}

// The stretch and the sampler, every turn and each flip: "" when they agree.
std::string StretchAgainstSampler(HBITMAP hbm, int w, int h, double zoom, const std::vector<DWORD>& flips,
                                  int nBits, const uint32_t* pMasks, bool (*decode)(uint32_t, int*, int*))
{
    MemoryCanvas stretched(kClientW, kClientH, nBits, pMasks), sampled(kClientW, kClientH, nBits, pMasks);
    if (!stretched.Ok() || !sampled.Ok())
        return "no canvas";
    for (int angle : rgAngles)
        for (DWORD dwFlips : flips)
        {
            ViewBox work, view;
            Geometry(w, h, angle, zoom, &work, &view);
            stretched.Clear();
            sampled.Clear();
            DrawTransformed(stretched.hdc, work, view, angle, dwFlips, hbm);
            std::string diff = SampleTransformed(sampled.hbm, work, view, angle, dwFlips, hbm)
                                   ? Compare(stretched.Pixels(), sampled.Pixels(), kClientW, decode)
                                   : "refused";
            if (!diff.empty())
                return diff + ", turn " + std::to_string(angle) + " flips " + std::to_string(dwFlips);
        }
    return std::string();
}

} // namespace

// Whole views of a shrunk and an enlarged picture, against the stretch and
// the strip turns of DrawTransformed, at 32 bits where both are exact.
TEST(FastSample, TurnsMirrorsAndZoomsMatchTheStretchPath)
{
    for (const SIZE size : {SIZE{301, 203}, SIZE{31, 23}})
    {
        HBITMAP hbm = MakePicture(size.cx, size.cy, 24, WideCode);
        ASSERT_NE(nullptr, hbm);
        for (double zoom : {0.0, 1.0, 4.0})
            EXPECT_EQ("", StretchAgainstSampler(hbm, size.cx, size.cy, zoom, {0, FLIP_LEFT_RIGHT, FLIP_TOP_BOTTOM,
                                                FLIP_BOTH}, 32, nullptr, DecodeWide))
                << size.cx << " x " << size.cy << " zoom " << zoom;
        DeleteObject(hbm);
    }
}

// The decoders' pictures (24 and 32 bits, 16 at 5-6-5) into the back buffers
// of 16-bit (5-5-5 and 5-6-5), 24- and 32-bit displays, and of one with red
// and blue swapped.
TEST(FastSample, EveryPictureFormatIntoEveryBackBufferFormat)
{
    const int kW = 31, kH = 23;
    struct Format { int nBits; const uint32_t* pMasks; };
    const Format rgTargets[] = {{16, k555}, {16, k565}, {24, nullptr}, {32, nullptr}, {32, kBgrMasks}};
    for (int nBits : {24, 16, 32})
    {
        HBITMAP hbmPicture = MakePicture(kW, kH, nBits, NarrowCode);
        ASSERT_NE(nullptr, hbmPicture);
        for (const Format& t : rgTargets)
            EXPECT_EQ("", StretchAgainstSampler(hbmPicture, kW, kH, 0.0, {0, FLIP_LEFT_RIGHT}, t.nBits, t.pMasks,
                                                DecodeNarrow))
                << "picture " << nBits << " target " << t.nBits << " red mask " << std::hex
                << (t.pMasks ? t.pMasks[0] : 0);
        DeleteObject(hbmPicture);
    }
}

// A box reaching past the target is cut to it, as GDI clips a blit.
TEST(FastSample, ClipsToTheTarget)
{
    HBITMAP hbm = MakePicture(31, 23, 24, WideCode);
    MemoryCanvas stretched(40, 30), sampled(40, 30);
    ASSERT_TRUE(hbm && stretched.Ok() && sampled.Ok());
    const ViewBox work = {-10, -5, 62, 46}, view = {0, 0, 31, 23};
    DrawTransformed(stretched.hdc, work, view, 90, FLIP_TOP_BOTTOM, hbm);
    ASSERT_TRUE(SampleTransformed(sampled.hbm, work, view, 90, FLIP_TOP_BOTTOM, hbm));
    EXPECT_EQ("", Compare(stretched.Pixels(), sampled.Pixels(), 40, DecodeWide));
    DeleteObject(hbm);
}
