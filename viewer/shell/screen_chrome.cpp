#include "viewer/shell/screen_chrome.h"

#include "platform/aygshell/aygshell.h"
#include "viewer/imaging/view/renderer.h"
#include "viewer/resources/resource.h"
#include "viewer/common/main_window_data.h"
#include "viewer/shell/screen_layout.h"
#include "viewer/shell/viewer_input.h"

// Which bitmaps fill each bar's image list, in image-index order.
struct MenuBarLayout
{
    int nResourceId;
    int rgBitmaps[7];
    int cBitmaps;
};

static const MenuBarLayout s_rgBars[MENUBAR_COUNT] = {
    {IDR_MENUBAR_REPORT, {150, 159, 151, 153, 179}, 5},
    {IDR_MENUBAR_THUMBS, {150, 160, 151, 153, 179}, 5},
    {IDR_MENUBAR_SMALL, {150, 158, 151, 153, 179}, 5},
    {IDR_MENUBAR_VIEWER, {150, 166, 165, 116, 117, 196, 163}, 7},
    {IDR_MENUBAR_VIEWER_FIT_SHOW, {150, 166, 165, 116, 117, 162, 164}, 7},
    {IDR_MENUBAR_VIEWER_FIT, {150, 166, 165, 116, 117, 162, 163}, 7},
    {IDR_MENUBAR_VIEWER_SHOW, {150, 166, 165, 116, 117, 196, 164}, 7},
};

static HWND s_rghwndBars[MENUBAR_COUNT];
static HWND s_hwndBarParent;

// The Tool menu's check marks, kept for bars made later.
struct ToolCheck
{
    UINT nCommand;
    BOOL bChecked;
};
static ToolCheck s_rgToolChecks[] = {{IDM_TITLE_BAR, FALSE}, {IDM_LANDSCAPE, FALSE}};

static HWND CreateOneBar(HWND hwndParent, HINSTANCE hInstance, int nResourceId, DWORD dwFlags)
{
    SHMENUBARINFO mbi = {};
    mbi.cbSize = sizeof(mbi);
    mbi.hwndParent = hwndParent;
    mbi.dwFlags = dwFlags;
    mbi.nToolBarId = (UINT)nResourceId;
    mbi.hInstRes = hInstance;
    return SHCreateMenuBar(&mbi) ? mbi.hwndMB : NULL;
}

static void CheckToolItem(HWND hwndBar, UINT nCommand, BOOL bChecked)
{
    HMENU hmenuTool = reinterpret_cast<HMENU>(SendMessageW(hwndBar, SHCMBM_GETSUBMENU, 0, IDM_TOOL_POPUP));
    if (hmenuTool)
        CheckMenuItem(hmenuTool, nCommand, MF_BYCOMMAND | (bChecked ? MF_CHECKED : MF_UNCHECKED));
}

// A bar is made hidden the first time it is asked for: each costs Wine
// about 20 ms, and most sessions never see most of the seven.
static HWND BarAt(int i)
{
    if (s_rghwndBars[i] || !s_hwndBarParent)
        return s_rghwndBars[i];
    HINSTANCE hInstance = GetAppGlobals()->hInstance;
    const MenuBarLayout& layout = s_rgBars[i];
    HWND hwndBar = CreateOneBar(s_hwndBarParent, hInstance, layout.nResourceId, SHCMBF_HIDESIPBUTTON | SHCMBF_HIDDEN);
    if (!hwndBar)
        return NULL; // a bar the shell cannot make is skipped everywhere
    for (int j = 0; j < layout.cBitmaps; ++j)
        CommandBar_AddBitmap(hwndBar, hInstance, layout.rgBitmaps[j], 1, 16, 16);
    for (const ToolCheck& check : s_rgToolChecks)
        CheckToolItem(hwndBar, check.nCommand, check.bChecked);
    s_rghwndBars[i] = hwndBar;
    return hwndBar;
}

int CreateMenuBars(MainWindowData* pData)
{
    if (!pData)
        return 0;
    DestroyMenuBars();
    s_hwndBarParent = pData->hwndMain;
    SetToolMenuCheck(IDM_TITLE_BAR, !pData->bTitleBarHidden);
    // The first bar brings the shell's top bar up before the windows are laid out.
    BarAt(0);
    return 1;
}

void DestroyMenuBars(void)
{
    for (HWND& hwnd : s_rghwndBars)
    {
        if (hwnd)
            DestroyWindow(hwnd);
        hwnd = NULL;
    }
    s_hwndBarParent = NULL;
}

HWND GetMenuBar(int nResourceId)
{
    for (int i = 0; i < MENUBAR_COUNT; ++i)
    {
        if (s_rgBars[i].nResourceId == nResourceId)
            return BarAt(i);
    }
    return NULL;
}

