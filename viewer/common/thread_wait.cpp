#include "viewer/common/thread_wait.h"

DWORD WaitServingSentMessages(HANDLE hObject, DWORD dwMilliseconds)
{
    const DWORD dwStart = GetTickCount();
    for (;;)
    {
        DWORD dwElapsed = GetTickCount() - dwStart;
        DWORD dwLeft = 0;
        if (dwMilliseconds == INFINITE)
            dwLeft = INFINITE;
        else if (dwElapsed < dwMilliseconds)
            dwLeft = dwMilliseconds - dwElapsed;

        DWORD dwResult = MsgWaitForMultipleObjects(1, &hObject, FALSE, dwLeft, QS_SENDMESSAGE);
        if (dwResult != WAIT_OBJECT_0 + 1)
            return dwResult;

        // PeekMessage delivers pending sent messages; PM_QS_SENDMESSAGE keeps
        // posted input and paints in the queue for the message loop.
        MSG msg;
        PeekMessageW(&msg, NULL, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        if (dwLeft == 0)
            return WaitForSingleObject(hObject, 0);
    }
}

void WaitThenTerminate(HANDLE hThread, DWORD dwFirstMs, DWORD dwSecondMs)
{
    DWORD dwWait = WaitServingSentMessages(hThread, dwFirstMs);
    if (dwWait != WAIT_OBJECT_0)
        dwWait = WaitServingSentMessages(hThread, dwSecondMs);
    if (dwWait != WAIT_OBJECT_0)
    {
        TerminateThread(hThread, (DWORD)-1);
        WaitForSingleObject(hThread, INFINITE);
    }
}
