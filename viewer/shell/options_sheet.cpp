#include "viewer/shell/options_sheet.h"

#include <commctrl.h>
#include <stdio.h>

#include "platform/aygshell/aygshell.h"
#include "viewer/common/app_texts.h"
#include "viewer/common/main_window_data.h"
#include "viewer/common/path_parts.h"
#include "viewer/resources/resource.h"
#include "viewer/shell/faces.h"
#include "viewer/shell/screen_chrome.h"

// The handheld's sheet header asks for a sheet that fills the screen. The
// desktop has no such flag (its 0x2000 means something else), so the bit is
// kept out of the desktop call and the sheet is laid out here instead.
#define PSH_MAXIMIZE 0x2000
#define OPTIONS_SHEET_FLAGS (PSH_PROPSHEETPAGE | PSH_USECALLBACK | PSH_MAXIMIZE)
#define OPTIONS_PAGE_COUNT 3

// Sheet callback message 3 asks the handheld's controls for their version.
#define PSCB_GETVERSION 3
#define OPTIONS_COMCTL_VERSION 0x20C

#define IDC_SHEET_TAB 0x3020
#define IDC_SHEET_APPLY 0x3021
// Posted to the sheet once it has finished its own set-up, which may size it
// again after the callback.
#define WM_OPTIONS_LAYOUT (WM_APP + 0x4F)
#define OPTIONS_SUBCLASS_ID 1

static void FitPages(HWND hwndSheet)
{
    for (HWND hwndPage = FindWindowExW(hwndSheet, NULL, L"#32770", NULL); hwndPage;
         hwndPage = FindWindowExW(hwndSheet, hwndPage, L"#32770", NULL))
        FitOptionsPage(hwndPage);
}

// The sheet fills the screen between the shell's bar and the menu bar; the
// shell's "ok" closes it, so the desktop's own buttons go.
static void LayOutSheet(HWND hwndSheet)
{
    SHINITDLGINFO shidi = {};
    shidi.dwMask = SHIDIM_FLAGS;
    shidi.hDlg = hwndSheet;
    shidi.dwFlags = SHIDIF_DONEBUTTON | SHIDIF_SIZEDLG;
    SHInitDialog(&shidi);

    static const int rgButtons[] = {IDOK, IDCANCEL, IDC_SHEET_APPLY, IDHELP};
    for (int nId : rgButtons)
    {
        HWND hwndButton = GetDlgItem(hwndSheet, nId);
        if (hwndButton)
            ShowWindow(hwndButton, SW_HIDE);
    }
    RECT rc;
    GetClientRect(hwndSheet, &rc);
    HWND hwndTab = GetDlgItem(hwndSheet, IDC_SHEET_TAB);
    if (hwndTab)
        SetWindowPos(hwndTab, NULL, 0, 0, rc.right, rc.bottom, SWP_NOZORDER | SWP_NOACTIVATE);
    FitPages(hwndSheet);
    InvalidateRect(hwndSheet, NULL, TRUE);
}

static LRESULT CALLBACK SheetSubclassProc(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam, UINT_PTR nId,
                                          DWORD_PTR)
{
    switch (uMsg)
    {
    case WM_OPTIONS_LAYOUT:
        LayOutSheet(hwnd);
        return 0;
    case WM_NCDESTROY:
        RemoveWindowSubclass(hwnd, SheetSubclassProc, nId);
        return DefSubclassProc(hwnd, uMsg, wParam, lParam);
    default:
        return DefSubclassProc(hwnd, uMsg, wParam, lParam);
    }
}

static void OnSheetInitialized(HWND hwndSheet)
{
    // The sheet has no caption of its own; the shell's bar shows the
    // program's name while it is up.
    SetWindowTextW(hwndSheet, GetAppTitle());
    HWND hwndTab = GetDlgItem(hwndSheet, IDC_SHEET_TAB);
    if (hwndTab)
        SetWindowLongPtrW(hwndTab, GWL_STYLE, GetWindowLongPtrW(hwndTab, GWL_STYLE) | TCS_BOTTOM);
    LayOutSheet(hwndSheet);
    if (SetWindowSubclass(hwndSheet, SheetSubclassProc, OPTIONS_SUBCLASS_ID, 0))
        PostMessageW(hwndSheet, WM_OPTIONS_LAYOUT, 0, 0);
}

static int CALLBACK OptionsSheetCallback(HWND hwnd, UINT uMsg, LPARAM)
{
    switch (uMsg)
    {
    case PSCB_INITIALIZED:
        OnSheetInitialized(hwnd);
        return 1;
    case PSCB_GETVERSION:
        return OPTIONS_COMCTL_VERSION;
    default:
        return 1;
    }
}

