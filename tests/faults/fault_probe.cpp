// The fault suite's view into the running viewer, from a process of its own:
//   ping             the main window answers a sent message within 5 s (exit 0)
//   cmd <id>         sends a command to the main window (back within 30 s)
//   post <id>        posts it: for commands that run a modal box
//   state            "rows <list rows> thumb <x y w h of the grid's client area> scroll <its offset>"
//   boxes            each visible dialog of the viewer: "caption<TAB>texts"
//   box <caption> [<button>]  waits up to 5 s for that dialog, prints it as
//                    boxes does and, given a button id, presses it
#include <windows.h>
#include <commctrl.h>
#include <stdio.h>
#include <wchar.h>

static DWORD g_dwPid;
static const wchar_t* g_pszCaption; // null: every dialog, printed
static HWND g_hwndFound;

static void Print(const wchar_t* psz, const char* pszAfter) {
    char sz[1024];
    if (WideCharToMultiByte(CP_UTF8, 0, psz, -1, sz, sizeof(sz), NULL, NULL) > 0)
        printf("%s%s", sz, pszAfter);
}

static void PrintBox(HWND hwnd) {
    wchar_t sz[512];
    GetWindowTextW(hwnd, sz, 512);
    Print(sz, "\t");
    for (HWND h = GetWindow(hwnd, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT)) {
        if (!GetClassNameW(h, sz, 64) || _wcsicmp(sz, L"Static") != 0 || !GetWindowTextW(h, sz, 512))
            continue;
        for (wchar_t* p = sz; *p; ++p)
            *p = *p == L'\r' || *p == L'\n' ? L' ' : *p;
        Print(sz, " ");
    }
    printf("\n");
}

static BOOL CALLBACK Visit(HWND hwnd, LPARAM) {
    DWORD dwPid = 0;
    wchar_t szClass[16], szCaption[256];
    GetWindowThreadProcessId(hwnd, &dwPid);
    if (dwPid != g_dwPid || !IsWindowVisible(hwnd) || !GetClassNameW(hwnd, szClass, 16) ||
        wcscmp(szClass, L"#32770") != 0)
        return TRUE;
    GetWindowTextW(hwnd, szCaption, 256);
    if (!g_pszCaption)
        PrintBox(hwnd);
    else if (wcscmp(szCaption, g_pszCaption) == 0)
        g_hwndFound = hwnd;
    return !g_hwndFound;
}

int wmain(int argc, wchar_t** argv) {
    HWND hwndMain = FindWindowW(L"Ombrix Viewer", NULL);
    if (argc < 2 || !hwndMain)
        return 2;
    GetWindowThreadProcessId(hwndMain, &g_dwPid);
    const wchar_t* pszVerb = argv[1];
    const int nArg = argc > 2 ? _wtoi(argv[2]) : 0;
    DWORD_PTR r = 0, nScroll = 0;
    if (!wcscmp(pszVerb, L"ping"))
        return SendMessageTimeoutW(hwndMain, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &r) ? 0 : 1;
    if (!wcscmp(pszVerb, L"cmd"))
        return SendMessageTimeoutW(hwndMain, WM_COMMAND, nArg, 0, 0, 30000, &r) ? 0 : 1;
    if (!wcscmp(pszVerb, L"post"))
        return PostMessageW(hwndMain, WM_COMMAND, nArg, 0) ? 0 : 1;
    if (!wcscmp(pszVerb, L"state")) {
        HWND hwndFrame = FindWindowExW(hwndMain, NULL, L"FileBrowser", NULL);
        HWND hwndList = FindWindowExW(hwndFrame, NULL, WC_LISTVIEWW, NULL);
        HWND hwndThumb = FindWindowExW(hwndFrame, NULL, L"Thumb", NULL);
        RECT rc = {};
        SendMessageTimeoutW(hwndList, LVM_GETITEMCOUNT, 0, 0, SMTO_ABORTIFHUNG, 5000, &r);
        SendMessageTimeoutW(FindWindowExW(hwndThumb, NULL, L"ScrollBar", NULL), SBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG,
                            5000, &nScroll);
        GetClientRect(hwndThumb, &rc);
        MapWindowPoints(hwndThumb, NULL, reinterpret_cast<POINT*>(&rc), 2);
        printf("rows %d thumb %ld %ld %ld %ld scroll %d\n", static_cast<int>(r), rc.left, rc.top, rc.right - rc.left,
               rc.bottom - rc.top, static_cast<int>(nScroll));
        return hwndList && hwndThumb ? 0 : 1;
    }
    if (!wcscmp(pszVerb, L"boxes"))
        return EnumWindows(Visit, 0), 0;
    if (wcscmp(pszVerb, L"box") || argc < 3)
        return 2;
    g_pszCaption = argv[2];
    for (int i = 0; i < 50 && !g_hwndFound; ++i)
        if (EnumWindows(Visit, 0), !g_hwndFound)
            Sleep(100);
    if (!g_hwndFound)
        return 1;
    PrintBox(g_hwndFound);
    if (argc > 3)
        PostMessageW(g_hwndFound, WM_COMMAND, MAKEWPARAM(_wtoi(argv[3]), BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(g_hwndFound, _wtoi(argv[3]))));
    return 0;
}
