#include <gtest/gtest.h>

#include <windows.h>

#include "viewer/common/ui_timer.h"

namespace {

struct TimerCall
{
    HWND hwnd;
    UINT_PTR nSetResult;
    DWORD dwSetError;
    BOOL bKillResult;
};

DWORD WINAPI ArmFromWorker(LPVOID pv)
{
    TimerCall* pCall = static_cast<TimerCall*>(pv);
    SetLastError(0);
    pCall->nSetResult = SetUiTimer(pCall->hwnd, 100, 10);
    pCall->dwSetError = GetLastError();
    pCall->bKillResult = KillUiTimer(pCall->hwnd, 101);
    return 0;
}

} // namespace

TEST(UiTimer, OnlyTheOwningThreadArmsTimers)
{
    HWND hwnd = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 1, 1, NULL, NULL, GetModuleHandleW(NULL), NULL);
    ASSERT_NE(nullptr, hwnd);
    EXPECT_TRUE(IsWindowThread(hwnd));
    ASSERT_EQ(101u, SetUiTimer(hwnd, 101, 10000));

    TimerCall call = {hwnd, 1, 0, TRUE};
    HANDLE hThread = CreateThread(NULL, 0, ArmFromWorker, &call, 0, NULL);
    ASSERT_NE(nullptr, hThread);
    WaitForSingleObject(hThread, 5000);
    CloseHandle(hThread);

    EXPECT_EQ(0u, call.nSetResult);
    EXPECT_EQ((DWORD)ERROR_ACCESS_DENIED, call.dwSetError);
    EXPECT_FALSE(call.bKillResult);

    // No timer 100 arrives, and the owner's timer 101 survived the worker's kill.
    MSG msg;
    Sleep(50);
    EXPECT_FALSE(PeekMessageW(&msg, hwnd, WM_TIMER, WM_TIMER, PM_NOREMOVE) && msg.wParam == 100);
    EXPECT_TRUE(KillUiTimer(hwnd, 101));
    DestroyWindow(hwnd);
}
