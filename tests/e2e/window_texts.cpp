// Prints the child texts of the visible top-level window that holds a
// control with the given identifier, one "id<TAB>text" line per child.
// Waits up to two seconds for the window; exit code 1 when none appears.
// Usage: e2e_window_texts <control id>
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>

struct Search
{
    int nId;
    HWND hwnd;
};

static BOOL CALLBACK FindHolder(HWND hwnd, LPARAM lParam)
{
    Search* pSearch = reinterpret_cast<Search*>(lParam);
    if (IsWindowVisible(hwnd) && GetDlgItem(hwnd, pSearch->nId))
    {
        pSearch->hwnd = hwnd;
        return FALSE;
    }
    return TRUE;
}

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2)
    {
        printf("usage: e2e_window_texts <control id>\n");
        return 2;
    }
    Search search = {_wtoi(argv[1]), NULL};
    for (int i = 0; i < 20 && !search.hwnd; ++i)
    {
        EnumWindows(FindHolder, reinterpret_cast<LPARAM>(&search));
        if (!search.hwnd)
            Sleep(100);
    }
    if (!search.hwnd)
        return 1;
    for (HWND h = GetWindow(search.hwnd, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT))
    {
        wchar_t sz[512] = L"";
        char szUtf8[1024] = "";
        GetWindowTextW(h, sz, 512);
        WideCharToMultiByte(CP_UTF8, 0, sz, -1, szUtf8, sizeof(szUtf8), NULL, NULL);
        printf("%d\t%s\n", GetDlgCtrlID(h), szUtf8);
    }
    return 0;
}
