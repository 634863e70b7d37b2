#include "viewer/shell/about_box.h"

#include <stdio.h>

#include "platform/aygshell/aygshell.h"
#include "viewer/resources/resource.h"
#include "viewer/common/app_texts.h"

static void OnAboutInit(HWND hwnd)
{
    SHINITDLGINFO shidi = {};
    shidi.dwMask = SHIDIM_FLAGS;
    shidi.hDlg = hwnd;
    shidi.dwFlags = SHIDIF_DONEBUTTON | SHIDIF_SIZEDLGFULLSCREEN | SHIDIF_SIPDOWN;
    SHInitDialog(&shidi);

    WCHAR szVersion[32] = L"";
    LoadStringW(reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(hwnd, GWLP_HINSTANCE)), IDS_VERSION, szVersion, 32);
    WCHAR szLine[160];
    _snwprintf_s(szLine, 160, _TRUNCATE, L"%ls v%ls", GetAppTitle(), szVersion);
    SetDlgItemTextW(hwnd, IDC_ABOUT_VERSION, szLine);

    WCHAR szText[512] = L"";
    LoadStringW(reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(hwnd, GWLP_HINSTANCE)), IDS_ABOUT_TEXT, szText, 512);
    SetDlgItemTextW(hwnd, IDC_ABOUT_TEXT, szText);
}

static INT_PTR CALLBACK AboutDlgProc(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    switch (uMsg)
    {
    case WM_INITDIALOG:
        OnAboutInit(hwnd);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)
        {
            EndDialog(hwnd, LOWORD(wParam));
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

void ShowAboutBox(HWND hwndOwner)
{
    HINSTANCE hInstance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(hwndOwner, GWLP_HINSTANCE));
    DialogBoxParamW(hInstance, IDD_ABOUT_NAME, hwndOwner, AboutDlgProc, 0);
}
