// Commands, chrome and viewer input on the real main window.
#include <gtest/gtest.h>

#include <stdio.h>
#include <string>
#include <windows.h>

#include "platform/aygshell/aygshell.h"
#include "viewer_fixture.h"
#include "window_test_support.h"
#include "viewer/browser/picture_list.h"
#include "viewer/common/shared_paths.h"
#include "viewer/imaging/renderer.h"
#include "viewer/resources/resource.h"
#include "viewer/shell/entry.h"
#include "viewer/shell/faces.h"
#include "viewer/shell/main_window.h"
#include "viewer/common/main_window_data.h"
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
        // These tests begin in the viewer.
        ShowViewer(m_pData);
        Pump(20);
    }

    // The browser frame shown: the browser face.
    void ShowBrowserFace() { ShowWindow(m_pData->hwndBrowser, SW_SHOW); }

    RECT WindowRect()
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

TEST_F(CommandsTest, RotationStaysWithinThreeQuarterTurnsAndFlipsReplaceEachOther)
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

    // Each flip replaces the other.
    Command(IDM_FLIP_VERTICAL);
    EXPECT_EQ(16u, m_pData->pRenderer->GetFlip());
    Command(IDM_FLIP_HORIZONTAL);
    EXPECT_EQ(1u, m_pData->pRenderer->GetFlip());
    Command(IDM_FLIP_HORIZONTAL);
    EXPECT_EQ(0u, m_pData->pRenderer->GetFlip());
}

TEST_F(CommandsTest, FitAndZoomChooseTheViewerBar)
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
}

TEST_F(CommandsTest, BrowserFaceShowsTheBarOfItsModeAndIgnoresViewerCommands)
{
    ShowBrowserFace();
    const int rgBars[] = {IDR_MENUBAR_REPORT, IDR_MENUBAR_SMALL, IDR_MENUBAR_THUMBS};
    for (int nMode = 0; nMode < 3; ++nMode)
    {
        m_pData->nViewMode = nMode;
        UpdateMenuBar(m_pData);
        EXPECT_EQ(GetMenuBar(rgBars[nMode]), GetShownMenuBar()) << nMode;
    }
    m_pData->nViewMode = 7;
    UpdateMenuBar(m_pData);
    EXPECT_EQ(nullptr, GetShownMenuBar());

    double dZoom = m_pData->pRenderer->GetZoom();
    Command(IDM_ZOOM_IN);
    Command(IDM_ROTATE_LEFT);
    EXPECT_DOUBLE_EQ(dZoom, m_pData->pRenderer->GetZoom());
    EXPECT_EQ(0, m_pData->pRenderer->GetRotation());
    Command(IDM_FLIP_VERTICAL); // any face
    EXPECT_EQ(16u, m_pData->pRenderer->GetFlip());
}

TEST_F(CommandsTest, LayoutsGiveTheirRectangles)
{
    const int cx = GetSystemMetrics(SM_CXSCREEN), cy = GetSystemMetrics(SM_CYSCREEN);
    RECT rc = WindowRect();
    EXPECT_EQ(26, rc.top);
    EXPECT_EQ(cy - 26, rc.bottom);

    Command(IDM_TITLE_BAR);
    rc = WindowRect();
    EXPECT_EQ(0, rc.top);
    EXPECT_EQ(cy - 26, rc.bottom);
    EXPECT_FALSE(IsChecked(IDM_TITLE_BAR));
    EXPECT_FALSE(IsWindowVisible(OmbrixTopBar()));

    Command(IDM_FULL_SCREEN);
    rc = WindowRect();
    EXPECT_EQ(0, rc.top);
    EXPECT_EQ(cy, rc.bottom);
    EXPECT_EQ(cx, rc.right);
    EXPECT_EQ(nullptr, GetShownMenuBar());
    EXPECT_TRUE(IsWindowVisible(GetFullScreenButton(IDC_FS_ZOOM_IN)));

    Command(IDC_FS_LEAVE); // the full-screen button leaves full screen
    rc = WindowRect();
    EXPECT_EQ(0, rc.top) << "the title bar is still hidden";
    EXPECT_EQ(cy - 26, rc.bottom);
    EXPECT_FALSE(IsWindowVisible(GetFullScreenButton(IDC_FS_ZOOM_IN)));

    Command(IDM_TITLE_BAR);
    rc = WindowRect();
    EXPECT_EQ(26, rc.top);
    EXPECT_TRUE(IsChecked(IDM_TITLE_BAR));
    EXPECT_TRUE(IsWindowVisible(OmbrixTopBar()));
}

TEST_F(CommandsTest, LandscapeTurnsBackToNoneFromEitherTurn)
{
    Command(IDM_LANDSCAPE);
    EXPECT_EQ(1, m_pData->pRenderer->GetLandscape());
    EXPECT_TRUE(IsChecked(IDM_LANDSCAPE));
    Command(IDM_LANDSCAPE);
    EXPECT_EQ(0, m_pData->pRenderer->GetLandscape());
    EXPECT_FALSE(IsChecked(IDM_LANDSCAPE));
    m_pData->pRenderer->SetLandscape(2);
    Command(IDM_LANDSCAPE);
    EXPECT_EQ(0, m_pData->pRenderer->GetLandscape());

    // Refresh resets the view and re-syncs the marks.
    m_pData->pRenderer->SetLandscape(1);
    Command(IDM_REFRESH_VIEW);
    EXPECT_EQ(0, m_pData->pRenderer->GetLandscape());
    EXPECT_FALSE(IsChecked(IDM_LANDSCAPE));
}

