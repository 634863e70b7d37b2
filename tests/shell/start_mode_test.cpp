// Starting and closing the real main window as viewer.exe does: the window,
// the settings it reads and stores, the start mode and the picture loader.
// (A second start, in a process of its own, is an end-to-end test.)
#include <gtest/gtest.h>

#include <string>
#include <windows.h>

#include "viewer_fixture.h"
#include "window_test_support.h"
#include "viewer/browser/picture_list.h"
#include "viewer/common/main_window_data.h"
#include "viewer/common/path_parts.h"
#include "viewer/common/settings_names.h"
#include "viewer/common/shared_paths.h"
#include "viewer/imaging/renderer.h"
#include "viewer/resources/resource.h"
#include "viewer/shell/entry.h"
#include "viewer/shell/faces.h"
#include "viewer/shell/main_window.h"
#include "viewer/shell/open_picture.h"

using StartTest = ViewerTest;

TEST_F(StartTest, TheWindowHasTheTitleNoCaptionAndTheForeground)
{
    Start();
    EXPECT_EQ(m_hwnd, FindWindowW(L"Ombrix Viewer", NULL));
    EXPECT_EQ(L"Ombrix Viewer", Title());
    EXPECT_EQ(0, GetWindowLongW(m_hwnd, GWL_STYLE) & WS_CAPTION);
    EXPECT_EQ(m_hwnd, GetForegroundWindow());
    EXPECT_EQ(1, m_pData->bBrowserShown) << "start mode 0 shows the browser";
}

TEST_F(StartTest, CloseTearsDownAndStoresTheSettings)
{
    DWORD dwFive = 5, dwThree = 3;
    RawSetValue(SZ_INITIAL_VIEW_POSITION, REG_DWORD, &dwFive, 4);
    RawSetValue(SZ_SLIDESHOW_LOOP, REG_DWORD, &dwThree, 4);
    Start();
    EXPECT_EQ(5, m_pData->nInitialViewPosition);
    EXPECT_EQ(1, m_pData->bSlideshowLoop);
    wcscpy(g_szBrowsePath, L"\\My Documents\\Trips\\");

    Command(IDOK);
    EXPECT_FALSE(IsWindow(m_hwnd));
    EXPECT_EQ(nullptr, GetMainWindowData());
    MSG msg;
    int nQuit = -1;
    while (PeekMessageW(&msg, NULL, 0, 0, PM_REMOVE))
        if (msg.message == WM_QUIT)
            nQuit = (int)msg.wParam;
    EXPECT_EQ(0, nQuit);

    EXPECT_EQ(1u, RawGetDword(SZ_REFINE, 0));
    const wchar_t* rgszKeys[] = {L"Key1", L"Key2", L"Key3", L"Key4", L"Key5"};
    for (DWORD i = 0; i < 5; ++i)
        EXPECT_EQ((i + 1) % 5, RawGetDword(rgszKeys[i], 99)) << i;
    DWORD dwType = 0;
    std::wstring folder;
    ASSERT_TRUE(RawGetValue(SZ_START_FOLDER, &dwType, &folder));
    EXPECT_STREQ(L"\\My Documents\\Trips\\", folder.c_str());
}

// The stored key map counts only once an exit stored refine = 1; an action
// outside the table keeps the default.
TEST_F(StartTest, KeyMapIsReadOnlyOnceRefined)
{
    DWORD dwSeven = 7, dwHuge = 99;
    RawSetValue(L"Key1", REG_DWORD, &dwSeven, 4);
    Start();
    EXPECT_EQ(1, g_keyMap.rgAction[0]) << "read although refine is not 1";
    DestroyWindow(m_hwnd);

    RawSetValue(L"Key1", REG_DWORD, &dwSeven, 4);
    RawSetValue(L"Key3", REG_DWORD, &dwHuge, 4);
    ResetKeyMap();
    Start();
    EXPECT_EQ(7, g_keyMap.rgAction[0]);
    EXPECT_EQ(3, g_keyMap.rgAction[2]) << "an action beyond the table keeps the default";
}

