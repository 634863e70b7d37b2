// The renderer's drawing read back from a real window on the test display
// (16 bits per pixel) and from 32-bit DIB section targets.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <vector>

#include "tests/imaging/test_pictures.h"
#include "viewer/imaging/bitmap_transform.h"
#include "viewer/imaging/renderer.h"

namespace {

const int kWindowW = 120, kWindowH = 100;
const uint32_t kWhite = 0xFFFFFF, kBlack = 0, kRed = 0xF80000;
// A 3 x 2 picture of six distinct colours, exact in 5-5-5 and 5-6-5.
const uint32_t kSix[6] = {0xF80000, 0x00F800, 0x0000F8, 0xF8F800, 0xF800F8, 0x00F8F8};
uint32_t Six(int x, int y) { return kSix[y * 3 + x]; }
const DWORD kFlips[] = {0, FLIP_LEFT_RIGHT, FLIP_TOP_BOTTOM, FLIP_BOTH};
bool IsWhite(uint32_t c) { return (c | 0x070307) == kWhite; }

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
        m_hwnd = CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP | WS_VISIBLE, 0, 0, kWindowW, kWindowH, NULL, NULL,
                                 wc.hInstance, NULL);
        ASSERT_NE(nullptr, m_hwnd);
        m_renderer.SetWindow(m_hwnd);
        FillWindow();
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

    void FillWindow()
    {
        HDC hdc = GetDC(m_hwnd);
        RECT rc = {0, 0, kWindowW, kWindowH};
        FillRect(hdc, &rc, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        ReleaseDC(m_hwnd, hdc);
    }

    uint32_t At(int x, int y)
    {
        int w, h;
        std::vector<uint32_t> pixels = ReadWindow(m_hwnd, &w, &h);
        return pixels[(size_t)y * w + x];
    }

    // Centre of the red pixels on the window; false when there are none.
    bool RedCentre(double* px, double* py)
    {
        int w, h, n = 0;
        std::vector<uint32_t> pixels = ReadWindow(m_hwnd, &w, &h);
        double sx = 0, sy = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if (Near(pixels[(size_t)y * w + x], kRed, 8))
                {
                    sx += x;
                    sy += y;
                    ++n;
                }
        *px = n ? sx / n : 0;
        *py = n ? sy / n : 0;
        return n > 0;
    }

    HWND m_hwnd = NULL;
    HBITMAP m_hbm = NULL;
    CRenderer m_renderer;
};

} // namespace

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
                            int tx, ty;
                            Place(i, r, 3, 2, angle, flips, &tx, &ty);
                            for (int k = 0; k < s * s; ++k)
                                EXPECT_TRUE(Near(Six(i, r), pixels[(size_t)(y0 + ty * s + k / s) * w + x0 + tx * s + k % s], 8))
                                    << "pixel " << i << "," << r;
                        }
                    // The margins around the picture are white.
                    EXPECT_TRUE(IsWhite(pixels[0]));
                    EXPECT_TRUE(IsWhite(pixels[(size_t)y0 * w + x0 - 1])) << "left of the picture";
                    EXPECT_TRUE(IsWhite(pixels[(size_t)(y0 + ch) * w + x0])) << "below the picture";
                }
}

TEST_F(RendererPixels, QualityPassRunsOnlyWhenZoomedAndNotPanning)
{
    // One-pixel black and white columns: the fast pass at zoom 0.5 keeps
    // one of the two, the area average makes them grey.
    Show(MakePicture(600, 400, 24, [](int x, int) { return x % 2 ? kWhite : kBlack; }));
    auto sharp = [&] { const uint32_t c = At(60, 50); return c == kWhite || c == kBlack; };
    auto grey = [&] { return Near(At(60, 50), 0x808080, 12); };
    m_renderer.SetHighQuality(1);
    m_renderer.SetAutoRender(1);
    m_renderer.SetZoom(1.0);
    m_renderer.RenderNow();
    RenderPassCounts counts = m_renderer.GetPassCounts();
    EXPECT_EQ(0, counts.nQuality) << "no resampling at zoom 1.0";
    EXPECT_TRUE(sharp());

    m_renderer.SetAutoRender(0);
    m_renderer.SetZoom(0.5);
    m_renderer.SetAutoRender(1);
    m_renderer.RenderNow();
    EXPECT_EQ(counts.nFast + 1, m_renderer.GetPassCounts().nFast);
    EXPECT_EQ(1, m_renderer.GetPassCounts().nQuality);
    EXPECT_TRUE(grey()) << "resampled to grey";

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
    EXPECT_TRUE(sharp());
    m_renderer.RenderNow();
    EXPECT_EQ(counts.nQuality + 1, m_renderer.GetPassCounts().nQuality);
    EXPECT_TRUE(grey());
    m_renderer.SetAutoRender(0);
}

