// The worker thread base, and the UI timers that only a window's own thread
// may arm.
#include <gtest/gtest.h>

#include <windows.h>
#include <thread>

#include "viewer/common/ui_timer.h"
#include "viewer/common/worker_thread.h"

namespace {

// Counts bodies running at once and ended by their own loop; a stubborn one
// never stops.
class CTestThread : public CWorkerThread
{
public:
    explicit CTestThread(bool bStubborn = false) : m_bStubborn(bStubborn)
    {
        SetStopWaits(bStubborn ? 50 : 3000, bStubborn ? 100 : 3000);
    }
    ~CTestThread() override { Stop(); CloseHandle(hStarted); }

    DWORD Run() override
    {
        if (const LONG nNow = InterlockedIncrement(&nActive); nNow > nMaxActive)
            nMaxActive = nNow;
        SetEvent(hStarted);
        while (m_bStubborn || !IsStopRequested())
            Sleep(5);
        InterlockedDecrement(&nActive);
        InterlockedIncrement(&nFinished);
        return 7;
    }

    HANDLE hStarted = CreateEventW(NULL, FALSE, FALSE, NULL);
    volatile LONG nActive = 0, nMaxActive = 0, nFinished = 0;

private:
    bool m_bStubborn;
};

} // namespace

// Stop ends the thread through its own loop, also when it was created
// suspended, and clears the handle; each start stops the thread before it.
TEST(WorkerThread, StopIsCooperativeAndStartReplacesTheThread)
{
    CTestThread thread;
    ASSERT_TRUE(thread.Start(CREATE_SUSPENDED));
    thread.Stop();
    EXPECT_EQ(1, thread.nFinished);
    EXPECT_FALSE(thread.IsRunning());
    EXPECT_FALSE(thread.IsStopRequested());
    for (int n = 0; n < 3; ++n)
    {
        ASSERT_TRUE(thread.Start(0));
        ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread.hStarted, 5000));
    }
    EXPECT_EQ(3, thread.nFinished);
    EXPECT_EQ(1, thread.nMaxActive);
    thread.Stop();
    EXPECT_EQ(4, thread.nFinished);
    thread.Stop(); // nothing runs: a no-op
    EXPECT_FALSE(thread.IsRunning());
    CTestThread stubborn(true);
    ASSERT_TRUE(stubborn.Start(0));
    DWORD dwStart = GetTickCount();
    stubborn.Stop();
    EXPECT_GE(GetTickCount() - dwStart, 140u) << "terminated before both waits ran out";
    EXPECT_FALSE(stubborn.IsRunning());
}

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
