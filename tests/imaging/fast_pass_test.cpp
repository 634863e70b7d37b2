// The fast pass's sampling against the stretch it replaces: the source
// pixel of each output pixel, turned, mirrored and zoomed, in every pixel
// format the renderer meets, within one source pixel.
#include <gtest/gtest.h>

#include <stdint.h>
#include <stdlib.h>

#include <vector>
#include <windows.h>

#include "test_pictures.h"
#include "viewer/imaging/view/bitmap_transform.h"
#include "viewer/imaging/view/fast_sample.h"
#include "viewer/imaging/view/renderer.h"
#include "viewer/imaging/view/view_geometry.h"

namespace {

const int kClientW = 120, kClientH = 100;
const COLORREF kUntouched = RGB(255, 255, 255);
const int rgAngles[] = {0, 90, 180, 270};
const DWORD rgFlips[] = {0, FLIP_LEFT_RIGHT, FLIP_TOP_BOTTOM, FLIP_BOTH};

const uint32_t k555[3] = {0x7C00, 0x03E0, 0x001F}, k565[3] = {0xF800, 0x07E0, 0x001F};
const uint32_t kBgrMasks[3] = {0x0000FF, 0x00FF00, 0xFF0000};   // red and blue the other way round

// Copies hbmFrom into hbmTo from (0, 0); GDI converts the format.
void Blit(HBITMAP hbmTo, HBITMAP hbmFrom, int w, int h)
{
    HDC hdcTo = CreateCompatibleDC(NULL), hdcFrom = CreateCompatibleDC(NULL);
    HGDIOBJ hOldTo = SelectObject(hdcTo, hbmTo), hOldFrom = SelectObject(hdcFrom, hbmFrom);
    BitBlt(hdcTo, 0, 0, w, h, hdcFrom, 0, 0, SRCCOPY);
    SelectObject(hdcFrom, hOldFrom);
    SelectObject(hdcTo, hOldTo);
    DeleteDC(hdcFrom);
    DeleteDC(hdcTo);
}

// Pictures that carry their own coordinates. Wide: exact at 8 bits per
// channel, up to 4096 x 4096. Narrow: R = 8x, G = 8y, B = 128, which a
// 16-bit bitmap keeps, up to 32 x 32.
COLORREF WideCode(int x, int y)
{
    return RGB(x & 0xFF, y & 0xFF, (x >> 8) | ((y >> 8) << 4));
}
COLORREF NarrowCode(int x, int y)
{
    return RGB(x * 8, y * 8, 128);
}
bool DecodeWide(COLORREF c, int* px, int* py)
{
    *px = GetRValue(c) | ((GetBValue(c) & 0x0F) << 8);
    *py = GetGValue(c) | ((GetBValue(c) >> 4) << 8);
    return c != kUntouched;
}
bool DecodeNarrow(COLORREF c, int* px, int* py)
{
    *px = GetRValue(c) >> 3;
    *py = GetGValue(c) >> 3;
    // White read back from 16 bits may lack its low bits.
    return (c | 0x070707) != kUntouched;
}

// The shared picture helpers speak 0xRRGGBB; the codes here are COLORREFs.
COLORREF ToColorref(uint32_t v)
{
    return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
}

HBITMAP MakeCoded(int w, int h, int nBits, COLORREF (*code)(int, int))
{
    return MakePicture(w, h, nBits, [code](int x, int y) {
        const COLORREF c = code(x, y);
        return (uint32_t)((GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c));
    });
}

// Every pixel of the two surfaces shows the same source pixel, give or
// take one on each axis, and both leave the same pixels untouched.
// Returns the first difference, empty when there is none.
std::string Compare(const std::vector<COLORREF>& expected, const std::vector<COLORREF>& actual, int w,
                    bool (*decode)(COLORREF, int*, int*))
{
    if (expected.size() != actual.size())
        return "sizes differ";
    size_t nDrawn = 0;
    for (size_t i = 0; i < expected.size(); ++i)
        {
            const int x = (int)(i % w), y = (int)(i / w);
            int ex, ey, ax, ay;
            COLORREF e = expected[i], a = actual[i];
            bool bDrawnE = decode(e, &ex, &ey), bDrawnA = decode(a, &ax, &ay);
            if (bDrawnE != bDrawnA || (bDrawnE && (abs(ex - ax) > 1 || abs(ey - ay) > 1 ||
                                                   GetBValue(e) >> 3 != GetBValue(a) >> 3)))
            {
                char sz[160];
                snprintf(sz, sizeof(sz), "at (%d, %d): stretch shows 0x%06lx, sampler 0x%06lx", x, y, e, a);
                return sz;
            }
            nDrawn += bDrawnE ? 1 : 0;
        }
    return nDrawn ? std::string() : "nothing drawn";
}

// A bottom-up DIB section selected into a context, white at first: the
// sampler takes rows as bottom-up, as every bitmap of the viewer is (the
// platform may report top-down ones with a positive height).
struct Canvas
{
    HDC hdc = NULL;
    HBITMAP hbm = NULL;
    HGDIOBJ hOld = NULL;
    int width = 0;
    int height = 0;

