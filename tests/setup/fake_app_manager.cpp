// The launcher test's application manager: appends to OMBRIX_FAKE_MANAGER_LOG
// its creation time (the order of starts), program, folder and command line.
#include <windows.h>

#include <cstdio>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    char logPath[MAX_PATH] = {}, module[MAX_PATH] = {}, folder[MAX_PATH] = {}, line[4 * MAX_PATH];
    FILETIME created = {}, unused = {};
    GetProcessTimes(GetCurrentProcess(), &created, &unused, &unused, &unused);
    GetModuleFileNameA(nullptr, module, MAX_PATH);
    GetCurrentDirectoryA(MAX_PATH, folder);
    DWORD length = GetEnvironmentVariableA("OMBRIX_FAKE_MANAGER_LOG", logPath, MAX_PATH);
    int written = _snprintf_s(line, sizeof(line), _TRUNCATE, "%010lu%010lu\t%s\t%s\t%s\r\n", created.dwHighDateTime,
                              created.dwLowDateTime, module, folder, GetCommandLineA());
    if (length == 0 || length >= MAX_PATH || written < 0)
        return 2;
    // One append per process, so the lines of two starts never interleave.
    HANDLE log = CreateFileA(logPath, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD done = 0;
    if (log == INVALID_HANDLE_VALUE)
        return 3;
    BOOL ok = WriteFile(log, line, written, &done, nullptr);
    CloseHandle(log);
    return ok && done == static_cast<DWORD>(written) ? 0 : 3;
}
