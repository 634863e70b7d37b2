// The browser with one big folder, on the real main window (bench/big_folder).
//
//   big_folder_bench seed FOLDER
//       writes the few small JPEGs that the folder maker copies N times;
//   big_folder_bench run DRIVE_FOLDER SUBS_FOLDER THUMB_FOLDER [STEPS]
//       starts the viewer in start mode 0 on DRIVE_FOLDER (a folder of the
//       current drive, "\pics10000"), and times each step the issue names.
//       STEPS is a comma list of: floor,start,taps (or tap1: name only),
//       parts,refresh,delete,thumbs,scroll,step,tree,memory (all but tap1 by default). Prints "figure ms target ratio".
#include <windows.h>

#include <commctrl.h>
#include <malloc.h>
#include <psapi.h>
#include <stdio.h>
#include <wchar.h>

#include <functional>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "viewer/browser/dir_tree.h"
#include "viewer/browser/file_list.h"
#include "viewer/browser/picture_list.h"
#include "viewer/browser/thumb_grid.h"
#include "viewer/browser/thumb_view.h"
#include "viewer/browser/thumb_worker.h"
#include "viewer/common/main_window_data.h"
#include "viewer/common/picture_entry.h"
#include "viewer/common/settings_names.h"
#include "viewer/resources/resource.h"
#include "viewer/shell/entry.h"
#include "viewer/shell/faces.h"
#include "viewer/shell/open_picture.h"

namespace {

// One arrow step of the thumbnail view's scroll bar.
const LONG LINE_STEP_PIXELS = 10;
const WCHAR kSettingsKey[] = L"Software\\Ombrix\\Ombrix Viewer";
int g_nPictures = 0;
// The folder's bare enumeration in this run, once measured.
double g_msFloor = 0;

// ---- Output ---------------------------------------------------------------------

// One figure; a target of 0 has none at this size. A figure with a target
// also says how many times the floor it took.
void Report(const char* pszName, double ms, double msTarget)
{
    if (msTarget > 0 && g_msFloor > 0)
        printf("%-34s %10.1f ms   target %8.0f ms   ratio %5.2f   %5.2f x floor\n", pszName, ms, msTarget,
               ms / msTarget, ms / g_msFloor);
    else if (msTarget > 0)
        printf("%-34s %10.1f ms   target %8.0f ms   ratio %5.2f\n", pszName, ms, msTarget, ms / msTarget);
    else
        printf("%-34s %10.1f ms\n", pszName, ms);
    fflush(stdout);
}

// Targets stated for 10,000 pictures and for 100,000; none below.
double Target(double ms10k, double ms100k)
{
    if (g_nPictures >= 100000)
        return ms100k;
    if (g_nPictures >= 10000)
        return ms10k;
    return 0;
}

void Fail(const char* pszWhat)
{
    printf("FAILED: %s\n", pszWhat);
    fflush(stdout);
    ExitProcess(1);
}

// ---- Messages ---------------------------------------------------------------------

// Serves every message, paints included, until the queue is empty: what the
// user sees is then drawn.
void Settle()
{
    MSG msg;
    while (PeekMessageW(&msg, NULL, 0, 0, PM_REMOVE))
    {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    GdiFlush();
}

// Serves messages until done() or dwMs pass; whether it came.
template <class Done>
bool SettleUntil(Done done, DWORD dwMs)
{
    const double tEnd = NowMs() + dwMs;
    while (!done())
    {
        if (NowMs() > tEnd)
            return false;
        Settle();
        MsgWaitForMultipleObjects(0, NULL, FALSE, 1, QS_ALLINPUT);
    }
    Settle();
    return true;
}

void Command(HWND hwnd, WORD wId)
{
    SendMessageW(hwnd, WM_COMMAND, wId, 0);
}

// Answers the "Delete" box with OK from another thread, as a user's tap.
DWORD WINAPI AnswerDeleteBox(LPVOID pv)
{
    volatile LONG* pbStop = static_cast<volatile LONG*>(pv);
    while (!*pbStop)
    {
        HWND hwndBox = FindWindowW(L"#32770", L"Delete");
        if (hwndBox && IsWindowVisible(hwndBox))
        {
            PostMessageW(hwndBox, WM_COMMAND, IDOK, 0);
            return 0;
        }
        Sleep(1);
    }
    return 0;
}

template <class Send>
double TimedWithBoxAnswered(Send send)
{
    volatile LONG bStop = 0;
    HANDLE hThread = CreateThread(NULL, 0, AnswerDeleteBox, (LPVOID)&bStop, 0, NULL);
    if (!hThread)
        Fail("answer thread");
    const double t0 = NowMs();
    send();
    Settle();
    const double ms = NowMs() - t0;
    bStop = 1;
    WaitForSingleObject(hThread, INFINITE);
    CloseHandle(hThread);
    return ms;
}

// ---- Settings ---------------------------------------------------------------------

void SetString(HKEY hKey, const WCHAR* pszName, const WCHAR* pszValue)
{
    RegSetValueExW(hKey, pszName, 0, REG_SZ, (const BYTE*)pszValue, (DWORD)((wcslen(pszValue) + 1) * sizeof(WCHAR)));
}

void StoreStartSettings(const WCHAR* pszFolder, const WCHAR* pszThumbs)
{
    RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKey);
    HKEY hKey;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &hKey, NULL) !=
        ERROR_SUCCESS)
        Fail("settings key");
    DWORD dwMode = 0;
    RegSetValueExW(hKey, SZ_START_MODE, 0, REG_DWORD, (const BYTE*)&dwMode, 4);
    SetString(hKey, SZ_START_FOLDER, pszFolder);
    SetString(hKey, SZ_START_FILENAME, L"");
    SetString(hKey, SZ_THUMBNAIL_FOLDER, pszThumbs);
    RegCloseKey(hKey);
}