    bool Create(int w, int h, int nBits = 32, const uint32_t* pMasks = nullptr)
    {
        hbm = MakeDib(w, h, nBits, pMasks);
        hdc = CreateCompatibleDC(NULL);
        if (!hbm || !hdc)
            return false;
        hOld = SelectObject(hdc, hbm);
        width = w;
        height = h;
        Clear();
        return true;
    }
    ~Canvas()
    {
        if (hdc)
        {
            if (hOld)
                SelectObject(hdc, hOld);
            DeleteDC(hdc);
        }
        if (hbm)
            DeleteObject(hbm);
    }
    void Clear() { PatBlt(hdc, 0, 0, width, height, WHITENESS); }
    // Row by row from the top.
    std::vector<COLORREF> Pixels() const
    {
        std::vector<COLORREF> v;
        for (uint32_t p : ReadDC(hdc, width, height))
            v.push_back(ToColorref(p));
        return v;
    }
};

// The work box and view Draw computes for a picture of w x h in the
// client at this zoom (0: fitted); the view starts near the middle.
void Geometry(int w, int h, int angle, double zoom, ViewBox* pWork, ViewBox* pView)
{
    ViewBox picture = {0, 0, w, h};
    *pWork = {0, 0, kClientW, kClientH};
    *pView = {w / 3, h / 4, 0, 0};
    ComputeView(picture, pWork, pView, angle, zoom > 0 ? zoom : FitZoom(w, h, kClientW, kClientH, angle));
}

} // namespace

// One axis against the stretch, along a row and down a column: shrinking,
// enlarging and equal, forwards and mirrored, from a start inside.
TEST(FastSample, AxisTakesThePixelTheStretchTakes)
{
    const int rgPairs[][2] = {{4000, 240}, {3000, 268}, {301, 120}, {203, 100}, {100, 37}, {10, 3},
                              {31, 120}, {23, 86}, {7, 28}, {60, 240}, {5, 5}, {1, 9}, {9, 1}};
    const int kStart = 3;
    for (const auto& pair : rgPairs)
        for (bool bColumn : {false, true})
        {
            const int length = pair[0], n = pair[1];
            HBITMAP hbm = bColumn ? MakeCoded(1, kStart + length, 32, WideCode)
                                  : MakeCoded(kStart + length, 1, 32, WideCode);
            ASSERT_NE(nullptr, hbm);
            Canvas line;
            ASSERT_TRUE(bColumn ? line.Create(1, n) : line.Create(n, 1));
            for (bool bReverse : {false, true})
            {
                HDC hdcSrc = CreateCompatibleDC(line.hdc);
                HGDIOBJ hOld = SelectObject(hdcSrc, hbm);
                ViewBox d = {0, 0, bColumn ? 1 : n, bColumn ? n : 1};
                ViewBox s = {bColumn ? 0 : kStart, bColumn ? kStart : 0, bColumn ? 1 : length, bColumn ? length : 1};
                StretchFlipped(line.hdc, d, hdcSrc, s, bReverse ? (bColumn ? FLIP_TOP_BOTTOM : FLIP_LEFT_RIGHT) : 0);
                SelectObject(hdcSrc, hOld);
                DeleteDC(hdcSrc);

                std::vector<int32_t> axis(n);
                ASSERT_TRUE(FillSampleAxis(kStart, length, n, bColumn, bReverse, axis.data()));
                const std::vector<COLORREF> shown = line.Pixels();
                for (int i = 0; i < n; ++i)
                {
                    int sx, sy;
                    DecodeWide(shown[i], &sx, &sy);
                    EXPECT_NEAR(bColumn ? sy : sx, axis[i], 1)
                        << length << " -> " << n << (bColumn ? " down" : " across") << (bReverse ? " mirrored" : "")
                        << " at " << i;
                    EXPECT_TRUE(axis[i] >= kStart && axis[i] < kStart + length);
                }
            }
            DeleteObject(hbm);
        }
}