TEST_F(RendererPixels, StylusDragMovesThePictureWithTheStylus)
{
    // A red 4 x 4 mark at (150, 150) of a white 300 x 300 picture.
    Show(MakePicture(300, 300, 24, [](int x, int y) {
        return (x >= 150 && x < 154 && y >= 150 && y < 154) ? kRed : kWhite;
    }));
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

                m_renderer.SetAutoRender(1);
                m_renderer.SetDragAnchor(50, 50, 0);
                m_renderer.Pan(60, 56, 0);
                ASSERT_TRUE(RedCentre(&x1, &y1));
                EXPECT_NEAR(10.0, x1 - x0, 0.6);
                EXPECT_NEAR(6.0, y1 - y0, 0.6);
            }
    m_renderer.SetAutoRender(0);
}

TEST_F(RendererPixels, PanIsIgnoredInFitModeAndAcrossANarrowPicture)
{
    Show(MakePicture(30, 300, 24, [](int, int y) { return (y / 10) % 2 ? kRed : kWhite; }));
    m_renderer.SetAutoRender(1);
    m_renderer.SetZoom(2.0);
    m_renderer.RenderNow();
    ViewBox before = m_renderer.GetView();
    m_renderer.Pan(30, 0, 1);
    EXPECT_EQ(before.x, m_renderer.GetView().x) << "nothing to pan across";
    // The narrow picture stands centred with white sides.
    EXPECT_TRUE(IsWhite(At(5, 50)));
    EXPECT_TRUE(IsWhite(At(kWindowW - 5, 50)));

    m_renderer.SetFitToScreen(1);
    m_renderer.RenderNow();
    before = m_renderer.GetView();
    m_renderer.Pan(0, 30, 1);
    EXPECT_EQ(before.y, m_renderer.GetView().y);
    m_renderer.SetAutoRender(0);
}

TEST_F(RendererPixels, MessageIsCentredOnWhiteUntilAPictureComes)
{
    m_renderer.SetBitmap(NULL);
    EXPECT_EQ(-1, m_renderer.Render());
    EXPECT_EQ(kBlack, At(60, 50)) << "no picture and no message: nothing drawn";

    m_renderer.SetMessage(L"Could not open file:\r\n 'a b'");
    EXPECT_EQ(-1, m_renderer.Render());
    int w, h;
    std::vector<uint32_t> pixels = ReadWindow(m_hwnd, &w, &h);
    int left = w, right = -1, top = h, bottom = -1, bands = 0;
    bool bInkAbove = false;
    for (int y = 0; y < h; ++y)
    {
        bool bInk = false;
        for (int x = 0; x < w; ++x)
            if (!IsWhite(pixels[(size_t)y * w + x]))
            {
                bInk = true;
                left = std::min(left, x);
                right = std::max(right, x);
            }
        if (bInk)
        {
            top = std::min(top, y);
            bottom = y;
        }
        bands += bInk && !bInkAbove;
        bInkAbove = bInk;
    }
    ASSERT_GE(right, 0) << "no text drawn";
    EXPECT_NEAR(left, w - 1 - right, 3) << "centred horizontally";
    EXPECT_NEAR(top, h - 1 - bottom, 6) << "centred vertically";
    EXPECT_EQ(2, bands) << "two lines";

    Show(MakePicture(3, 2, 24, Six));
    EXPECT_EQ(0, m_renderer.Render());
    EXPECT_STREQ(L"", m_renderer.GetMessageText());
}

