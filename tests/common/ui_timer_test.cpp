#include <gtest/gtest.h>

#include <windows.h>
#include <thread>

#include "viewer/common/ui_timer.h"

// Wine lets any thread arm a window's timer where Windows refuses: the helper
// refuses it on both, so the tests under Wine catch the mistake.
TEST(UiTimer, OnlyTheOwningThreadArmsTimers)
{
    HWND hwnd = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 1, 1, NULL, NULL, GetModuleHandleW(NULL), NULL);
    ASSERT_NE(nullptr, hwnd);
    EXPECT_TRUE(IsWindowThread(hwnd));
    ASSERT_EQ(101u, SetUiTimer(hwnd, 101, 10000));
    UINT_PTR nSet = 1;
    DWORD dwError = 0;
    BOOL bKilled = TRUE;
    std::thread([&] {
        EXPECT_FALSE(IsWindowThread(hwnd));
        SetLastError(0);
        nSet = SetUiTimer(hwnd, 100, 10);
        dwError = GetLastError();
        bKilled = KillUiTimer(hwnd, 101);
    }).join();
    EXPECT_EQ(0u, nSet);
    EXPECT_EQ((DWORD)ERROR_ACCESS_DENIED, dwError);
    EXPECT_FALSE(bKilled);
    EXPECT_TRUE(KillUiTimer(hwnd, 101)) << "the owner's timer survived the worker's kill";
    DestroyWindow(hwnd);
}
