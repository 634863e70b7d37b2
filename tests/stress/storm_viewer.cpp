// The viewer process as the driver sees it: start, bounded sends, its
// controls read through memory in its own address space, and its counters.
#include "tests/stress/storm.h"

#include <commctrl.h>
#include <psapi.h>
#include <winternl.h>

#include <stdio.h>
#include <stdlib.h>

static DWORD s_dwBound = 10000;
// A send that takes this long is named in the log, under the bound or not.
#define SLOW_SEND_MS 1000
static volatile LONG s_nHung = 0;
static char s_szCommand[64] = "";
static char s_szHangCommand[64] = "";
static DWORD s_dwSlowest = 0;
static char s_szSlowest[64] = "";

void SetCommandBound(DWORD dwMs)
{
    s_dwBound = dwMs;
}

DWORD GetCommandBound(void)
{
    return s_dwBound;
}

void SetCurrentCommand(const char* pszName)
{
    snprintf(s_szCommand, sizeof(s_szCommand), "%s", pszName);
}

bool StormHung(void)
{
    return s_nHung != 0;
}

const char* StormHangCommand(void)
{
    return s_szHangCommand;
}

DWORD SlowestSend(const char** ppszCommand)
{
    *ppszCommand = s_szSlowest;
    return s_dwSlowest;
}

bool StormSend(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT* plResult)
{
    // After a hang nothing more is sent: the report names the first.
    if (s_nHung)
        return false;
    DWORD_PTR dwResult = 0;
    SetLastError(0);
    const DWORD dwStart = GetTickCount();
    const LRESULT lSent = SendMessageTimeoutW(hwnd, uMsg, wParam, lParam, SMTO_NORMAL, s_dwBound, &dwResult);
    const DWORD dwTaken = GetTickCount() - dwStart;
    if (dwTaken > s_dwSlowest)
    {
        s_dwSlowest = dwTaken;
        snprintf(s_szSlowest, sizeof(s_szSlowest), "%s", s_szCommand);
    }
    if (lSent && dwTaken >= SLOW_SEND_MS)
        StormLog("  slow: message 0x%04x (wParam %llu) took %lu ms during '%s'", uMsg,
                 static_cast<unsigned long long>(wParam), dwTaken, s_szCommand);
    if (lSent)
    {
        if (plResult)
            *plResult = static_cast<LRESULT>(dwResult);
        return true;
    }
    const DWORD dwError = GetLastError();
    // Wine and Windows report a timeout as ERROR_TIMEOUT or leave 0.
    if ((dwError == ERROR_TIMEOUT || dwError == 0) && IsWindow(hwnd))
    {
        if (InterlockedExchange(&s_nHung, 1) == 0)
            snprintf(s_szHangCommand, sizeof(s_szHangCommand), "%s", s_szCommand);
        StormLog("HANG: message 0x%04x (wParam %llu) to %p not answered within %lu ms during '%s'", uMsg,
                 static_cast<unsigned long long>(wParam), static_cast<void*>(hwnd), s_dwBound, s_szCommand);
    }
    return false;
}

// ---- Start ----

struct TopSearch
{
    DWORD dwPid;
    bool (*pfnIsIt)(HWND);
    HWND hwnd;
};

static BOOL CALLBACK FindTop(HWND hwnd, LPARAM lParam)
{
    TopSearch* pSearch = reinterpret_cast<TopSearch*>(lParam);
    DWORD dwPid = 0;
    GetWindowThreadProcessId(hwnd, &dwPid);
    if (dwPid == pSearch->dwPid && pSearch->pfnIsIt(hwnd))
    {
        pSearch->hwnd = hwnd;
        return FALSE;
    }
    return TRUE;
}

HWND FindTopWindow(DWORD dwPid, bool (*pfnIsIt)(HWND))
{
    TopSearch search = {dwPid, pfnIsIt, NULL};
    EnumWindows(FindTop, reinterpret_cast<LPARAM>(&search));
    return search.hwnd;
}

