// The viewer's modal windows, found and answered by a thread of their own:
// the driver's thread is then waiting inside the command that opened them.
#include "tests/stress/storm.h"

#include <commctrl.h>
#include <stdio.h>

// Controls that tell the viewer's dialogs apart.
#define ID_SHEET_TAB 0x3020
#define ID_INFO_NAME 1050
#define ID_ABOUT_VERSION 1010
#define ID_FOLDER_LIST 1096
#define ID_CAPTURE_LATER 1097
#define ID_MESSAGE_TEXT 0xFFFF
#define POLL_MS 20
// A window answered once is left this long to go before it is answered again.
#define ANSWER_AGAIN_MS 1000

static ViewerProcess s_viewer;
static HANDLE s_hThread = NULL;
static volatile LONG s_nStop = 0;
static CRITICAL_SECTION s_lock;
static RemoteBuffer s_buffer;

static bool s_bDeleteArmed = false;
static bool s_bDeleteConfirm = false;
static std::wstring s_deleteName;
static DeleteOutcome s_deleteOutcome = DELETE_NONE;
static std::wstring s_deleteSelected;

static int s_nSheetPage = 0;
static DWORD s_dwSheetDwell = 0;

static DialogCounts s_counts = {};

static HWND s_hwndAnswered = NULL;
static DWORD s_dwAnsweredAt = 0;

void ExpectDeleteConfirmation(const std::wstring& name, bool bConfirm)
{
    EnterCriticalSection(&s_lock);
    s_bDeleteArmed = true;
    s_bDeleteConfirm = bConfirm;
    s_deleteName = name;
    s_deleteOutcome = DELETE_NONE;
    s_deleteSelected.clear();
    LeaveCriticalSection(&s_lock);
}

DeleteOutcome TakeDeleteOutcome(std::wstring* pSelected)
{
    EnterCriticalSection(&s_lock);
    DeleteOutcome outcome = s_deleteOutcome;
    if (pSelected)
        *pSelected = s_deleteSelected;
    s_bDeleteArmed = false;
    s_deleteOutcome = DELETE_NONE;
    LeaveCriticalSection(&s_lock);
    return outcome;
}

void PlanOptionsSheet(int nPage, DWORD dwDwellMs)
{
    EnterCriticalSection(&s_lock);
    s_nSheetPage = nPage;
    s_dwSheetDwell = dwDwellMs;
    LeaveCriticalSection(&s_lock);
}

DialogCounts GetDialogCounts(void)
{
    EnterCriticalSection(&s_lock);
    DialogCounts counts = s_counts;
    LeaveCriticalSection(&s_lock);
    return counts;
}

static std::string Narrow(const std::wstring& text)
{
    char sz[512];
    int cb = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, sz, sizeof(sz), NULL, NULL);
    return cb > 0 ? std::string(sz) : std::string("?");
}

static std::wstring WindowText(HWND hwnd)
{
    wchar_t sz[512] = L"";
    DWORD_PTR dw = 0;
    SendMessageTimeoutW(hwnd, WM_GETTEXT, ARRAYSIZE(sz), reinterpret_cast<LPARAM>(sz), SMTO_NORMAL, 2000, &dw);
    sz[ARRAYSIZE(sz) - 1] = L'\0';
    return sz;
}

static void Press(HWND hwndDialog, int nId)
{
    PostMessageW(hwndDialog, WM_COMMAND, MAKEWPARAM(nId, BN_CLICKED), 0);
}

static void AnswerDelete(HWND hwnd)
{
    // The box is modal: the window's thread still serves the list's
    // messages, so the selection it is about to act on can be read.
    std::vector<std::wstring> selected = ListSelectedNames(s_viewer, s_buffer);
    std::wstring joined;
    for (const std::wstring& name : selected)
        joined += (joined.empty() ? L"" : L", ") + name;
    EnterCriticalSection(&s_lock);
    ++s_counts.nDeleteBoxes;
    const bool bArmed = s_bDeleteArmed;
    const bool bMatches = selected.size() == 1 && selected[0] == s_deleteName;
    int nAnswer = IDCANCEL;
    if (!bArmed)
        s_deleteOutcome = DELETE_MISMATCH;
    else if (!bMatches)
        s_deleteOutcome = DELETE_MISMATCH;
    else if (s_bDeleteConfirm)
    {
        s_deleteOutcome = DELETE_CONFIRMED;
        nAnswer = IDOK;
    }
    else
        s_deleteOutcome = DELETE_CANCELLED;
    s_deleteSelected = joined;
    const std::wstring expected = s_deleteName;
    LeaveCriticalSection(&s_lock);
    StormLog("  dialog: Delete box, selection [%s], expected '%s' -> %s", Narrow(joined).c_str(),
             Narrow(expected).c_str(), nAnswer == IDOK ? "OK" : "Cancel");
    Press(hwnd, nAnswer);
}

