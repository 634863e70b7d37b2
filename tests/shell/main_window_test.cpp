// The real main window, created in this process as viewer.exe creates it.
// (A second start, in a process of its own, is an end-to-end test.)
#include <gtest/gtest.h>

#include <string>
#include <windows.h>

#include "registry_fixture.h"
#include "viewer/common/shared_paths.h"
#include "viewer/resources/resource.h"
#include "viewer/common/app_texts.h"
#include "viewer/shell/entry.h"
#include "viewer/common/main_window_data.h"
#include "viewer/common/settings_names.h"

namespace {

class MainWindowTest : public SettingsTest
{
protected:
    void SetUp() override
    {
        SettingsTest::SetUp();
        ResetKeyMap();
        g_szBrowsePath[0] = L'\0';
    }

    void TearDown() override
    {
        MainWindowData* pData = GetMainWindowData();
        if (pData && pData->hwndMain)
            DestroyWindow(pData->hwndMain);
        DrainQuit();
        SettingsTest::TearDown();
    }

    HWND Start()
    {
        if (!InitInstance(GetModuleHandleW(NULL), SW_SHOW))
            return NULL;
        MainWindowData* pData = GetMainWindowData();
        return pData ? pData->hwndMain : NULL;
    }

    // The quit code teardown posted, or -1 when none is queued.
    static int DrainQuit()
    {
        MSG msg;
        int nCode = -1;
        while (PeekMessageW(&msg, NULL, 0, 0, PM_REMOVE))
        {
            if (msg.message == WM_QUIT)
                nCode = (int)msg.wParam;
            else
                DispatchMessageW(&msg);
        }
        return nCode;
    }
};

} // namespace

TEST_F(MainWindowTest, StartShowsTheTitledWindowBetweenTheBars)
{
    HWND hwnd = Start();
    ASSERT_NE(nullptr, hwnd);
    EXPECT_EQ(hwnd, FindWindowW(L"Ombrix Viewer", NULL));

    WCHAR szTitle[64];
    GetWindowTextW(hwnd, szTitle, 64);
    EXPECT_STREQ(L"Ombrix Viewer", szTitle);
    EXPECT_STREQ(L"Ombrix Viewer", GetAppTitle());

    // No caption or frame (its place between the bars is an end-to-end test).
    EXPECT_EQ(0, GetWindowLongW(hwnd, GWL_STYLE) & WS_CAPTION);
    EXPECT_TRUE(IsWindowVisible(hwnd));
    EXPECT_EQ(hwnd, GetForegroundWindow());

    HICON hIcon = reinterpret_cast<HICON>(GetClassLongPtrW(hwnd, GCLP_HICON));
    EXPECT_NE(nullptr, hIcon);
    EXPECT_EQ(0u, GetClassLongPtrW(hwnd, GCLP_HBRBACKGROUND));
    EXPECT_EQ((ULONG_PTR)(CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS), GetClassLongPtrW(hwnd, GCL_STYLE));

    WNDCLASSW wc;
    EXPECT_TRUE(GetClassInfoW(GetModuleHandleW(NULL), L"Thumb", &wc));
    EXPECT_TRUE(GetClassInfoW(GetModuleHandleW(NULL), L"NoImages", &wc));
}

TEST_F(MainWindowTest, CloseCommandTearsDownAndStoresTheSettings)
{
    HWND hwnd = Start();
    ASSERT_NE(nullptr, hwnd);
    wcscpy(g_szBrowsePath, L"\\My Documents\\Trips\\");

    // Ctrl+A has no handler: nothing happens.
    SendMessageW(hwnd, WM_COMMAND, IDM_CTRL_A, 0);
    EXPECT_TRUE(IsWindow(hwnd));

    SendMessageW(hwnd, WM_COMMAND, IDOK, 0);
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(nullptr, GetMainWindowData());
    EXPECT_EQ(0, DrainQuit());

    EXPECT_EQ(1u, RawGetDword(SZ_REFINE, 0));
    const DWORD rgExpected[] = {1, 2, 3, 4, 0};
    const wchar_t* rgszKeys[] = {L"Key1", L"Key2", L"Key3", L"Key4", L"Key5"};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(rgExpected[i], RawGetDword(rgszKeys[i], 99)) << i;

    DWORD dwType = 0;
    std::wstring folder;
    ASSERT_TRUE(RawGetValue(SZ_START_FOLDER, &dwType, &folder));
    EXPECT_STREQ(L"\\My Documents\\Trips\\", folder.c_str());
}

TEST_F(MainWindowTest, KeyMapIsReadOnlyOnceRefined)
{
    DWORD dwSeven = 7, dwHuge = 99;
    RawSetValue(L"Key1", REG_DWORD, &dwSeven, 4);
    RawSetValue(L"Key3", REG_DWORD, &dwHuge, 4);

    ASSERT_NE(nullptr, Start());
    EXPECT_EQ(1, g_keyMap.rgAction[0]) << "read although refine is not 1";
    DestroyWindow(GetMainWindowData()->hwndMain);
    DrainQuit();

    // The exit stored refine = 1 and the defaults; now a hand edit counts.
    RawSetValue(L"Key1", REG_DWORD, &dwSeven, 4);
    RawSetValue(L"Key3", REG_DWORD, &dwHuge, 4);
    ResetKeyMap();
    ASSERT_NE(nullptr, Start());
    EXPECT_EQ(7, g_keyMap.rgAction[0]);
    EXPECT_EQ(2, g_keyMap.rgAction[1]);
    EXPECT_EQ(3, g_keyMap.rgAction[2]) << "an action beyond the table keeps the default";
    EXPECT_EQ(0, g_keyMap.rgAction[4]);
}

TEST_F(MainWindowTest, CreationCopiesTheStartUpSettingsIntoTheRecord)
{
    DWORD dwFive = 5, dwThree = 3;
    RawSetValue(SZ_INITIAL_VIEW_POSITION, REG_DWORD, &dwFive, 4);
    RawSetValue(SZ_SLIDESHOW_LOOP, REG_DWORD, &dwThree, 4);
    const wchar_t szThumbs[] = L"\\Thumbnails";
    RawSetValue(SZ_THUMBNAIL_FOLDER, REG_SZ, szThumbs, sizeof(szThumbs));

    ASSERT_NE(nullptr, Start());
    MainWindowData* pData = GetMainWindowData();
    EXPECT_EQ(5, pData->nInitialViewPosition);
    EXPECT_EQ(1, pData->bSlideshowLoop);
    EXPECT_EQ(0, pData->nSlideshowDirection);
    EXPECT_STREQ(L"\\Thumbnails", pData->szThumbnailFolder);
    EXPECT_EQ(1, pData->bBrowserShown) << "the default start mode shows the browser";
}
