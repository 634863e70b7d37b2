// Timers of the user-interface thread's windows.
#pragma once

#include <windows.h>

// Only the thread that owns hwnd may arm or kill its timers: Windows refuses
// the call from any other thread, and so do these (Wine would let it pass).
// Such a call returns 0 with ERROR_ACCESS_DENIED.
UINT_PTR SetUiTimer(HWND hwnd, UINT_PTR nId, UINT uElapse, TIMERPROC pfnTimer = NULL);
BOOL KillUiTimer(HWND hwnd, UINT_PTR nId);

// Nonzero when the calling thread owns hwnd.
BOOL IsWindowThread(HWND hwnd);