static void AnswerSheet(HWND hwnd)
{
    EnterCriticalSection(&s_lock);
    ++s_counts.nOptions;
    const int nPage = s_nSheetPage;
    const DWORD dwDwell = s_dwSheetDwell;
    LeaveCriticalSection(&s_lock);
    // Each page shown stores its values at the close, as a user's visit does.
    PostMessageW(hwnd, PSM_SETCURSEL, static_cast<WPARAM>(nPage), 0);
    Sleep(dwDwell);
    StormLog("  dialog: options sheet, page %d for %lu ms -> ok", nPage, dwDwell);
    Press(hwnd, IDOK);
}

static void AnswerMessageBox(HWND hwnd, const std::wstring& caption)
{
    const std::wstring text = WindowText(GetDlgItem(hwnd, ID_MESSAGE_TEXT));
    EnterCriticalSection(&s_lock);
    ++s_counts.nErrorBoxes;
    LeaveCriticalSection(&s_lock);
    StormLog("  dialog: message box '%s': %s -> OK", Narrow(caption).c_str(), Narrow(text).c_str());
    Press(hwnd, GetDlgItem(hwnd, IDOK) ? IDOK : IDCANCEL);
}

static void Answer(HWND hwnd)
{
    const std::wstring caption = WindowText(hwnd);
    if (GetDlgItem(hwnd, ID_SHEET_TAB))
        AnswerSheet(hwnd);
    else if (GetDlgItem(hwnd, ID_INFO_NAME))
    {
        EnterCriticalSection(&s_lock);
        ++s_counts.nFileInfo;
        LeaveCriticalSection(&s_lock);
        StormLog("  dialog: file information of '%s' -> OK",
                 Narrow(WindowText(GetDlgItem(hwnd, ID_INFO_NAME))).c_str());
        Press(hwnd, IDOK);
    }
    else if (GetDlgItem(hwnd, ID_ABOUT_VERSION))
    {
        EnterCriticalSection(&s_lock);
        ++s_counts.nAbout;
        LeaveCriticalSection(&s_lock);
        StormLog("  dialog: about box -> OK");
        Press(hwnd, IDOK);
    }
    else if (GetDlgItem(hwnd, ID_FOLDER_LIST))
    {
        EnterCriticalSection(&s_lock);
        ++s_counts.nFolderDialogs;
        LeaveCriticalSection(&s_lock);
        StormLog("  dialog: folder dialog -> Cancel");
        Press(hwnd, IDCANCEL);
    }
    else if (caption == L"Delete" && GetDlgItem(hwnd, ID_MESSAGE_TEXT))
        AnswerDelete(hwnd);
    else if (GetDlgItem(hwnd, ID_MESSAGE_TEXT) && (GetDlgItem(hwnd, IDOK) || GetDlgItem(hwnd, IDCANCEL)))
        AnswerMessageBox(hwnd, caption);
}

static BOOL CALLBACK VisitWindow(HWND hwnd, LPARAM)
{
    DWORD dwPid = 0;
    GetWindowThreadProcessId(hwnd, &dwPid);
    if (dwPid != s_viewer.dwPid || hwnd == s_viewer.hwndMain || !IsWindowVisible(hwnd))
        return TRUE;
    wchar_t szClass[32] = L"";
    GetClassNameW(hwnd, szClass, 32);
    // The capture window and its notice are modeless: the capture step
    // drives them.
    if (wcscmp(szClass, L"#32770") != 0 || GetDlgItem(hwnd, ID_CAPTURE_LATER))
        return TRUE;
    if (hwnd == s_hwndAnswered && GetTickCount() - s_dwAnsweredAt < ANSWER_AGAIN_MS)
        return TRUE;
    Answer(hwnd);
    s_hwndAnswered = hwnd;
    s_dwAnsweredAt = GetTickCount();
    return TRUE;
}

static DWORD WINAPI WatchDialogs(void*)
{
    while (!s_nStop)
    {
        EnumWindows(VisitWindow, 0);
        Sleep(POLL_MS);
    }
    return 0;
}

void StartDialogWatcher(const ViewerProcess& viewer)
{
    InitializeCriticalSection(&s_lock);
    s_viewer = viewer;
    s_buffer.Open(viewer.hProcess);
    s_nStop = 0;
    s_hThread = CreateThread(NULL, 0, WatchDialogs, NULL, 0, NULL);
}

void StopDialogWatcher(void)
{
    if (!s_hThread)
        return;
    InterlockedExchange(&s_nStop, 1);
    WaitForSingleObject(s_hThread, INFINITE);
    CloseHandle(s_hThread);
    s_hThread = NULL;
}

static bool IsCaptureWindow(HWND hwnd)
{
    return GetDlgItem(hwnd, ID_CAPTURE_LATER) != NULL;
}

HWND FindCaptureWindow(const ViewerProcess& viewer)
{
    return FindTopWindow(viewer.dwPid, IsCaptureWindow);
}
