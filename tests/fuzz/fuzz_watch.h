// The guard around each input: a watchdog thread that calls an input slower
// than the hang limit a hang (and ends the process when it never returns),
// and a last-chance handler that saves the input of a crash before the
// process ends. Both write the input first, so nothing found is lost.
#pragma once

#include <windows.h>

#include <string>

#include "tests/fuzz/fuzz_mutate.h"

// A reader call is timed by the processor time of the driver's thread, so
// that other work on a shared machine does not count against it; a call
// that waits (a lock, a deadlock) burns none, so the time on the clock
// has a limit too. A 160-megapixel picture at the budget's edge takes
// 1.5 s of processor time on an idle machine and 2.2 s while the other core
// is busy (shared caches), so the limit leaves room for that.
enum
{
    FUZZ_HANG_MS = 5000,            // a call that computes longer than this is a hang
    FUZZ_WAIT_HANG_MS = 10000,      // so is one that takes longer than this on the clock
    FUZZ_STUCK_MS = 60000,          // one slower than this is never coming back
    FUZZ_EXIT_CRASH = 3,
    FUZZ_EXIT_STUCK = 4
};

// What the watchdog found so far.
struct WatchFigures
{
    volatile LONG nHangs;
    DWORD dwSlowestWallMs; // the slowest call on the clock
};
extern WatchFigures g_watch;

// Found inputs go to <folder>\<kind>\.
bool StartWatch(const std::wstring& folder);
void StopWatch(void);
// Brackets one input; the data must stay alive and unchanged until EndInput.
// pszName names the input in file names and reports ("jpeg-s1-i42").
void BeginInput(const char* pszName, const char* pszExt, const FuzzBytes* pData);
// The hang limit is for one reader call (a decode for the window, another
// for the thumbnail worker), as a user waits for each apart.
void NextStep(void);
// Processor milliseconds of the input's slowest call.
DWORD EndInput(void);
void SaveCurrentInput(const char* pszKind);