TEST_F(RendererPixels, RenderToA32BitTargetAndOnTheRenderThread)
{
    Show(MakePicture(3, 2, 24, Six));
    m_renderer.SetRotation(90);
    HBITMAP hbmTarget = MakeDib(kWindowW, kWindowH, 32);
    HDC hdc = CreateCompatibleDC(NULL);
    HGDIOBJ hOld = SelectObject(hdc, hbmTarget);
    m_renderer.RenderTo(hdc, ViewBox{0, 0, kWindowW, kWindowH});
    SelectObject(hdc, hOld);
    DeleteDC(hdc);
    GdiFlush();
    const int x0 = (kWindowW - 2) / 2, y0 = (kWindowH - 3) / 2;
    // The top row (0, 1, 2) becomes the left column read from the bottom.
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(Near(Six(i, 0), PixelAt(hbmTarget, x0, y0 + 2 - i), 8)) << i;
    EXPECT_TRUE(Near(Six(2, 1), PixelAt(hbmTarget, x0 + 1, y0), 8));
    EXPECT_TRUE(IsWhite(PixelAt(hbmTarget, 0, 0)));
    DeleteObject(hbmTarget);

    // The same view drawn by the render thread.
    m_renderer.SetAutoRender(1);
    m_renderer.StartRendering();
    m_renderer.StopRendering();
    EXPECT_FALSE(m_renderer.IsRendering());
    EXPECT_TRUE(Near(Six(0, 0), At(x0, y0 + 2), 8));
    EXPECT_TRUE(Near(Six(2, 0), At(x0, y0), 8));
    m_renderer.SetAutoRender(0);
}

// The mirror must cover the whole box without a shift: this read-back tells
// a platform whose negative-extent convention differs from Wine's.
TEST(BitmapTransform, MirrorsAndTurnsAt32Bits)
{
    const uint32_t four[4] = {0xF80000, 0x00F800, 0x0000F8, 0xF8F8F8};
    HBITMAP hbmRow = MakePicture(4, 1, 24, [&](int x, int) { return four[x]; });
    HBITMAP hbmTarget = MakeDib(6, 4, 32);
    HDC hdc = CreateCompatibleDC(NULL), hdcSrc = CreateCompatibleDC(NULL);
    HGDIOBJ hOld = SelectObject(hdc, hbmTarget), hOldSrc = SelectObject(hdcSrc, hbmRow);
    EXPECT_TRUE(StretchFlipped(hdc, ViewBox{1, 0, 4, 1}, hdcSrc, ViewBox{0, 0, 4, 1}, FLIP_LEFT_RIGHT));
    SelectObject(hdcSrc, hOldSrc);
    DeleteDC(hdcSrc);
    GdiFlush();
    EXPECT_EQ(0u, PixelAt(hbmTarget, 0, 0)) << "left of the box untouched";
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(four[3 - i], PixelAt(hbmTarget, 1 + i, 0)) << i;
    EXPECT_EQ(0u, PixelAt(hbmTarget, 5, 0)) << "right of the box untouched";

    // Turned 90 and 270 the row becomes a column, into a 32-bit result.
    const ViewBox all = {0, 0, 4, 1};
    EXPECT_EQ(nullptr, RotateBitmap(hdc, all, 45, hbmRow));
    for (int angle : {90, 270})
    {
        HBITMAP hbm = RotateBitmap(hdc, all, angle, hbmRow);
        ASSERT_NE(nullptr, hbm);
        BITMAP bm;
        GetObjectW(hbm, sizeof(bm), &bm);
        EXPECT_EQ(1, bm.bmWidth);
        EXPECT_EQ(4, bm.bmHeight);
        EXPECT_EQ(32, bm.bmBitsPixel);
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(angle == 90 ? four[3 - i] : four[i], PixelAt(hbm, 0, i)) << angle << " " << i;
        DeleteObject(hbm);
    }
    SelectObject(hdc, hOld);
    DeleteDC(hdc);
    DeleteObject(hbmTarget);
    DeleteObject(hbmRow);
}
