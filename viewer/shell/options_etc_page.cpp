// The "Etc" page: slideshow interval, effect, direction and loop, the screen
// capture folder, the zoom quality, turning camera pictures upright and
// managing their colours. Its values reach the settings store and the live
// objects when the page goes.
#include "viewer/shell/options_sheet.h"

#include <commctrl.h>
#include <wchar.h>

#include "viewer/browser/folder_dialog.h"
#include "viewer/common/main_window_data.h"
#include "viewer/common/settings.h"
#include "viewer/common/settings_names.h"
#include "viewer/extras/slideshow/slide_show.h"
#include "viewer/imaging/view/renderer.h"
#include "viewer/resources/resource.h"
#include "viewer/shell/decode_settings.h"

#define INTERVAL_MIN_SECONDS 1
#define INTERVAL_MAX_SECONDS 30
#define MS_PER_SECOND 1000

static const LPCWSTR s_rgpszEffects[] = {
    L"None",         L"Random",        L"Blind Horizontal", L"Blind Vertical",
    L"Cover Left",   L"Cover Right",   L"Cover Up",         L"Cover Down",
    L"UnCover Left", L"UnCover Right", L"UnCover Up",       L"UnCover Down",
};
static const LPCWSTR s_rgpszQualities[] = {L"Low Quality(Fast)", L"High Quality(Slow)"};

