// The renderer's drawing read back from a real window on the test display
// (16 bits per pixel) and from 32-bit DIB section targets.
#include <gtest/gtest.h>

#include <vector>
#include <windows.h>

#include "render_test_support.h"
#include "viewer/imaging/bitmap_transform.h"
#include "viewer/imaging/renderer.h"

namespace {

const int kWindowW = 120, kWindowH = 100;
const COLORREF kWhite = RGB(255, 255, 255);
const COLORREF kRed = RGB(248, 0, 0);

// A 3 x 2 picture of six distinct colours, exact in 5-5-5 and 5-6-5.
const COLORREF kSix[6] = {RGB(248, 0, 0),   RGB(0, 248, 0),   RGB(0, 0, 248),
                          RGB(248, 248, 0), RGB(248, 0, 248), RGB(0, 248, 248)};

// Where picture pixel (i, r) of a w x h picture lands in the turned picture:
// mirrored in the picture's orientation, then turned counter-clockwise.
void Place(int i, int r, int w, int h, int angle, DWORD flips, int* px, int* py)
{
    if (flips & FLIP_LEFT_RIGHT)
        i = w - 1 - i;
    if (flips & FLIP_TOP_BOTTOM)
        r = h - 1 - r;
    switch (angle)
    {
    case 90: *px = r; *py = w - 1 - i; break;
    case 180: *px = w - 1 - i; *py = h - 1 - r; break;
    case 270: *px = h - 1 - r; *py = i; break;
    default: *px = i; *py = r; break;
    }
}

class RendererPixels : public ::testing::Test
{
protected:
    void SetUp() override
    {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(NULL);
        wc.lpszClassName = L"RendererPixelsTest";
        RegisterClassW(&wc);
        m_hwnd = CreateWindowExW(0, L"RendererPixelsTest", L"", WS_POPUP | WS_VISIBLE, 0, 0, kWindowW, kWindowH,
                                 NULL, NULL, GetModuleHandleW(NULL), NULL);
        ASSERT_NE(nullptr, m_hwnd);
        m_renderer.SetWindow(m_hwnd);
        FillWindow(RGB(0, 0, 0));
    }

    void TearDown() override
    {
        m_renderer.SetBitmap(NULL);
        if (m_hbm)
            DeleteObject(m_hbm);
        DestroyWindow(m_hwnd);
    }

    void Show(HBITMAP hbm)
    {
        m_renderer.SetBitmap(hbm);
        if (m_hbm)
            DeleteObject(m_hbm);
        m_hbm = hbm;
    }

    void FillWindow(COLORREF cr)
    {
        HDC hdc = GetDC(m_hwnd);
        HBRUSH hbr = CreateSolidBrush(cr);
        RECT rc = {0, 0, kWindowW, kWindowH};
        FillRect(hdc, &rc, hbr);
        DeleteObject(hbr);
        ReleaseDC(m_hwnd, hdc);
    }

    COLORREF At(int x, int y)
    {
        int w, h;
        std::vector<COLORREF> pixels = ReadWindow(m_hwnd, &w, &h);
        return pixels.empty() ? CLR_INVALID : pixels[(size_t)y * w + x];
    }

    // Centre of the red pixels on the window; false when there are none.
    bool RedCentre(double* px, double* py)
    {
        int w, h;
        std::vector<COLORREF> pixels = ReadWindow(m_hwnd, &w, &h);
        double sx = 0, sy = 0;
        int n = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if (NearColour(pixels[(size_t)y * w + x], kRed))
                {
                    sx += x;
                    sy += y;
                    ++n;
                }
        if (!n)
            return false;
        *px = sx / n;
        *py = sy / n;
        return true;
    }

    HWND m_hwnd = NULL;
    HBITMAP m_hbm = NULL;
    CRenderer m_renderer;
};

} // namespace

