// The viewer face's commands, chrome and input on the real main window.
#include <gtest/gtest.h>

#include <string>
#include <windows.h>

#include "platform/aygshell/aygshell.h"
#include "viewer_fixture.h"
#include "window_test_support.h"
#include "viewer/browser/picture_list.h"
#include "viewer/common/main_window_data.h"
#include "viewer/common/shared_paths.h"
#include "viewer/imaging/renderer.h"
#include "viewer/resources/resource.h"
#include "viewer/shell/entry.h"
#include "viewer/shell/faces.h"
#include "viewer/shell/main_window.h"
#include "viewer/shell/screen_chrome.h"
#include "viewer/shell/viewer_input.h"

namespace {

class CommandsTest : public ViewerTest
{
protected:
    void SetUp() override
    {
        ViewerTest::SetUp();
        Start();
        ShowViewer(m_pData);
        PumpFor(20);
    }
    RECT WindowRect() const
    {
        RECT rc;
        GetWindowRect(m_hwnd, &rc);
        return rc;
    }
};

bool IsChecked(UINT nCommand)
{
    HMENU hmenu = reinterpret_cast<HMENU>(
        SendMessageW(GetMenuBar(IDR_MENUBAR_VIEWER), SHCMBM_GETSUBMENU, 0, IDM_TOOL_POPUP));
    return hmenu && (GetMenuState(hmenu, nCommand, MF_BYCOMMAND) & MF_CHECKED);
}

} // namespace

TEST_F(CommandsTest, TurnsStayWithinThreeQuarterTurnsFlipsReplaceEachOtherLandscapeToggles)
{
    const struct
    {
        WORD wCommand;
        int nTimes, nRotation;
    } steps[] = {{IDM_ROTATE_RIGHT, 1, 270}, {IDM_ROTATE_RIGHT, 3, 0}, {IDM_ROTATE_LEFT, 3, 270}, {IDM_ROTATE_LEFT, 1, 0}};
    for (const auto& step : steps)
    {
        for (int i = 0; i < step.nTimes; ++i)
            Command(step.wCommand);
        EXPECT_EQ(step.nRotation, m_pData->pRenderer->GetRotation()) << step.wCommand << " x" << step.nTimes;
    }
    Command(IDM_FLIP_VERTICAL);
    EXPECT_EQ(16u, m_pData->pRenderer->GetFlip());
    Command(IDM_FLIP_HORIZONTAL);
    EXPECT_EQ(1u, m_pData->pRenderer->GetFlip());
    Command(IDM_FLIP_HORIZONTAL);
    EXPECT_EQ(0u, m_pData->pRenderer->GetFlip());

    // Landscape turns back to none from either turn; refresh resets it.
    Command(IDM_LANDSCAPE);
    EXPECT_EQ(1, m_pData->pRenderer->GetLandscape());
    EXPECT_TRUE(IsChecked(IDM_LANDSCAPE));
    m_pData->pRenderer->SetLandscape(2);
    Command(IDM_LANDSCAPE);
    EXPECT_EQ(0, m_pData->pRenderer->GetLandscape());
    EXPECT_FALSE(IsChecked(IDM_LANDSCAPE));
    m_pData->pRenderer->SetLandscape(1);
    Command(IDM_REFRESH_VIEW);
    EXPECT_EQ(0, m_pData->pRenderer->GetLandscape());
}

TEST_F(CommandsTest, FitZoomAndTheBrowserModesChooseTheirBars)
{
    EXPECT_EQ(GetMenuBar(IDR_MENUBAR_VIEWER), GetShownMenuBar());
    Command(IDM_FIT_TO_SCREEN);
    EXPECT_EQ(1, m_pData->nFitMode);
    EXPECT_EQ(GetMenuBar(IDR_MENUBAR_VIEWER_FIT), GetShownMenuBar());
    Command(IDM_ZOOM_IN);
    EXPECT_EQ(0, m_pData->nFitMode) << "zooming leaves fit mode";
    EXPECT_EQ(GetMenuBar(IDR_MENUBAR_VIEWER), GetShownMenuBar());
    EXPECT_GT(m_pData->pRenderer->GetZoom(), 1.0);
    Command(IDM_FIT_TO_SCREEN_ON); // the fit-on bar's button toggles too
    Command(IDM_ORIGINAL_SIZE);
    EXPECT_EQ(0, m_pData->nFitMode);
    EXPECT_DOUBLE_EQ(1.0, m_pData->pRenderer->GetZoom());

    // The browser face: one bar per list mode; viewer commands do nothing.
    ShowWindow(m_pData->hwndBrowser, SW_SHOW);
    const int rgBars[] = {IDR_MENUBAR_REPORT, IDR_MENUBAR_SMALL, IDR_MENUBAR_THUMBS};
    for (int nMode = 0; nMode < 3; ++nMode)
    {
        m_pData->nViewMode = nMode;
        UpdateMenuBar(m_pData);
        EXPECT_EQ(GetMenuBar(rgBars[nMode]), GetShownMenuBar()) << nMode;
    }
    Command(IDM_ZOOM_IN);
    Command(IDM_ROTATE_LEFT);
    EXPECT_DOUBLE_EQ(1.0, m_pData->pRenderer->GetZoom());
    EXPECT_EQ(0, m_pData->pRenderer->GetRotation());
}

