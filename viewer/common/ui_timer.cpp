#include "viewer/common/ui_timer.h"

BOOL IsWindowThread(HWND hwnd)
{
    return GetWindowThreadProcessId(hwnd, NULL) == GetCurrentThreadId();
}

// Refusing here makes Wine, which would let the call pass, behave as Windows
// does, so a misplaced call shows up in the tests.
UINT_PTR SetUiTimer(HWND hwnd, UINT_PTR nId, UINT uElapse, TIMERPROC pfnTimer)
{
    if (!IsWindowThread(hwnd))
    {
        SetLastError(ERROR_ACCESS_DENIED);
        return 0;
    }
    return SetTimer(hwnd, nId, uElapse, pfnTimer);
}

BOOL KillUiTimer(HWND hwnd, UINT_PTR nId)
{
    if (!IsWindowThread(hwnd))
    {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    return KillTimer(hwnd, nId);
}
