// The renderer's view arithmetic, called directly.
#include <gtest/gtest.h>

#include "viewer/imaging/view_geometry.h"

namespace {

const int kClientW = 240, kClientH = 268;

ViewBox Box(int x, int y, int w, int h)
{
    ViewBox b = {x, y, w, h};
    return b;
}

void ExpectBox(const ViewBox& expected, const ViewBox& actual, const char* what)
{
    EXPECT_EQ(expected.x, actual.x) << what;
    EXPECT_EQ(expected.y, actual.y) << what;
    EXPECT_EQ(expected.width, actual.width) << what;
    EXPECT_EQ(expected.height, actual.height) << what;
}

} // namespace

TEST(ViewGeometry, FitAndFillZooms)
{
    EXPECT_DOUBLE_EQ(0.24, FitZoom(1000, 500, kClientW, kClientH, 0));
    EXPECT_DOUBLE_EQ(0.268, FitZoom(1000, 500, kClientW, kClientH, 90));
    EXPECT_DOUBLE_EQ(0.268, FitZoom(1000, 500, kClientW, kClientH, -90));
    EXPECT_DOUBLE_EQ(0.24, FitZoom(1000, 500, kClientW, kClientH, 180));
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

TEST(ViewGeometry, SmallPicturesAreCentred)
{
    const ViewBox picture = Box(0, 0, 100, 50);

    ViewBox dest = Box(0, 0, kClientW, kClientH), view = Box(0, 0, 0, 0);
    EXPECT_EQ(1, ComputeView(picture, &dest, &view, 0, 1.0));
    ExpectBox(Box(70, 109, 100, 50), dest, "zoom 1");
    ExpectBox(Box(0, 0, 100, 50), view, "zoom 1 view");

    dest = Box(0, 0, kClientW, kClientH);
    view = Box(5, 5, 0, 0);
    EXPECT_EQ(1, ComputeView(picture, &dest, &view, 0, 2.0));
    ExpectBox(Box(20, 84, 200, 100), dest, "zoom 2");
    ExpectBox(Box(0, 0, 100, 50), view, "zoom 2 view");

    // A quarter turn centres the picture standing up: 50 wide, 100 high.
    dest = Box(0, 0, kClientW, kClientH);
    view = Box(0, 0, 0, 0);
    EXPECT_EQ(1, ComputeView(picture, &dest, &view, 90, 1.0));
    ExpectBox(Box(95, 84, 50, 100), dest, "turned");

    // A destination box away from the origin keeps its offset.
    dest = Box(10, 20, kClientW, kClientH);
    EXPECT_EQ(1, ComputeView(picture, &dest, &view, 0, 1.0));
    ExpectBox(Box(80, 129, 100, 50), dest, "offset destination");
}

TEST(ViewGeometry, OriginsAreClampedInsideThePicture)
{
    const ViewBox picture = Box(0, 0, 1000, 800);
    ViewBox dest = Box(0, 0, kClientW, kClientH), view = Box(-30, -40, 0, 0);
    EXPECT_EQ(0, ComputeView(picture, &dest, &view, 0, 1.0));
    ExpectBox(Box(0, 0, kClientW, kClientH), view, "negative origin");
    ExpectBox(Box(0, 0, kClientW, kClientH), dest, "covered window");

    view = Box(990, 790, 0, 0);
    ComputeView(picture, &dest, &view, 0, 2.0);
    ExpectBox(Box(1000 - 120, 800 - 134, 120, 134), view, "far edge at zoom 2");

    // Turned, the window's height runs along the picture's width.
    dest = Box(0, 0, kClientW, kClientH);
    view = Box(990, 790, 0, 0);
    ComputeView(picture, &dest, &view, 270, 1.0);
    ExpectBox(Box(1000 - kClientH, 800 - kClientW, kClientH, kClientW), view, "turned far edge");
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

namespace {

// Where picture point (px, py) lands on the screen for view origin (ox, oy):
// mirrored in the picture's orientation, then turned counter-clockwise by
// the angle, then scaled. Constant offsets are left out; only differences
// are compared.
void ScreenOf(int px, int py, int ox, int oy, int angle, uint32_t flips, double zoom, double* psx, double* psy)
{
    double qx = px - ox, qy = py - oy;
    if (flips & FLIP_LEFT_RIGHT)
        qx = -qx;
    if (flips & FLIP_TOP_BOTTOM)
        qy = -qy;
    double sx = qx, sy = qy;
    switch (angle)
    {
    case 90: sx = qy; sy = -qx; break;
    case 180: sx = -qx; sy = -qy; break;
    case 270: sx = -qy; sy = qx; break;
    }
    *psx = sx * zoom;
    *psy = sy * zoom;
}

} // namespace

TEST(ViewGeometry, DragMovesThePictureWithTheStylusInEveryView)
{
    const int rgAngles[] = {0, 90, 180, 270};
    const uint32_t rgFlips[] = {0, FLIP_LEFT_RIGHT, FLIP_TOP_BOTTOM, FLIP_BOTH};
    const double rgZooms[] = {1.0, 2.0, 0.5};
    for (int angle : rgAngles)
        for (uint32_t flips : rgFlips)
            for (double zoom : rgZooms)
            {
                // Stylus travel of (+8, -6) screen pixels: the view origin
                // moves against it.
                const int tx = 8, ty = -6;
                int32_t dx = 0, dy = 0;
                ScreenToPictureDelta(-tx, -ty, zoom, angle, flips, &dx, &dy);
                double sx0, sy0, sx1, sy1;
                ScreenOf(500, 400, 300, 200, angle, flips, zoom, &sx0, &sy0);
                ScreenOf(500, 400, 300 + dx, 200 + dy, angle, flips, zoom, &sx1, &sy1);
                EXPECT_NEAR(tx, sx1 - sx0, zoom) << "angle " << angle << " flips " << flips << " zoom " << zoom;
                EXPECT_NEAR(ty, sy1 - sy0, zoom) << "angle " << angle << " flips " << flips << " zoom " << zoom;
            }

    // Dragging right by 10 at zoom 2 moves the origin 5 picture pixels left.
    int32_t dx = 0, dy = 0;
    ScreenToPictureDelta(-10, 0, 2.0, 0, 0, &dx, &dy);
    EXPECT_EQ(-5, dx);
    EXPECT_EQ(0, dy);
}

TEST(ViewGeometry, InitialOriginPositions)
{
    int32_t x, y;
    InitialOrigin(1000, 500, 1.0, kClientW, kClientH, 5, &x, &y);
    EXPECT_EQ(500 - 120, x);
    EXPECT_EQ(250 - 134, y);
    // 1000 is more than three screens wide: left and right centre on the
    // outer thirds.
    InitialOrigin(1000, 500, 1.0, kClientW, kClientH, 1, &x, &y);
    EXPECT_EQ((333 - 240) / 2, x);
    EXPECT_EQ(0, y);
    InitialOrigin(1000, 500, 1.0, kClientW, kClientH, 9, &x, &y);
    EXPECT_EQ(1000 - 240 - 46, x);
    EXPECT_EQ(500 - 268, y);
    InitialOrigin(600, 500, 1.0, kClientW, kClientH, 1, &x, &y);
    EXPECT_EQ(0, x) << "up to three screens wide shows the corner";
    // At zoom 2 the offsets are in screen pixels, halved into picture
    // pixels; 1000 screen pixels high is more than three screens.
    InitialOrigin(600, 500, 2.0, kClientW, kClientH, 6, &x, &y);
    EXPECT_EQ((600 - 120) / 2, x);
    EXPECT_EQ((1000 - 268 - (333 - 268) / 2) / 2, y);
    // A small picture centred gets a negative origin, left to the clamp.
    InitialOrigin(100, 50, 1.0, kClientW, kClientH, 5, &x, &y);
    EXPECT_EQ(-70, x);
    // Positions outside 1..9 count as 1.
    InitialOrigin(600, 500, 1.0, kClientW, kClientH, 0, &x, &y);
    EXPECT_EQ(0, x);
    EXPECT_EQ(0, y);
    InitialOrigin(600, 500, 1.0, kClientW, kClientH, 10, &x, &y);
    EXPECT_EQ(0, x);
}