HWND GetShownMenuBar(void)
{
    for (HWND hwnd : s_rghwndBars)
    {
        if (hwnd && IsWindowVisible(hwnd))
            return hwnd;
    }
    return NULL;
}

static int ChooseMenuBar(const MainWindowData* pData)
{
    if (IsBrowserVisible(pData))
    {
        switch (pData->nViewMode)
        {
        case 0:
            return IDR_MENUBAR_REPORT;
        case 1:
            return IDR_MENUBAR_SMALL;
        case 2:
            return IDR_MENUBAR_THUMBS;
        default:
            return 0;
        }
    }
    if (pData->bFullScreen)
        return 0;
    const bool bShow = IsSlideshowRunning(pData) != FALSE;
    if (pData->nFitMode == 1)
        return bShow ? IDR_MENUBAR_VIEWER_FIT_SHOW : IDR_MENUBAR_VIEWER_FIT;
    return bShow ? IDR_MENUBAR_VIEWER_SHOW : IDR_MENUBAR_VIEWER;
}

void UpdateMenuBar(MainWindowData* pData)
{
    if (!pData)
        return;
    for (HWND hwnd : s_rghwndBars)
    {
        if (hwnd)
            ShowWindow(hwnd, SW_HIDE);
    }
    if (pData->hwndOptionsMenuBar)
        ShowWindow(pData->hwndOptionsMenuBar, SW_HIDE);
    HWND hwndBar = GetMenuBar(ChooseMenuBar(pData));
    if (hwndBar)
        ShowWindow(hwndBar, SW_SHOWNA);
}

void SetToolMenuCheck(UINT nCommand, BOOL bChecked)
{
    for (ToolCheck& check : s_rgToolChecks)
    {
        if (check.nCommand == nCommand)
            check.bChecked = bChecked;
    }
    for (HWND hwnd : s_rghwndBars)
    {
        if (hwnd)
            CheckToolItem(hwnd, nCommand, bChecked);
    }
}

void ShowOptionsMenuBar(MainWindowData* pData)
{
    if (!pData)
        return;
    if (pData->hwndOptionsMenuBar)
        DestroyWindow(pData->hwndOptionsMenuBar);
    pData->hwndOptionsMenuBar = CreateOneBar(pData->hwndMain, GetAppGlobals()->hInstance, IDR_MENUBAR_OPTIONS, 0);
}

void ApplyNormalLayout(MainWindowData* pData)
{
    if (pData)
        ApplyScreenLayout(pData->hwndMain, LAYOUT_NORMAL);
}

void ApplyNoTitleBarLayout(MainWindowData* pData)
{
    if (pData)
        ApplyScreenLayout(pData->hwndMain, LAYOUT_NO_TITLE_BAR);
}

void ApplyFullScreenLayout(MainWindowData* pData, BOOL bOn)
{
    if (!pData)
        return;
    if (bOn)
        ApplyScreenLayout(pData->hwndMain, LAYOUT_FULL_SCREEN);
    else if (!pData->bTitleBarHidden)
        ApplyScreenLayout(pData->hwndMain, LAYOUT_NORMAL);
    else
        PlaceMainWindow(pData->hwndMain, 0, 1, TRUE); // the top bar stays hidden
}

void ApplyViewerLayout(MainWindowData* pData)
{
    if (!pData)
        return;
    ScreenLayout layout = LAYOUT_NORMAL;
    if (pData->bFullScreen)
        layout = LAYOUT_FULL_SCREEN;
    else if (pData->bTitleBarHidden)
        layout = LAYOUT_NO_TITLE_BAR;
    ApplyScreenLayout(pData->hwndMain, layout);
}

void ToggleFullScreen(MainWindowData* pData)
{
    pData->bFullScreen = !pData->bFullScreen;
    ShowFullScreenButtons(pData->bFullScreen && !IsSlideshowRunning(pData));
    UpdateMenuBar(pData);
    ApplyFullScreenLayout(pData, pData->bFullScreen);
}

void ToggleLandscape(MainWindowData* pData)
{
    if (!pData->pRenderer)
        return;
    // From either turn back to none, from none to +90.
    pData->pRenderer->SetLandscape(pData->pRenderer->GetLandscape() == 0 ? 1 : 0);
    SetToolMenuCheck(IDM_LANDSCAPE, pData->pRenderer->GetLandscape() != 0);
}

void ToggleTitleBar(MainWindowData* pData)
{
    pData->bTitleBarHidden = !pData->bTitleBarHidden;
    if (pData->bTitleBarHidden)
        ApplyNoTitleBarLayout(pData);
    else
        ApplyNormalLayout(pData);
    SetToolMenuCheck(IDM_TITLE_BAR, !pData->bTitleBarHidden);
}