TEST_F(CommandsTest, FullScreenButtonsHideWhileTheStylusIsDown)
{
    Command(IDM_FULL_SCREEN);
    HWND hwndButton = GetFullScreenButton(IDC_FS_FIT);
    ASSERT_TRUE(IsWindowVisible(hwndButton));
    SendMessageW(m_hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(120, 150));
    EXPECT_FALSE(IsWindowVisible(hwndButton));
    EXPECT_EQ(1, m_pData->bStylusDragging);
    SendMessageW(m_hwnd, WM_LBUTTONUP, 0, MAKELPARAM(120, 150));
    EXPECT_TRUE(IsWindowVisible(hwndButton));
    EXPECT_EQ(0, m_pData->bStylusDragging);

    RECT rc;
    GetWindowRect(hwndButton, &rc);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN) - 12, rc.left);
    EXPECT_EQ(27, rc.top);
    EXPECT_EQ(12, rc.right - rc.left);
}

TEST_F(CommandsTest, KeyActionsSendTheirCommands)
{
    EXPECT_EQ(0, KeyActionCommand(m_pData, 0)) << "none";
    EXPECT_EQ(IDM_FLIP_HORIZONTAL, KeyActionCommand(m_pData, 12));
    EXPECT_EQ(0, KeyActionCommand(m_pData, 15));
    EXPECT_EQ(0, KeyActionCommand(m_pData, -1));

    // Hot key 193 runs Key1 (LandScape by default); 197 runs Key5 (none).
    SetActiveWindow(m_hwnd);
    EXPECT_EQ(1, SendMessageW(m_hwnd, WM_HOTKEY, 193, 0));
    EXPECT_EQ(1, m_pData->pRenderer->GetLandscape());
    g_keyMap.rgAction[4] = 12; // Key5: flip horizontal
    SendMessageW(m_hwnd, WM_HOTKEY, 197, 0);
    EXPECT_EQ(1u, m_pData->pRenderer->GetFlip());

    // Key up of application button 2 runs Key2 (full screen).
    SendMessageW(m_hwnd, WM_KEYUP, 0xC2, 0);
    EXPECT_EQ(1, m_pData->bFullScreen);

    // With the browser shown the hot-key path runs nothing.
    ShowBrowserFace();
    EXPECT_EQ(0, SendMessageW(m_hwnd, WM_HOTKEY, 193, 0));
    EXPECT_EQ(1, m_pData->pRenderer->GetLandscape());
}

// The buttons' steps and the ends are an end-to-end test; here the second
// command of each and a missing current entry.
TEST_F(CommandsTest, AlternativeStepsAndNoCurrentEntry)
{
    for (const wchar_t* pszName : {L"a.bmp", L"b.bmp", L"c.bmp"})
        WriteSolidBmp(m_folder / pszName, 8, 8, RGB(128, 128, 128));
    ASSERT_EQ(3, EnumeratePictures((m_folder.Path() + L"*.*").c_str()));
    SortPictures(SORT_BY_NAME);
    RenumberPictures();
    m_pData->pCurrentEntry = PictureByName(L"a.bmp");
    Command(IDM_NEXT_ALT);
    EXPECT_STREQ(L"b.bmp", m_pData->pCurrentEntry->szName);
    EXPECT_EQ(NoDrive(m_folder / L"b.bmp"), std::wstring(g_szPicturePath));
    Command(IDM_PREVIOUS_ALT);
    EXPECT_STREQ(L"a.bmp", m_pData->pCurrentEntry->szName);

    m_pData->pCurrentEntry = NULL; // nothing moves
    Command(IDM_NEXT);
    EXPECT_EQ(nullptr, m_pData->pCurrentEntry);
}

TEST_F(CommandsTest, AboutBoxShowsTheVersionAndTheAcknowledgement)
{
    Command(IDM_TITLE_BAR); // hidden: About puts the normal layout back
    WCHAR szVersion[64] = L"", szText[512] = L"";
    LONG yMainWhileOpen = -1;
    ASSERT_TRUE(WhileWindowShows([] { return FindWindowW(L"#32770", L"About"); },
                                 [&](HWND hwnd) {
                                     GetDlgItemTextW(hwnd, IDC_ABOUT_VERSION, szVersion, 64);
                                     GetDlgItemTextW(hwnd, IDC_ABOUT_TEXT, szText, 512);
                                     RECT rc;
                                     GetWindowRect(m_hwnd, &rc);
                                     yMainWhileOpen = rc.top;
                                     PostMessageW(hwnd, WM_COMMAND, IDOK, 0);
                                 },
                                 [&] { Command(IDM_ABOUT); }));
    EXPECT_STREQ(L"Ombrix Viewer v1.0", szVersion);
    std::wstring text = szText;
    const std::wstring ack = L"This software is based in part on the work of the Independent JPEG Group.";
    ASSERT_GE(text.size(), ack.size());
    EXPECT_EQ(ack, text.substr(text.size() - ack.size()));
    EXPECT_EQ(26, yMainWhileOpen) << "the box shows over the normal layout";
    EXPECT_EQ(1, m_pData->bTitleBarHidden) << "the flag itself is kept";
}
