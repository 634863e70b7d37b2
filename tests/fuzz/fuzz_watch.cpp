#include "tests/fuzz/fuzz_watch.h"

#include <signal.h>
#include <stdio.h>

#include <exception>

namespace {

std::wstring g_folder;
HANDLE g_hStop = NULL;
HANDLE g_hThread = NULL;
CRITICAL_SECTION g_cs;
// The input in flight, guarded by g_cs for the watchdog.
char g_szName[96];
char g_szExt[8];
const FuzzBytes* g_pData = NULL;
HANDLE g_hFuzzThread = NULL;   // the thread that runs the inputs
DWORD g_dwStart = 0;           // the call's start on the clock
ULONGLONG g_qwCpuStart = 0;    // and in processor time
DWORD g_dwSlowestStep = 0;     // processor ms of the input's slowest call
LONG g_nSerial = 0;
LONG g_nReportedSerial = -1;

void SaveLocked(const char* pszKind)
{
    if (!g_pData)
        return;
    wchar_t szPath[MAX_PATH];
    _snwprintf_s(szPath, MAX_PATH, _TRUNCATE, L"%ls\\%hs", g_folder.c_str(), pszKind);
    CreateDirectoryW(szPath, NULL);
    _snwprintf_s(szPath, MAX_PATH, _TRUNCATE, L"%ls\\%hs\\%hs%hs", g_folder.c_str(), pszKind, g_szName, g_szExt);
    HANDLE h = CreateFileW(szPath, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (h != INVALID_HANDLE_VALUE)
    {
        DWORD cbDone = 0;
        WriteFile(h, g_pData->data(), static_cast<DWORD>(g_pData->size()), &cbDone, NULL);
        CloseHandle(h);
    }
    printf("FUZZ-%s %s%s (%u bytes) saved in %ls\n", pszKind, g_szName, g_szExt,
           static_cast<unsigned>(g_pData->size()), szPath);
    fflush(stdout);
}

ULONGLONG CpuMs(void)
{
    FILETIME ftCreate, ftExit, ftKernel, ftUser;
    if (!GetThreadTimes(g_hFuzzThread, &ftCreate, &ftExit, &ftKernel, &ftUser))
        return 0;
    const ULONGLONG qwKernel = (static_cast<ULONGLONG>(ftKernel.dwHighDateTime) << 32) | ftKernel.dwLowDateTime;
    const ULONGLONG qwUser = (static_cast<ULONGLONG>(ftUser.dwHighDateTime) << 32) | ftUser.dwLowDateTime;
    return (qwKernel + qwUser) / 10000;
}

// Times the current call so far and reports it once when it is a hang
// (the watchdog may have been kept from running by a busy machine, so the
// call's end looks too).
void TimeCallLocked(const char* pszVerb, DWORD* pdwCpu, DWORD* pdwWall)
{
    *pdwWall = GetTickCount() - g_dwStart;
    *pdwCpu = static_cast<DWORD>(CpuMs() - g_qwCpuStart);
    if ((*pdwCpu > FUZZ_HANG_MS || *pdwWall > FUZZ_WAIT_HANG_MS) && g_nReportedSerial != g_nSerial)
    {
        g_nReportedSerial = g_nSerial;
        InterlockedIncrement(&g_watch.nHangs);
        printf("FUZZ-HANG %s: a call %s %lu ms of processor time, %lu ms on the clock\n", g_szName, pszVerb, *pdwCpu,
               *pdwWall);
        SaveLocked("hang");
    }
}

// Ends the current call's timing, keeping the slowest, and starts the next.
void CloseStepLocked(void)
{
    DWORD dwCpu = 0, dwWall = 0;
    TimeCallLocked("took", &dwCpu, &dwWall);
    g_dwSlowestStep = dwCpu > g_dwSlowestStep ? dwCpu : g_dwSlowestStep;
    g_watch.dwSlowestWallMs = dwWall > g_watch.dwSlowestWallMs ? dwWall : g_watch.dwSlowestWallMs;
    g_dwStart = GetTickCount();
    g_qwCpuStart = CpuMs();
}

DWORD WINAPI WatchThread(void*)
{
    while (WaitForSingleObject(g_hStop, 50) == WAIT_TIMEOUT)
    {
        EnterCriticalSection(&g_cs);
        DWORD dwCpu = 0, dwWall = 0;
        if (g_pData)
            TimeCallLocked("passed", &dwCpu, &dwWall);
        if (dwWall > FUZZ_STUCK_MS)
        {
            printf("FUZZ-STUCK %s did not return in %lu ms\n", g_szName, dwWall);
            fflush(stdout);
            TerminateProcess(GetCurrentProcess(), FUZZ_EXIT_STUCK);
        }
        LeaveCriticalSection(&g_cs);
    }
    return 0;
}

// Never waits for the lock: the faulting thread may be the watchdog's
// partner holding it only for a moment, and a crash must not hang.
void SaveAndEnd(const char* pszWhat, DWORD dwCode, const void* pvAddress)
{
    printf("FUZZ-CRASH %s code 0x%08lx at %p in %s\n", pszWhat, dwCode, pvAddress, g_szName);
    fflush(stdout);
    SaveLocked("crash");
    TerminateProcess(GetCurrentProcess(), FUZZ_EXIT_CRASH);
}

LONG WINAPI LastChance(EXCEPTION_POINTERS* pInfo)
{
    SaveAndEnd("exception", pInfo->ExceptionRecord->ExceptionCode, pInfo->ExceptionRecord->ExceptionAddress);
    return EXCEPTION_EXECUTE_HANDLER;
}

} // namespace

WatchFigures g_watch = {0, 0};

bool StartWatch(const std::wstring& folder)
{
    g_folder = folder;
    CreateDirectoryW(folder.c_str(), NULL);
    InitializeCriticalSection(&g_cs);
    SetUnhandledExceptionFilter(LastChance);
    signal(SIGABRT, [](int) { SaveAndEnd("abort", 0, NULL); });
    std::set_terminate([] { SaveAndEnd("uncaught C++ exception", 0, NULL); });
    // No error boxes: a fault must reach the handler, not wait for a click.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    if (!DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &g_hFuzzThread,
                         THREAD_QUERY_INFORMATION, FALSE, 0))
        return false;
    g_hStop = CreateEventW(NULL, TRUE, FALSE, NULL);
    g_hThread = g_hStop ? CreateThread(NULL, 0, WatchThread, NULL, 0, NULL) : NULL;
    return g_hThread != NULL;
}

