// Screen capture on the real main window and its capture windows.
#include <gtest/gtest.h>

#include <string>
#include <windows.h>

#include "../shell/registry_fixture.h"
#include "../shell/window_test_support.h"
#include "temp_folder.h"
#include "viewer/common/image_error.h"
#include "viewer/extras/raster_image.h"
#include "viewer/extras/screen_capture.h"
#include "viewer/resources/resource.h"
#include "viewer/shell/entry.h"
#include "viewer/common/main_window_data.h"
#include "viewer/common/settings.h"

namespace {

std::wstring CaptureName(const TempFolder& folder, int n)
{
    wchar_t sz[32];
    _snwprintf_s(sz, 32, _TRUNCATE, L"om%05d.bmp", n);
    return folder / sz;
}

class CaptureTest : public SettingsTest
{
protected:
    void SetUp() override
    {
        SettingsTest::SetUp();
        std::wstring folder = m_folder.Path();
        folder.pop_back(); // the setting has no trailing "\"
        SetScreenCaptureSaveFolder(folder.c_str());
        ASSERT_TRUE(InitInstance(GetModuleHandleW(NULL), SW_SHOW));
        m_pData = GetMainWindowData();
        PumpFor(50);
    }

    void TearDown() override
    {
        if (GetMainWindowData())
            DestroyWindow(GetMainWindowData()->hwndMain);
        PumpFor(20);
        SettingsTest::TearDown();
    }

    TempFolder m_folder;
    MainWindowData* m_pData = nullptr;
};

} // namespace

TEST_F(CaptureTest, NamesSkipExistingFilesAndNeverGoBack)
{
    for (int n : {0, 1})
        WriteWholeFile(CaptureName(m_folder, n), "kept");
    ASSERT_TRUE(CaptureScreen(m_pData));
    EXPECT_TRUE(FileExists(CaptureName(m_folder, 2)));
    ASSERT_TRUE(CaptureScreen(m_pData));
    EXPECT_TRUE(FileExists(CaptureName(m_folder, 3)));
    EXPECT_EQ("kept", ReadWholeFile(CaptureName(m_folder, 0)));
    EXPECT_EQ("kept", ReadWholeFile(CaptureName(m_folder, 1)));

    DeleteFileW(CaptureName(m_folder, 2).c_str());
    ASSERT_TRUE(CaptureScreen(m_pData));
    EXPECT_FALSE(FileExists(CaptureName(m_folder, 2))) << "a deleted name is not reused during the run";
    EXPECT_TRUE(FileExists(CaptureName(m_folder, 4)));
    EXPECT_EQ(5, m_pData->nCaptureCount);
}

TEST_F(CaptureTest, TheFileHoldsTheScreenAsTheScreenShowsIt)
{
    // A top-most window of four colour bands over the whole screen.
    const int cx = GetSystemMetrics(SM_CXSCREEN), cy = GetSystemMetrics(SM_CYSCREEN);
    HWND hwnd = CreateWindowExW(WS_EX_TOPMOST, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, cx, cy, NULL, NULL,
                                GetModuleHandleW(NULL), NULL);
    HDC hdc = GetDC(hwnd);
    const COLORREF rgBands[] = {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255), RGB(255, 255, 255)};
    for (int i = 0; i < 4; ++i)
    {
        RECT rc = {0, i * cy / 4, cx, (i + 1) * cy / 4};
        HBRUSH hbr = CreateSolidBrush(rgBands[i]);
        FillRect(hdc, &rc, hbr);
        DeleteObject(hbr);
    }
    ReleaseDC(hwnd, hdc);
    GdiFlush();
    PumpFor(100);

    ASSERT_TRUE(CaptureScreen(m_pData));
    std::string data = ReadWholeFile(CaptureName(m_folder, 0));
    const size_t stride = ((size_t)cx * 3 + 3) & ~(size_t)3;
    ASSERT_EQ(54 + stride * cy, data.size());

    HDC hdcScreen = GetDC(NULL);
    for (int i = 0; i < 4; ++i)
    {
        int y = i * cy / 4 + cy / 8;
        for (int x : {1, cx / 2, cx - 2})
        {
            COLORREF cr = GetPixel(hdcScreen, x, y);
            const BYTE* px = reinterpret_cast<const BYTE*>(data.data()) + 54 + (size_t)(cy - 1 - y) * stride + 3 * x;
            EXPECT_EQ(GetBValue(cr), px[0]) << x << "," << y;
            EXPECT_EQ(GetGValue(cr), px[1]) << x << "," << y;
            EXPECT_EQ(GetRValue(cr), px[2]) << x << "," << y;
        }
    }
    ReleaseDC(NULL, hdcScreen);
    DestroyWindow(hwnd);
}

