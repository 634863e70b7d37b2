#include "tests/fuzz/fuzz_watch.h"

#include <signal.h>
#include <stdio.h>
#include <stdlib.h>

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
DWORD g_dwStart = 0;
DWORD g_dwSlowestStep = 0;
LONG g_nSerial = 0;
LONG g_nReportedSerial = -1;
volatile LONG g_nHangs = 0;

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

DWORD WINAPI WatchThread(void*)
{
    while (WaitForSingleObject(g_hStop, 50) == WAIT_TIMEOUT)
    {
        EnterCriticalSection(&g_cs);
        const DWORD dwElapsed = g_pData ? GetTickCount() - g_dwStart : 0;
        if (g_pData && dwElapsed > FUZZ_HANG_MS && g_nReportedSerial != g_nSerial)
        {
            g_nReportedSerial = g_nSerial;
            InterlockedIncrement(&g_nHangs);
            SaveLocked("hang");
        }
        if (g_pData && dwElapsed > FUZZ_STUCK_MS)
        {
            printf("FUZZ-STUCK %s did not return in %u ms\n", g_szName, static_cast<unsigned>(dwElapsed));
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

void OnAbort(int)
{
    SaveAndEnd("abort", 0, NULL);
}

void OnTerminate()
{
    SaveAndEnd("uncaught C++ exception", 0, NULL);
}

} // namespace

bool StartWatch(const std::wstring& folder)
{
    g_folder = folder;
    CreateDirectoryW(folder.c_str(), NULL);
    InitializeCriticalSection(&g_cs);
    SetUnhandledExceptionFilter(LastChance);
    signal(SIGABRT, OnAbort);
    std::set_terminate(OnTerminate);
    // No error boxes: a fault must reach the handler, not wait for a click.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    g_hStop = CreateEventW(NULL, TRUE, FALSE, NULL);
    g_hThread = g_hStop ? CreateThread(NULL, 0, WatchThread, NULL, 0, NULL) : NULL;
    return g_hThread != NULL;
}

void StopWatch(void)
{
    if (g_hThread)
    {
        SetEvent(g_hStop);
        WaitForSingleObject(g_hThread, INFINITE);
        CloseHandle(g_hThread);
        CloseHandle(g_hStop);
        g_hThread = g_hStop = NULL;
        DeleteCriticalSection(&g_cs);
    }
}

void BeginInput(const char* pszName, const char* pszExt, const FuzzBytes* pData)
{
    EnterCriticalSection(&g_cs);
    strncpy_s(g_szName, pszName, _TRUNCATE);
    strncpy_s(g_szExt, pszExt, _TRUNCATE);
    g_pData = pData;
    ++g_nSerial;
    g_dwStart = GetTickCount();
    g_dwSlowestStep = 0;
    LeaveCriticalSection(&g_cs);
}

void NextStep(void)
{
    EnterCriticalSection(&g_cs);
    const DWORD dwNow = GetTickCount();
    if (dwNow - g_dwStart > g_dwSlowestStep)
        g_dwSlowestStep = dwNow - g_dwStart;
    g_dwStart = dwNow;
    LeaveCriticalSection(&g_cs);
}

DWORD EndInput(void)
{
    EnterCriticalSection(&g_cs);
    const DWORD dwElapsed = GetTickCount() - g_dwStart;
    if (dwElapsed > g_dwSlowestStep)
        g_dwSlowestStep = dwElapsed;
    // The watchdog may have been kept from running by a busy machine.
    if (g_dwSlowestStep > FUZZ_HANG_MS && g_nReportedSerial != g_nSerial)
    {
        g_nReportedSerial = g_nSerial;
        InterlockedIncrement(&g_nHangs);
        SaveLocked("hang");
    }
    g_pData = NULL;
    const DWORD dwSlowest = g_dwSlowestStep;
    LeaveCriticalSection(&g_cs);
    return dwSlowest;
}

LONG HangCount(void)
{
    return g_nHangs;
}

void SaveCurrentInput(const char* pszKind)
{
    EnterCriticalSection(&g_cs);
    SaveLocked(pszKind);
    LeaveCriticalSection(&g_cs);
}
