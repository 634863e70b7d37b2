// Stands in for the application manager in the launcher's tests: appends one
// line to the file named by OMBRIX_FAKE_MANAGER_LOG with the process's
// creation time (the order in which it was started), its own file name, its
// current directory and its command line, separated by tabs.
#include <windows.h>

#include <cstdio>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    char logPath[MAX_PATH] = {};
    DWORD length = GetEnvironmentVariableA("OMBRIX_FAKE_MANAGER_LOG", logPath, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return 2;

    FILETIME created = {}, exited = {}, kernel = {}, user = {};
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    char module[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, module, MAX_PATH);
    char folder[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, folder);

    char line[4 * MAX_PATH];
    int written = _snprintf_s(line, sizeof(line), _TRUNCATE, "%020llu\t%s\t%s\t%s\r\n",
                              (static_cast<unsigned long long>(created.dwHighDateTime) << 32) |
                                  created.dwLowDateTime,
                              module, folder, GetCommandLineA());
    if (written < 0)
        return 3;

    // One append per process, so lines of two managers never interleave.
    HANDLE log = CreateFileA(logPath, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (log == INVALID_HANDLE_VALUE)
        return 4;
    DWORD done = 0;
    BOOL ok = WriteFile(log, line, static_cast<DWORD>(written), &done, nullptr);
    CloseHandle(log);
    return ok && done == static_cast<DWORD>(written) ? 0 : 5;
}
