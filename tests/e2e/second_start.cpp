// Starts a second viewer.exe while the first runs, from a program that holds
// the foreground itself: the second copy must exit with code 0, leave one
// main window and bring the first forward.
// Usage: e2e_second_start <windows path of viewer.exe>
#include <windows.h>
#include <stdio.h>

static int CountViewerWindows(void)
{
    int nCount = 0;
    HWND hwnd = NULL;
    while ((hwnd = FindWindowExW(NULL, hwnd, L"Ombrix Viewer", NULL)) != NULL)
        ++nCount;
    return nCount;
}

static int Fail(const char* pszWhy)
{
    printf("FAIL: %s\n", pszWhy);
    return 1;
}

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2)
        return Fail("usage: e2e_second_start <viewer.exe>");

    HWND hwndViewer = FindWindowW(L"Ombrix Viewer", NULL);
    if (!hwndViewer)
        return Fail("no running viewer");

    HWND hwndOwn = CreateWindowExW(0, L"STATIC", L"e2e", WS_POPUP | WS_VISIBLE, 0, 0, 20, 20, NULL, NULL,
                                   GetModuleHandleW(NULL), NULL);
    SetForegroundWindow(hwndOwn);
    if (GetForegroundWindow() != hwndOwn)
        return Fail("could not take the foreground");

    wchar_t szCommand[MAX_PATH + 2];
    _snwprintf_s(szCommand, _countof(szCommand), _TRUNCATE, L"\"%ls\"", argv[1]);
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(NULL, szCommand, NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi))
        return Fail("could not start the second copy");
    DWORD dwWait = WaitForSingleObject(pi.hProcess, 20000);
    DWORD dwExitCode = 99;
    GetExitCodeProcess(pi.hProcess, &dwExitCode);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);

    if (dwWait != WAIT_OBJECT_0)
        return Fail("the second copy did not exit");
    if (dwExitCode != 0)
        return Fail("the second copy's exit code is not 0");
    if (CountViewerWindows() != 1)
        return Fail("not exactly one viewer window");
    if (GetForegroundWindow() != hwndViewer)
        return Fail("the first copy was not brought forward");

    DestroyWindow(hwndOwn);
    printf("second start: exit code 0, one window, first copy in front\n");
    return 0;
}