// Whole views of a shrunk and an enlarged picture, against the stretch and
// the strip turns of DrawTransformed, at 32 bits where both are exact.
TEST(FastSample, TurnsMirrorsAndZoomsMatchTheStretchPath)
{
    const int rgSizes[][2] = {{301, 203}, {31, 23}};
    const double rgZooms[] = {0.0, 1.0, 4.0};
    Canvas stretched, sampled;
    ASSERT_TRUE(stretched.Create(kClientW, kClientH) && sampled.Create(kClientW, kClientH));
    for (const auto& size : rgSizes)
    {
        HBITMAP hbm = MakeCoded(size[0], size[1], 24, WideCode);
        ASSERT_NE(nullptr, hbm);
        for (double zoom : rgZooms)
            for (int angle : rgAngles)
                for (DWORD flips : rgFlips)
                {
                    ViewBox work, view;
                    Geometry(size[0], size[1], angle, zoom, &work, &view);
                    stretched.Clear();
                    sampled.Clear();
                    DrawTransformed(stretched.hdc, work, view, angle, flips, hbm);
                    ASSERT_TRUE(SampleTransformed(sampled.hbm, work, view, angle, flips, hbm));
                    EXPECT_EQ("", Compare(stretched.Pixels(), sampled.Pixels(), kClientW, DecodeWide))
                        << size[0] << " x " << size[1] << " zoom " << zoom << " turn " << angle << " flips " << flips;
                }
        DeleteObject(hbm);
    }
}

// The pictures of the JPEG and platform decoders into the back buffers of
// 16-, 24- and 32-bit displays, 5-5-5 and 5-6-5 alike, and a 32-bit target
// with red and blue the other way round.
TEST(FastSample, EveryPictureFormatIntoEveryBackBufferFormat)
{
    const int kW = 31, kH = 23;
    // A 16-bit bitmap without masks is 5-5-5.
    struct Format { int nBits; const uint32_t* pMasks; };
    const Format rgPictures[] = {{24, nullptr}, {16, k565}, {16, nullptr}, {32, nullptr}};
    const Format rgTargets[] = {{16, k555}, {16, k565}, {24, nullptr}, {32, nullptr}, {32, kBgrMasks}};
    HBITMAP hbmCode = MakeCoded(kW, kH, 24, NarrowCode);
    ASSERT_NE(nullptr, hbmCode);
    for (const Format& p : rgPictures)
        for (const Format& t : rgTargets)
        {
            HBITMAP hbmPicture = MakeDib(kW, kH, p.nBits, p.pMasks);
            ASSERT_NE(nullptr, hbmPicture);
            Blit(hbmPicture, hbmCode, kW, kH);
            Canvas stretched, sampled;
            ASSERT_TRUE(stretched.Create(kClientW, kClientH, t.nBits, t.pMasks));
            ASSERT_TRUE(sampled.Create(kClientW, kClientH, t.nBits, t.pMasks));
            for (int angle : rgAngles)
                for (DWORD flips : {(DWORD)0, (DWORD)FLIP_LEFT_RIGHT})
                {
                    ViewBox work, view;
                    Geometry(kW, kH, angle, 0.0, &work, &view);
                    stretched.Clear();
                    sampled.Clear();
                    DrawTransformed(stretched.hdc, work, view, angle, flips, hbmPicture);
                    ASSERT_TRUE(SampleTransformed(sampled.hbm, work, view, angle, flips, hbmPicture));
                    EXPECT_EQ("", Compare(stretched.Pixels(), sampled.Pixels(), kClientW, DecodeNarrow))
                        << "picture " << p.nBits << (p.pMasks ? " masked" : "") << " target " << t.nBits
                        << " red mask " << std::hex << (t.pMasks ? t.pMasks[0] : 0) << std::dec << " turn " << angle
                        << " flips " << flips;
                }
            DeleteObject(hbmPicture);
        }
    DeleteObject(hbmCode);
}

