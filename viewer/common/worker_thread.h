// Base of the objects that own one background thread.
#pragma once

#include <windows.h>

class CWorkerThread
{
public:
    CWorkerThread();
    virtual ~CWorkerThread();

    // Asks the thread to end, waits 1000 ms, then 50000 ms more, then
    // terminates it with exit code -1. Closes and clears the handle.
    virtual void Stop();

    // The thread's body; its result is the thread's exit code. Polls
    // IsStopRequested() to end early.
    virtual DWORD Run() = 0;

    // Stops a running thread first, then starts a new one.
    BOOL Start(DWORD dwCreationFlags);
    void SetPriority(int nPriority);

    BOOL IsRunning() const { return m_hThread != NULL; }
    BOOL IsStopRequested() const { return m_bStopRequest != 0; }

protected:
    // Test seam: the waits of Stop(). The program keeps the defaults.
    void SetStopWaits(DWORD dwFirstMs, DWORD dwSecondMs);

    HANDLE m_hThread;
    volatile LONG m_bStopRequest;
    DWORD m_dwThreadId;

private:
    static DWORD WINAPI ThreadEntry(LPVOID pvParam);

    DWORD m_dwFirstWaitMs;
    DWORD m_dwSecondWaitMs;

    CWorkerThread(const CWorkerThread&) = delete;
    CWorkerThread& operator=(const CWorkerThread&) = delete;
};
