// Starting and closing the real main window: settings, start mode and loader.
#include <gtest/gtest.h>
#include <string>
#include <windows.h>
#include "tests/support/viewer_fixture.h"
#include "tests/support/window_helpers.h"
#include "viewer/browser/picture_list.h"
#include "viewer/common/main_window_data.h"
#include "viewer/common/settings_names.h"
#include "viewer/common/shared_paths.h"
#include "viewer/imaging/view/renderer.h"
#include "viewer/resources/resource.h"
#include "viewer/shell/faces.h"
#include "viewer/shell/open_picture.h"

using StartTest = ViewerTest;

TEST_F(StartTest, TheCaptionlessWindowClosesAndStoresTheSettings) {
    RawSetDword(SZ_INITIAL_VIEW_POSITION, 5);
    RawSetDword(SZ_SLIDESHOW_LOOP, 3);
    Start();
    EXPECT_EQ(0, GetWindowLongW(m_hwnd, GWL_STYLE) & WS_CAPTION);
    EXPECT_EQ(5, m_pData->nInitialViewPosition);
    EXPECT_EQ(1, m_pData->bSlideshowLoop);
    wcscpy(g_szBrowsePath, L"\\My Documents\\Trips\\");
    Command(IDOK);
    EXPECT_FALSE(IsWindow(m_hwnd));
    EXPECT_EQ(nullptr, GetMainWindowData());
    MSG msg;
    int nQuit = -1;
    while (PeekMessageW(&msg, NULL, 0, 0, PM_REMOVE))
        nQuit = msg.message == WM_QUIT ? (int)msg.wParam : nQuit;
    EXPECT_EQ(0, nQuit);
    EXPECT_EQ(0u, RawGetDword(L"Key5", 99)) << "the key map is stored at exit";
    EXPECT_EQ(L"\\My Documents\\Trips\\", RawGetText(SZ_START_FOLDER));
}

// The stored key map counts only once an exit stored refine = 1; an action
// outside the table keeps the default.
TEST_F(StartTest, KeyMapIsReadOnlyOnceRefined) {
    RawSetDword(L"Key1", 7);
    Start();
    EXPECT_EQ(1, g_keyMap.rgAction[0]) << "read although refine is not 1";
    DestroyWindow(m_hwnd);
    RawSetDword(L"Key1", 7);
    RawSetDword(L"Key3", 99);
    ResetKeyMap();
    Start();
    EXPECT_EQ(7, g_keyMap.rgAction[0]);
    EXPECT_EQ(3, g_keyMap.rgAction[2]) << "an action beyond the table keeps the default";
}

TEST_F(StartTest, StartModeOneOpensTheStartPictureOrSaysWhyAndModeZeroNothing) {
    WriteSolidBmp(m_folder / L"a.bmp", 4, 4, RGB(0, 0, 248));
    WriteSolidBmp(m_folder / L"beach.bmp", 40, 30, RGB(248, 0, 0));
    Start(1, L"beach.bmp", m_folder.Path());
    EXPECT_FALSE(IsWindowVisible(m_pData->hwndBrowser));
    EXPECT_EQ(2, CountPictures()) << "the folder is listed behind the viewer";
    EXPECT_EQ(PictureByName(L"beach.bmp"), m_pData->pCurrentEntry);
    EXPECT_EQ(L"beach - Ombrix Viewer", Title());
    EXPECT_EQ(m_folder / L"beach.bmp", g_szPicturePath);
    ASSERT_NE(nullptr, m_pData->hbmCurrent);
    EXPECT_EQ(m_pData->hbmCurrent, m_pData->pRenderer->GetBitmap());
    Command(IDM_PREVIOUS);
    EXPECT_EQ(PictureByName(L"a.bmp"), m_pData->pCurrentEntry);
    DestroyWindow(m_hwnd);

    Start(1, L"gone.JPEG", m_folder.Path());
    EXPECT_EQ(L"gone - Ombrix Viewer", Title());
    EXPECT_EQ(nullptr, m_pData->hbmCurrent);
    EXPECT_EQ(L"Could not open file:\r\n '" + m_folder.Path() + L"gone.JPEG'",
              std::wstring(m_pData->pRenderer->GetMessageText()));
    DestroyWindow(m_hwnd);

    Start(0, L"beach.bmp", m_folder.Path());
    EXPECT_EQ(1, m_pData->bBrowserShown);
    EXPECT_EQ(nullptr, m_pData->hbmCurrent);
    EXPECT_EQ(L"Ombrix Viewer", Title());
    // A path too long for the name buffer fails whole, not as a shorter name.
    ShowViewer(m_pData);
    ASSERT_EQ(1, OpenPicture(m_pData, (m_folder / L"beach.bmp" + std::wstring(MAX_PATH, L'x')).c_str()));
    EXPECT_EQ(nullptr, m_pData->hbmCurrent);
    EXPECT_EQ(0, wcsncmp(L"Could not open file:\r\n '", m_pData->pRenderer->GetMessageText(), 24));
}