void StopWatch(void)
{
    if (!g_hThread)
        return;
    SetEvent(g_hStop);
    WaitForSingleObject(g_hThread, INFINITE);
    CloseHandle(g_hThread);
    CloseHandle(g_hStop);
    CloseHandle(g_hFuzzThread);
    g_hThread = g_hStop = g_hFuzzThread = NULL;
    DeleteCriticalSection(&g_cs);
}

void BeginInput(const char* pszName, const char* pszExt, const FuzzBytes* pData)
{
    EnterCriticalSection(&g_cs);
    strncpy_s(g_szName, pszName, _TRUNCATE);
    strncpy_s(g_szExt, pszExt, _TRUNCATE);
    g_pData = pData;
    ++g_nSerial;
    g_dwStart = GetTickCount();
    g_qwCpuStart = CpuMs();
    g_dwSlowestStep = 0;
    LeaveCriticalSection(&g_cs);
}

void NextStep(void)
{
    EnterCriticalSection(&g_cs);
    CloseStepLocked();
    LeaveCriticalSection(&g_cs);
}

DWORD EndInput(void)
{
    EnterCriticalSection(&g_cs);
    CloseStepLocked();
    g_pData = NULL;
    const DWORD dwSlowest = g_dwSlowestStep;
    LeaveCriticalSection(&g_cs);
    return dwSlowest;
}

void SaveCurrentInput(const char* pszKind)
{
    EnterCriticalSection(&g_cs);
    SaveLocked(pszKind);
    LeaveCriticalSection(&g_cs);
}
