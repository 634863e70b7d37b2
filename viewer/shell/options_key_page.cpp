// The "Key" page: the action of each application button. A choice goes to
// the key map at once; the map reaches the registry when the program ends.
#include "viewer/shell/options_sheet.h"

#include <commctrl.h>

#include "viewer/common/main_window_data.h"
#include "viewer/resources/resource.h"

// The lists of Key1 to Key5, in key order.
static const int s_rgKeyLists[KEYMAP_KEYS] = {IDC_KEY1, IDC_KEY2, IDC_KEY3, IDC_KEY4, IDC_KEY5};

// Indexed by key action number.
static const LPCWSTR s_rgpszActions[] = {
    L"None",           L"LandScape",   L"FullScreen",   L"Zoom In",         L"Zoom Out",
    L"Fit To Screen",  L"Next Image",  L"Previous Image", L"SlideShow",     L"Refresh",
    L"Rotate Left",    L"Rotate Right", L"Flip Horizontal", L"Flip Vertical", L"Browser",
};
#define KEY_ACTION_COUNT (sizeof(s_rgpszActions) / sizeof(s_rgpszActions[0]))

// An action number no list offers shows as "None"; the map keeps it until
// the user picks another.
static void ShowKeyMap(HWND hwnd)
{
    for (int k = 0; k < KEYMAP_KEYS; ++k)
        SelectListEntry(GetDlgItem(hwnd, s_rgKeyLists[k]), g_keyMap.rgAction[k], 0);
}

static void OnKeyInit(HWND hwnd)
{
    for (int nList : s_rgKeyLists)
        FillList(GetDlgItem(hwnd, nList), s_rgpszActions, KEY_ACTION_COUNT);
    ShowKeyMap(hwnd);
    FitOptionsPage(hwnd);
}

static void OnSetDefault(HWND hwnd)
{
    ResetKeyMap();
    ShowKeyMap(hwnd);
}

static void OnKeyListChange(HWND hwndList, int nList)
{
    LRESULT nSel = SendMessageW(hwndList, CB_GETCURSEL, 0, 0);
    if (nSel == CB_ERR)
        return;
    for (int k = 0; k < KEYMAP_KEYS; ++k)
        if (s_rgKeyLists[k] == nList)
            g_keyMap.rgAction[k] = static_cast<LONG>(nSel);
}

static void OnKeyCommand(HWND hwnd, WPARAM wParam, LPARAM lParam)
{
    if (LOWORD(wParam) == IDC_KEY_DEFAULT && HIWORD(wParam) == BN_CLICKED)
        OnSetDefault(hwnd);
    else if (HIWORD(wParam) == CBN_SELCHANGE)
        OnKeyListChange(reinterpret_cast<HWND>(lParam), LOWORD(wParam));
}

INT_PTR CALLBACK KeyPageProc(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    switch (uMsg)
    {
    case WM_INITDIALOG:
        OnKeyInit(hwnd);
        return TRUE;
    case WM_NOTIFY:
        RepaintSheetOnLeave(hwnd, reinterpret_cast<const NMHDR*>(lParam));
        return FALSE;
    case WM_COMMAND:
        OnKeyCommand(hwnd, wParam, lParam);
        return FALSE;
    default:
        return FALSE;
    }
}
