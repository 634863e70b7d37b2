#include "tests/stress/storm.h"

#include <stdarg.h>
#include <stdio.h>

static CRITICAL_SECTION s_lock;
static FILE* s_pLog = NULL;
static DWORD s_dwStart = 0;

void OpenStormLog(const wchar_t* pszPath)
{
    InitializeCriticalSection(&s_lock);
    s_dwStart = GetTickCount();
    if (pszPath && pszPath[0])
        s_pLog = _wfopen(pszPath, L"w");
}

DWORD StormElapsedMs(void)
{
    return GetTickCount() - s_dwStart;
}

void StormLog(const char* pszFormat, ...)
{
    char szLine[1024];
    va_list args;
    va_start(args, pszFormat);
    vsnprintf(szLine, sizeof(szLine), pszFormat, args);
    va_end(args);
    EnterCriticalSection(&s_lock);
    const DWORD dwMs = StormElapsedMs();
    printf("[%6lu.%03lu] %s\n", dwMs / 1000, dwMs % 1000, szLine);
    fflush(stdout);
    if (s_pLog)
    {
        fprintf(s_pLog, "[%6lu.%03lu] %s\n", dwMs / 1000, dwMs % 1000, szLine);
        fflush(s_pLog);
    }
    LeaveCriticalSection(&s_lock);
}

// splitmix64: every seed, 0 included, gives a full-period stream.
uint64_t StormRandom::Next(void)
{
    uint64_t z = (m_nState += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}
