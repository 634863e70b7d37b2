// Waiting for a thread from a thread that owns windows.
#pragma once

#include <windows.h>

// Waits up to dwMilliseconds for hObject while still serving messages that
// other threads send to this thread's windows. A worker that SendMessage()s
// to us while we wait for it would otherwise deadlock. Posted messages stay
// queued. Returns WAIT_OBJECT_0, WAIT_TIMEOUT or WAIT_FAILED.
DWORD WaitServingSentMessages(HANDLE hObject, DWORD dwMilliseconds);

// Ends a thread that was asked to stop: waits dwFirstMs, then dwSecondMs
// more (both serving sent messages), then terminates it with exit code -1.
// The handle stays open.
void WaitThenTerminate(HANDLE hThread, DWORD dwFirstMs, DWORD dwSecondMs);