TEST_F(CaptureTest, CaptureWindowCyclesThroughGrabNoticeAndReturn)
{
    SendMessageW(m_pData->hwndMain, WM_COMMAND, IDM_SCREEN_CAPTURE, 0);
    HWND hwndCap = m_pData->hwndCapture;
    ASSERT_NE(nullptr, hwndCap);
    EXPECT_TRUE(IsWindowVisible(hwndCap));
    RECT rc;
    GetWindowRect(hwndCap, &rc);
    EXPECT_EQ((GetSystemMetrics(SM_CXSCREEN) - (rc.right - rc.left)) / 2, rc.left);
    EXPECT_TRUE(GetWindowLongW(hwndCap, GWL_EXSTYLE) & WS_EX_TOPMOST);
    WCHAR szTitle[32];
    GetWindowTextW(hwndCap, szTitle, 32);
    EXPECT_STREQ(L"Screen Cap", szTitle);

    SendMessageW(hwndCap, WM_COMMAND, IDOK, 0);
    EXPECT_FALSE(IsWindowVisible(hwndCap));
    HWND hwndNotice = m_pData->hwndCaptureNotice;
    ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(hwndNotice); }, 2000)) << "no notice after the grab";
    EXPECT_TRUE(FileExists(CaptureName(m_folder, 0)));
    EXPECT_FALSE(IsWindowVisible(hwndCap));

    DWORD dwShown = GetTickCount();
    ASSERT_TRUE(PumpUntil([&] { return !IsWindowVisible(hwndNotice); }, 3000));
    EXPECT_GE(GetTickCount() - dwShown, 800u);
    ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(hwndCap) != FALSE; }, 3000)) << "capture window did not return";
}

TEST_F(CaptureTest, CloseBoxDestroysAndTheCommandMakesANewWindow)
{
    SendMessageW(m_pData->hwndMain, WM_COMMAND, IDM_SCREEN_CAPTURE, 0);
    HWND hwndFirst = m_pData->hwndCapture;
    SendMessageW(hwndFirst, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(hwndFirst));
    EXPECT_EQ(nullptr, m_pData->hwndCapture);
    SendMessageW(m_pData->hwndMain, WM_COMMAND, IDM_SCREEN_CAPTURE, 0);
    EXPECT_TRUE(IsWindow(m_pData->hwndCapture));
    EXPECT_TRUE(IsWindowVisible(m_pData->hwndCapture));

    // Exit destroys both windows.
    HWND hwndCap = m_pData->hwndCapture, hwndNotice = m_pData->hwndCaptureNotice;
    DestroyWindow(m_pData->hwndMain);
    EXPECT_FALSE(IsWindow(hwndCap));
    EXPECT_FALSE(IsWindow(hwndNotice));
}

TEST(SaveNewImage, NeverReplacesAFile)
{
    TempFolder folder;
    std::wstring path = folder.Write(L"om00000.bmp", std::string("first"));
    RasterImage* p = CreateImage(4, 4, 24, RIF_BOTTOM_UP);
    EXPECT_EQ(SAVE_IMAGE_EXISTS, SaveNewImage(p, path.c_str()));
    EXPECT_EQ("first", ReadWholeFile(path));
    EXPECT_EQ(1, CountFiles(folder.Path()));
    EXPECT_EQ(0, SaveNewImage(p, (folder / L"om00001.bmp").c_str()));
    FreeImage(p);
}
