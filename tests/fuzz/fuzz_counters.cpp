#include "tests/fuzz/fuzz_counters.h"

#include <psapi.h>
#include <stdio.h>

namespace {

bool g_bWalkGdi = false;
bool g_bWalkHandles = false;
bool g_bWalkMemory = false;
ULONG_PTR g_nHandleWalkEnd = 0x4000;

// Wine answers GetGuiResources with 0. Its GDI handles carry the table index
// in their low 16 bits and accept a zero high word, so the live objects can
// be counted by asking each index for its type.
DWORD CountGdiByWalk(void)
{
    DWORD n = 0;
    for (ULONG_PTR i = 1; i < 0x10000; ++i)
        if (GetObjectType(reinterpret_cast<HGDIOBJ>(i)))
            ++n;
    return n;
}

// Wine answers GetProcessHandleCount with 0 too. Kernel handles are
// multiples of 4 given out lowest first, so a walk that reaches well past
// the highest one seen finds them all; it widens when handles come near its
// end. Each probe is a server call, hence the bound.
DWORD CountHandlesByWalk(void)
{
    for (;;)
    {
        DWORD n = 0;
        ULONG_PTR nHighest = 0;
        for (ULONG_PTR h = 4; h < g_nHandleWalkEnd; h += 4)
        {
            DWORD dwFlags = 0;
            if (GetHandleInformation(reinterpret_cast<HANDLE>(h), &dwFlags))
            {
                ++n;
                nHighest = h;
            }
        }
        if (nHighest + 0x1000 < g_nHandleWalkEnd)
            return n;
        g_nHandleWalkEnd *= 2;
    }
}

// Committed private memory, the figure Windows calls private bytes.
unsigned long long PrivateBytesByWalk(void)
{
    unsigned long long cb = 0;
    MEMORY_BASIC_INFORMATION mbi;
    const BYTE* p = NULL;
    while (VirtualQuery(p, &mbi, sizeof(mbi)) == sizeof(mbi))
    {
        if (mbi.State == MEM_COMMIT && mbi.Type == MEM_PRIVATE)
            cb += mbi.RegionSize;
        const BYTE* pNext = static_cast<const BYTE*>(mbi.BaseAddress) + mbi.RegionSize;
        if (pNext <= p)
            break;
        p = pNext;
    }
    return cb;
}

} // namespace

const char* CountMethods(void)
{
    static char s_sz[160];
    snprintf(s_sz, sizeof(s_sz), "GDI objects by %s, handles by %s, private bytes by %s",
             g_bWalkGdi ? "GDI table walk" : "GetGuiResources",
             g_bWalkHandles ? "handle walk" : "GetProcessHandleCount",
             g_bWalkMemory ? "VirtualQuery walk" : "GetProcessMemoryInfo");
    return s_sz;
}

unsigned long long ReadPrivateBytes(void)
{
    if (g_bWalkMemory)
        return PrivateBytesByWalk();
    PROCESS_MEMORY_COUNTERS_EX pmc = {};
    pmc.cb = sizeof(pmc);
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pmc), sizeof(pmc));
    return pmc.PrivateUsage;
}

FuzzCounters ReadCounters(void)
{
    FuzzCounters c = {};
    c.nGdiObjects = g_bWalkGdi ? CountGdiByWalk() : GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    if (g_bWalkHandles)
        c.nHandles = CountHandlesByWalk();
    else
        GetProcessHandleCount(GetCurrentProcess(), &c.nHandles);
    PROCESS_MEMORY_COUNTERS_EX pmc = {};
    pmc.cb = sizeof(pmc);
    if (GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pmc), sizeof(pmc)))
    {
        c.cbPrivate = pmc.PrivateUsage;
        c.cbPeakWorkingSet = pmc.PeakWorkingSetSize;
    }
    if (g_bWalkMemory)
        c.cbPrivate = PrivateBytesByWalk();
    return c;
}

bool ProveCounters(char* pszWhy, size_t cchWhy)
{
    g_bWalkGdi = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS) == 0;
    DWORD nHandles = 0;
    g_bWalkHandles = !GetProcessHandleCount(GetCurrentProcess(), &nHandles) || nHandles == 0;
    g_bWalkMemory = ReadCounters().cbPrivate == 0;

    const FuzzCounters before = ReadCounters();
    HBITMAP hbm = CreateBitmap(8, 8, 1, 1, NULL);
    HANDLE hEvent = CreateEventW(NULL, TRUE, FALSE, NULL);
    const SIZE_T cbBlock = 64 << 20;
    void* pv = VirtualAlloc(NULL, cbBlock, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (pv)
        memset(pv, 1, cbBlock);
    const FuzzCounters during = ReadCounters();
    if (pv)
        VirtualFree(pv, 0, MEM_RELEASE);
    if (hEvent)
        CloseHandle(hEvent);
    if (hbm)
        DeleteObject(hbm);
    const FuzzCounters after = ReadCounters();
    if (!hbm || !hEvent || !pv)
        snprintf(pszWhy, cchWhy, "the probe objects could not be made");
    else if (during.nGdiObjects != before.nGdiObjects + 1 || after.nGdiObjects != before.nGdiObjects)
        snprintf(pszWhy, cchWhy, "GDI count %lu -> %lu -> %lu does not follow one bitmap", before.nGdiObjects,
                 during.nGdiObjects, after.nGdiObjects);
    else if (during.nHandles != before.nHandles + 1 || after.nHandles != before.nHandles)
        snprintf(pszWhy, cchWhy, "handle count %lu -> %lu -> %lu does not follow one event", before.nHandles,
                 during.nHandles, after.nHandles);
    else if (during.cbPrivate < before.cbPrivate + cbBlock || after.cbPrivate >= during.cbPrivate)
        snprintf(pszWhy, cchWhy, "private bytes %llu -> %llu -> %llu do not follow a 64 MiB block", before.cbPrivate,
                 during.cbPrivate, after.cbPrivate);
    else if (during.cbPeakWorkingSet < before.cbPeakWorkingSet + cbBlock)
        snprintf(pszWhy, cchWhy, "the peak working set %llu -> %llu does not follow a 64 MiB block",
                 before.cbPeakWorkingSet, during.cbPeakWorkingSet);
    else
        return true;
    return false;
}