static void OnEtcInit(HWND hwnd)
{
    HWND hwndEffect = GetDlgItem(hwnd, IDC_SLIDE_EFFECT);
    FillList(hwndEffect, s_rgpszEffects, ARRAYSIZE(s_rgpszEffects));
    SelectListEntry(hwndEffect, static_cast<LONG>(GetSlideshowEffectMethod()), DEF_SLIDESHOW_EFFECT_METHOD);

    SetDlgItemInt(hwnd, IDC_SLIDE_TIME, GetSlideshowIntervalTime() / MS_PER_SECOND, TRUE);
    SendDlgItemMessageW(hwnd, IDC_SLIDE_SPIN, UDM_SETRANGE, 0, MAKELPARAM(INTERVAL_MAX_SECONDS, INTERVAL_MIN_SECONDS));

    CheckRadioButton(hwnd, IDC_SLIDE_FORWARD, IDC_SLIDE_BACKWARD,
                     GetSlideshowDirection() ? IDC_SLIDE_BACKWARD : IDC_SLIDE_FORWARD);
    CheckDlgButton(hwnd, IDC_SLIDE_LOOP, GetSlideshowLoop() ? BST_CHECKED : BST_UNCHECKED);

    // The store keeps at most this many characters; a longer folder would
    // come back cut, naming another folder.
    SendDlgItemMessageW(hwnd, IDC_CAPTURE_FOLDER, EM_LIMITTEXT, SETTING_TEXT_MAX_CHARS, 0);
    WCHAR szFolder[MAX_PATH];
    GetScreenCaptureSaveFolder(szFolder);
    SetDlgItemTextW(hwnd, IDC_CAPTURE_FOLDER, szFolder);

    HWND hwndQuality = GetDlgItem(hwnd, IDC_ZOOM_QUALITY);
    FillList(hwndQuality, s_rgpszQualities, ARRAYSIZE(s_rgpszQualities));
    // Any value but 0 means high quality to the renderer, so it shows as such.
    SelectListEntry(hwndQuality, GetViewerZoomQuality() ? 1 : 0, DEF_VIEWER_ZOOM_QUALITY);
    CheckDlgButton(hwnd, IDC_AUTO_ROTATE, GetAutoRotate() ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(hwnd, IDC_COLOR_MANAGE, GetColorManage() ? BST_CHECKED : BST_UNCHECKED);
    FitOptionsPage(hwnd);
}

static void OnBrowseFolder(HWND hwnd)
{
    WCHAR szFolder[MAX_PATH] = L"";
    GetDlgItemTextW(hwnd, IDC_CAPTURE_FOLDER, szFolder, MAX_PATH);
    if (SelectFolderDialog(hwnd, szFolder, MAX_PATH) != 0)
        return;
    if (wcslen(szFolder) > SETTING_TEXT_MAX_CHARS)
    {
        MessageBeep(MB_ICONWARNING); // too long to be kept; the old folder stays
        return;
    }
    SetDlgItemTextW(hwnd, IDC_CAPTURE_FOLDER, szFolder);
}

// The typed seconds in milliseconds; false when the text holds no number or
// one whose milliseconds do not fit 32 bits (the stored interval then stays).
static bool ReadInterval(HWND hwnd, DWORD* pdwMilliseconds)
{
    BOOL bRead = FALSE;
    UINT nSeconds = GetDlgItemInt(hwnd, IDC_SLIDE_TIME, &bRead, FALSE);
    if (!bRead || nSeconds > MAXDWORD / MS_PER_SECOND)
        return false;
    *pdwMilliseconds = nSeconds * MS_PER_SECOND;
    return true;
}

static void OnEtcDestroy(HWND hwnd)
{
    DWORD dwInterval = 0;
    if (ReadInterval(hwnd, &dwInterval))
        SetSlideshowIntervalTime(dwInterval);
    else
        dwInterval = GetSlideshowIntervalTime();

    LRESULT nEffect = SendDlgItemMessageW(hwnd, IDC_SLIDE_EFFECT, CB_GETCURSEL, 0, 0);
    if (nEffect != CB_ERR)
        SetSlideshowEffectMethod(static_cast<DWORD>(nEffect));
    const DWORD dwEffect = GetSlideshowEffectMethod();

    const DWORD dwBackward = IsDlgButtonChecked(hwnd, IDC_SLIDE_BACKWARD) == BST_CHECKED;
    const DWORD dwLoop = IsDlgButtonChecked(hwnd, IDC_SLIDE_LOOP) == BST_CHECKED;
    SetSlideshowDirection(dwBackward);
    SetSlideshowLoop(dwLoop);

    WCHAR szFolder[MAX_PATH] = L"";
    GetDlgItemTextW(hwnd, IDC_CAPTURE_FOLDER, szFolder, MAX_PATH);
    if (wcslen(szFolder) <= SETTING_TEXT_MAX_CHARS)
        SetScreenCaptureSaveFolder(szFolder);

    LRESULT nQuality = SendDlgItemMessageW(hwnd, IDC_ZOOM_QUALITY, CB_GETCURSEL, 0, 0);
    if (nQuality != CB_ERR)
        SetViewerZoomQuality(static_cast<DWORD>(nQuality));
    const DWORD dwQuality = GetViewerZoomQuality();

    MainWindowData* pData = GetMainWindowData();
    ApplyDecodeSettings(pData, IsDlgButtonChecked(hwnd, IDC_AUTO_ROTATE) == BST_CHECKED,
                        IsDlgButtonChecked(hwnd, IDC_COLOR_MANAGE) == BST_CHECKED);
    if (!pData)
        return;
    // Setting the interval stops a running slideshow.
    if (pData->pSlideShow)
    {
        pData->pSlideShow->SetIntervalTime(dwInterval);
        pData->pSlideShow->SetEffectMethod(dwEffect);
    }
    pData->nSlideshowDirection = static_cast<LONG>(dwBackward);
    pData->bSlideshowLoop = static_cast<LONG>(dwLoop);
    if (pData->pRenderer)
        pData->pRenderer->SetHighQuality(dwQuality >= 1);
}

INT_PTR CALLBACK EtcPageProc(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    switch (uMsg)
    {
    case WM_INITDIALOG:
        OnEtcInit(hwnd);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDC_CAPTURE_BROWSE && HIWORD(wParam) == BN_CLICKED)
            OnBrowseFolder(hwnd);
        return FALSE;
    case WM_DESTROY:
        OnEtcDestroy(hwnd);
        return FALSE;
    default:
        return FALSE;
    }
}
