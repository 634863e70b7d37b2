// The viewer's modal windows, found and answered by a thread of their own:
// the driver's thread is then waiting inside the command that opened them.
#include "tests/stress/storm.h"

#include <stdio.h>

#include "viewer/resources/resource.h"

// Controls that tell the viewer's dialogs apart, beside its own: the sheet's
// tab control and a message box's text.
#define ID_SHEET_TAB 0x3020
#define ID_MESSAGE_TEXT 0xFFFF
#define POLL_MS 20
// A window answered once is left this long to go before it is answered again.
#define ANSWER_AGAIN_MS 1000

static ViewerProcess s_viewer;
static HANDLE s_hThread = NULL;
static volatile LONG s_nStop = 0;
static CRITICAL_SECTION s_lock;
static RemoteBuffer s_buffer;

// Guarded by s_lock.
static bool s_bDeleteArmed = false, s_bDeleteConfirm = false;
static std::wstring s_deleteName;
static DeleteOutcome s_deleteOutcome = DELETE_NONE;
static std::wstring s_deleteSelected;
static int s_nSheetPage = 0;
static DWORD s_dwSheetDwell = 0;
static int s_rgnCounts[DIALOG_KINDS] = {};

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
    const DeleteOutcome outcome = s_deleteOutcome;
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

void GetDialogCounts(int rgnCounts[DIALOG_KINDS])
{
    EnterCriticalSection(&s_lock);
    memcpy(rgnCounts, s_rgnCounts, sizeof(s_rgnCounts));
    LeaveCriticalSection(&s_lock);
}

static std::wstring WindowText(HWND hwnd)
{
    wchar_t sz[512] = L"";
    DWORD_PTR dw = 0;
    SendMessageTimeoutW(hwnd, WM_GETTEXT, ARRAYSIZE(sz), reinterpret_cast<LPARAM>(sz), SMTO_NORMAL, 2000, &dw);
    sz[ARRAYSIZE(sz) - 1] = L'\0';
    return sz;
}

// The box is modal: the window's thread still serves the list's messages,
// so the selection it is about to act on can be read.
static int AnswerDelete(HWND)
{
    const std::vector<std::wstring> selected = ListSelectedNames(s_viewer, s_buffer);
    std::wstring joined;
    for (const std::wstring& name : selected)
        joined += (joined.empty() ? L"" : L", ") + name;
    EnterCriticalSection(&s_lock);
    const bool bMatches = s_bDeleteArmed && selected.size() == 1 && selected[0] == s_deleteName;
    s_deleteOutcome = !bMatches ? DELETE_MISMATCH : s_bDeleteConfirm ? DELETE_CONFIRMED : DELETE_CANCELLED;
    s_deleteSelected = joined;
    const std::wstring expected = s_deleteName;
    const int nButton = s_deleteOutcome == DELETE_CONFIRMED ? IDOK : IDCANCEL;
    LeaveCriticalSection(&s_lock);
    StormLog("  dialog: Delete box, selection [%s], expected '%s' -> %s", Narrow(joined).c_str(),
             Narrow(expected).c_str(), nButton == IDOK ? "OK" : "Cancel");
    return nButton;
}

// Each page shown stores its values at the close, as a user's visit does.
static int AnswerSheet(HWND hwnd)
{
    EnterCriticalSection(&s_lock);
    const int nPage = s_nSheetPage;
    const DWORD dwDwell = s_dwSheetDwell;
    LeaveCriticalSection(&s_lock);
    PostMessageW(hwnd, PSM_SETCURSEL, static_cast<WPARAM>(nPage), 0);
    Sleep(dwDwell);
    StormLog("  dialog: options sheet, page %d for %lu ms -> ok", nPage, dwDwell);
    return IDOK;
}

// Tried in order: a dialog is told by a control of its own (the delete box
// by its caption too, a message box by an OK or Cancel button: the
// capture's notice has neither and goes by itself). Without a
// function of its own, a dialog is logged with its caption and that
// control's text and answered with its button (0: OK, or Cancel where it
// has no OK).
struct DialogAnswer
{
    DialogKind kind;
    const char* pszName;
    int nControl;
    const wchar_t* pszCaption;
    int nButton;
    int (*pfnAnswer)(HWND); // the button to press
};
static const DialogAnswer s_rgAnswers[] = {
    {DIALOG_OPTIONS, "options sheet", ID_SHEET_TAB, NULL, IDOK, AnswerSheet},
    {DIALOG_FILE_INFO, "file information", IDC_INFO_NAME, NULL, IDOK, NULL},
    {DIALOG_ABOUT, "about box", IDC_ABOUT_VERSION, NULL, IDOK, NULL},
    {DIALOG_FOLDER, "folder dialog", IDC_FOLDER_LIST, NULL, IDCANCEL, NULL},
    {DIALOG_DELETE, "delete box", ID_MESSAGE_TEXT, L"Delete", 0, AnswerDelete},
    {DIALOG_OTHER_BOX, "message box", ID_MESSAGE_TEXT, NULL, 0, NULL},
};

static void Answer(HWND hwnd)
{
    const std::wstring caption = WindowText(hwnd);
    const bool bHasOk = GetDlgItem(hwnd, IDOK) != NULL;
    for (const DialogAnswer& answer : s_rgAnswers)
    {
        if (!GetDlgItem(hwnd, answer.nControl) || (answer.pszCaption && caption != answer.pszCaption) ||
            (answer.nControl == ID_MESSAGE_TEXT && !bHasOk && !GetDlgItem(hwnd, IDCANCEL)))
            continue;
        EnterCriticalSection(&s_lock);
        ++s_rgnCounts[answer.kind];
        LeaveCriticalSection(&s_lock);
        int nButton = answer.nButton ? answer.nButton : bHasOk ? IDOK : IDCANCEL;
        if (answer.pfnAnswer)
            nButton = answer.pfnAnswer(hwnd);
        else
            StormLog("  dialog: %s '%s': %s -> %s", answer.pszName, Narrow(caption).c_str(),
                     Narrow(WindowText(GetDlgItem(hwnd, answer.nControl))).c_str(), nButton == IDOK ? "OK" : "Cancel");
        PostMessageW(hwnd, WM_COMMAND, MAKEWPARAM(nButton, BN_CLICKED), 0);
        return;
    }
}

static DWORD WINAPI WatchDialogs(void*)
{
    HWND hwndAnswered = NULL;
    DWORD dwAnsweredAt = 0;
    for (; !s_nStop; Sleep(POLL_MS))
        for (HWND hwnd = FindWindowExW(NULL, NULL, L"#32770", NULL); hwnd;
             hwnd = FindWindowExW(NULL, hwnd, L"#32770", NULL))
        {
            DWORD dwPid = 0;
            GetWindowThreadProcessId(hwnd, &dwPid);
            // The capture window is modeless: the capture step drives it.
            if (dwPid != s_viewer.dwPid || !IsWindowVisible(hwnd) || GetDlgItem(hwnd, IDC_AFTER_10_SEC) ||
                (hwnd == hwndAnswered && GetTickCount() - dwAnsweredAt < ANSWER_AGAIN_MS))
                continue;
            Answer(hwnd);
            hwndAnswered = hwnd;
            dwAnsweredAt = GetTickCount();
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

static bool IsCaptureWindow(HWND hwnd) { return GetDlgItem(hwnd, IDC_AFTER_10_SEC) != NULL; }

HWND FindCaptureWindow(const ViewerProcess& viewer) { return FindTopWindow(viewer.dwPid, IsCaptureWindow); }
