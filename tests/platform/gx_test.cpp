// The game input stand-in: F1..F5 as application buttons.
#include <gtest/gtest.h>
#include <algorithm>
#include "tests/support/window_helpers.h"
#include "platform/gx/gx.h"

namespace {

int KeyDowns(const LoggingWindow& w, WPARAM vk)
{
    return std::count_if(w.log.begin(), w.log.end(),
                         [&](const LoggedMessage& m) { return m.uMsg == WM_KEYDOWN && m.wParam == vk; });
}

class GxInputTest : public FrontWindowTest
{
protected:
    GxInputTest() : FrontWindowTest(L"gx main") {}
    void TearDown() override { GXCloseInput(); }
};

// Each button arrives once as a hot key at the top-level window behind the
// focus, never as a key (so nothing runs twice and F1 asks for no help); a
// held button runs once; other keys stay keys.
TEST_F(GxInputTest, ButtonsArriveOnceAsHotKeysAtTheTopLevelWindow)
{
    LoggingWindow child;
    ASSERT_TRUE(child.Create(L"child", 10, 10, 50, 50, main.hwnd, 7));
    SetFocus(child.hwnd);
    ASSERT_EQ(1, GXOpenInput());
    PressKey(VK_F1);
    SendKey(VK_F2, false);
    SendKey(VK_F2, false);  // auto-repeat
    SendKey(VK_F2, true);
    for (WORD vk = VK_F3; vk <= VK_F5; ++vk)
        PressKey(vk);
    PressKey(VK_F6);
    ASSERT_TRUE(PumpUntil([&] { return KeyDowns(child, VK_F6) == 1; }));
    PumpFor(50);
    std::vector<WPARAM> ids;
    for (const LoggedMessage& m : main.log)
        if (m.uMsg == WM_HOTKEY)
        {
            ids.push_back(m.wParam);
            EXPECT_EQ(VK_APP1 + (m.wParam - 193), HIWORD(m.lParam));
        }
    EXPECT_EQ((std::vector<WPARAM>{193, 194, 195, 196, 197}), ids);
    EXPECT_EQ(0, child.Count(WM_HOTKEY));
    for (WORD vk = VK_F1; vk <= VK_F5; ++vk)
        EXPECT_EQ(0, KeyDowns(child, vk) + KeyDowns(main, vk)) << vk;
    EXPECT_EQ(0, main.Count(WM_HELP));
}

} // namespace
