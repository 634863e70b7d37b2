#include "tests/stress/process_counters.h"

#include <psapi.h>
#include <winternl.h>

#include <stdio.h>
#include <stdlib.h>

namespace {

const char* g_pszGdi = "GetGuiResources";
const char* g_pszHandles = "GetProcessHandleCount";
const char* g_pszPrivate = "GetProcessMemoryInfo";

// Wine keeps each process's GDI handles in a table its PEB names, laid out
// as Windows laid out its shared table: 24-byte entries, a type byte at 14
// that is 0 for a free entry.
const size_t kGdiEntries = 0x10000, kGdiEntryBytes = 24, kGdiTypeAt = 14, kPebGdiTable = 0xF8;

long CountGdiTable(HANDLE hProcess)
{
    PROCESS_BASIC_INFORMATION pbi = {};
    ULONG cbGot = 0;
    UINT64 nTable = 0;
    if (NtQueryInformationProcess(hProcess, ProcessBasicInformation, &pbi, sizeof(pbi), &cbGot) != 0 ||
        !ReadProcessMemory(hProcess, reinterpret_cast<BYTE*>(pbi.PebBaseAddress) + kPebGdiTable, &nTable,
                           sizeof(nTable), NULL) ||
        !nTable)
        return -1;
    const size_t cb = kGdiEntries * kGdiEntryBytes;
    BYTE* pTable = static_cast<BYTE*>(malloc(cb));
    SIZE_T cbRead = 0;
    long n = -1;
    if (pTable && ReadProcessMemory(hProcess, reinterpret_cast<void*>(nTable), pTable, cb, &cbRead) && cbRead == cb)
    {
        n = 0;
        for (size_t i = 0; i < kGdiEntries; ++i)
            n += pTable[i * kGdiEntryBytes + kGdiTypeAt] != 0;
    }
    free(pTable);
    return n;
}

// The system's handle list (information class 16) gives each handle with
// its owner's id.
struct SystemHandle { ULONG nPid; BYTE nType, nFlags; USHORT nHandle; PVOID pObject; ACCESS_MASK access; };
struct SystemHandles { ULONG nCount; SystemHandle rg[1]; };
const NTSTATUS kInfoLengthMismatch = static_cast<NTSTATUS>(0xC0000004);

long CountSystemHandles(DWORD dwPid)
{
    for (ULONG cb = 1 << 20; cb <= (1u << 28); cb *= 2)
    {
        SystemHandles* p = static_cast<SystemHandles*>(malloc(cb));
        ULONG cbNeeded = 0;
        const NTSTATUS status =
            p ? NtQuerySystemInformation(static_cast<SYSTEM_INFORMATION_CLASS>(16), p, cb, &cbNeeded) : -1;
        long n = status == 0 ? 0 : -1;
        for (ULONG i = 0; status == 0 && i < p->nCount; ++i)
            n += p->rg[i].nPid == dwPid;
        free(p);
        if (status != kInfoLengthMismatch)
            return n;
    }
    return -1;
}

// Committed private memory, the figure Windows calls private bytes.
long long WalkPrivateBytes(void)
{
    long long cb = 0;
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

long ReadGdiObjects(HANDLE hProcess)
{
    const DWORD n = GetGuiResources(hProcess, GR_GDIOBJECTS);
    if (n)
        return static_cast<long>(n);
    g_pszGdi = "the process's GDI handle table";
    return CountGdiTable(hProcess);
}

long long ReadPrivateBytes(HANDLE hProcess)
{
    PROCESS_MEMORY_COUNTERS_EX pmc = {};
    pmc.cb = sizeof(pmc);
    if (!GetProcessMemoryInfo(hProcess, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pmc), sizeof(pmc)))
        return -1;
    if (pmc.PrivateUsage)
        return static_cast<long long>(pmc.PrivateUsage);
    // Wine leaves PrivateUsage 0. Our own address space can be walked; of
    // another process Wine gives the private pages as PagefileUsage, which
    // Windows keeps equal to it.
    if (GetProcessId(hProcess) == GetCurrentProcessId())
    {
        g_pszPrivate = "VirtualQuery walk";
        return WalkPrivateBytes();
    }
    g_pszPrivate = "PagefileUsage";
    return static_cast<long long>(pmc.PagefileUsage);
}

ProcessCounters ReadProcessCounters(HANDLE hProcess)
{
    ProcessCounters c = {ReadGdiObjects(hProcess), -1, ReadPrivateBytes(hProcess), -1};
    DWORD dwHandles = 0;
    if (GetProcessHandleCount(hProcess, &dwHandles) && dwHandles)
        c.nHandles = static_cast<long>(dwHandles);
    else
    {
        g_pszHandles = "the system's handle list";
        c.nHandles = CountSystemHandles(GetProcessId(hProcess));
    }
    PROCESS_MEMORY_COUNTERS pmc = {};
    pmc.cb = sizeof(pmc);
    if (GetProcessMemoryInfo(hProcess, &pmc, sizeof(pmc)))
        c.cbPeakWorkingSet = static_cast<long long>(pmc.PeakWorkingSetSize);
    return c;
}

const char* CounterMethods(void)
{
    static char s_sz[160];
    snprintf(s_sz, sizeof(s_sz), "GDI objects by %s, handles by %s, private bytes by %s", g_pszGdi, g_pszHandles,
             g_pszPrivate);
    return s_sz;
}

bool ProveCounters(char* pszWhy, size_t cchWhy)
{
    const ProcessCounters before = ReadProcessCounters(GetCurrentProcess());
    // The peak can stand above what is resident now (memory start-up touched
    // and gave back): the block lifts it above the resident memory, which
    // may stay below the old peak plus the block.
    PROCESS_MEMORY_COUNTERS pmc = {};
    pmc.cb = sizeof(pmc);
    const long long cbResident = GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof(pmc))
                                     ? static_cast<long long>(pmc.WorkingSetSize) : before.cbPeakWorkingSet;
    HBITMAP hbm = CreateBitmap(8, 8, 1, 1, NULL);
    HANDLE hEvent = CreateEventW(NULL, TRUE, FALSE, NULL);
    const SIZE_T cbBlock = 64 << 20;
    void* pv = VirtualAlloc(NULL, cbBlock, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (pv)
        memset(pv, 1, cbBlock);
    const ProcessCounters during = ReadProcessCounters(GetCurrentProcess());
    if (pv)
        VirtualFree(pv, 0, MEM_RELEASE);
    if (hEvent)
        CloseHandle(hEvent);
    if (hbm)
        DeleteObject(hbm);
    const ProcessCounters after = ReadProcessCounters(GetCurrentProcess());
    if (!hbm || !hEvent || !pv)
        snprintf(pszWhy, cchWhy, "the probe objects could not be made");
    else if (before.nGdiObjects < 0 || during.nGdiObjects != before.nGdiObjects + 1 ||
             after.nGdiObjects != before.nGdiObjects)
        snprintf(pszWhy, cchWhy, "GDI count %ld -> %ld -> %ld does not follow one bitmap", before.nGdiObjects,
                 during.nGdiObjects, after.nGdiObjects);
    else if (before.nHandles < 0 || during.nHandles != before.nHandles + 1 || after.nHandles != before.nHandles)
        snprintf(pszWhy, cchWhy, "handle count %ld -> %ld -> %ld does not follow one event", before.nHandles,
                 during.nHandles, after.nHandles);
    else if (during.cbPrivate < before.cbPrivate + static_cast<long long>(cbBlock) || after.cbPrivate >= during.cbPrivate)
        snprintf(pszWhy, cchWhy, "private bytes %lld -> %lld -> %lld do not follow a 64 MiB block", before.cbPrivate,
                 during.cbPrivate, after.cbPrivate);
    else if (during.cbPeakWorkingSet < cbResident + static_cast<long long>(cbBlock))
        snprintf(pszWhy, cchWhy, "the peak working set %lld (%lld resident) -> %lld does not follow a 64 MiB block",
                 before.cbPeakWorkingSet, cbResident, during.cbPeakWorkingSet);
    else
        return true;
    return false;
}
