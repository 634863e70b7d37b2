// The viewer face's commands, chrome and input on the real main window.
#include <gtest/gtest.h>
#include <windows.h>
#include "platform/aygshell/aygshell.h"
#include "tests/support/viewer_fixture.h"
#include "tests/support/window_helpers.h"
#include "viewer/common/main_window_data.h"
#include "viewer/imaging/view/renderer.h"
#include "viewer/resources/resource.h"
#include "viewer/shell/faces.h"
#include "viewer/shell/screen_chrome.h"
#include "viewer/shell/viewer_input.h"

namespace {

class CommandsTest : public ViewerTest {
protected:
    void SetUp() override {
        ViewerTest::SetUp();
        Start();
        ShowViewer(m_pData);
        PumpFor(20);
    }
};

bool IsChecked(UINT nCommand, int nBar = IDR_MENUBAR_VIEWER) {
    HMENU hmenu = (HMENU)SendMessageW(GetMenuBar(nBar), SHCMBM_GETSUBMENU, 0, IDM_TOOL_POPUP);
    return hmenu && (GetMenuState(hmenu, nCommand, MF_BYCOMMAND) & MF_CHECKED);
}

} // namespace

TEST_F(CommandsTest, TurnsStayWithinThreeQuarterTurnsFlipsReplaceEachOtherLandscapeToggles) {
    const int steps[][3] = {{IDM_ROTATE_RIGHT, 1, 270}, {IDM_ROTATE_RIGHT, 3, 0}, {IDM_ROTATE_LEFT, 3, 270}};
    for (const auto& step : steps) {
        for (int i = 0; i < step[1]; ++i)
            Command((WORD)step[0]);
        EXPECT_EQ(step[2], m_pData->pRenderer->GetRotation()) << step[0] << " x" << step[1];
    }
    Command(IDM_FLIP_VERTICAL);
    Command(IDM_FLIP_HORIZONTAL);
    EXPECT_EQ(1u, m_pData->pRenderer->GetFlip()) << "a flip replaces the other";
    // Landscape turns back to none from either turn; refresh resets it.
    Command(IDM_LANDSCAPE);
    EXPECT_TRUE(IsChecked(IDM_LANDSCAPE));
    EXPECT_TRUE(IsChecked(IDM_LANDSCAPE, IDR_MENUBAR_VIEWER_FIT_SHOW)) << "a bar first shown later";
    m_pData->pRenderer->SetLandscape(2);
    Command(IDM_LANDSCAPE);
    EXPECT_FALSE(IsChecked(IDM_LANDSCAPE));
    m_pData->pRenderer->SetLandscape(1);
    Command(IDM_REFRESH_VIEW);
    EXPECT_EQ(0, m_pData->pRenderer->GetLandscape());
}

// Actions 0 to 14 name commands; anything else runs nothing.
TEST_F(CommandsTest, KeyActionsAndApplicationButtons) {
    EXPECT_EQ(0, KeyActionCommand(m_pData, 0)) << "none";
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
