// Prints the child texts of the visible top-level window that holds a
// control with the given identifier: a first line "rect<TAB>l t r b" with
// the window's screen rectangle, then "id<TAB>l t r b<TAB>text" per child. Waits up to two seconds for
// the window; exit code 1 when none appears.
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

static void PrintUtf8(const wchar_t* psz)
{
    char sz[1024];
    int cb = WideCharToMultiByte(CP_UTF8, 0, psz, -1, sz, sizeof(sz), NULL, NULL);
    if (cb > 0)
        fputs(sz, stdout);
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
    RECT rc;
    GetWindowRect(search.hwnd, &rc);
    printf("rect\t%ld %ld %ld %ld\n", rc.left, rc.top, rc.right, rc.bottom);
    for (HWND h = GetWindow(search.hwnd, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT))
    {
        wchar_t sz[512] = L"";
        GetWindowTextW(h, sz, 512);
        GetWindowRect(h, &rc);
        printf("%d\t%ld %ld %ld %ld\t", GetDlgCtrlID(h), rc.left, rc.top, rc.right, rc.bottom);
        PrintUtf8(sz);
        printf("\n");
    }
    return 0;
}