TEST_F(RendererPixels, TurnsAndMirrorsOfASmallPictureAtEachZoom)
{
    const PictureFormat rgFormats[] = {PICTURE_RGB24, PICTURE_RGB565, PICTURE_RGB32};
    const int rgAngles[] = {0, 90, 180, 270};
    const DWORD rgFlips[] = {0, FLIP_LEFT_RIGHT, FLIP_TOP_BOTTOM, FLIP_BOTH};
    const double rgZooms[] = {1.0, 2.0};
    for (PictureFormat format : rgFormats)
        for (double zoom : rgZooms)
            for (int angle : rgAngles)
                for (DWORD flips : rgFlips)
                {
                    Show(MakePicture(3, 2, format, [](int x, int y) { return kSix[y * 3 + x]; }));
                    m_renderer.SetZoom(zoom);
                    m_renderer.SetRotation(angle);
                    m_renderer.SetFlip(flips);
                    m_renderer.SetHighQuality(zoom != 1.0);
                    FillWindow(RGB(0, 0, 0));
                    ASSERT_EQ(0, m_renderer.Render());

                    int w, h;
                    std::vector<COLORREF> pixels = ReadWindow(m_hwnd, &w, &h);
                    const bool quarter = angle == 90 || angle == 270;
                    const int s = (int)zoom;
                    const int cw = (quarter ? 2 : 3) * s, ch = (quarter ? 3 : 2) * s;
                    const int x0 = (kWindowW - cw) / 2, y0 = (kWindowH - ch) / 2;
                    for (int r = 0; r < 2; ++r)
                        for (int i = 0; i < 3; ++i)
                        {
                            int tx, ty;
                            Place(i, r, 3, 2, angle, flips, &tx, &ty);
                            for (int k = 0; k < s * s; ++k)
                            {
                                int x = x0 + tx * s + k % s, y = y0 + ty * s + k / s;
                                EXPECT_TRUE(NearColour(kSix[r * 3 + i], pixels[(size_t)y * w + x]))
                                    << "format " << format << " zoom " << zoom << " angle " << angle << " flips "
                                    << flips << " pixel " << i << "," << r << " read 0x" << std::hex
                                    << pixels[(size_t)y * w + x];
                            }
                        }
                    // The margins around the picture are white.
                    EXPECT_EQ(kWhite, pixels[0] | 0x070307) << "top left";
                    EXPECT_EQ(kWhite, pixels[(size_t)(h - 1) * w + w - 1] | 0x070307) << "bottom right";
                    EXPECT_EQ(kWhite, pixels[(size_t)y0 * w + x0 - 1] | 0x070307) << "left of the picture";
                    EXPECT_EQ(kWhite, pixels[(size_t)(y0 + ch) * w + x0] | 0x070307) << "below the picture";
                }
}

TEST_F(RendererPixels, QualityPassRunsOnlyWhenZoomedAndNotPanning)
{
    // One-pixel black and white columns: the fast pass at zoom 0.5 keeps
    // one of the two, the area average makes them grey.
    Show(MakePicture(600, 400, PICTURE_RGB24, [](int x, int) { return x % 2 ? kWhite : RGB(0, 0, 0); }));
    m_renderer.SetHighQuality(1);
    m_renderer.SetAutoRender(1);
    m_renderer.SetZoom(1.0);
    m_renderer.RenderNow();
    RenderPassCounts counts = m_renderer.GetPassCounts();
    EXPECT_EQ(0, counts.nQuality) << "no resampling at zoom 1.0";
    COLORREF c = At(60, 50);
    EXPECT_TRUE(c == kWhite || c == RGB(0, 0, 0)) << std::hex << c;

    m_renderer.SetAutoRender(0);
    m_renderer.SetZoom(0.5);
    m_renderer.SetAutoRender(1);
    m_renderer.RenderNow();
    EXPECT_EQ(counts.nFast + 1, m_renderer.GetPassCounts().nFast);
    EXPECT_EQ(1, m_renderer.GetPassCounts().nQuality);
    c = At(60, 50);
    EXPECT_NEAR(128, GetRValue(c), 12) << "resampled to grey";

    // The same view again: the screen shows it already, only the resampled
    // pass runs.
    counts = m_renderer.GetPassCounts();
    m_renderer.RenderNow();
    EXPECT_EQ(counts.nFast, m_renderer.GetPassCounts().nFast);
    EXPECT_EQ(counts.nQuality + 1, m_renderer.GetPassCounts().nQuality);

    // A pan draws the fast pass alone; the next render brings the quality back.
    counts = m_renderer.GetPassCounts();
    m_renderer.Pan(40, 0, 1);
    EXPECT_EQ(counts.nFast + 1, m_renderer.GetPassCounts().nFast);
    EXPECT_EQ(counts.nQuality, m_renderer.GetPassCounts().nQuality);
    c = At(60, 50);
    EXPECT_TRUE(c == kWhite || c == RGB(0, 0, 0)) << std::hex << c;
    m_renderer.RenderNow();
    EXPECT_EQ(counts.nQuality + 1, m_renderer.GetPassCounts().nQuality);
    EXPECT_NEAR(128, GetRValue(At(60, 50)), 12);
    m_renderer.SetAutoRender(0);
}

