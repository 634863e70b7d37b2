// The viewer process as the driver sees it: start, bounded sends, and its
// controls read through memory in its own address space.
#include "tests/stress/storm.h"

#include <stdio.h>

// A send that takes this long is named in the log, under the bound or not.
#define SLOW_SEND_MS 1000

SendLog g_sends = {10000, 0, "", "", 0, ""};

void SetCurrentCommand(const char* pszName) { snprintf(g_sends.szCommand, sizeof(g_sends.szCommand), "%s", pszName); }

bool StormSend(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT* plResult)
{
    if (g_sends.nHung)
        return false;
    DWORD_PTR dwResult = 0;
    SetLastError(0);
    const DWORD dwStart = GetTickCount();
    const LRESULT lSent = SendMessageTimeoutW(hwnd, uMsg, wParam, lParam, SMTO_NORMAL, g_sends.dwBoundMs, &dwResult);
    const DWORD dwTaken = GetTickCount() - dwStart;
    const DWORD dwError = GetLastError();
    if (dwTaken > g_sends.dwSlowestMs)
    {
        g_sends.dwSlowestMs = dwTaken;
        snprintf(g_sends.szSlowest, sizeof(g_sends.szSlowest), "%s", g_sends.szCommand);
    }
    if (lSent && dwTaken >= SLOW_SEND_MS)
        StormLog("  slow: message 0x%04x (wParam %llu) took %lu ms during '%s'", uMsg,
                 static_cast<unsigned long long>(wParam), dwTaken, g_sends.szCommand);
    if (lSent && plResult)
        *plResult = static_cast<LRESULT>(dwResult);
    // Wine and Windows report a timeout as ERROR_TIMEOUT or leave 0.
    if (!lSent && (dwError == ERROR_TIMEOUT || dwError == 0) && IsWindow(hwnd))
    {
        if (InterlockedExchange(&g_sends.nHung, 1) == 0)
            snprintf(g_sends.szHangCommand, sizeof(g_sends.szHangCommand), "%s", g_sends.szCommand);
        StormLog("HANG: message 0x%04x (wParam %llu) to %p not answered within %lu ms during '%s'", uMsg,
                 static_cast<unsigned long long>(wParam), static_cast<void*>(hwnd), g_sends.dwBoundMs,
                 g_sends.szCommand);
    }
    return lSent != 0;
}

// ---- Start ----

HWND FindTopWindow(DWORD dwPid, bool (*pfnIsIt)(HWND))
{
    for (HWND hwnd = FindWindowExW(NULL, NULL, NULL, NULL); hwnd; hwnd = FindWindowExW(NULL, hwnd, NULL, NULL))
    {
        DWORD dwOwner = 0;
        GetWindowThreadProcessId(hwnd, &dwOwner);
        if (dwOwner == dwPid && pfnIsIt(hwnd))
            return hwnd;
    }
    return NULL;
}

static bool IsClass(HWND hwnd, const wchar_t* pszClass)
{
    wchar_t szClass[64] = L"";
    GetClassNameW(hwnd, szClass, 64);
    return wcscmp(szClass, pszClass) == 0;
}

// The main window's class bears the program's name.
static bool IsMainWindow(HWND hwnd) { return IsClass(hwnd, L"Ombrix Viewer") && IsWindowVisible(hwnd); }

static BOOL CALLBACK FindControls(HWND hwnd, LPARAM lParam)
{
    ViewerProcess* pViewer = reinterpret_cast<ViewerProcess*>(lParam);
    if (IsClass(hwnd, WC_TREEVIEWW))
        pViewer->hwndTree = hwnd;
    else if (IsClass(hwnd, WC_LISTVIEWW))
        pViewer->hwndList = hwnd;
    else if (IsClass(hwnd, L"Thumb"))
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
            EnumChildWindows(pViewer->hwndMain, FindControls, reinterpret_cast<LPARAM>(pViewer));
        if (pViewer->hwndTree && pViewer->hwndList && pViewer->hwndThumb)
            return true;
        Sleep(100);
    }
    StormLog("the viewer's window or one of its panes did not appear");
    return false;
}

DWORD WaitForRecovery(const ViewerProcess& viewer, DWORD dwLimitMs)
{
    const DWORD dwStart = GetTickCount();
    DWORD_PTR dw = 0;
    while (GetTickCount() - dwStart < dwLimitMs && IsViewerAlive(viewer, NULL))
        if (SendMessageTimeoutW(viewer.hwndMain, WM_NULL, 0, 0, SMTO_NORMAL, 1000, &dw))
            return GetTickCount() - dwStart;
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
// A record at the start of the buffer, its text after it.
#define TEXT_OFFSET 512
#define TEXT_CHARS 260

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

// Sends a record (list or tree item) whose text points into the buffer and
// reads the text the control wrote there.
template <class Item>
static bool RemoteText(HWND hwnd, RemoteBuffer& buffer, UINT uMsg, WPARAM wParam, Item item, std::wstring* pText)
{
    item.pszText = static_cast<LPWSTR>(buffer.Address(TEXT_OFFSET));
    item.cchTextMax = TEXT_CHARS;
    wchar_t szText[TEXT_CHARS + 1] = L"";
    if (!buffer.Write(TEXT_OFFSET, szText, sizeof(wchar_t)) || !buffer.Write(0, &item, sizeof(item)) ||
        !StormSend(hwnd, uMsg, wParam, reinterpret_cast<LPARAM>(buffer.Address(0))) ||
        !buffer.Read(TEXT_OFFSET, szText, TEXT_CHARS * sizeof(wchar_t)))
        return false;
    pText->assign(szText);
    return true;
}

// ---- List and tree ----

int ListCount(const ViewerProcess& viewer)
{
    LRESULT n = 0;
    StormSend(viewer.hwndList, LVM_GETITEMCOUNT, 0, 0, &n);
    return static_cast<int>(n);
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
    return RemoteText(viewer.hwndList, buffer, LVM_GETITEMTEXTW, static_cast<WPARAM>(nRow), LVITEMW{}, pText);
}

std::vector<std::wstring> ListSelectedNames(const ViewerProcess& viewer, RemoteBuffer& buffer)
{
    std::vector<std::wstring> names;
    LRESULT nRow = -1;
    std::wstring text;
    while (names.size() < 10000 &&
           StormSend(viewer.hwndList, LVM_GETNEXTITEM, static_cast<WPARAM>(nRow), LVNI_SELECTED, &nRow) && nRow >= 0)
        if (ListRowText(viewer, buffer, static_cast<int>(nRow), &text))
            names.push_back(text);
    return names;
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

static HTREEITEM TreeNext(const ViewerProcess& viewer, UINT uCode, HTREEITEM hItem)
{
    LRESULT l = 0;
    StormSend(viewer.hwndTree, TVM_GETNEXTITEM, uCode, reinterpret_cast<LPARAM>(hItem), &l);
    return reinterpret_cast<HTREEITEM>(l);
}

std::vector<TreeItem> TreeItems(const ViewerProcess& viewer, RemoteBuffer& buffer)
{
    std::vector<TreeItem> items;
    for (HTREEITEM h = TreeNext(viewer, TVGN_ROOT, NULL); h && items.size() < 200;
         h = TreeNext(viewer, TVGN_NEXTVISIBLE, h))
    {
        TVITEMW item = {};
        item.mask = TVIF_TEXT | TVIF_HANDLE;
        item.hItem = h;
        items.push_back({h, L""});
        RemoteText(viewer.hwndTree, buffer, TVM_GETITEMW, 0, item, &items.back().text);
    }
    return items;
}
