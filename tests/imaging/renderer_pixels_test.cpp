// The renderer's drawing read back from a real window on the test display
// and from 32-bit DIB sections, and its fit mode against a fixed zoom.
#include <gtest/gtest.h>
#include <windows.h>
#include <vector>

#include "tests/support/pictures.h"
#include "viewer/imaging/view/bitmap_transform.h"
#include "viewer/imaging/view/renderer.h"

namespace {

const int kWindowW = 120, kWindowH = 100;
const uint32_t kWhite = 0xFFFFFF, kRed = 0xF80000;
// A 3 x 2 picture of six distinct colours, exact in 5-5-5 and 5-6-5.
const uint32_t kSix[6] = {0xF80000, 0x00F800, 0x0000F8, 0xF8F800, 0xF800F8, 0x00F8F8};
uint32_t Six(int x, int y) { return kSix[y * 3 + x]; }
const DWORD kFlips[] = {0, FLIP_LEFT_RIGHT, FLIP_TOP_BOTTOM, FLIP_BOTH};
bool IsWhite(uint32_t c) { return (c | 0x070307) == kWhite; }

class RendererPixels : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_hwnd = MakeTestWindow(kWindowW, kWindowH, true);
        ASSERT_NE(nullptr, m_hwnd);
        m_renderer.SetWindow(m_hwnd);
        FillWindow();
    }
    void TearDown() override
    {
        m_renderer.SetBitmap(NULL);
        DeleteObject(m_hbm);
        DestroyWindow(m_hwnd);
    }

    void Show(HBITMAP hbm)
    {
        m_renderer.SetBitmap(hbm);
        DeleteObject(m_hbm);
        m_hbm = hbm;
    }
    void FillWindow()
    {
        HDC hdc = GetDC(m_hwnd);
        RECT rc = {0, 0, kWindowW, kWindowH};
        FillRect(hdc, &rc, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        ReleaseDC(m_hwnd, hdc);
    }
    // Centre of the red pixels on the window; false when there are none.
    bool RedCentre(double* px, double* py)
    {
        int w, h, n = 0;
        std::vector<uint32_t> pixels = ReadWindow(m_hwnd, &w, &h);
        *px = *py = 0;
        for (int i = 0; i < w * h; ++i)
            if (Near(pixels[i], kRed, 8))
                *px += i % w, *py += i / w, ++n;
        *px /= n, *py /= n;
        return n > 0;
    }

    HWND m_hwnd = NULL;
    HBITMAP m_hbm = NULL;
    CRenderer m_renderer;
};

} // namespace

// Picture pixel (i, r) lands where mirroring in the picture's orientation,
// then turning counter-clockwise, puts it; the margins are white.
TEST_F(RendererPixels, TurnsAndMirrorsOfASmallPictureAtEachZoom)
{
    for (int bits : {24, 16, 32})
        for (int s : {1, 2})
            for (int angle : {0, 90, 180, 270})
                for (DWORD flips : kFlips)
                {
                    Show(MakePicture(3, 2, bits, Six));
                    m_renderer.SetZoom(s);
                    m_renderer.SetRotation(angle);
                    m_renderer.SetFlip(flips);
                    m_renderer.SetHighQuality(s != 1);
                    FillWindow();
                    ASSERT_EQ(0, m_renderer.Render());
                    int w, h;
                    std::vector<uint32_t> pixels = ReadWindow(m_hwnd, &w, &h);
                    const bool quarter = angle == 90 || angle == 270;
                    const int cw = (quarter ? 2 : 3) * s, ch = (quarter ? 3 : 2) * s;
                    const int x0 = (kWindowW - cw) / 2, y0 = (kWindowH - ch) / 2;
                    SCOPED_TRACE(testing::Message() << bits << " bits, zoom " << s << ", angle " << angle << ", flips "
                                                    << flips);
                    for (int r = 0; r < 2; ++r)
                        for (int i = 0; i < 3; ++i)
                        {
                            const int mi = flips & FLIP_LEFT_RIGHT ? 2 - i : i, mr = flips & FLIP_TOP_BOTTOM ? 1 - r : r;
                            const int tx = angle == 90 ? mr : angle == 180 ? 2 - mi : angle == 270 ? 1 - mr : mi;
                            const int ty = angle == 90 ? 2 - mi : angle == 180 ? 1 - mr : angle == 270 ? mi : mr;
                            for (int k = 0; k < s * s; ++k)
                                EXPECT_TRUE(Near(Six(i, r), pixels[(size_t)(y0 + ty * s + k / s) * w + x0 + tx * s + k % s], 8))
                                    << "pixel " << i << "," << r;
                        }
                    EXPECT_TRUE(IsWhite(pixels[0]));
                    EXPECT_TRUE(IsWhite(pixels[(size_t)y0 * w + x0 - 1])) << "left of the picture";
                    EXPECT_TRUE(IsWhite(pixels[(size_t)(y0 + ch) * w + x0])) << "below the picture";
                }
}