// ---- Steps ------------------------------------------------------------------------

struct Run
{
    std::wstring folder;  // "\pics10000"
    std::wstring subs;    // "\subs1000"
    std::wstring pattern; // "\pics10000\*.*"
    MainWindowData* pData = nullptr;
    HWND hwndList = NULL;
};

int ListRows(const Run& run)
{
    return ListView_GetItemCount(run.hwndList);
}

void StepFloor(const Run& run)
{
    std::vector<double> times;
    for (int i = 0; i < 3; ++i)
    {
        const double t0 = NowMs();
        WIN32_FIND_DATAW fd;
        HANDLE hFind = FindFirstFileW(run.pattern.c_str(), &fd);
        int n = 0;
        if (hFind != INVALID_HANDLE_VALUE)
        {
            do
                ++n;
            while (FindNextFileW(hFind, &fd));
            FindClose(hFind);
        }
        times.push_back(NowMs() - t0);
        if (n < g_nPictures)
            Fail("enumeration found fewer files than pictures");
    }
    Report("floor: FindFirst/FindNextFile", Median(times), 0);
    g_msFloor = Median(times);
}

void StepStart(Run& run)
{
    // A copy of an earlier run that is still going away would take the start
    // as a second instance's.
    for (int i = 0; i < 100 && FindWindowW(L"Ombrix Viewer", NULL); ++i)
        Sleep(100);
    const double t0 = NowMs();
    if (!InitInstance(GetModuleHandleW(NULL), SW_SHOW))
        Fail(FindWindowW(L"Ombrix Viewer", NULL) ? "InitInstance: another copy runs" : "InitInstance");
    run.pData = GetMainWindowData();
    run.hwndList = GetFileListWindow();
    Settle();
    const double ms = NowMs() - t0;
    if (!run.hwndList || !IsWindowVisible(run.hwndList) || ListRows(run) != g_nPictures)
        Fail("start did not show the full list");
    Report("start to full list", ms, Target(500, 2000));
}

