// The fault suite's view into the running viewer, from a process of its own:
//   ping             the main window answers a sent message within 5 s (exit 0)
//   cmd <id>         sends a command to the main window (back within 30 s)
//   post <id>        posts it: for commands that run a modal box
//   state            "rows <list rows> thumb <x y w h of the grid's client area> scroll <its offset>"
//   boxes            each visible dialog of the viewer: "caption<TAB>l t r b<TAB>texts"
//   box <caption> [<button>]  waits up to 5 s for that dialog, prints it as
//                    boxes does and, given a button id, presses it
#include <windows.h>
#include <commctrl.h>
#include <stdio.h>
#include <string.h>
#include <wchar.h>

static void Print(const wchar_t* psz) {
    char sz[1024];
    if (WideCharToMultiByte(CP_UTF8, 0, psz, -1, sz, sizeof(sz), NULL, NULL) > 0)
        fputs(sz, stdout);
}

struct Search {
    DWORD dwPid;
    const wchar_t* pszCaption; // null: every dialog, printed
    HWND hwnd;
};

static void PrintBox(HWND hwnd) {
    wchar_t sz[512];
    RECT rc;
    GetWindowTextW(hwnd, sz, 512);
    GetWindowRect(hwnd, &rc);
    Print(sz);
    printf("\t%ld %ld %ld %ld\t", rc.left, rc.top, rc.right, rc.bottom);
    for (HWND h = GetWindow(hwnd, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT)) {
        if (!GetClassNameW(h, sz, 64) || _wcsicmp(sz, L"Static") != 0 || !GetWindowTextW(h, sz, 512))
            continue;
        for (wchar_t* p = sz; *p; ++p)
            if (*p == L'\r' || *p == L'\n')
                *p = L' ';
        Print(sz);
        fputs(" ", stdout);
    }
    printf("\n");
}

static BOOL CALLBACK Visit(HWND hwnd, LPARAM lParam) {
    Search* s = reinterpret_cast<Search*>(lParam);
    DWORD dwPid = 0;
    wchar_t szClass[16], szCaption[256];
    GetWindowThreadProcessId(hwnd, &dwPid);
    if (dwPid != s->dwPid || !IsWindowVisible(hwnd) || !GetClassNameW(hwnd, szClass, 16) ||
        wcscmp(szClass, L"#32770") != 0)
        return TRUE;
    GetWindowTextW(hwnd, szCaption, 256);
    if (!s->pszCaption)
        PrintBox(hwnd);
    else if (wcscmp(szCaption, s->pszCaption) == 0)
        s->hwnd = hwnd;
    return !s->hwnd;
}

int wmain(int argc, wchar_t** argv) {
    HWND hwndMain = FindWindowW(L"Ombrix Viewer", NULL);
    if (argc < 2 || !hwndMain)
        return 2;
    Search s = {0, NULL, NULL};
    GetWindowThreadProcessId(hwndMain, &s.dwPid);
    DWORD_PTR r;
    if (!wcscmp(argv[1], L"ping"))
        return SendMessageTimeoutW(hwndMain, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &r) ? 0 : 1;
    if (!wcscmp(argv[1], L"cmd") && argc > 2)
        return SendMessageTimeoutW(hwndMain, WM_COMMAND, _wtoi(argv[2]), 0, 0, 30000, &r) ? 0 : 1;
    if (!wcscmp(argv[1], L"post") && argc > 2)
        return PostMessageW(hwndMain, WM_COMMAND, _wtoi(argv[2]), 0) ? 0 : 1;
    if (!wcscmp(argv[1], L"state")) {
        HWND hwndFrame = FindWindowExW(hwndMain, NULL, L"FileBrowser", NULL);
        HWND hwndList = FindWindowExW(hwndFrame, NULL, WC_LISTVIEWW, NULL);
        HWND hwndThumb = FindWindowExW(hwndFrame, NULL, L"Thumb", NULL);
        RECT rc = {};
        DWORD_PTR nScroll = 0;
        r = 0;
        SendMessageTimeoutW(hwndList, LVM_GETITEMCOUNT, 0, 0, SMTO_ABORTIFHUNG, 5000, &r);
        SendMessageTimeoutW(FindWindowExW(hwndThumb, NULL, L"ScrollBar", NULL), SBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG,
                            5000, &nScroll);
        GetClientRect(hwndThumb, &rc);
        MapWindowPoints(hwndThumb, NULL, reinterpret_cast<POINT*>(&rc), 2);
        printf("rows %d thumb %ld %ld %ld %ld scroll %d\n", static_cast<int>(r), rc.left, rc.top, rc.right - rc.left,
               rc.bottom - rc.top, static_cast<int>(nScroll));
        return hwndList && hwndThumb ? 0 : 1;
    }
    if (!wcscmp(argv[1], L"boxes"))
        return EnumWindows(Visit, reinterpret_cast<LPARAM>(&s)), 0;
    if (!wcscmp(argv[1], L"box") && argc > 2) {
        s.pszCaption = argv[2];
        for (int i = 0; i < 50 && !s.hwnd; ++i)
            if (EnumWindows(Visit, reinterpret_cast<LPARAM>(&s)), !s.hwnd)
                Sleep(100);
        if (!s.hwnd)
            return 1;
        PrintBox(s.hwnd);
        if (argc > 3)
            PostMessageW(s.hwnd, WM_COMMAND, MAKEWPARAM(_wtoi(argv[3]), BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(s.hwnd, _wtoi(argv[3]))));
        return 0;
    }
    return 2;
}