// A red mark in the middle of a white picture: a drag moves it with the
// stylus, and a zoom keeps it in the middle, on turned views too.
TEST_F(RendererPixels, StylusDragAndZoomOnTurnedViews)
{
    Show(MakePicture(300, 300, 24, [](int x, int y) { return (x >= 150 && x < 154 && y >= 150 && y < 154) ? kRed : kWhite; }));
    for (double zoom : {1.0, 2.0})
        for (int angle : {0, 90, 180, 270})
            for (DWORD flips : kFlips)
            {
                SCOPED_TRACE(testing::Message() << "zoom " << zoom << " angle " << angle << " flips " << flips);
                m_renderer.SetAutoRender(0);
                m_renderer.SetZoom(zoom);
                m_renderer.SetRotation(angle);
                m_renderer.SetFlip(flips);
                const bool quarter = angle == 90 || angle == 270;
                const int vw = (int)((quarter ? kWindowH : kWindowW) / zoom);
                const int vh = (int)((quarter ? kWindowW : kWindowH) / zoom);
                m_renderer.SetInitialOrigin(152 - vw / 2, 152 - vh / 2);
                m_renderer.SetBitmap(m_hbm);
                ASSERT_EQ(0, m_renderer.Render());
                double x0, y0, x1, y1;
                ASSERT_TRUE(RedCentre(&x0, &y0));
                m_renderer.Zoom(zoom * 2);
                ASSERT_EQ(0, m_renderer.Render());
                ASSERT_TRUE(RedCentre(&x1, &y1));
                EXPECT_NEAR(x0, x1, 4.5) << "the zoom kept the centre";
                EXPECT_NEAR(y0, y1, 4.5) << "the zoom kept the centre";
                m_renderer.Zoom(zoom);
                ASSERT_EQ(0, m_renderer.Render());
                ASSERT_TRUE(RedCentre(&x0, &y0));
                m_renderer.SetAutoRender(1);
                m_renderer.SetDragAnchor(50, 50, 0);
                m_renderer.Pan(60, 56, 0);
                ASSERT_TRUE(RedCentre(&x1, &y1));
                EXPECT_NEAR(10.0, x1 - x0, 0.6);
                EXPECT_NEAR(6.0, y1 - y0, 0.6);
            }
    m_renderer.SetAutoRender(0);
}

// A 240 x 200 picture fits the 240 x 268 client at exactly 1.0: turning fit
// off lands on the zoom it already has, and a turn must not fit it again.
TEST(RendererFit, FitOffAtTheFittedZoomStaysOffThroughATurn)
{
    const int kClientW = 240, kClientH = 268;
    HWND hwnd = MakeTestWindow(kClientW, kClientH, false);
    RECT rc = {};
    GetClientRect(hwnd, &rc);
    ASSERT_TRUE(rc.right == kClientW && rc.bottom == kClientH);
    HBITMAP hbm = MakePicture(240, 200, 24, [](int, int) { return 0x0000F8u; });
    MemoryCanvas target(kClientW, kClientH);
    ASSERT_TRUE(hbm && target.Ok());
    CRenderer renderer;
    renderer.SetWindow(hwnd);
    renderer.SetBitmap(hbm);
    renderer.SetFitToScreen(1);
    auto turn = [&](int angle) {
        EXPECT_EQ(1, renderer.SetRotation(angle));
        renderer.RenderTo(target.hdc, ViewBox{0, 0, kClientW, kClientH});
        return renderer.GetZoom();
    };
    EXPECT_NEAR(268.0 / 240.0, turn(90), 1e-9);
    EXPECT_EQ(1.0, turn(0));

    renderer.ZoomOneToOne();
    EXPECT_EQ(0, renderer.GetFitToScreen());
    EXPECT_EQ(1.0, turn(90));
    EXPECT_EQ(0, renderer.GetFitToScreen());

    renderer.SetBitmap(NULL);
    DeleteObject(hbm);
    DestroyWindow(hwnd);
}