// A box reaching past the target is cut to it, as GDI clips a blit; a
// source box outside the picture, and bitmaps it cannot read, are refused
// with the target untouched.
TEST(FastSample, ClipsToTheTargetAndRefusesWhatItCannotRead)
{
    HBITMAP hbm = MakeCoded(31, 23, 24, WideCode);
    Canvas stretched, sampled;
    ASSERT_TRUE(hbm && stretched.Create(40, 30) && sampled.Create(40, 30));
    const ViewBox work = {-10, -5, 62, 46}, view = {0, 0, 31, 23};
    DrawTransformed(stretched.hdc, work, view, 90, FLIP_TOP_BOTTOM, hbm);
    ASSERT_TRUE(SampleTransformed(sampled.hbm, work, view, 90, FLIP_TOP_BOTTOM, hbm));
    EXPECT_EQ("", Compare(stretched.Pixels(), sampled.Pixels(), 40, DecodeWide));

    sampled.Clear();
    const ViewBox inside = {0, 0, 40, 30};
    const ViewBox rgOutside[] = {{1, 0, 31, 23}, {0, -1, 10, 10}, {0, 0, 0, 5}, {30, 20, 2, 4}};
    for (const ViewBox& src : rgOutside)
        EXPECT_FALSE(SampleTransformed(sampled.hbm, inside, src, 0, 0, hbm)) << src.x << "," << src.y;
    EXPECT_FALSE(SampleTransformed(sampled.hbm, inside, view, 45, 0, hbm));

    // A palette picture and a device-dependent one, as source or target.
    HBITMAP hbm8 = MakeDib(31, 23, 8);
    HDC hdcScreen = GetDC(NULL);
    HBITMAP hbmDevice = CreateCompatibleBitmap(hdcScreen, 31, 23);
    ReleaseDC(NULL, hdcScreen);
    ASSERT_TRUE(hbm8 && hbmDevice);
    EXPECT_FALSE(SampleTransformed(sampled.hbm, inside, view, 0, 0, hbm8));
    EXPECT_FALSE(SampleTransformed(sampled.hbm, inside, view, 0, 0, hbmDevice));
    EXPECT_FALSE(SampleTransformed(hbmDevice, inside, view, 0, 0, hbm));
    EXPECT_FALSE(SampleTransformed(hbm8, inside, view, 0, 0, hbm));
    for (COLORREF c : sampled.Pixels())
        ASSERT_EQ(kUntouched, c);
    DeleteObject(hbmDevice);
    DeleteObject(hbm8);
    DeleteObject(hbm);
}

// The renderer's back buffer is one the sampler writes, and a picture the
// sampler cannot read is still drawn, by the blits.
TEST(FastPass, RendererSamplesItsBackBufferAndFallsBackToTheBlits)
{
    HWND hwnd = MakeTestWindow(kClientW, kClientH, true);
    ASSERT_NE(nullptr, hwnd);
    HDC hdc = GetDC(hwnd);
    HBITMAP hbmBack = CreateBackBufferBitmap(hdc, kClientW, kClientH);
    DIBSECTION ds;
    EXPECT_EQ((int)sizeof(ds), GetObjectW(hbmBack, sizeof(ds), &ds)) << "a DIB section";
    EXPECT_EQ(GetDeviceCaps(hdc, BITSPIXEL), ds.dsBm.bmBitsPixel);
    HBITMAP hbmCode = MakeCoded(31, 23, 24, NarrowCode);
    const ViewBox all = {0, 0, kClientW, kClientH}, view = {0, 0, 31, 23};
    EXPECT_TRUE(SampleTransformed(hbmBack, all, view, 90, 0, hbmCode));
    DeleteObject(hbmBack);

    // The same coordinates in a device-dependent picture, drawn turned and
    // mirrored by the renderer; read back from the window.
    HBITMAP hbmDevice = CreateCompatibleBitmap(hdc, 31, 23);
    ReleaseDC(hwnd, hdc);
    ASSERT_TRUE(hbmDevice && hbmCode);
    Blit(hbmDevice, hbmCode, 31, 23);
    CRenderer renderer;
    renderer.SetWindow(hwnd);
    renderer.SetBitmap(hbmDevice);
    renderer.SetFitToScreen(1);
    renderer.SetRotation(90);
    renderer.SetFlip(FLIP_LEFT_RIGHT);
    ASSERT_EQ(0, renderer.Render());
    int w, h;
    std::vector<COLORREF> window;
    for (uint32_t p : ReadWindow(hwnd, &w, &h))
        window.push_back(ToColorref(p));
    ViewBox work, fitted;
    Geometry(31, 23, 90, 0.0, &work, &fitted);
    Canvas expected;
    ASSERT_TRUE(expected.Create(w, h));
    DrawTransformed(expected.hdc, work, fitted, 90, FLIP_LEFT_RIGHT, hbmCode);
    EXPECT_EQ("", Compare(expected.Pixels(), window, w, DecodeNarrow));
    renderer.SetBitmap(NULL);
    DeleteObject(hbmCode);
    DeleteObject(hbmDevice);
    DestroyWindow(hwnd);
}
