#include "viewer/shell/entry.h"

#include "viewer/browser/picture_list.h"
#include "viewer/common/app_texts.h"
#include "viewer/common/image_error.h"
#include "viewer/common/shared_paths.h"
#include "viewer/common/zero_alloc.h"
#include "viewer/extras/capture/screen_capture.h"
#include "viewer/resources/resource.h"
#include "viewer/shell/main_window.h"
#include "viewer/common/main_window_data.h"
#include "viewer/shell/open_picture.h"
#include "viewer/shell/screen_chrome.h"
#include "viewer/shell/screen_layout.h"
#include "viewer/shell/window_classes.h"

// A second copy brings the first forward, together with whatever dialog it
// has open, and gives up.
static BOOL ActivateRunningInstance(void)
{
    HWND hwndRunning = FindWindowW(GetAppClassName(), NULL);
    if (!hwndRunning)
        return FALSE;
    HWND hwndPopup = GetLastActivePopup(hwndRunning);
    SetForegroundWindow(hwndPopup ? hwndPopup : hwndRunning);
    return TRUE;
}

BOOL InitInstance(HINSTANCE hInstance, int nCmdShow)
{
    LoadAppTexts(hInstance, IDS_APP_TITLE, IDS_APP_CLASS);

    if (ActivateRunningInstance())
        return FALSE;

    if (!RegisterViewerClasses(hInstance, GetAppClassName()))
        return FALSE;

    MainWindowData* pData = AllocRecord<MainWindowData>();
    if (!pData)
    {
        ShowImageError();
        return FALSE;
    }
    AppGlobals* pGlobals = GetAppGlobals();
    pGlobals->hInstance = hInstance;
    pGlobals->pMainData = pData;
    SetMainWindowData(pData);

    HWND hwnd = CreateMainWindow(hInstance);
    if (!hwnd)
    {
        // A failed creation step ran the teardown, which released the record.
        if (GetMainWindowData() == pData)
        {
            SetMainWindowData(NULL);
            FreeZeroed(pData);
            FreeAppGlobals();
        }
        ShowImageError();
        return FALSE;
    }

    // Room for the shell's top bar and the menu bar at the bottom.
    if (GetMenuBar(IDR_MENUBAR_REPORT))
        PlaceMainWindowNormal(hwnd, FALSE);
    pData->hwndMain = hwnd;
    ApplyStartMode(pData);
    UpdateMenuBar(pData);

    CreateCaptureWindows(pData);

    // The picture shown at start is the current entry of the listed folder.
    const WCHAR* pszSlash = wcsrchr(g_szPicturePath, L'\\');
    if (pszSlash)
        pData->pCurrentEntry = PictureByName(pszSlash + 1);
    if (!IsBrowserVisible(pData))
        PreloadNeighbour(pData, true);

    // The move above did not repaint, and a window first made at no size has
    // nothing invalid yet.
    ShowWindow(hwnd, nCmdShow);
    InvalidateRect(hwnd, NULL, FALSE);
    UpdateWindow(hwnd);
    SetForegroundWindow(hwnd);
    return TRUE;
}

int RunMessageLoop(HINSTANCE hInstance)
{
    HACCEL hAccel = LoadAcceleratorsW(hInstance, MAKEINTRESOURCEW(IDR_ACCELERATORS));
    MSG msg;
    while (GetMessageW(&msg, NULL, 0, 0) > 0)
    {
        // Keys typed into a child of the main window (the file list, the
        // tree) or into a window it owns (the capture window) are translated
        // for the main window, which owns the commands.
        HWND hwndTarget = msg.hwnd;
        MainWindowData* pData = GetMainWindowData();
        if (pData && pData->hwndMain && hwndTarget)
        {
            HWND hwndRoot = GetAncestor(hwndTarget, GA_ROOT);
            if (hwndRoot == pData->hwndMain || GetWindow(hwndRoot, GW_OWNER) == pData->hwndMain)
                hwndTarget = pData->hwndMain;
        }
        if (hAccel && hwndTarget && TranslateAcceleratorW(hwndTarget, hAccel, &msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return (int)msg.wParam;
}

int ViewerMain(HINSTANCE hInstance, int nCmdShow)
{
    if (!InitInstance(hInstance, nCmdShow))
        return 0;
    return RunMessageLoop(hInstance);
}
