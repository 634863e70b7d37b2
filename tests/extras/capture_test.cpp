// Screen capture on the real main window and its capture windows.
#include <gtest/gtest.h>
#include <string>
#include <windows.h>

#include "tests/support/registry_fixture.h"
#include "tests/support/window_helpers.h"
#include "tests/support/files.h"
#include "viewer/common/image_error.h"
#include "viewer/common/main_window_data.h"
#include "viewer/common/settings.h"
#include "viewer/extras/imagefile/raster_image.h"
#include "viewer/extras/capture/screen_capture.h"
#include "viewer/resources/resource.h"
#include "viewer/shell/entry.h"

namespace {

class CaptureTest : public SettingsTest
{
protected:
    void SetUp() override
    {
        SettingsTest::SetUp();
        SetScreenCaptureSaveFolder(m_folder.Path().substr(0, m_folder.Path().size() - 1).c_str());
        ASSERT_TRUE(InitInstance(GetModuleHandleW(NULL), SW_SHOW));
        m_pData = GetMainWindowData();
        PumpFor(50);
    }
    void TearDown() override
    {
        if (GetMainWindowData())
            DestroyWindow(GetMainWindowData()->hwndMain);
        SettingsTest::TearDown();
    }
    std::wstring Name(int n) const { return m_folder / (L"om0000" + std::to_wstring(n) + L".bmp"); }
    HWND OpenCaptureWindow()
    {
        SendMessageW(m_pData->hwndMain, WM_COMMAND, IDM_SCREEN_CAPTURE, 0);
        return m_pData->hwndCapture;
    }

    TempFolder m_folder;
    MainWindowData* m_pData = nullptr;
};

} // namespace

// The file holds the screen as it shows; names skip files that exist and
// never go back to a name deleted meanwhile.
TEST_F(CaptureTest, NamesSkipExistingFilesAndTheFileHoldsTheScreen)
{
    const int cx = GetSystemMetrics(SM_CXSCREEN), cy = GetSystemMetrics(SM_CYSCREEN);
    HWND hwnd = CreateWindowExW(WS_EX_TOPMOST, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, cx, cy, NULL, NULL, NULL, NULL);
    HDC hdc = GetDC(hwnd);
    for (RECT rc : {RECT{0, 0, cx, cy / 2}, RECT{0, cy / 2, cx, cy}})
    {
        SetDCBrushColor(hdc, rc.top ? RGB(0, 0, 255) : RGB(255, 0, 0));
        FillRect(hdc, &rc, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
    }
    ReleaseDC(hwnd, hdc);
    PumpFor(100);
    WriteWholeFile(Name(0), "kept");
    WriteWholeFile(Name(1), "kept");
    ASSERT_TRUE(CaptureScreen(m_pData));
    const std::string data = ReadWholeFile(Name(2));
    const size_t stride = ((size_t)cx * 3 + 3) & ~(size_t)3;
    ASSERT_EQ(54 + stride * cy, data.size());
    HDC hdcScreen = GetDC(NULL);
    for (POINT pt : {POINT{1, 1}, POINT{cx / 2, cy / 4}, POINT{cx - 2, cy - 2}})
    {
        const BYTE* px = reinterpret_cast<const BYTE*>(data.data()) + 54 + (cy - 1 - pt.y) * stride + 3 * pt.x;
        EXPECT_EQ(GetPixel(hdcScreen, pt.x, pt.y), RGB(px[2], px[1], px[0])) << pt.x << "," << pt.y;
    }
    ReleaseDC(NULL, hdcScreen);
    DestroyWindow(hwnd);
    ASSERT_TRUE(CaptureScreen(m_pData));
    EXPECT_TRUE(FileExists(Name(3)));
    EXPECT_EQ("keptkept", ReadWholeFile(Name(0)) + ReadWholeFile(Name(1)));
    DeleteFileW(Name(2).c_str());
    ASSERT_TRUE(CaptureScreen(m_pData));
    EXPECT_FALSE(FileExists(Name(2))) << "a deleted name is not reused during the run";
    EXPECT_TRUE(FileExists(Name(4)));
    EXPECT_EQ(5, m_pData->nCaptureCount);
}

// The window grabs, hides for the notice (shown at least 800 ms) and comes
// back; the close box destroys the window.
TEST_F(CaptureTest, CaptureWindowCyclesThroughGrabNoticeAndReturn)
{
    HWND hwndCap = OpenCaptureWindow(), hwndNotice = m_pData->hwndCaptureNotice;
    ASSERT_TRUE(IsWindowVisible(hwndCap));
    SendMessageW(hwndCap, WM_COMMAND, IDOK, 0);
    EXPECT_FALSE(IsWindowVisible(hwndCap));
    ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(hwndNotice); }, 2000)) << "no notice after the grab";
    EXPECT_TRUE(FileExists(Name(0)));
    DWORD dwShown = GetTickCount();
    ASSERT_TRUE(PumpUntil([&] { return !IsWindowVisible(hwndNotice); }, 3000));
    EXPECT_GE(GetTickCount() - dwShown, 800u);
    ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(hwndCap) != FALSE; }, 3000)) << "did not return";
    SendMessageW(hwndCap, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(hwndCap));
    EXPECT_TRUE(IsWindowVisible(hwndCap = OpenCaptureWindow())) << "the command makes a new window";
    DestroyWindow(m_pData->hwndMain);  // exit destroys both windows
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

TEST_F(CaptureTest, FailedSaveTellsTheUserAndTheWindowStillReturns)
{
    SetScreenCaptureSaveFolder((m_folder.Path() + L"missing").c_str());
    HWND hwndCap = OpenCaptureWindow();
    ASSERT_NE(nullptr, hwndCap);

    // The box's text is the box-fit test's.
    bool bNoticeSeen = false;
    ASSERT_TRUE(WhileWindowShows([] { return FindWindowW(L"#32770", L"Screen Capture"); },
                                 [&](HWND hwndBox) { PostMessageW(hwndBox, WM_COMMAND, IDOK, 0); },
                                 [&] { SendMessageW(hwndCap, WM_COMMAND, IDOK, 0); }))
        << "no message box for the failed capture";
    EXPECT_NE(0, GetImageError()) << "the failure's code stays for whoever reads it";

    ASSERT_TRUE(PumpUntil([&] {
        bNoticeSeen = bNoticeSeen || IsWindowVisible(m_pData->hwndCaptureNotice);
        return IsWindowVisible(hwndCap) != FALSE;
    }, 3000)) << "capture window did not return";
    EXPECT_FALSE(bNoticeSeen);
    EXPECT_EQ(0, CountFiles(m_folder.Path()));
}
