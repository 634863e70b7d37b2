#include <gtest/gtest.h>

#include <windows.h>

#include "viewer/common/worker_thread.h"

namespace {

// Counts how many bodies run at once and how each one ended.
struct RunLog
{
    volatile LONG nActive;
    volatile LONG nMaxActive;
    volatile LONG nStarted;
    volatile LONG nFinished;
};

class CPollingThread : public CWorkerThread
{
public:
    explicit CPollingThread(RunLog* pLog) : m_pLog(pLog) {}
    ~CPollingThread() override { Stop(); }

    DWORD Run() override
    {
        LONG nNow = InterlockedIncrement(&m_pLog->nActive);
        if (nNow > m_pLog->nMaxActive)
            m_pLog->nMaxActive = nNow;
        InterlockedIncrement(&m_pLog->nStarted);
        while (!IsStopRequested())
            Sleep(5);
        InterlockedDecrement(&m_pLog->nActive);
        InterlockedIncrement(&m_pLog->nFinished);
        return 7;
    }

    HANDLE Handle() const { return m_hThread; }

private:
    RunLog* m_pLog;
};

// Never looks at the stop request.
class CStubbornThread : public CWorkerThread
{
public:
    explicit CStubbornThread(volatile LONG* pbFinished) : m_pbFinished(pbFinished) { SetStopWaits(50, 100); }
    ~CStubbornThread() override { Stop(); }

    DWORD Run() override
    {
        for (;;)
            Sleep(10);
        *m_pbFinished = 1; // unreachable: the fallback must end the thread
        return 0;
    }

private:
    volatile LONG* m_pbFinished;
};

// Sends a message to a window of the stopping thread once asked to stop:
// a plain wait on the thread would deadlock here.
class CSendingThread : public CWorkerThread
{
public:
    CSendingThread(HWND hwnd, volatile LONG* pbFinished) : m_hwnd(hwnd), m_pbFinished(pbFinished)
    {
        SetStopWaits(3000, 3000);
    }
    ~CSendingThread() override { Stop(); }

    DWORD Run() override
    {
        while (!IsStopRequested())
            Sleep(5);
        SendMessageW(m_hwnd, WM_APP, 0, 0);
        *m_pbFinished = 1;
        return 0;
    }

private:
    HWND m_hwnd;
    volatile LONG* m_pbFinished;
};

bool WaitFor(volatile LONG* pValue, LONG nWanted, DWORD dwTimeout)
{
    DWORD dwStart = GetTickCount();
    while (*pValue != nWanted)
    {
        if (GetTickCount() - dwStart > dwTimeout)
            return false;
        Sleep(2);
    }
    return true;
}

volatile LONG g_nAppMessages;

LRESULT CALLBACK CountingWndProc(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (uMsg == WM_APP)
    {
        InterlockedIncrement(&g_nAppMessages);
        return 0;
    }
    return DefWindowProcW(hwnd, uMsg, wParam, lParam);
}

} // namespace

TEST(WorkerThread, CooperativeStopIsPromptAndClearsTheHandle)
{
    RunLog log = {};
    CPollingThread thread(&log);
    EXPECT_FALSE(thread.IsRunning());
    thread.SetPriority(THREAD_PRIORITY_IDLE); // no thread: nothing to do
    ASSERT_TRUE(thread.Start(0));
    ASSERT_TRUE(WaitFor(&log.nStarted, 1, 5000));
    thread.SetPriority(THREAD_PRIORITY_IDLE);
    EXPECT_EQ(THREAD_PRIORITY_IDLE, GetThreadPriority(thread.Handle()));

    DWORD dwStart = GetTickCount();
    thread.Stop();
    EXPECT_LT(GetTickCount() - dwStart, 500u);
    EXPECT_EQ(1, log.nFinished);
    EXPECT_FALSE(thread.IsRunning());
    EXPECT_FALSE(thread.IsStopRequested());

    thread.Stop(); // nothing runs: a no-op
    EXPECT_FALSE(thread.IsRunning());
}

// Each start stops the thread before it; the destructor stops the last.
TEST(WorkerThread, StartStopsThePreviousThreadFirst)
{
    RunLog log = {};
    {
        CPollingThread thread(&log);
        for (LONG n = 1; n <= 3; ++n)
        {
            ASSERT_TRUE(thread.Start(0));
            ASSERT_TRUE(WaitFor(&log.nStarted, n, 5000));
        }
        EXPECT_EQ(2, log.nFinished);
        EXPECT_EQ(1, log.nMaxActive);
    }
    EXPECT_EQ(3, log.nFinished);
}

TEST(WorkerThread, SuspendedThreadIsResumedToSeeTheStop)
{
    RunLog log = {};
    CPollingThread thread(&log);
    ASSERT_TRUE(thread.Start(CREATE_SUSPENDED));
    Sleep(20);
    EXPECT_EQ(0, log.nStarted);
    DWORD dwStart = GetTickCount();
    thread.Stop();
    EXPECT_LT(GetTickCount() - dwStart, 500u);
    EXPECT_FALSE(thread.IsRunning());
}

TEST(WorkerThread, ThreadIgnoringTheStopIsTerminated)
{
    volatile LONG bFinished = 0;
    CStubbornThread thread(&bFinished);
    ASSERT_TRUE(thread.Start(0));
    Sleep(20);
    DWORD dwStart = GetTickCount();
    thread.Stop();
    DWORD dwElapsed = GetTickCount() - dwStart;
    EXPECT_GE(dwElapsed, 140u); // both waits ran out
    EXPECT_LT(dwElapsed, 2000u);
    EXPECT_FALSE(thread.IsRunning());
    EXPECT_EQ(0, bFinished);
}

TEST(WorkerThread, StopServesMessagesSentByTheStoppingThread)
{
    WNDCLASSW wc = {};
    wc.lpfnWndProc = CountingWndProc;
    wc.hInstance = GetModuleHandleW(NULL);
    wc.lpszClassName = L"WorkerThreadTestSink";
    RegisterClassW(&wc);
    HWND hwnd = CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 1, 1, HWND_MESSAGE, NULL, wc.hInstance, NULL);
    ASSERT_NE(nullptr, hwnd);

    g_nAppMessages = 0;
    volatile LONG bFinished = 0;
    {
        CSendingThread thread(hwnd, &bFinished);
        ASSERT_TRUE(thread.Start(0));
        Sleep(20);
        DWORD dwStart = GetTickCount();
        thread.Stop();
        EXPECT_LT(GetTickCount() - dwStart, 1000u);
    }
    EXPECT_EQ(1, bFinished) << "the thread was terminated instead of finishing";
    EXPECT_EQ(1, g_nAppMessages);
    DestroyWindow(hwnd);
}