void FitOptionsPage(HWND hwndPage)
{
    HWND hwndSheet = GetParent(hwndPage);
    HWND hwndTab = hwndSheet ? GetDlgItem(hwndSheet, IDC_SHEET_TAB) : NULL;
    if (!hwndTab)
        return;
    RECT rc;
    GetClientRect(hwndTab, &rc);
    TabCtrl_AdjustRect(hwndTab, FALSE, &rc);
    MapWindowPoints(hwndTab, hwndSheet, reinterpret_cast<POINT*>(&rc), 2);
    SetWindowPos(hwndPage, NULL, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void RepaintSheetOnLeave(HWND hwndPage, const NMHDR* pHeader)
{
    if (pHeader->code != PSN_APPLY && pHeader->code != PSN_KILLACTIVE)
        return;
    HWND hwndSheet = GetParent(hwndPage);
    if (!hwndSheet)
        return;
    InvalidateRect(hwndSheet, NULL, TRUE);
    UpdateWindow(hwndSheet);
}

void FillList(HWND hwndList, const LPCWSTR* rgpszTexts, int cTexts)
{
    SendMessageW(hwndList, CB_RESETCONTENT, 0, 0);
    for (int i = 0; i < cTexts; ++i)
        SendMessageW(hwndList, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(rgpszTexts[i]));
}

void SelectListEntry(HWND hwndList, LONG nValue, LONG nFallback)
{
    LONG cEntries = static_cast<LONG>(SendMessageW(hwndList, CB_GETCOUNT, 0, 0));
    SendMessageW(hwndList, CB_SETCURSEL, nValue >= 0 && nValue < cEntries ? nValue : nFallback, 0);
}

bool GetSamplePicturePath(LPWSTR pszPath, int cchPath)
{
    WCHAR szModule[MAX_PATH];
    DWORD cch = GetModuleFileNameW(NULL, szModule, MAX_PATH);
    if (cch == 0 || cch >= MAX_PATH)
        return false; // a cut name would name another folder
    WCHAR* pSlash = wcsrchr(szModule, L'\\');
    if (pSlash)
        *pSlash = L'\0';
    return cchPath > 0 && JoinPath(szModule, OPTIONS_SAMPLE_NAME, pszPath, (size_t)cchPath);
}

void ShowOptions(HWND hwndOwner)
{
    MainWindowData* pData = GetMainWindowData();
    const bool bBrowser = pData && IsBrowserVisible(pData);
    if (pData)
    {
        ApplyNormalLayout(pData);
        ShowOptionsMenuBar(pData);
    }

    HINSTANCE hInstance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(hwndOwner, GWLP_HINSTANCE));
    static const struct
    {
        WORD wTemplate;
        DLGPROC pfnProc;
    } rgPageSpecs[OPTIONS_PAGE_COUNT] = {
        {IDD_OPTIONS_START, StartPageProc},
        {IDD_OPTIONS_KEY, KeyPageProc},
        {IDD_OPTIONS_ETC, EtcPageProc},
    };
    // Lives as long as the sheet, which is modal.
    PositionPicker picker = {};
    PROPSHEETPAGEW rgPages[OPTIONS_PAGE_COUNT] = {};
    for (int i = 0; i < OPTIONS_PAGE_COUNT; ++i)
    {
        rgPages[i].dwSize = sizeof(PROPSHEETPAGEW);
        rgPages[i].dwFlags = PSP_DEFAULT; // each tab shows its template's caption
        rgPages[i].hInstance = hInstance;
        rgPages[i].pszTemplate = MAKEINTRESOURCEW(rgPageSpecs[i].wTemplate);
        rgPages[i].pfnDlgProc = rgPageSpecs[i].pfnProc;
        if (rgPageSpecs[i].wTemplate == IDD_OPTIONS_START)
            rgPages[i].lParam = reinterpret_cast<LPARAM>(&picker);
    }

    PROPSHEETHEADERW psh = {};
    psh.dwSize = sizeof(psh);
    psh.dwFlags = OPTIONS_SHEET_FLAGS & ~PSH_MAXIMIZE;
    psh.hwndParent = hwndOwner;
    psh.hInstance = hInstance;
    psh.nPages = OPTIONS_PAGE_COUNT;
    psh.nStartPage = 0;
    psh.ppsp = rgPages;
    psh.pfnCallback = OptionsSheetCallback;
    PropertySheetW(&psh);

    pData = GetMainWindowData();
    if (!pData)
        return;
    if (bBrowser)
        ShowBrowser(pData);
    else
        ShowViewer(pData);
}
