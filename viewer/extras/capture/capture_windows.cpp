// The "Screen Cap" window and the "Screen was captured!" notice.
#include <stdio.h>

#include "viewer/common/message_box.h"
#include "viewer/common/settings.h"
#include "viewer/common/ui_timer.h"
#include "viewer/extras/capture/screen_capture.h"
#include "viewer/resources/resource.h"
#include "viewer/common/main_window_data.h"

void PlaceCaptureWindow(HWND hwnd)
{
    RECT rc;
    GetWindowRect(hwnd, &rc);
    int x = (GetSystemMetrics(SM_CXSCREEN) - (rc.right - rc.left)) / 2;
    int y = (GetSystemMetrics(SM_CYSCREEN) - (rc.bottom - rc.top)) / 2;
    SetWindowPos(hwnd, HWND_TOPMOST, x, y, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    ShowWindow(hwnd, SW_SHOWNORMAL);
    SetForegroundWindow(hwnd);
}

static void OnCaptureCommand(HWND hwnd, WORD wId)
{
    if (wId != IDOK)
        return;
    BOOL bLong = IsDlgButtonChecked(hwnd, IDC_AFTER_10_SEC) == BST_CHECKED;
    ShowWindow(hwnd, SW_HIDE);
    SetUiTimer(hwnd, CAPTURE_TIMER_GRAB, bLong ? CAPTURE_LONG_DELAY_MS : CAPTURE_DELAY_MS);
}

static void OnCaptureTimer(HWND hwnd, UINT_PTR nId)
{
    MainWindowData* pData = GetMainWindowData();
    if (nId == CAPTURE_TIMER_GRAB)
    {
        KillUiTimer(hwnd, CAPTURE_TIMER_GRAB);
        if (CaptureScreen(pData))
        {
            if (pData->hwndCaptureNotice)
                PlaceCaptureWindow(pData->hwndCaptureNotice);
        }
        else
            ShowCaptureFailure(pData);
        // The window comes back whether or not the file was written.
        SetUiTimer(hwnd, CAPTURE_TIMER_RETURN, CAPTURE_RETURN_MS);
    }
    else if (nId == CAPTURE_TIMER_RETURN)
    {
        KillUiTimer(hwnd, CAPTURE_TIMER_RETURN);
        ShowWindow(hwnd, SW_SHOW);
        SetForegroundWindow(hwnd);
    }
}

void ShowCaptureFailure(MainWindowData* pData)
{
    if (!pData)
        return;
    HINSTANCE hInstance = GetAppGlobals()->hInstance;
    WCHAR szFormat[128], szCaption[64], szFolder[MAX_PATH], szText[128 + MAX_PATH];
    if (!LoadStringW(hInstance, IDS_CAPTURE_NOT_SAVED, szFormat, ARRAYSIZE(szFormat)) ||
        !LoadStringW(hInstance, IDS_CAPTURE_CAPTION, szCaption, ARRAYSIZE(szCaption)))
        return;
    GetScreenCaptureSaveFolder(szFolder);
    _snwprintf_s(szText, ARRAYSIZE(szText), _TRUNCATE, szFormat, szFolder);
    ShowMessageBox(pData->hwndMain, szText, szCaption, MB_OK | MB_ICONERROR);
}

static void OnCaptureDestroy(HWND hwnd)
{
    KillUiTimer(hwnd, CAPTURE_TIMER_GRAB);
    KillUiTimer(hwnd, CAPTURE_TIMER_RETURN);
    MainWindowData* pData = GetMainWindowData();
    if (!pData)
        return;
    // Closed by its close box: the record must not keep a dead handle.
    if (pData->hwndCapture == hwnd)
        pData->hwndCapture = NULL;
    if (pData->hwndMain)
        SetForegroundWindow(pData->hwndMain);
}

static INT_PTR CALLBACK CaptureDlgProc(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    switch (uMsg)
    {
    case WM_INITDIALOG:
        return TRUE;
    case WM_COMMAND:
        OnCaptureCommand(hwnd, LOWORD(wParam));
        return TRUE;
    case WM_TIMER:
        OnCaptureTimer(hwnd, wParam);
        return TRUE;
    case WM_CLOSE:
        DestroyWindow(hwnd);
        return TRUE;
    case WM_DESTROY:
        OnCaptureDestroy(hwnd);
        return TRUE;
    default:
        return FALSE;
    }
}

static void OnNoticeTimer(HWND hwnd, UINT_PTR nId)
{
    if (nId != NOTICE_TIMER_HIDE)
        return;
    KillUiTimer(hwnd, NOTICE_TIMER_HIDE);
    ShowWindow(hwnd, SW_HIDE);
}

static INT_PTR CALLBACK NoticeDlgProc(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    switch (uMsg)
    {
    case WM_INITDIALOG:
        return TRUE;
    case WM_ACTIVATE:
        // Shown by a capture, not clicked into view.
        if (LOWORD(wParam) == WA_ACTIVE)
            SetUiTimer(hwnd, NOTICE_TIMER_HIDE, NOTICE_SHOW_MS);
        return FALSE;
    case WM_TIMER:
        OnNoticeTimer(hwnd, wParam);
        return TRUE;
    case WM_DESTROY:
        KillUiTimer(hwnd, NOTICE_TIMER_HIDE);
        return TRUE;
    default:
        return FALSE;
    }
}

static HWND CreateCaptureDialog(MainWindowData* pData)
{
    HINSTANCE hInstance = GetAppGlobals()->hInstance;
    return CreateDialogParamW(hInstance, MAKEINTRESOURCEW(IDD_SCREEN_CAP), pData->hwndMain, CaptureDlgProc, 0);
}

BOOL CreateCaptureWindows(MainWindowData* pData)
{
    if (!pData)
        return FALSE;
    pData->hwndCapture = CreateCaptureDialog(pData);
    pData->hwndCaptureNotice = CreateDialogParamW(GetAppGlobals()->hInstance, MAKEINTRESOURCEW(IDD_CAPTURE_NOTICE),
                                                  pData->hwndMain, NoticeDlgProc, 0);
    return pData->hwndCapture && pData->hwndCaptureNotice;
}

void DestroyCaptureWindows(MainWindowData* pData)
{
    if (!pData)
        return;
    if (pData->hwndCapture)
        DestroyWindow(pData->hwndCapture);
    if (pData->hwndCaptureNotice)
        DestroyWindow(pData->hwndCaptureNotice);
    pData->hwndCapture = NULL;
    pData->hwndCaptureNotice = NULL;
}

void OpenCaptureWindow(MainWindowData* pData)
{
    if (!pData)
        return;
    if (pData->hwndCapture)
        DestroyWindow(pData->hwndCapture);
    pData->hwndCapture = CreateCaptureDialog(pData);
    if (pData->hwndCapture)
        PlaceCaptureWindow(pData->hwndCapture);
}
