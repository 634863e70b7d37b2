#include <gtest/gtest.h>

#include <windows.h>

#include "viewer/common/worker_thread.h"

namespace {

// Polls the stop request; counts how many bodies run at once and how many
// ended by their own loop.
class CPollingThread : public CWorkerThread
{
public:
    ~CPollingThread() override
    {
        Stop();
        CloseHandle(hStarted);
    }

    DWORD Run() override
    {
        LONG nNow = InterlockedIncrement(&nActive);
        if (nNow > nMaxActive)
            nMaxActive = nNow;
        SetEvent(hStarted);
        while (!IsStopRequested())
            Sleep(5);
        InterlockedDecrement(&nActive);
        InterlockedIncrement(&nFinished);
        return 7;
    }

    HANDLE Handle() const { return m_hThread; }

    HANDLE hStarted = CreateEventW(NULL, FALSE, FALSE, NULL);
    volatile LONG nActive = 0, nMaxActive = 0, nFinished = 0;
};

// Never looks at the stop request.
class CStubbornThread : public CWorkerThread
{
public:
    CStubbornThread() { SetStopWaits(50, 100); }
    ~CStubbornThread() override { Stop(); }

    DWORD Run() override
    {
        for (;;)
            Sleep(10);
    }
};

// Sends a message to a window of the stopping thread once asked to stop:
// a plain wait on the thread would deadlock here.
class CSendingThread : public CWorkerThread
{
public:
    explicit CSendingThread(HWND hwnd) : m_hwnd(hwnd) { SetStopWaits(3000, 3000); }
    ~CSendingThread() override { Stop(); }

    DWORD Run() override
    {
        while (!IsStopRequested())
            Sleep(5);
        SendMessageW(m_hwnd, WM_APP, 0, 0);
        bFinished = 1;
        return 0;
    }

    volatile LONG bFinished = 0;

private:
    HWND m_hwnd;
};

volatile LONG g_nAppMessages;

LRESULT CALLBACK CountingWndProc(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    g_nAppMessages += uMsg == WM_APP;
    return DefWindowProcW(hwnd, uMsg, wParam, lParam);
}

} // namespace

// Stop ends the thread through its own loop, also when it was created
// suspended, and clears the handle; each start stops the thread before it.
TEST(WorkerThread, StopIsCooperativeAndStartReplacesTheThread)
{
    CPollingThread thread;
    thread.SetPriority(THREAD_PRIORITY_IDLE); // no thread: nothing to do
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
    thread.SetPriority(THREAD_PRIORITY_IDLE);
    EXPECT_EQ(THREAD_PRIORITY_IDLE, GetThreadPriority(thread.Handle()));
    EXPECT_EQ(3, thread.nFinished);
    EXPECT_EQ(1, thread.nMaxActive);
    thread.Stop();
    EXPECT_EQ(4, thread.nFinished);
    thread.Stop(); // nothing runs: a no-op
    EXPECT_FALSE(thread.IsRunning());
}

TEST(WorkerThread, ThreadIgnoringTheStopIsTerminated)
{
    CStubbornThread thread;
    ASSERT_TRUE(thread.Start(0));
    DWORD dwStart = GetTickCount();
    thread.Stop();
    EXPECT_GE(GetTickCount() - dwStart, 140u); // both waits ran out
    EXPECT_FALSE(thread.IsRunning());
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
    CSendingThread thread(hwnd);
    ASSERT_TRUE(thread.Start(0));
    thread.Stop();
    EXPECT_EQ(1, thread.bFinished) << "the thread was terminated instead of finishing";
    EXPECT_EQ(1, g_nAppMessages);
    DestroyWindow(hwnd);
}
