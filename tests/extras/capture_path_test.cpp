// Capture names in any folder, the device root included, and the notice of
// a capture that could not be saved.
#include <gtest/gtest.h>

#include <string>
#include <windows.h>

#include "../shell/registry_fixture.h"
#include "../shell/window_test_support.h"
#include "temp_folder.h"
#include "viewer/common/image_error.h"
#include "viewer/common/main_window_data.h"
#include "viewer/common/path_parts.h"
#include "viewer/common/settings.h"
#include "viewer/extras/screen_capture.h"
#include "viewer/resources/resource.h"
#include "viewer/shell/entry.h"

TEST(JoinPath, ExactlyOneSeparatorBetweenFolderAndName)
{
    const struct
    {
        const wchar_t* folder;
        const wchar_t* name;
        const wchar_t* want;
    } cases[] = {
        {L"\\", L"om00000.bmp", L"\\om00000.bmp"},   // the device root from the folder dialog
        {L"", L"om00000.bmp", L"\\om00000.bmp"},
        {L"\\My Documents", L"om00000.bmp", L"\\My Documents\\om00000.bmp"},
        {L"\\My Documents\\", L"om00000.bmp", L"\\My Documents\\om00000.bmp"},
        {L"C:\\", L"a.bmp", L"C:\\a.bmp"},
        {L"\\Storage Card\\\\", L"\\a.bmp", L"\\Storage Card\\a.bmp"},
    };
    for (const auto& c : cases)
    {
        wchar_t sz[MAX_PATH];
        ASSERT_TRUE(JoinPath(c.folder, c.name, sz, MAX_PATH)) << c.folder;
        EXPECT_STREQ(c.want, sz);
    }
}

TEST(JoinPath, TooLongIsRefusedNotCut)
{
    wchar_t sz[8] = L"garbage";
    ASSERT_TRUE(JoinPath(L"\\a", L"cd.e", sz, 8)) << "7 units and the terminator fit in 8";
    EXPECT_STREQ(L"\\a\\cd.e", sz);
    EXPECT_FALSE(JoinPath(L"\\ab", L"cd.e", sz, 8));
    EXPECT_STREQ(L"", sz);
    const std::wstring longFolder(MAX_PATH, L'x');
    wchar_t szLong[MAX_PATH];
    EXPECT_FALSE(JoinPath(longFolder.c_str(), L"a", szLong, MAX_PATH));
    EXPECT_STREQ(L"", szLong);
}

namespace {

class CaptureFolderTest : public SettingsTest
{
protected:
    void SetUp() override
    {
        SettingsTest::SetUp();
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

struct BoxSeen
{
    WCHAR szText[512];
};

} // namespace

TEST_F(CaptureFolderTest, RootFolderNamesAFileInTheRoot)
{
    SetScreenCaptureSaveFolder(L"\\");
    WCHAR szName[MAX_PATH];
    ASSERT_TRUE(NextCaptureFileName(m_pData, szName));
    EXPECT_STREQ(L"\\om00000.bmp", szName) << "not a network path";

    // A trailing separator of a folder the user typed is not doubled.
    std::wstring folder = m_folder.Path();
    SetScreenCaptureSaveFolder(folder.c_str());
    ASSERT_TRUE(NextCaptureFileName(m_pData, szName));
    EXPECT_EQ(folder + L"om00001.bmp", szName);
}

TEST_F(CaptureFolderTest, FailedSaveTellsTheUserAndTheWindowStillReturns)
{
    const std::wstring missing = m_folder.Path() + L"missing";
    SetScreenCaptureSaveFolder(missing.c_str());
    SendMessageW(m_pData->hwndMain, WM_COMMAND, IDM_SCREEN_CAPTURE, 0);
    HWND hwndCap = m_pData->hwndCapture;
    ASSERT_NE(nullptr, hwndCap);

    BoxSeen seen = {};
    bool bNoticeSeen = false;
    const bool bBox = WhileWindowShows([] { return FindWindowW(L"#32770", L"Screen Capture"); },
                                       [&](HWND hwndBox) {
                                           GetDlgItemTextW(hwndBox, 0xFFFF, seen.szText, 512);
                                           PostMessageW(hwndBox, WM_COMMAND, IDOK, 0);
                                       },
                                       [&] { SendMessageW(hwndCap, WM_COMMAND, IDOK, 0); });
    ASSERT_TRUE(bBox) << "no message box for the failed capture";
    EXPECT_NE(nullptr, wcsstr(seen.szText, missing.c_str())) << "the box names the folder";
    EXPECT_NE(0, GetImageError()) << "the failure's code stays for whoever reads it";

    ASSERT_TRUE(PumpUntil([&] {
        bNoticeSeen = bNoticeSeen || IsWindowVisible(m_pData->hwndCaptureNotice);
        return IsWindowVisible(hwndCap) != FALSE;
    }, 3000)) << "capture window did not return";
    EXPECT_FALSE(bNoticeSeen);
    EXPECT_EQ(0, CountFiles(m_folder.Path()));
}
