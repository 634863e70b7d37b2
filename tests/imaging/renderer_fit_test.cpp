// Fit mode against a fixed zoom, on a window of the main window's client
// size, driven synchronously through RenderTo (no render thread).
#include <gtest/gtest.h>

#include <windows.h>

#include "test_pictures.h"
#include "viewer/imaging/renderer.h"

namespace {

const int kClientW = 240, kClientH = 268;

class RendererFit : public ::testing::Test
{
protected:
    void SetUp() override
    {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(NULL);
        wc.lpszClassName = L"RendererFitTest";
        RegisterClassW(&wc);
        m_hwnd = CreateWindowExW(0, L"RendererFitTest", L"", WS_POPUP, 0, 0, kClientW, kClientH, NULL, NULL,
                                 GetModuleHandleW(NULL), NULL);
        ASSERT_NE(nullptr, m_hwnd);
        RECT rc;
        GetClientRect(m_hwnd, &rc);
        ASSERT_EQ(kClientW, rc.right);
        ASSERT_EQ(kClientH, rc.bottom);
        m_renderer.SetWindow(m_hwnd);
        m_hbmTarget = MakeDib(kClientW, kClientH, 32);
        ASSERT_NE(nullptr, m_hbmTarget);
        m_hdcTarget = CreateCompatibleDC(NULL);
        m_hOld = SelectObject(m_hdcTarget, m_hbmTarget);
    }

    void TearDown() override
    {
        m_renderer.SetBitmap(NULL);
        if (m_hbm)
            DeleteObject(m_hbm);
        SelectObject(m_hdcTarget, m_hOld);
        DeleteDC(m_hdcTarget);
        DeleteObject(m_hbmTarget);
        DestroyWindow(m_hwnd);
    }

    // What the render thread does at each render, without the thread.
    void RenderOnce()
    {
        const ViewBox whole = {0, 0, kClientW, kClientH};
        m_renderer.RenderTo(m_hdcTarget, whole);
    }

    void Show(int w, int h)
    {
        m_hbm = MakePicture(w, h, 24, [](int, int) { return 0x0000F8u; });
        ASSERT_NE(nullptr, m_hbm);
        m_renderer.SetBitmap(m_hbm);
    }

    HWND m_hwnd = NULL;
    HBITMAP m_hbm = NULL;
    HBITMAP m_hbmTarget = NULL;
    HDC m_hdcTarget = NULL;
    HGDIOBJ m_hOld = NULL;
    CRenderer m_renderer;
};

} // namespace

// A 240 x 200 picture fits the 240 x 268 client at exactly 1.0, so turning
// fit off lands on the zoom it already has.
TEST_F(RendererFit, FitOffAtTheFittedZoomStaysOffThroughATurn)
{
    Show(240, 200);
    m_renderer.SetFitToScreen(1);
    // While fitting, a turn zooms to min(240 / 200, 268 / 240).
    ASSERT_EQ(1, m_renderer.SetRotation(90));
    RenderOnce();
    ASSERT_NEAR(268.0 / 240.0, m_renderer.GetZoom(), 1e-9);
    ASSERT_EQ(1, m_renderer.SetRotation(0));
    RenderOnce();
    ASSERT_EQ(1.0, m_renderer.GetZoom());

    m_renderer.ZoomOneToOne();
    EXPECT_EQ(0, m_renderer.GetFitToScreen());
    ASSERT_EQ(1, m_renderer.SetRotation(90));
    RenderOnce();
    EXPECT_EQ(1.0, m_renderer.GetZoom());
    EXPECT_EQ(0, m_renderer.GetFitToScreen());
}