void Tap(const Run& run, int nColumn)
{
    NMLISTVIEW info = {};
    info.hdr.hwndFrom = run.hwndList;
    info.hdr.idFrom = IDC_FILE_LIST;
    info.hdr.code = LVN_COLUMNCLICK;
    info.iItem = -1;
    info.iSubItem = nColumn;
    SendMessageW(run.pData->hwndBrowser, WM_NOTIFY, IDC_FILE_LIST, (LPARAM)&info);
}

void SelectRows(const Run& run, int nFirst, int nCount)
{
    ListView_SetItemState(run.hwndList, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    for (int i = nFirst; i < nFirst + nCount; ++i)
    {
        ListView_SetItemState(run.hwndList, i, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        ListView_SetSelectionMark(run.hwndList, i);
    }
    Settle();
}

void StepTaps(const Run& run, int nColumns)
{
    static const char* rgpszKey[] = {"name", "type", "size", "date"};
    for (int nColumn = 0; nColumn < nColumns; ++nColumn)
    {
        for (int nTap = 0; nTap < 2; ++nTap)
        {
            const double t0 = NowMs();
            Tap(run, nColumn);
            Settle();
            const double ms = NowMs() - t0;
            if (ListRows(run) != g_nPictures)
                Fail("a column tap lost rows");
            char szName[64];
            _snprintf_s(szName, sizeof(szName), _TRUNCATE, "column tap %s%s", rgpszKey[nColumn],
                        nTap ? " (reverse)" : "");
            Report(szName, ms, Target(50, 500));
        }
    }
    // A user's tap mostly comes with a row selected, sometimes several.
    for (int nSelected = 1; nColumns > 1 && nSelected <= 2; ++nSelected)
    {
        SelectRows(run, g_nPictures / 2, nSelected);
        const double t0 = NowMs();
        Tap(run, 0);
        Settle();
        const double ms = NowMs() - t0;
        if (ListRows(run) != g_nPictures || ListView_GetSelectedCount(run.hwndList) != 0)
            Fail("a tap with rows selected");
        Report(nSelected == 1 ? "column tap, 1 row selected" : "column tap, 2 rows selected", ms, Target(50, 500));
    }
}

// The parts of a tap and a refresh, called directly: where the time goes.
void StepParts(const Run& run)
{
    static const char* rgpszKey[] = {"name", "type", "size", "date"};
    double t0 = NowMs();
    FreePictures();
    Report("part: free the list", NowMs() - t0, 0);
    t0 = NowMs();
    EnumeratePictures(run.pattern.c_str());
    Report("part: enumerate into the list", NowMs() - t0, 0);
    for (int nKey = 0; nKey < 4; ++nKey)
    {
        for (int nTap = 0; nTap < 2; ++nTap)
        {
            FlipSortDirection();
            t0 = NowMs();
            SortPictures(nKey);
            char szName[64];
            _snprintf_s(szName, sizeof(szName), _TRUNCATE, "part: sort %s%s", rgpszKey[nKey], nTap ? " (reverse)" : "");
            Report(szName, NowMs() - t0, 0);
        }
    }
    RenumberPictures();
    t0 = NowMs();
    FillRows();
    Report("part: give the list its rows", NowMs() - t0, 0);
    t0 = NowMs();
    Settle();
    Report("part: draw after the fill", NowMs() - t0, 0);
}

void StepRefresh(const Run& run)
{
    const double t0 = NowMs();
    Command(run.pData->hwndMain, IDM_REFRESH_FOLDER);
    Settle();
    const double ms = NowMs() - t0;
    if (ListRows(run) != g_nPictures)
        Fail("refresh lost rows");
    Report("refresh", ms, Target(200, 1500));
}

void StepDelete(const Run& run)
{
    // The confirmation box alone, answered the same way, to set apart.
    const double msBox = TimedWithBoxAnswered(
        [&] { MessageBoxW(run.pData->hwndMain, L"Remove selected file?", L"Delete", MB_OKCANCEL | MB_ICONQUESTION); });

    const int nRows = ListRows(run);
    SelectRows(run, nRows / 2, 1);
    WCHAR szName[MAX_PATH] = L"";
    ListView_GetItemText(run.hwndList, nRows / 2, 0, szName, MAX_PATH);
    const double msOne = TimedWithBoxAnswered([&] { Command(run.pData->hwndMain, IDM_DELETE); });
    if (ListRows(run) != nRows - 1 || PictureByName(szName) || CountPictures() != nRows - 1)
        Fail("delete of one picture");
    Report("delete 1 (confirmation box alone)", msBox, 0);
    Report("delete 1 selected, beyond the box", msOne - msBox, Target(200, 1500));

    SelectRows(run, nRows / 4, 50);
    const double msFifty = TimedWithBoxAnswered([&] { Command(run.pData->hwndMain, IDM_DELETE); });
    if (ListRows(run) != nRows - 51 || CountPictures() != nRows - 51)
        Fail("delete of 50 pictures");
    Report("delete 50 selected, beyond the box", msFifty - msBox, 0);

    // The file system's own part: 50 files of the same drive deleted alone.
    CreateDirectoryW(L"\\scratch", NULL);
    std::vector<std::wstring> scratch;
    for (int i = 0; i < 50; ++i)
    {
        scratch.push_back(L"\\scratch\\f" + std::to_wstring(i) + L".jpg");
        HANDLE h = CreateFileW(scratch.back().c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
        if (h != INVALID_HANDLE_VALUE)
            CloseHandle(h);
    }
    const double t0 = NowMs();
    for (const std::wstring& path : scratch)
        DeleteFileW(path.c_str());
    Report("floor: DeleteFileW of 50 files", NowMs() - t0, 0);
    RemoveDirectoryW(L"\\scratch");
}

// Whether every cell on the thumbnail screen has its thumbnail drawn.
bool ScreenDone()
{
    bool bAny = false;
    // From the first row on screen: a walk from the top of 100,000 entries at
    // every look would cost more than the screen.
    const LONG nAbove = GetThumbScrollOffset() - THUMB_PITCH_Y;
    PictureEntry* pFirst = PictureByIndex(nAbove <= 0 ? 0 : (nAbove + THUMB_PITCH_Y - 1) / THUMB_PITCH_Y * THUMB_COLUMNS);
    if (!pFirst || !IsThumbVisible(pFirst))
        pFirst = FirstPicture();
    for (PictureEntry* p = pFirst; p; p = NextPicture(p))
    {
        if (!IsThumbVisible(p))
        {
            if (bAny)
                break;
            continue;
        }
        bAny = true;
        if (!p->bProcessed && !p->hbmThumb)
            return false;
    }
    return bAny;
}

double TimeScreen(std::function<void()> act)
{
    const double t0 = NowMs();
    act();
    if (!SettleUntil(ScreenDone, 120000))
        Fail("thumbnail screen not drawn in 2 minutes");
    return NowMs() - t0;
}

void StepThumbs(const Run& run)
{
    const HWND hwndMain = run.pData->hwndMain;
    auto toEnd = [] {
        SetThumbScrollOffset(GetThumbMaxScrollOffset());
        SendMessageW(GetThumbViewWindow(), WM_VSCROLL, SB_LINEDOWN, 0);
    };
    SetThumbScrollOffset(0);
    Report("thumbnails: first screen", TimeScreen([&] { Command(hwndMain, IDM_THUMBNAIL_VIEW); }),
           Target(300, 0));
    Report("thumbnails: scroll to end, last screen", TimeScreen(toEnd), 0);
    // Again with the thumbnails made: the list view and back.
    Command(hwndMain, IDM_LIST_VIEW);
    Settle();
    SetThumbScrollOffset(0);
    Report("thumbnails again: first screen", TimeScreen([&] { Command(hwndMain, IDM_THUMBNAIL_VIEW); }),
           Target(300, 0));
    Report("thumbnails again: last screen", TimeScreen(toEnd), 0);
    Command(hwndMain, IDM_LIST_VIEW);
    Settle();
}

// Thumbnail bitmaps the list holds now.
int LiveThumbs()
{
    int n = 0;
    for (PictureEntry* p = FirstPicture(); p; p = NextPicture(p))
        n += p->hbmThumb != NULL;
    return n;
}

// Committed private memory, summed over the address space: what Windows
// counts as private bytes, also where Wine does not report it.
double CommittedPrivateBytes()
{
    double cb = 0;
    MEMORY_BASIC_INFORMATION mbi;
    for (BYTE* p = NULL; VirtualQuery(p, &mbi, sizeof(mbi)) == sizeof(mbi);)
    {
        if (mbi.State == MEM_COMMIT && mbi.Type == MEM_PRIVATE)
            cb += (double)mbi.RegionSize;
        BYTE* pNext = static_cast<BYTE*>(mbi.BaseAddress) + mbi.RegionSize;
        if (pNext <= p)
            break;
        p = pNext;
    }
    return cb;
}

// GetGuiResources is not counted under Wine (it answers 0 and "not
// implemented"), nor is PrivateUsage: the address space's sum stands in.
void ReportResources(const char* pszWhen)
{
    SetLastError(0);
    const DWORD nGdi = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    char szGdi[40] = "not counted by this system";
    if (nGdi || GetLastError() != ERROR_CALL_NOT_IMPLEMENTED)
        _snprintf_s(szGdi, sizeof(szGdi), _TRUNCATE, "%lu", (unsigned long)nGdi);
    PROCESS_MEMORY_COUNTERS_EX pmc = {};
    pmc.cb = sizeof(pmc);
    GetProcessMemoryInfo(GetCurrentProcess(), (PROCESS_MEMORY_COUNTERS*)&pmc, sizeof(pmc));
    const double cbPrivate = pmc.PrivateUsage ? (double)pmc.PrivateUsage : CommittedPrivateBytes();
    printf("%s: GDI objects %s, thumbnail bitmaps %d, private bytes %.1f MB\n", pszWhen, szGdi, LiveThumbs(),
           cbPrivate / 1048576.0);
    fflush(stdout);
}

// The grid scrolled from top to bottom a screen at a time, each screen
// waited for; then the most thumbnail bitmaps alive at once, and the
// process's GDI objects and private bytes.
void StepScroll(const Run& run)
{
    const HWND hwndMain = run.pData->hwndMain;
    ReportResources("scroll: before");
    SetThumbScrollOffset(0);
    Command(hwndMain, IDM_THUMBNAIL_VIEW);
    if (!SettleUntil(ScreenDone, 120000))
        Fail("first thumbnail screen not drawn");
    RECT rc = {};
    GetClientRect(GetThumbViewWindow(), &rc);
    const LONG nPage = rc.bottom > 2 * THUMB_PITCH_Y ? rc.bottom - THUMB_PITCH_Y : THUMB_PITCH_Y;
    int nScreens = 0, nMostLive = 0;
    const double t0 = NowMs();
    while (GetThumbScrollOffset() < GetThumbMaxScrollOffset())
    {
        // The step lands on the new offset through the view's own scroll.
        SetThumbScrollOffset(GetThumbScrollOffset() + nPage - LINE_STEP_PIXELS);
        SendMessageW(GetThumbViewWindow(), WM_VSCROLL, SB_LINEDOWN, 0);
        if (!SettleUntil(ScreenDone, 120000))
            Fail("a thumbnail screen not drawn in 2 minutes");
        ++nScreens;
        if (nScreens % 64 == 0)
        {
            const int n = LiveThumbs();
            nMostLive = n > nMostLive ? n : nMostLive;
        }
    }
    const double ms = NowMs() - t0;
    const int n = LiveThumbs();
    nMostLive = n > nMostLive ? n : nMostLive;
    printf("%-34s %10.1f ms   (%d screens, %.2f ms a screen; most thumbnail bitmaps alive %d)\n",
           "scroll: top to bottom", ms, nScreens, nScreens ? ms / nScreens : 0.0, nMostLive);
    ReportResources("scroll: at the bottom");
    Command(hwndMain, IDM_LIST_VIEW);
    Settle();
}

// The command's time less the open of the picture it lands on (0 if none).
double StepTime(const Run& run, PictureEntry* pFrom, WORD wCommand, PictureEntry* pTo)
{
    WCHAR szFolder[MAX_PATH];
    wcscpy_s(szFolder, MAX_PATH, run.folder.c_str());
    wcscat_s(szFolder, MAX_PATH, L"\\");
    std::vector<double> cmd, open;
    for (int i = 0; i < 5; ++i)
    {
        if (!OpenFolderEntry(run.pData, szFolder, pFrom))
            Fail("open a picture");
        ShowViewer(run.pData);
        Settle();
        double t0 = NowMs();
        Command(run.pData->hwndMain, wCommand);
        cmd.push_back(NowMs() - t0);
        Settle();
        if (run.pData->pCurrentEntry != (pTo ? pTo : pFrom))
            Fail("next/previous landed elsewhere");
        if (pTo)
        {
            t0 = NowMs();
            OpenFolderEntry(run.pData, szFolder, pTo);
            open.push_back(NowMs() - t0);
            Settle();
        }
    }
    return Median(cmd) - (pTo ? Median(open) : 0);
}

void StepNextPrevious(const Run& run)
{
    PictureEntry* pFirst = FirstPicture();
    PictureEntry* pLast = LastPicture();
    Report("previous at the first", StepTime(run, pFirst, IDM_PREVIOUS, NULL), Target(5, 0));
    Report("next from the first, beyond decode", StepTime(run, pFirst, IDM_NEXT, NextPicture(pFirst)), Target(5, 0));
    Report("next at the last", StepTime(run, pLast, IDM_NEXT, NULL), Target(5, 0));
    Report("previous from the last, beyond decode", StepTime(run, pLast, IDM_PREVIOUS, PreviousPicture(pLast)),
           Target(5, 0));
    Command(run.pData->hwndMain, IDM_OPEN);
    Settle();
}

void StepTree(const Run& run)
{
    HWND hwndTree = GetDirectoryTreeWindow();
    const WCHAR* pszSubs = run.subs.c_str() + 1; // without its "\"
    HTREEITEM hItem = TreeView_GetChild(hwndTree, TreeView_GetRoot(hwndTree));
    for (; hItem; hItem = TreeView_GetNextSibling(hwndTree, hItem))
    {
        WCHAR sz[MAX_PATH] = L"";
        TVITEMW item = {};
        item.mask = TVIF_TEXT;
        item.hItem = hItem;
        item.pszText = sz;
        item.cchTextMax = MAX_PATH;
        if (TreeView_GetItem(hwndTree, &item) && wcscmp(sz, pszSubs) == 0)
            break;
    }
    if (!hItem)
        Fail("sub-folder tree item");
    std::vector<double> times;
    for (int i = 0; i < 3; ++i)
    {
        TreeView_Expand(hwndTree, hItem, TVE_COLLAPSE | TVE_COLLAPSERESET);
        Settle();
        const double t0 = NowMs();
        TreeView_Expand(hwndTree, hItem, TVE_EXPAND);
        Settle();
        times.push_back(NowMs() - t0);
        int n = 0;
        for (HTREEITEM h = TreeView_GetChild(hwndTree, hItem); h; h = TreeView_GetNextSibling(hwndTree, h))
            ++n;
        if (n != 1000)
            Fail("expansion did not list 1,000 sub-folders");
    }
    Report("tree: expand 1,000 sub-folders", Median(times), 500);
}

// Bytes of the C heap's blocks in use, the list's entries among them (the
// process's private bytes do not move while freed blocks are reused).
double HeapInUse()
{
    _HEAPINFO hi = {};
    double cb = 0;
    while (_heapwalk(&hi) == _HEAPOK)
    {
        if (hi._useflag == _USEDENTRY)
            cb += (double)hi._size;
    }
    return cb;
}

void StepMemory(const Run& run)
{
    // The list alone: the entries of the folder, read and sorted, without rows.
    if (run.pData)
        DestroyWindow(run.pData->hwndMain);
    Settle();
    FreePictures();
    const double cbBefore = HeapInUse();
    const int n = EnumeratePictures(run.pattern.c_str());
    SortPictures(SORT_BY_SIZE);
    RenumberPictures();
    const double cbAfter = HeapInUse();
    printf("%-34s %10.0f bytes per picture (%d pictures, entry record %u bytes), target 600\n",
           "memory: picture list", n ? (cbAfter - cbBefore) / n : 0.0, n, (unsigned)sizeof(PictureEntry));
    FreePictures();
}

bool Wants(const std::wstring& steps, const wchar_t* pszStep)
{
    if (steps.empty())
        return true;
    const std::wstring padded = L"," + steps + L",";
    return padded.find(std::wstring(L",") + pszStep + L",") != std::wstring::npos;
}

int Seed(const WCHAR* pszFolder)
{
    // Four small pictures of different colours and shapes.
    for (int i = 0; i < 4; ++i)
    {
        WCHAR szPath[MAX_PATH];
        _snwprintf_s(szPath, MAX_PATH, _TRUNCATE, L"%ls\\seed%d.jpg", pszFolder, i);
        const int w = 32 + 8 * i, h = 24 + 4 * i;
        const bool ok = WriteTestJpeg(szPath, w, h, [&](int y, JSAMPLE* row) {
            for (int x = 0; x < w; ++x)
            {
                row[3 * x] = (JSAMPLE)(x * 255 / w);
                row[3 * x + 1] = (JSAMPLE)(y * 255 / h);
                row[3 * x + 2] = (JSAMPLE)(64 * i);
            }
        });
        if (!ok)
            return 1;
    }
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc >= 3 && wcscmp(argv[1], L"seed") == 0)
        return Seed(argv[2]);
    if (argc < 5 || wcscmp(argv[1], L"run") != 0)
    {
        fprintf(stderr, "usage: big_folder_bench seed FOLDER | run FOLDER SUBS THUMBS [STEPS]\n");
        return 2;
    }
    // "D:\pics1000": the drive becomes the current one, so that the tree's
    // "\" is its root and the folder is named without it.
    std::wstring folder = argv[2];
    if (folder.size() > 2 && folder[1] == L':')
    {
        SetCurrentDirectoryW((folder.substr(0, 2) + L"\\").c_str());
        folder = folder.substr(2);
    }
    Run run;
    run.folder = folder;
    run.subs = argv[3];
    run.pattern = run.folder + L"\\*.*";
    const std::wstring steps = argc > 5 ? argv[5] : L"";

    // The pictures: every file of the folder is one.
    g_nPictures = EnumeratePictures(run.pattern.c_str());
    FreePictures();
    printf("pictures: %d\n", g_nPictures);
    StoreStartSettings(run.folder.c_str(), argv[4]);

    if (Wants(steps, L"floor"))
        StepFloor(run);
    StepStart(run);
    if (Wants(steps, L"taps"))
        StepTaps(run, 4);
    else if (Wants(steps, L"tap1"))
        StepTaps(run, 1); // the name key's two taps alone
    if (Wants(steps, L"parts"))
        StepParts(run);
    if (Wants(steps, L"refresh"))
        StepRefresh(run);
    if (Wants(steps, L"delete"))
        StepDelete(run);
    if (Wants(steps, L"thumbs"))
        StepThumbs(run);
    if (Wants(steps, L"scroll"))
        StepScroll(run);
    if (Wants(steps, L"step"))
        StepNextPrevious(run);
    if (Wants(steps, L"tree"))
        StepTree(run);
    if (Wants(steps, L"memory"))
        StepMemory(run);
    return 0;
}
