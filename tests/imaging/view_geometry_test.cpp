// The renderer's view arithmetic, called directly.
#include <gtest/gtest.h>

#include "viewer/imaging/view_geometry.h"

namespace {

const int kClientW = 240, kClientH = 268;

ViewBox Box(int x, int y, int w, int h) { return ViewBox{x, y, w, h}; }

void ExpectBox(const ViewBox& expected, const ViewBox& actual, const char* what)
{
    EXPECT_TRUE(expected.x == actual.x && expected.y == actual.y && expected.width == actual.width &&
                expected.height == actual.height)
        << what << ": " << actual.x << "," << actual.y << " " << actual.width << "x" << actual.height;
}

} // namespace

TEST(ViewGeometry, FitAndFillZooms)
{
    EXPECT_DOUBLE_EQ(0.24, FitZoom(1000, 500, kClientW, kClientH, 0));
    EXPECT_DOUBLE_EQ(0.268, FitZoom(1000, 500, kClientW, kClientH, 90));
    EXPECT_DOUBLE_EQ(0.536, FillZoom(1000, 500, kClientW, kClientH));
    EXPECT_EQ(0.0, FitZoom(0, 500, kClientW, kClientH, 0));
    EXPECT_EQ(0.0, FillZoom(1000, 0, kClientW, kClientH));
    EXPECT_DOUBLE_EQ(1.0 / 300, SmallestZoom(400, 300));
}

TEST(ViewGeometry, ZoomStepSequences)
{
    const double rgIn[] = {1.5, 2.0, 2.5, 3.0, 3.5, 4.5, 5.5};
    double z = 1.0;
    for (double expected : rgIn)
    {
        z = ZoomInStep(1000, 500, z);
        EXPECT_DOUBLE_EQ(expected, z);
    }
    const double rgOut[] = {2.5, 2.0, 1.5, 1.35, 1.215};
    z = 3.5;
    for (double expected : rgOut)
    {
        z = ZoomOutStep(1000, 500, z);
        EXPECT_NEAR(expected, z, 1e-12);
    }
    // Below 1.0 the steps are factors of the picture's larger side.
    EXPECT_NEAR(0.5 * 1.11, ZoomInStep(1000, 500, 0.5), 1e-12);
    EXPECT_NEAR(0.054, ZoomOutStep(1000, 500, 0.06), 1e-12);
    EXPECT_DOUBLE_EQ(0.05, ZoomOutStep(1000, 500, 0.055));
    z = 1.0;
    for (int i = 0; i < 100; ++i)
        z = ZoomOutStep(1000, 500, z);
    EXPECT_DOUBLE_EQ(0.05, z);
    // The larger side never shrinks below one pixel.
    EXPECT_DOUBLE_EQ(0.1, StepZoom(10, 8, 0.1, 0.9));
    EXPECT_DOUBLE_EQ(0.5 * 0.9, StepZoom(0, 0, 0.5, 0.9));
}

// Small pictures are centred in the destination (turned ones standing up,
// an offset destination keeping its offset); large ones cover it, with the
// origin clamped inside the picture (turned, the window's height runs along
// the picture's width).
TEST(ViewGeometry, ComputeViewCentresOrClamps)
{
    const ViewBox small = Box(0, 0, 100, 50), large = Box(0, 0, 1000, 800), window = Box(0, 0, kClientW, kClientH);
    const struct
    {
        const char* what;
        ViewBox picture, dest, view;
        int angle;
        double zoom;
        int result;
        ViewBox wantDest, wantView;
    } cases[] = {
        {"zoom 1", small, window, Box(0, 0, 0, 0), 0, 1.0, 1, Box(70, 109, 100, 50), Box(0, 0, 100, 50)},
        {"zoom 2", small, window, Box(5, 5, 0, 0), 0, 2.0, 1, Box(20, 84, 200, 100), Box(0, 0, 100, 50)},
        {"turned", small, window, Box(0, 0, 0, 0), 90, 1.0, 1, Box(95, 84, 50, 100), Box(0, 0, 100, 50)},
        {"offset destination", small, Box(10, 20, kClientW, kClientH), Box(0, 0, 0, 0), 0, 1.0, 1,
         Box(80, 129, 100, 50), Box(0, 0, 100, 50)},
        {"negative origin", large, window, Box(-30, -40, 0, 0), 0, 1.0, 0, window, window},
        {"far edge at zoom 2", large, window, Box(990, 790, 0, 0), 0, 2.0, 0, window,
         Box(1000 - 120, 800 - 134, 120, 134)},
        {"turned far edge", large, window, Box(990, 790, 0, 0), 270, 1.0, 0, window,
         Box(1000 - kClientH, 800 - kClientW, kClientH, kClientW)},
    };
    for (const auto& c : cases)
    {
        ViewBox dest = c.dest, view = c.view;
        EXPECT_EQ(c.result, ComputeView(c.picture, &dest, &view, c.angle, c.zoom)) << c.what;
        ExpectBox(c.wantDest, dest, c.what);
        ExpectBox(c.wantView, view, c.what);
    }
}

TEST(ViewGeometry, ZoomKeepsTheCentre)
{
    int32_t x = -1, y = -1;
    ZoomOrigin(Box(100, 100, 240, 268), kClientW, kClientH, 2.0, &x, &y);
    EXPECT_EQ(220 - 60, x);
    EXPECT_EQ(234 - 67, y);
    ZoomOrigin(Box(0, 0, 240, 268), kClientW, kClientH, 0.5, &x, &y);
    EXPECT_EQ(0, x) << "never below 0";
    EXPECT_EQ(0, y);
}

TEST(ViewGeometry, InitialOriginPositions)
{
    // Beyond three screens the left and right positions centre on the outer
    // thirds; up to three screens they show the corner. At zoom 2 the offsets
    // are in screen pixels, halved into picture pixels. A small picture
    // centred gets a negative origin, left to the clamp. Positions outside
    // 1..9 count as 1.
    const struct
    {
        int w, h;
        double zoom;
        int position;
        int32_t x, y;
    } cases[] = {
        {1000, 500, 1.0, 5, 500 - 120, 250 - 134},
        {1000, 500, 1.0, 1, (333 - 240) / 2, 0},
        {1000, 500, 1.0, 9, 1000 - 240 - 46, 500 - 268},
        {600, 500, 1.0, 1, 0, 0},
        {600, 500, 2.0, 6, (600 - 120) / 2, (1000 - 268 - (333 - 268) / 2) / 2},
        {100, 50, 1.0, 5, -70, -109},
        {600, 500, 1.0, 0, 0, 0},
        {600, 500, 1.0, 10, 0, 0},
    };
    for (const auto& c : cases)
    {
        int32_t x = -1, y = -1;
        InitialOrigin(c.w, c.h, c.zoom, kClientW, kClientH, c.position, &x, &y);
        EXPECT_EQ(c.x, x) << c.w << "x" << c.h << " zoom " << c.zoom << " position " << c.position;
        EXPECT_EQ(c.y, y) << c.w << "x" << c.h << " zoom " << c.zoom << " position " << c.position;
    }
}
