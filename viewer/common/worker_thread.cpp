#include "viewer/common/worker_thread.h"

#include "viewer/common/thread_wait.h"

static const DWORD kStopFirstWaitMs = 1000;
static const DWORD kStopSecondWaitMs = 50000;

CWorkerThread::CWorkerThread()
    : m_hThread(NULL),
      m_bStopRequest(0),
      m_dwThreadId(0),
      m_dwFirstWaitMs(kStopFirstWaitMs),
      m_dwSecondWaitMs(kStopSecondWaitMs)
{
}

CWorkerThread::~CWorkerThread()
{
    // Derived parts are gone by now, so derived classes whose Run uses their
    // own members must stop in their own destructors; this is the last guard.
    CWorkerThread::Stop();
}

DWORD WINAPI CWorkerThread::ThreadEntry(LPVOID pvParam)
{
    CWorkerThread* pThread = static_cast<CWorkerThread*>(pvParam);
    if (!pThread)
        return (DWORD)-1;
    return pThread->Run();
}

BOOL CWorkerThread::Start(DWORD dwCreationFlags)
{
    Stop();
    m_bStopRequest = 0;
    m_hThread = CreateThread(NULL, 0, ThreadEntry, this, dwCreationFlags, &m_dwThreadId);
    return m_hThread != NULL;
}

void CWorkerThread::Stop()
{
    if (!m_hThread)
        return;

    InterlockedExchange(&m_bStopRequest, 1);
    // The thread may be created suspended; it cannot see the request then.
    DWORD dwPrevCount;
    do
        dwPrevCount = ResumeThread(m_hThread);
    while (dwPrevCount != (DWORD)-1 && dwPrevCount > 1);
    WaitThenTerminate(m_hThread, m_dwFirstWaitMs, m_dwSecondWaitMs);

    CloseHandle(m_hThread);
    m_hThread = NULL;
    m_dwThreadId = 0;
    m_bStopRequest = 0;
}

void CWorkerThread::SetPriority(int nPriority)
{
    if (m_hThread)
        SetThreadPriority(m_hThread, nPriority);
}

void CWorkerThread::SetStopWaits(DWORD dwFirstMs, DWORD dwSecondMs)
{
    m_dwFirstWaitMs = dwFirstMs;
    m_dwSecondWaitMs = dwSecondMs;
}