// Normal: between the shell's bar and the menu bar; without title bar: from
// the top; full screen: the whole screen, its buttons hidden while the
// stylus is down. About shows over the normal layout.
TEST_F(CommandsTest, LayoutsTitleBarFullScreenAndAbout)
{
    RECT rcTop, rcMenu;
    GetWindowRect(OmbrixTopBar(), &rcTop);
    GetWindowRect(GetShownMenuBar(), &rcMenu);
    EXPECT_EQ(rcTop.bottom, WindowRect().top);
    EXPECT_EQ(rcMenu.top, WindowRect().bottom);

    Command(IDM_TITLE_BAR);
    EXPECT_EQ(0, WindowRect().top);
    EXPECT_EQ(rcMenu.top, WindowRect().bottom);
    EXPECT_FALSE(IsChecked(IDM_TITLE_BAR));
    EXPECT_FALSE(IsWindowVisible(OmbrixTopBar()));

    Command(IDM_FULL_SCREEN);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), WindowRect().bottom);
    EXPECT_EQ(nullptr, GetShownMenuBar());
    HWND hwndButton = GetFullScreenButton(IDC_FS_FIT);
    ASSERT_TRUE(IsWindowVisible(hwndButton));
    SendMessageW(m_hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(120, 150));
    EXPECT_FALSE(IsWindowVisible(hwndButton));
    SendMessageW(m_hwnd, WM_LBUTTONUP, 0, MAKELPARAM(120, 150));
    EXPECT_TRUE(IsWindowVisible(hwndButton));
    Command(IDC_FS_LEAVE);
    EXPECT_EQ(0, WindowRect().top) << "the title bar is still hidden";
    EXPECT_FALSE(IsWindowVisible(hwndButton));

    WCHAR szVersion[64] = L"", szText[512] = L"";
    LONG yWhileOpen = -1;
    ASSERT_TRUE(WhileWindowShows([] { return FindWindowW(L"#32770", L"About"); },
                                 [&](HWND hwnd) {
                                     GetDlgItemTextW(hwnd, IDC_ABOUT_VERSION, szVersion, 64);
                                     GetDlgItemTextW(hwnd, IDC_ABOUT_TEXT, szText, 512);
                                     yWhileOpen = WindowRect().top;
                                     PostMessageW(hwnd, WM_COMMAND, IDOK, 0);
                                 },
                                 [&] { Command(IDM_ABOUT); }));
    EXPECT_STREQ(L"Ombrix Viewer v1.0", szVersion);
    const std::wstring text = szText, ack = L"on the work of the Independent JPEG Group.";
    EXPECT_EQ(text.size() - ack.size(), text.rfind(ack));
    EXPECT_EQ(rcTop.bottom, yWhileOpen);
    EXPECT_EQ(1, m_pData->bTitleBarHidden) << "the flag itself is kept";

    Command(IDM_TITLE_BAR);
    EXPECT_EQ(rcTop.bottom, WindowRect().top);
    EXPECT_TRUE(IsChecked(IDM_TITLE_BAR));
}

// Actions 0 to 14 name commands; anything else runs nothing.
TEST_F(CommandsTest, KeyActionsAndApplicationButtons)
{
    EXPECT_EQ(0, KeyActionCommand(m_pData, 0)) << "none";
    EXPECT_EQ(IDM_FLIP_HORIZONTAL, KeyActionCommand(m_pData, 12));
    EXPECT_EQ(0, KeyActionCommand(m_pData, 15));
    EXPECT_EQ(0, KeyActionCommand(m_pData, -1));

    // Hot key 193 runs Key1 (landscape by default); 197 runs Key5.
    SetActiveWindow(m_hwnd);
    EXPECT_EQ(1, SendMessageW(m_hwnd, WM_HOTKEY, 193, 0));
    EXPECT_EQ(1, m_pData->pRenderer->GetLandscape());
    g_keyMap.rgAction[4] = 12;
    SendMessageW(m_hwnd, WM_HOTKEY, 197, 0);
    EXPECT_EQ(1u, m_pData->pRenderer->GetFlip());
    SendMessageW(m_hwnd, WM_KEYUP, 0xC2, 0); // application button 2: Key2, full screen
    EXPECT_EQ(1, m_pData->bFullScreen);

    ShowWindow(m_pData->hwndBrowser, SW_SHOW);
    EXPECT_EQ(0, SendMessageW(m_hwnd, WM_HOTKEY, 193, 0)) << "the browser face runs no key action";
    EXPECT_EQ(1, m_pData->pRenderer->GetLandscape());
}

// The step buttons and the list's ends are an end-to-end matter; here the
// second command of each, and no current entry to step from.
TEST_F(CommandsTest, AlternativeStepsAndNoCurrentEntry)
{
    for (const wchar_t* pszName : {L"a.bmp", L"b.bmp"})
        WriteSolidBmp(m_folder / pszName, 8, 8, RGB(128, 128, 128));
    ASSERT_EQ(2, EnumeratePictures((m_folder.Path() + L"*.*").c_str()));
    SortPictures(SORT_BY_NAME);
    RenumberPictures();
    m_pData->pCurrentEntry = PictureByName(L"a.bmp");
    Command(IDM_NEXT_ALT);
    EXPECT_EQ(NoDrive(m_folder / L"b.bmp"), std::wstring(g_szPicturePath));
    Command(IDM_PREVIOUS_ALT);
    EXPECT_STREQ(L"a.bmp", m_pData->pCurrentEntry->szName);
    m_pData->pCurrentEntry = NULL;
    Command(IDM_NEXT);
    EXPECT_EQ(nullptr, m_pData->pCurrentEntry);
}
