// Starting and closing the real main window: settings, start mode and loader,
// and the start folder and picture it stores at exit, after a column sort and
// a folder change too.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <string>
#include <vector>
#include "tests/support/viewer_fixture.h"
#include "tests/support/window_helpers.h"
#include "viewer/browser/dir_tree.h"
#include "viewer/browser/picture_list.h"
#include "viewer/browser/picture_selection.h"
#include "viewer/common/app_texts.h"
#include "viewer/common/main_window_data.h"
#include "viewer/common/settings_names.h"
#include "viewer/common/shared_paths.h"
#include "viewer/imaging/view/renderer.h"
#include "viewer/resources/resource.h"
#include "viewer/shell/entry.h"
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

// A second start, while another window is in front, brings the first copy
// forward and gives up with exit code 0, leaving one main window.
TEST_F(StartTest, ASecondStartBringsTheFirstForwardAndEnds) {
    Start();
    HWND hwndOther = CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 20, 20, NULL, NULL, NULL, NULL);
    ASSERT_TRUE(BringToFront(hwndOther));
    PostQuitMessage(7); // ends at once the message loop a second copy would run
    EXPECT_EQ(0, ViewerMain(GetModuleHandleW(NULL), SW_SHOW));
    MSG msg;
    PeekMessageW(&msg, NULL, WM_QUIT, WM_QUIT, PM_REMOVE);
    int nWindows = 0;
    for (HWND h = NULL; (h = FindWindowExW(NULL, h, GetAppClassName(), NULL)) != NULL;)
        ++nWindows;
    EXPECT_EQ(1, nWindows);
    EXPECT_TRUE(PumpUntil([&] { return GetForegroundWindow() == m_hwnd; }));
    DestroyWindow(hwndOther);
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
    // A path too long for the name buffer fails whole, not as a shorter name,
    // and the picture shown before it is gone. (Opening switches the face.)
    ASSERT_EQ(1, OpenPicture(m_pData, (m_folder / L"beach.bmp").c_str()));
    ASSERT_EQ(1, OpenPicture(m_pData, (m_folder / L"beach.bmp" + std::wstring(MAX_PATH, L'x')).c_str()));
    EXPECT_EQ(nullptr, m_pData->hbmCurrent);
    EXPECT_EQ(0, wcsncmp(L"Could not open file:\r\n '", m_pData->pRenderer->GetMessageText(), 24));
}

namespace {

class CurrentEntryTest : public ViewerTest
{
protected:
    void SetUp() override
    {
        ViewerTest::SetUp();
        for (const wchar_t* pszName : {L"a.bmp", L"b.bmp", L"c.bmp", L"sub\\z.bmp"})
        {
            CreateDirectoryW((m_folder / L"sub").c_str(), NULL);
            WriteSolidBmp(m_folder / pszName, 4, 4, RGB(0, 0, 248));
        }
    }
};

} // namespace

TEST_F(CurrentEntryTest, ASortKeepsTheCurrentPictureAndExitStoresIt)
{
    Start(1, L"a.bmp");
    Command(IDM_OPEN);
    Select({L"a.bmp"});
    ASSERT_TRUE(GetPictureSelection(nullptr));
    Notify(LVN_COLUMNCLICK, -1, 0); // Z to A: the head entry now holds c.bmp
    EXPECT_FALSE(GetPictureSelection(nullptr)) << "the shared selection would name another picture";
    ASSERT_NE(nullptr, m_pData->pCurrentEntry);
    EXPECT_STREQ(L"a.bmp", m_pData->pCurrentEntry->szName);
    DestroyWindow(m_hwnd);
    EXPECT_EQ(L"a.bmp", RawGetText(SZ_START_FILENAME));
    EXPECT_EQ(NoDrive(m_folder.Path()), RawGetText(SZ_START_FOLDER));
}

// After browsing elsewhere no picture is current: the folder is stored with
// no name, and the next start shows that folder in the browser.
TEST_F(CurrentEntryTest, ExitInAnotherFolderStoresItWithNoNameAndStartsThere)
{
    Start(1, L"a.bmp");
    Command(IDM_OPEN);
    HWND hwndTree = GetDirectoryTreeWindow();
    TreeView_SelectItem(hwndTree, TreeView_GetChild(hwndTree, TreeView_GetSelection(hwndTree)));
    const std::wstring sub = NoDrive(m_folder / L"sub\\");
    ASSERT_EQ(sub, g_szBrowsePath);
    DestroyWindow(m_hwnd);
    EXPECT_EQ(sub, RawGetText(SZ_START_FOLDER));
    EXPECT_EQ(L"", RawGetText(SZ_START_FILENAME));

    Start(1, L"", sub);
    EXPECT_TRUE(IsWindowVisible(m_pData->hwndBrowser));
    EXPECT_EQ(nullptr, m_pData->hbmCurrent);
    EXPECT_EQ(sub, g_szBrowsePath);
    EXPECT_EQ(std::vector<std::wstring>({L"z.bmp"}), Column(0));
}

// A folder the tree cannot reach (with its drive letter) is listed all the
// same, and the next exit keeps it; a start folder typed without its closing
// "\" still names the picture.
TEST_F(CurrentEntryTest, FoldersTheTreeCannotReachOrWithoutClosingSeparator)
{
    Start(1, L"", m_folder.Path());
    EXPECT_TRUE(IsWindowVisible(m_pData->hwndBrowser));
    EXPECT_EQ(m_folder.Path(), g_szBrowsePath);
    EXPECT_EQ(std::vector<std::wstring>({L"a.bmp", L"b.bmp", L"c.bmp"}), Column(0));
    DestroyWindow(m_hwnd);
    EXPECT_EQ(m_folder.Path(), RawGetText(SZ_START_FOLDER));

    std::wstring folder = NoDrive(m_folder.Path());
    folder.pop_back();
    Start(1, L"b.bmp", folder);
    ASSERT_NE(nullptr, m_pData->pCurrentEntry);
    EXPECT_STREQ(L"b.bmp", m_pData->pCurrentEntry->szName);
    EXPECT_NE(nullptr, m_pData->hbmCurrent);
}
