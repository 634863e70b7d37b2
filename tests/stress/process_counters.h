// What the harnesses watch for leaks in a process, the driver's own or the
// viewer's: GDI objects, kernel handles, private bytes and the peak working
// set. Where Wine answers 0, each is read another way.
#pragma once

#include <windows.h>

// -1 for a counter that cannot be read; the peak working set is the most
// memory the process ever had resident.
struct ProcessCounters { long nGdiObjects, nHandles; long long cbPrivate, cbPeakWorkingSet; };

ProcessCounters ReadProcessCounters(HANDLE hProcess);
long ReadGdiObjects(HANDLE hProcess);
// Cheap enough to read around every fuzz input.
long long ReadPrivateBytes(HANDLE hProcess);
// How the last counters were read, for the report.
const char* CounterMethods(void);
// Checks that each counter of this process follows one object made and
// freed; false, with the reason, when one cannot (a leak would go unseen).
bool ProveCounters(char* pszWhy, size_t cchWhy);
