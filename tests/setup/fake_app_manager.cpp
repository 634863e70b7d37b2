// Stands in for the application manager in the launcher's test: appends one
// line to the file named by OMBRIX_FAKE_MANAGER_LOG, with its creation time
// (the order of the starts), its program, its current directory and its
// command line, separated by tabs.
#include <windows.h>

#include <cstdio>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    char logPath[MAX_PATH] = {}, module[MAX_PATH] = {}, folder[MAX_PATH] = {};
    DWORD length = GetEnvironmentVariableA("OMBRIX_FAKE_MANAGER_LOG", logPath, MAX_PATH);
    FILETIME created = {}, unused = {};
    GetProcessTimes(GetCurrentProcess(), &created, &unused, &unused, &unused);
    GetModuleFileNameA(nullptr, module, MAX_PATH);
    GetCurrentDirectoryA(MAX_PATH, folder);
    char line[4 * MAX_PATH];
    int written = _snprintf_s(line, sizeof(line), _TRUNCATE, "%020llu\t%s\t%s\t%s\r\n",
                              (static_cast<unsigned long long>(created.dwHighDateTime) << 32) |
                                  created.dwLowDateTime,
                              module, folder, GetCommandLineA());
    if (length == 0 || length >= MAX_PATH || written < 0)
        return 2;
    // One append per process, so the lines of two starts never interleave.
    HANDLE log = CreateFileA(logPath, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD done = 0;
    BOOL ok = log != INVALID_HANDLE_VALUE && WriteFile(log, line, written, &done, nullptr);
    if (log != INVALID_HANDLE_VALUE)
        CloseHandle(log);
    return ok && done == static_cast<DWORD>(written) ? 0 : 3;
}
