// The guard around each input: a watchdog thread that calls an input slower
// than the hang limit a hang (and ends the process when it never returns),
// and a last-chance handler that saves the input of a crash before the
// process ends. Both write the input first, so nothing found is lost.
#pragma once

#include <windows.h>

#include <string>

#include "tests/fuzz/fuzz_mutate.h"

enum
{
    FUZZ_HANG_MS = 2000,            // an input slower than this is a hang
    FUZZ_STUCK_MS = 60000,          // one slower than this is never coming back
    FUZZ_EXIT_CRASH = 3,
    FUZZ_EXIT_STUCK = 4
};

// Starts the watchdog and installs the crash handlers. Found inputs go to
// <folder>\crashes and <folder>\hangs.
bool StartWatch(const std::wstring& folder);
void StopWatch(void);

// Brackets one input. The data must stay alive and unchanged until EndInput.
// pszName names the input in file names and reports ("jpeg-s1-i42").
void BeginInput(const char* pszName, const char* pszExt, const FuzzBytes* pData);
// Starts the next reader call of the same input: the hang limit is for one
// call (a decode for the window, another for the thumbnail worker), as a
// user waits for each apart.
void NextStep(void);
// Milliseconds the slowest call of the input took; the hang (if any) is
// already reported.
DWORD EndInput(void);
LONG HangCount(void);
// Saves the current input under <folder>\<kind>\ and prints its name.
void SaveCurrentInput(const char* pszKind);
