// Fit mode against a fixed zoom, on a window of the main window's client
// size, driven synchronously through RenderTo (no render thread).
#include <gtest/gtest.h>

#include <windows.h>

#include "test_pictures.h"
#include "viewer/imaging/view/renderer.h"

// A 240 x 200 picture fits the 240 x 268 client at exactly 1.0, so turning
// fit off lands on the zoom it already has.
TEST(RendererFit, FitOffAtTheFittedZoomStaysOffThroughATurn)
{
    const int kClientW = 240, kClientH = 268;
    HWND hwnd = MakeTestWindow(kClientW, kClientH, false);
    RECT rc = {};
    GetClientRect(hwnd, &rc);
    ASSERT_TRUE(rc.right == kClientW && rc.bottom == kClientH);
    HBITMAP hbm = MakePicture(240, 200, 24, [](int, int) { return 0x0000F8u; });
    HBITMAP hbmTarget = MakeDib(kClientW, kClientH, 32);
    ASSERT_TRUE(hbm && hbmTarget);
    HDC hdcTarget = CreateCompatibleDC(NULL);
    HGDIOBJ hOld = SelectObject(hdcTarget, hbmTarget);
    CRenderer renderer;
    renderer.SetWindow(hwnd);
    renderer.SetBitmap(hbm);
    renderer.SetFitToScreen(1);
    // What the render thread does at each render, without the thread.
    auto turn = [&](int angle) {
        EXPECT_EQ(1, renderer.SetRotation(angle));
        renderer.RenderTo(hdcTarget, ViewBox{0, 0, kClientW, kClientH});
        return renderer.GetZoom();
    };
    // While fitting, a turn zooms to min(240 / 200, 268 / 240).
    EXPECT_NEAR(268.0 / 240.0, turn(90), 1e-9);
    EXPECT_EQ(1.0, turn(0));

    renderer.ZoomOneToOne();
    EXPECT_EQ(0, renderer.GetFitToScreen());
    EXPECT_EQ(1.0, turn(90));
    EXPECT_EQ(0, renderer.GetFitToScreen());

    renderer.SetBitmap(NULL);
    SelectObject(hdcTarget, hOld);
    DeleteDC(hdcTarget);
    DeleteObject(hbmTarget);
    DeleteObject(hbm);
    DestroyWindow(hwnd);
}