TEST_F(RendererPixels, StylusDragMovesThePictureWithTheStylus)
{
    // A red 4 x 4 mark at (150, 150) of a white 300 x 300 picture.
    Show(MakePicture(300, 300, PICTURE_RGB24, [](int x, int y) {
        return (x >= 150 && x < 154 && y >= 150 && y < 154) ? kRed : kWhite;
    }));
    const int rgAngles[] = {0, 90, 180, 270};
    const DWORD rgFlips[] = {0, FLIP_LEFT_RIGHT, FLIP_TOP_BOTTOM, FLIP_BOTH};
    const double rgZooms[] = {1.0, 2.0};
    for (double zoom : rgZooms)
        for (int angle : rgAngles)
            for (DWORD flips : rgFlips)
            {
                m_renderer.SetAutoRender(0);
                m_renderer.SetZoom(zoom);
                m_renderer.SetRotation(angle);
                m_renderer.SetFlip(flips);
                const bool quarter = angle == 90 || angle == 270;
                int vw = (int)((quarter ? kWindowH : kWindowW) / zoom);
                int vh = (int)((quarter ? kWindowW : kWindowH) / zoom);
                m_renderer.SetInitialOrigin(152 - vw / 2, 152 - vh / 2);
                m_renderer.SetBitmap(m_hbm);
                ASSERT_EQ(0, m_renderer.Render());
                double x0, y0, x1, y1;
                ASSERT_TRUE(RedCentre(&x0, &y0));

                m_renderer.SetAutoRender(1);
                m_renderer.SetDragAnchor(50, 50, 0);
                m_renderer.Pan(60, 56, 0);
                ASSERT_TRUE(RedCentre(&x1, &y1));
                EXPECT_NEAR(10.0, x1 - x0, 0.6) << "zoom " << zoom << " angle " << angle << " flips " << flips;
                EXPECT_NEAR(6.0, y1 - y0, 0.6) << "zoom " << zoom << " angle " << angle << " flips " << flips;
            }
    m_renderer.SetAutoRender(0);
}

TEST_F(RendererPixels, PanIsIgnoredInFitModeAndAcrossANarrowPicture)
{
    Show(MakePicture(30, 300, PICTURE_RGB24, [](int x, int y) { return (y / 10) % 2 ? kRed : kWhite; }));
    m_renderer.SetAutoRender(1);
    m_renderer.SetZoom(2.0);
    ViewBox before = m_renderer.GetView();
    m_renderer.RenderNow();
    before = m_renderer.GetView();
    m_renderer.Pan(30, 0, 1);
    EXPECT_EQ(before.x, m_renderer.GetView().x) << "nothing to pan across";
    // The narrow picture stands centred with white sides.
    EXPECT_EQ(kWhite, At(5, 50) | 0x070307);
    EXPECT_EQ(kWhite, At(kWindowW - 5, 50) | 0x070307);

    m_renderer.SetFitToScreen(1);
    m_renderer.RenderNow();
    before = m_renderer.GetView();
    m_renderer.Pan(0, 30, 1);
    EXPECT_EQ(before.y, m_renderer.GetView().y);
    m_renderer.SetAutoRender(0);
}

