// The process's resource counters the driver watches for leaks: GDI
// objects, kernel handles and private bytes, and the peak of the last.
#pragma once

#include <windows.h>

struct FuzzCounters
{
    DWORD nGdiObjects;
    DWORD nHandles;
    unsigned long long cbPrivate;
    unsigned long long cbPeakWorkingSet; // the most memory the process ever had resident
};

// Checks once that each counter sees one object made and freed; false, with
// the reason in pszWhy, when a counter cannot tell (a leak would then go
// unseen).
bool ProveCounters(char* pszWhy, size_t cchWhy);
FuzzCounters ReadCounters(void);
// Private bytes alone, cheap enough to read around every input.
unsigned long long ReadPrivateBytes(void);
// How the counters are read: the system's own figures, or walks over the
// handle tables and the address space where the system gives none (Wine).
const char* CountMethods(void);