TEST_F(StartTest, StartModeOneOpensTheStartPictureAndModeZeroNothing)
{
    WriteSolidBmp(m_folder / L"a.bmp", 4, 4, RGB(0, 0, 248));
    WriteSolidBmp(m_folder / L"beach.bmp", 40, 30, RGB(248, 0, 0));
    Start(1, L"beach.bmp", m_folder.Path());
    EXPECT_FALSE(IsWindowVisible(m_pData->hwndBrowser));
    EXPECT_EQ(2, CountPictures()) << "the folder is listed behind the viewer";
    EXPECT_EQ(PictureByName(L"beach.bmp"), m_pData->pCurrentEntry);
    EXPECT_EQ(L"beach - Ombrix Viewer", Title());
    EXPECT_EQ(m_folder / L"beach.bmp", g_szPicturePath);
    EXPECT_EQ(m_folder.Path(), g_szBrowsePath);
    ASSERT_NE(nullptr, m_pData->hbmCurrent);
    EXPECT_EQ(m_pData->hbmCurrent, m_pData->pRenderer->GetBitmap());
    Command(IDM_PREVIOUS);
    EXPECT_EQ(PictureByName(L"a.bmp"), m_pData->pCurrentEntry);
    DestroyWindow(m_hwnd);

    Start(0, L"beach.bmp", m_folder.Path());
    EXPECT_EQ(nullptr, m_pData->hbmCurrent);
    EXPECT_EQ(m_folder.Path(), g_szPicturePath);
    EXPECT_EQ(L"Ombrix Viewer", Title());
}

TEST_F(StartTest, AMissingStartPictureSaysWhyInTheViewer)
{
    Start(1, L"gone.JPEG", m_folder.Path());
    EXPECT_EQ(L"gone - Ombrix Viewer", Title());
    EXPECT_EQ(nullptr, m_pData->hbmCurrent);
    EXPECT_EQ(L"Could not open file:\r\n '" + m_folder.Path() + L"gone.JPEG'",
              std::wstring(m_pData->pRenderer->GetMessageText()));
}

TEST_F(StartTest, LoaderKeepsTheViewModesAndReplacesThePicture)
{
    const std::wstring wide = m_folder / L"wide.bmp", small = m_folder / L"small.bmp";
    WriteSolidBmp(wide, 1000, 500, RGB(0, 0, 248));
    WriteSolidBmp(small, 100, 50, RGB(0, 248, 0));
    Start();
    ShowViewer(m_pData);
    CRenderer* pRenderer = m_pData->pRenderer;

    ASSERT_EQ(1, OpenPicture(m_pData, small.c_str()));
    HBITMAP hbmFirst = m_pData->hbmCurrent;
    ASSERT_NE(nullptr, hbmFirst);

    m_pData->nFitMode = 1;
    ASSERT_EQ(1, OpenPicture(m_pData, wide.c_str()));
    BITMAP bm;
    EXPECT_FALSE(GetObjectW(hbmFirst, sizeof(bm), &bm)) << "the replaced picture is deleted";
    EXPECT_EQ(1, pRenderer->GetFitToScreen());
    RECT rc;
    GetClientRect(m_hwnd, &rc);
    pRenderer->RenderNow();
    EXPECT_DOUBLE_EQ((double)rc.right / 1000, pRenderer->GetZoom());

    // A path too long for the name buffer fails whole, not as a shorter name.
    ASSERT_EQ(1, OpenPicture(m_pData, (wide + std::wstring(MAX_PATH, L'x')).c_str()));
    EXPECT_EQ(nullptr, m_pData->hbmCurrent);
    EXPECT_EQ(0, wcsncmp(L"Could not open file:\r\n '", pRenderer->GetMessageText(), 24));
}

TEST(PathParts, FolderAndNameOfAPath)
{
    const struct
    {
        const wchar_t* pszPath;
        int bNoExtension, cch;
        const wchar_t* pszName;
    } cases[] = {{L"\\My Documents\\beach.JPEG", 1, MAX_PATH, L"beach"}, {L"a.b.jpeg", 1, MAX_PATH, L"a.b"},
                 {L"\\x\\photo.2bp", 0, MAX_PATH, L"photo.2bp"}, {L"\\x\\photo.gif", 1, 4, L"pho"}};
    wchar_t sz[MAX_PATH];
    for (const auto& c : cases)
    {
        FileNamePart(c.pszPath, c.bNoExtension, sz, c.cch);
        EXPECT_STREQ(c.pszName, sz);
    }
    FolderPart(L"\\My Documents\\beach.jpg", sz, MAX_PATH);
    EXPECT_STREQ(L"\\My Documents\\", sz);
}
