// The game input stand-in: default keys, and F1..F5 as application buttons.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "input_helpers.h"
#include "platform/gx/gx.h"

namespace {

TEST(GxKeysTest, PortraitPadIsTheArrowKeysAndButtonsAreAppButtons)
{
    GXKeyList keys = GXGetDefaultKeys(GX_NORMALKEYS);
    EXPECT_EQ(VK_UP, keys.vkUp);
    EXPECT_EQ(VK_LEFT, keys.vkLeft);
    EXPECT_EQ(VK_APP1, keys.vkA);

    GXKeyList turned = GXGetDefaultKeys(GX_LANDSCAPEKEYS);
    EXPECT_EQ(VK_RIGHT, turned.vkUp);
    EXPECT_EQ(VK_UP, turned.vkLeft);
}

class GxInputTest : public FrontWindowTest
{
protected:
    GxInputTest() : FrontWindowTest(L"gx main") {}

    void TearDown() override
    {
        GXCloseInput();
    }

    int KeyDowns(WPARAM vk) const
    {
        int n = 0;
        for (const LoggedMessage& m : main.log)
            n += m.uMsg == WM_KEYDOWN && m.wParam == vk;
        return n;
    }
};

TEST_F(GxInputTest, F1ToF5ArriveOnceEachAsApplicationButtonHotKeys)
{
    ASSERT_EQ(1, GXOpenInput());
    for (WORD vk = VK_F1; vk <= VK_F6; ++vk)
        PressKey(vk);
    ASSERT_TRUE(PumpUntil([&] { return KeyDowns(VK_F6) == 1; }));
    PumpFor(50);

    std::vector<WPARAM> ids;
    for (const LoggedMessage& m : main.log)
    {
        if (m.uMsg != WM_HOTKEY)
            continue;
        ids.push_back(m.wParam);
        EXPECT_EQ(VK_APP1 + (m.wParam - 193), HIWORD(m.lParam));
    }
    EXPECT_EQ((std::vector<WPARAM>{193, 194, 195, 196, 197}), ids);
    // The buttons themselves never arrive as keys, so nothing runs twice
    // and F1 asks for no help.
    for (WORD vk = VK_F1; vk <= VK_F5; ++vk)
        EXPECT_EQ(0, KeyDowns(vk)) << vk;
    EXPECT_EQ(0, main.Count(WM_HELP));
}

TEST_F(GxInputTest, HeldButtonRunsOnceAndModifiedKeysStayKeys)
{
    ASSERT_EQ(1, GXOpenInput());
    SendKey(VK_F2, false);
    SendKey(VK_F2, false);  // auto-repeat
    SendKey(VK_F2, true);
    SendKey(VK_SHIFT, false);
    PressKey(VK_F3);
    SendKey(VK_SHIFT, true);
    ASSERT_TRUE(PumpUntil([&] { return KeyDowns(VK_F3) == 1; }));
    PumpFor(50);
    ASSERT_EQ(1, main.Count(WM_HOTKEY));
    EXPECT_EQ(194u, main.Find(WM_HOTKEY)->wParam);
}

TEST_F(GxInputTest, ButtonGoesToTheTopLevelWindowBehindTheFocus)
{
    LoggingWindow child;
    ASSERT_TRUE(child.Create(L"child", 10, 10, 50, 50, main.hwnd, 7));
    SetFocus(child.hwnd);
    ASSERT_EQ(1, GXOpenInput());
    PressKey(VK_F4);
    ASSERT_TRUE(PumpUntil([&] { return main.Count(WM_HOTKEY) == 1; }));
    EXPECT_EQ(196u, main.Find(WM_HOTKEY)->wParam);
    EXPECT_EQ(0, child.Count(WM_HOTKEY));
}

TEST_F(GxInputTest, OtherThreadsKeepTheirKeysAndCloseGivesThemBack)
{
    ASSERT_EQ(1, GXOpenInput());

    std::atomic<HWND> hwndOther{nullptr};
    std::atomic<int> nOtherF1{0}, nOtherHotKeys{0};
    std::atomic<bool> bStop{false};
    std::thread other([&] {
        LoggingWindow w;
        w.onMessage = [&](HWND, UINT uMsg, WPARAM wParam, LPARAM, LRESULT*) {
            if (uMsg == WM_KEYDOWN && wParam == VK_F1)
                ++nOtherF1;
            if (uMsg == WM_HOTKEY)
                ++nOtherHotKeys;
            return false;
        };
        w.Create(L"gx other", 0, 100, 100, 100);
        hwndOther = w.hwnd;
        while (!bStop)
            PumpFor(10);
    });
    ASSERT_TRUE(PumpUntil([&] { return hwndOther.load() != nullptr; }));
    ASSERT_TRUE(BringToFront(hwndOther));
    PressKey(VK_F1);
    EXPECT_TRUE(PumpUntil([&] { return nOtherF1 == 1; }));
    PumpFor(50);
    EXPECT_EQ(0, nOtherHotKeys);
    EXPECT_EQ(0, main.Count(WM_HOTKEY));
    bStop = true;
    other.join();

    ASSERT_TRUE(BringToFront(main.hwnd));
    EXPECT_EQ(1, GXCloseInput());
    EXPECT_EQ(0, GXCloseInput());
    main.log.clear();
    PressKey(VK_F1);
    EXPECT_TRUE(PumpUntil([&] { return KeyDowns(VK_F1) == 1; }));
    EXPECT_EQ(0, main.Count(WM_HOTKEY));
}

} // namespace