TEST_F(RendererPixels, MessageIsCentredOnWhite)
{
    m_renderer.SetBitmap(NULL);
    // With no picture and no message nothing is drawn.
    EXPECT_EQ(-1, m_renderer.Render());
    EXPECT_EQ(RGB(0, 0, 0), At(60, 50));

    m_renderer.SetMessage(L"Could not open file:\r\n 'a b'");
    EXPECT_EQ(-1, m_renderer.Render());
    int w, h;
    std::vector<COLORREF> pixels = ReadWindow(m_hwnd, &w, &h);
    int left = w, right = -1, top = h, bottom = -1, nWhite = 0, nDark = 0;
    std::vector<bool> rowInk(h, false);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
        {
            COLORREF c = pixels[(size_t)y * w + x];
            if ((c | 0x070307) == kWhite)
            {
                ++nWhite;
                continue;
            }
            // Black text, smoothed at its edges: greys only.
            EXPECT_TRUE(NearColour(c, RGB(GetGValue(c), GetGValue(c), GetGValue(c)))) << std::hex << c;
            if (GetGValue(c) < 64)
                ++nDark;
            rowInk[y] = true;
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
    ASSERT_GE(right, 0) << "no text drawn";
    EXPECT_GT(nDark, 20);
    EXPECT_GT(nWhite, w * h * 3 / 4);
    EXPECT_NEAR(left, w - 1 - right, 3) << "centred horizontally";
    EXPECT_NEAR(top, h - 1 - bottom, 6) << "centred vertically";
    // Two lines: a blank row between two inked bands.
    int bands = 0;
    for (int y = top; y <= bottom; ++y)
        if (rowInk[y] && (y == top || !rowInk[y - 1]))
            ++bands;
    EXPECT_EQ(2, bands);
    EXPECT_STREQ(L"Could not open file:\r\n 'a b'", m_renderer.GetMessageText());

    // A picture clears the message at its next render.
    Show(MakePicture(3, 2, PICTURE_RGB24, [](int x, int y) { return kSix[y * 3 + x]; }));
    EXPECT_EQ(0, m_renderer.Render());
    EXPECT_STREQ(L"", m_renderer.GetMessageText());
}

TEST_F(RendererPixels, RenderToA32BitTargetAndOnTheRenderThread)
{
    Show(MakePicture(3, 2, PICTURE_RGB24, [](int x, int y) { return kSix[y * 3 + x]; }));
    m_renderer.SetRotation(90);
    Surface32 target;
    ASSERT_TRUE(CreateSurface32(kWindowW, kWindowH, &target));
    ViewBox dest = {0, 0, kWindowW, kWindowH};
    m_renderer.RenderTo(target.hdc, dest);
    GdiFlush();
    const int x0 = (kWindowW - 2) / 2, y0 = (kWindowH - 3) / 2;
    // The top row (0, 1, 2) becomes the left column read from the bottom.
    EXPECT_TRUE(NearColour(kSix[0], Surface32Pixel(target, x0, y0 + 2)));
    EXPECT_TRUE(NearColour(kSix[1], Surface32Pixel(target, x0, y0 + 1)));
    EXPECT_TRUE(NearColour(kSix[2], Surface32Pixel(target, x0, y0)));
    EXPECT_TRUE(NearColour(kSix[5], Surface32Pixel(target, x0 + 1, y0)));
    EXPECT_EQ(kWhite, Surface32Pixel(target, 0, 0) | 0x070307);
    DestroySurface32(&target);

    // The same view drawn by the render thread.
    m_renderer.SetAutoRender(1);
    m_renderer.StartRendering();
    m_renderer.StopRendering();
    EXPECT_FALSE(m_renderer.IsRendering());
    EXPECT_TRUE(NearColour(kSix[0], At(x0, y0 + 2)));
    EXPECT_TRUE(NearColour(kSix[2], At(x0, y0)));
    m_renderer.SetAutoRender(0);
}

// Mirrors and turns straight into 32-bit targets: the mirror must cover the
// whole box without a shift (the read-back that tells a platform whose
// negative-extent convention differs).
TEST(BitmapTransform, MirrorsAndTurnsAt32Bits)
{
    const COLORREF rgFour[4] = {RGB(248, 0, 0), RGB(0, 248, 0), RGB(0, 0, 248), RGB(248, 248, 248)};
    HBITMAP hbmRow = MakePicture(4, 1, PICTURE_RGB24, [&](int x, int) { return rgFour[x]; });
    ASSERT_NE(nullptr, hbmRow);
    Surface32 s;
    ASSERT_TRUE(CreateSurface32(6, 4, &s));
    HDC hdcSrc = CreateCompatibleDC(s.hdc);
    HGDIOBJ hOld = SelectObject(hdcSrc, hbmRow);
    ViewBox d = {1, 0, 4, 1}, src = {0, 0, 4, 1};
    EXPECT_TRUE(StretchFlipped(s.hdc, d, hdcSrc, src, FLIP_LEFT_RIGHT));
    GdiFlush();
    EXPECT_EQ(0u, Surface32Pixel(s, 0, 0)) << "left of the box untouched";
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(rgFour[3 - i], Surface32Pixel(s, 1 + i, 0)) << i;
    EXPECT_EQ(0u, Surface32Pixel(s, 5, 0)) << "right of the box untouched";
    SelectObject(hdcSrc, hOld);
    DeleteDC(hdcSrc);

    // Turned 90 and 270 the row becomes a column, into a 32-bit result.
    ViewBox all = {0, 0, 4, 1};
    HBITMAP hbm90 = RotateBitmap(s.hdc, all, 90, hbmRow);
    HBITMAP hbm270 = RotateBitmap(s.hdc, all, 270, hbmRow);
    ASSERT_NE(nullptr, hbm90);
    ASSERT_NE(nullptr, hbm270);
    EXPECT_EQ(nullptr, RotateBitmap(s.hdc, all, 45, hbmRow));
    for (HBITMAP hbm : {hbm90, hbm270})
    {
        BITMAP bm;
        GetObjectW(hbm, sizeof(bm), &bm);
        EXPECT_EQ(1, bm.bmWidth);
        EXPECT_EQ(4, bm.bmHeight);
        EXPECT_EQ(32, bm.bmBitsPixel);
        HDC hdc = CreateCompatibleDC(s.hdc);
        HGDIOBJ hPrev = SelectObject(hdc, hbm);
        for (int i = 0; i < 4; ++i)
        {
            COLORREF expected = hbm == hbm90 ? rgFour[3 - i] : rgFour[i];
            EXPECT_EQ(expected, GetPixel(hdc, 0, i)) << (hbm == hbm90 ? "90 " : "270 ") << i;
        }
        SelectObject(hdc, hPrev);
        DeleteDC(hdc);
        DeleteObject(hbm);
    }
    DestroySurface32(&s);
    DeleteObject(hbmRow);
}
