#include "viewer/shell/faces.h"

#include "viewer/browser/file_list.h"
#include "viewer/browser/thumb_view.h"
#include "viewer/common/main_window_data.h"
#include "viewer/imaging/load/image_loader.h"
#include "viewer/imaging/view/renderer.h"
#include "viewer/shell/screen_chrome.h"

void ShowBrowser(MainWindowData* pData)
{
    if (!pData)
        return;
    if (pData->pRenderer)
        pData->pRenderer->StopRendering();
    if (pData->pLoader)
        pData->pLoader->Cancel();
    if (pData->bTitleBarHidden)
        ApplyNormalLayout(pData);
    if (pData->hwndBrowser)
        ShowWindow(pData->hwndBrowser, SW_SHOW);
    pData->bBrowserShown = 1;
    UpdateMenuBar(pData);
    FocusBrowserPane();
}

void ShowViewer(MainWindowData* pData)
{
    if (!pData)
        return;
    ApplyViewerLayout(pData);
    pData->bBrowserShown = 0;
    if (pData->hwndBrowser)
        ShowWindow(pData->hwndBrowser, SW_HIDE);
    UpdateMenuBar(pData);
    SetFocus(pData->hwndMain);
}

void FocusBrowserPane(void)
{
    HWND hwndList = GetFileListWindow();
    HWND hwndThumb = GetThumbViewWindow();
    if (hwndList && IsWindowVisible(hwndList))
        SetFocus(hwndList);
    else if (hwndThumb && IsWindowVisible(hwndThumb))
        SetFocus(hwndThumb);
}