// The main window's class bears the program's name.
static bool IsMainWindow(HWND hwnd)
{
    wchar_t szClass[64] = L"";
    GetClassNameW(hwnd, szClass, 64);
    return wcscmp(szClass, L"Ombrix Viewer") == 0 && IsWindowVisible(hwnd);
}

static BOOL CALLBACK FindControls(HWND hwnd, LPARAM lParam)
{
    ViewerProcess* pViewer = reinterpret_cast<ViewerProcess*>(lParam);
    wchar_t szClass[64] = L"";
    GetClassNameW(hwnd, szClass, 64);
    if (wcscmp(szClass, WC_TREEVIEWW) == 0)
        pViewer->hwndTree = hwnd;
    else if (wcscmp(szClass, WC_LISTVIEWW) == 0)
        pViewer->hwndList = hwnd;
    else if (wcscmp(szClass, L"Thumb") == 0)
        pViewer->hwndThumb = hwnd;
    return TRUE;
}

bool LaunchViewer(const wchar_t* pszExe, const wchar_t* pszFolder, ViewerProcess* pViewer)
{
    ZeroMemory(pViewer, sizeof(*pViewer));
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    wchar_t szCommand[MAX_PATH + 3];
    _snwprintf_s(szCommand, ARRAYSIZE(szCommand), _TRUNCATE, L"\"%ls\"", pszExe);
    if (!CreateProcessW(pszExe, szCommand, NULL, NULL, FALSE, 0, NULL, pszFolder, &si, &pi))
    {
        StormLog("cannot start %ls: error %lu", pszExe, GetLastError());
        return false;
    }
    CloseHandle(pi.hThread);
    pViewer->hProcess = pi.hProcess;
    pViewer->dwPid = pi.dwProcessId;
    // The window shows before its panes are made: wait for both.
    for (int i = 0; i < 300; ++i)
    {
        if (!pViewer->hwndMain)
            pViewer->hwndMain = FindTopWindow(pi.dwProcessId, IsMainWindow);
        if (pViewer->hwndMain)
        {
            EnumChildWindows(pViewer->hwndMain, FindControls, reinterpret_cast<LPARAM>(pViewer));
            if (pViewer->hwndTree && pViewer->hwndList && pViewer->hwndThumb)
                return true;
        }
        Sleep(100);
    }
    StormLog("the viewer's window or a pane is missing: main %p, tree %p, list %p, grid %p",
             static_cast<void*>(pViewer->hwndMain), static_cast<void*>(pViewer->hwndTree),
             static_cast<void*>(pViewer->hwndList), static_cast<void*>(pViewer->hwndThumb));
    return false;
}

DWORD WaitForRecovery(const ViewerProcess& viewer, DWORD dwLimitMs)
{
    const DWORD dwStart = GetTickCount();
    DWORD_PTR dw = 0;
    while (GetTickCount() - dwStart < dwLimitMs)
    {
        if (SendMessageTimeoutW(viewer.hwndMain, WM_NULL, 0, 0, SMTO_NORMAL, 1000, &dw))
            return GetTickCount() - dwStart;
        if (!IsViewerAlive(viewer, NULL))
            break;
    }
    return INFINITE;
}

bool IsViewerAlive(const ViewerProcess& viewer, DWORD* pdwExitCode)
{
    if (WaitForSingleObject(viewer.hProcess, 0) != WAIT_OBJECT_0)
        return true;
    if (pdwExitCode)
        GetExitCodeProcess(viewer.hProcess, pdwExitCode);
    return false;
}

// ---- Memory in the viewer ----

#define REMOTE_BYTES 4096

RemoteBuffer::~RemoteBuffer()
{
    if (m_pv)
        VirtualFreeEx(m_hProcess, m_pv, 0, MEM_RELEASE);
}

