#include "tests/stress/storm.h"

#include <stdarg.h>
#include <stdio.h>

static CRITICAL_SECTION s_lock;
static DWORD s_dwStart = 0;

void OpenStormLog(void)
{
    InitializeCriticalSection(&s_lock);
    s_dwStart = GetTickCount();
}

void StormLog(const char* pszFormat, ...)
{
    char szLine[1024];
    va_list args;
    va_start(args, pszFormat);
    vsnprintf(szLine, sizeof(szLine), pszFormat, args);
    va_end(args);
    EnterCriticalSection(&s_lock);
    const DWORD dwMs = GetTickCount() - s_dwStart;
    printf("[%6lu.%03lu] %s\n", dwMs / 1000, dwMs % 1000, szLine);
    fflush(stdout);
    LeaveCriticalSection(&s_lock);
}

std::string Narrow(const std::wstring& text)
{
    std::string out(text.size() * 3 + 1, '\0');
    const int cb = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &out[0], static_cast<int>(out.size()), NULL, NULL);
    out.resize(cb > 0 ? static_cast<size_t>(cb - 1) : 0);
    return out;
}