bool RemoteBuffer::Open(HANDLE hProcess)
{
    m_hProcess = hProcess;
    m_pv = VirtualAllocEx(hProcess, NULL, REMOTE_BYTES, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    return m_pv != NULL;
}

bool RemoteBuffer::Write(size_t cbOffset, const void* pv, size_t cb)
{
    SIZE_T cbDone = 0;
    return cbOffset + cb <= REMOTE_BYTES && WriteProcessMemory(m_hProcess, Address(cbOffset), pv, cb, &cbDone) &&
           cbDone == cb;
}

bool RemoteBuffer::Read(size_t cbOffset, void* pv, size_t cb)
{
    SIZE_T cbDone = 0;
    return cbOffset + cb <= REMOTE_BYTES && ReadProcessMemory(m_hProcess, Address(cbOffset), pv, cb, &cbDone) &&
           cbDone == cb;
}

// Record at the start of the buffer, text after it.
#define TEXT_OFFSET 512
#define TEXT_CHARS 260

// ---- List and tree ----

int ListCount(const ViewerProcess& viewer)
{
    LRESULT n = 0;
    return StormSend(viewer.hwndList, LVM_GETITEMCOUNT, 0, 0, &n) ? static_cast<int>(n) : 0;
}

static bool SetRowState(const ViewerProcess& viewer, RemoteBuffer& buffer, int nRow, UINT uState)
{
    LVITEMW item = {};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = uState;
    return buffer.Write(0, &item, sizeof(item)) &&
           StormSend(viewer.hwndList, LVM_SETITEMSTATE, static_cast<WPARAM>(nRow),
                     reinterpret_cast<LPARAM>(buffer.Address(0)));
}

bool ListSelectOnly(const ViewerProcess& viewer, RemoteBuffer& buffer, int nRow)
{
    return SetRowState(viewer, buffer, -1, 0) && SetRowState(viewer, buffer, nRow, LVIS_SELECTED | LVIS_FOCUSED) &&
           StormSend(viewer.hwndList, LVM_ENSUREVISIBLE, static_cast<WPARAM>(nRow), FALSE);
}

bool ListRowText(const ViewerProcess& viewer, RemoteBuffer& buffer, int nRow, std::wstring* pText)
{
    LVITEMW item = {};
    item.iSubItem = 0;
    item.pszText = static_cast<LPWSTR>(buffer.Address(TEXT_OFFSET));
    item.cchTextMax = TEXT_CHARS;
    wchar_t szText[TEXT_CHARS + 1] = L"";
    LRESULT cch = 0;
    if (!buffer.Write(TEXT_OFFSET, szText, sizeof(wchar_t)) || !buffer.Write(0, &item, sizeof(item)) ||
        !StormSend(viewer.hwndList, LVM_GETITEMTEXTW, static_cast<WPARAM>(nRow),
                   reinterpret_cast<LPARAM>(buffer.Address(0)), &cch) ||
        !buffer.Read(TEXT_OFFSET, szText, TEXT_CHARS * sizeof(wchar_t)))
        return false;
    szText[TEXT_CHARS] = L'\0';
    pText->assign(szText);
    return true;
}

std::vector<std::wstring> ListSelectedNames(const ViewerProcess& viewer, RemoteBuffer& buffer)
{
    std::vector<std::wstring> names;
    LRESULT nRow = -1;
    while (names.size() < 10000 &&
           StormSend(viewer.hwndList, LVM_GETNEXTITEM, static_cast<WPARAM>(nRow), LVNI_SELECTED, &nRow) && nRow >= 0)
    {
        std::wstring text;
        if (ListRowText(viewer, buffer, static_cast<int>(nRow), &text))
            names.push_back(text);
    }
    return names;
}

bool IsReportList(const ViewerProcess& viewer)
{
    return IsWindowVisible(viewer.hwndList) &&
           (GetWindowLongPtrW(viewer.hwndList, GWL_STYLE) & LVS_TYPEMASK) == LVS_REPORT;
}

bool IsBrowserShown(const ViewerProcess& viewer)
{
    return IsWindowVisible(viewer.hwndTree);
}

static bool TreeItemText(const ViewerProcess& viewer, RemoteBuffer& buffer, HTREEITEM hItem, std::wstring* pText)
{
    TVITEMW item = {};
    item.mask = TVIF_TEXT | TVIF_HANDLE;
    item.hItem = hItem;
    item.pszText = static_cast<LPWSTR>(buffer.Address(TEXT_OFFSET));
    item.cchTextMax = TEXT_CHARS;
    wchar_t szText[TEXT_CHARS + 1] = L"";
    if (!buffer.Write(TEXT_OFFSET, szText, sizeof(wchar_t)) || !buffer.Write(0, &item, sizeof(item)) ||
        !StormSend(viewer.hwndTree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(buffer.Address(0))) ||
        !buffer.Read(TEXT_OFFSET, szText, TEXT_CHARS * sizeof(wchar_t)))
        return false;
    szText[TEXT_CHARS] = L'\0';
    pText->assign(szText);
    return true;
}

static HTREEITEM TreeNext(const ViewerProcess& viewer, UINT uCode, HTREEITEM hItem)
{
    LRESULT l = 0;
    if (!StormSend(viewer.hwndTree, TVM_GETNEXTITEM, uCode, reinterpret_cast<LPARAM>(hItem), &l))
        return NULL;
    return reinterpret_cast<HTREEITEM>(l);
}

std::vector<TreeItem> TreeItems(const ViewerProcess& viewer, RemoteBuffer& buffer)
{
    // Visible items, top to bottom: those under expanded items only.
    std::vector<TreeItem> items;
    for (HTREEITEM h = TreeNext(viewer, TVGN_ROOT, NULL); h && items.size() < 200;
         h = TreeNext(viewer, TVGN_NEXTVISIBLE, h))
    {
        TreeItem item = {h, L""};
        TreeItemText(viewer, buffer, h, &item.text);
        items.push_back(item);
    }
    return items;
}

// ---- Counters ----

// Wine keeps each process's GDI handles in a table that its PEB names, laid
// out as Windows laid out its shared table: 24-byte entries, a type byte
// that is 0 for a free entry.
struct GdiTableEntry
{
    UINT64 nObject;
    ULONG nOwner;
    USHORT nUnique;
    UCHAR nType;
    UCHAR nFlags;
    UINT64 nUser;
};
static_assert(sizeof(GdiTableEntry) == 24, "GDI table entries are 24 bytes");
#define GDI_TABLE_ENTRIES 0x10000
#define PEB_GDI_TABLE_OFFSET 0xF8

static const char* s_pszGdiMethod = "GetGuiResources";

static long CountGdiTable(HANDLE hProcess)
{
    PROCESS_BASIC_INFORMATION pbi = {};
    ULONG cbGot = 0;
    if (NtQueryInformationProcess(hProcess, ProcessBasicInformation, &pbi, sizeof(pbi), &cbGot) != 0)
        return -1;
    UINT64 nTable = 0;
    SIZE_T cbRead = 0;
    if (!ReadProcessMemory(hProcess, reinterpret_cast<BYTE*>(pbi.PebBaseAddress) + PEB_GDI_TABLE_OFFSET, &nTable,
                           sizeof(nTable), &cbRead) ||
        !nTable)
        return -1;
    const size_t cb = sizeof(GdiTableEntry) * GDI_TABLE_ENTRIES;
    GdiTableEntry* pEntries = static_cast<GdiTableEntry*>(malloc(cb));
    if (!pEntries)
        return -1;
    long nLive = -1;
    if (ReadProcessMemory(hProcess, reinterpret_cast<void*>(nTable), pEntries, cb, &cbRead) && cbRead == cb)
    {
        nLive = 0;
        for (size_t i = 0; i < GDI_TABLE_ENTRIES; ++i)
            nLive += pEntries[i].nType != 0;
    }
    free(pEntries);
    return nLive;
}

struct SystemHandle
{
    ULONG nPid;
    BYTE nType;
    BYTE nFlags;
    USHORT nHandle;
    PVOID pObject;
    ACCESS_MASK access;
};
struct SystemHandles
{
    ULONG nCount;
    SystemHandle rg[1];
};
#define SYSTEM_HANDLE_INFORMATION 16
#define STATUS_INFO_LENGTH_MISMATCH ((NTSTATUS)0xC0000004)

// Wine answers GetProcessHandleCount with 0; the system's handle list has
// each handle with its owner.
static long CountHandles(const ViewerProcess& viewer)
{
    DWORD dwCount = 0;
    if (GetProcessHandleCount(viewer.hProcess, &dwCount) && dwCount > 0)
        return static_cast<long>(dwCount);
    for (ULONG cb = 1 << 20; cb <= (1u << 28); cb *= 2)
    {
        SystemHandles* p = static_cast<SystemHandles*>(malloc(cb));
        if (!p)
            return -1;
        ULONG cbNeeded = 0;
        NTSTATUS status = NtQuerySystemInformation(static_cast<SYSTEM_INFORMATION_CLASS>(SYSTEM_HANDLE_INFORMATION), p, cb, &cbNeeded);
        if (status == STATUS_INFO_LENGTH_MISMATCH)
        {
            free(p);
            continue;
        }
        long n = -1;
        if (status == 0)
        {
            n = 0;
            for (ULONG i = 0; i < p->nCount; ++i)
                n += p->rg[i].nPid == viewer.dwPid;
        }
        free(p);
        return n;
    }
    return -1;
}

ProcessCounters SampleCounters(const ViewerProcess& viewer)
{
    ProcessCounters counters = {-1, -1, -1};
    SetLastError(0);
    DWORD dwGdi = GetGuiResources(viewer.hProcess, GR_GDIOBJECTS);
    if (dwGdi > 0)
        counters.nGdiObjects = static_cast<long>(dwGdi);
    else
    {
        s_pszGdiMethod = "the process's GDI handle table";
        counters.nGdiObjects = CountGdiTable(viewer.hProcess);
    }
    counters.nHandles = CountHandles(viewer);
    PROCESS_MEMORY_COUNTERS_EX pmc = {};
    pmc.cb = sizeof(pmc);
    if (GetProcessMemoryInfo(viewer.hProcess, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pmc), sizeof(pmc)))
        // Wine leaves PrivateUsage 0 and gives the private pages as
        // PagefileUsage, which Windows keeps equal to it.
        counters.cbPrivate = static_cast<long long>(pmc.PrivateUsage ? pmc.PrivateUsage : pmc.PagefileUsage);
    return counters;
}

long SampleGdiObjects(const ViewerProcess& viewer)
{
    DWORD dwGdi = GetGuiResources(viewer.hProcess, GR_GDIOBJECTS);
    return dwGdi > 0 ? static_cast<long>(dwGdi) : CountGdiTable(viewer.hProcess);
}

const char* GdiCountMethod(void)
{
    return s_pszGdiMethod;
}

int ListFindName(const ViewerProcess& viewer, RemoteBuffer& buffer, const std::wstring& name)
{
    LVFINDINFOW find = {};
    find.flags = LVFI_STRING;
    find.psz = static_cast<LPCWSTR>(buffer.Address(TEXT_OFFSET));
    LRESULT nRow = -1;
    if (name.size() >= TEXT_CHARS || !buffer.Write(TEXT_OFFSET, name.c_str(), (name.size() + 1) * sizeof(wchar_t)) ||
        !buffer.Write(0, &find, sizeof(find)) ||
        !StormSend(viewer.hwndList, LVM_FINDITEMW, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(buffer.Address(0)),
                   &nRow))
        return -1;
    return static_cast<int>(nRow);
}

bool TreeSelectedPath(const ViewerProcess& viewer, RemoteBuffer& buffer, std::wstring* pPath)
{
    HTREEITEM h = TreeNext(viewer, TVGN_CARET, NULL);
    if (!h)
        return false;
    std::wstring path;
    for (int nDepth = 0; h && nDepth < 64; ++nDepth)
    {
        HTREEITEM hParent = TreeNext(viewer, TVGN_PARENT, h);
        if (!hParent)
            break; // the root, "\", adds nothing
        std::wstring text;
        if (!TreeItemText(viewer, buffer, h, &text))
            return false;
        path = path.empty() ? text : text + L"\\" + path;
        h = hParent;
    }
    *pPath = path;
    return true;
}
