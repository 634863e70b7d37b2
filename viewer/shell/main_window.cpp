#include "viewer/shell/main_window.h"

#include "platform/aygshell/aygshell.h"
#include "viewer/common/app_texts.h"
#include "viewer/common/main_window_data.h"
#include "viewer/extras/slideshow/slide_show.h"
#include "viewer/imaging/view/renderer.h"
#include "viewer/resources/resource.h"
#include "viewer/shell/browser_splitter.h"
#include "viewer/shell/commands.h"
#include "viewer/shell/faces.h"
#include "viewer/shell/main_lifetime.h"
#include "viewer/shell/slideshow_handlers.h"
#include "viewer/shell/viewer_input.h"

HWND CreateMainWindow(HINSTANCE hInstance)
{
    // WS_POPUP keeps the desktop from adding a caption and frame: the client
    // area is then the whole window, as on the handheld.
    return CreateWindowExW(0, GetAppClassName(), GetAppTitle(), WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN,
                           CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, NULL, NULL, hInstance, NULL);
}

// A render without picture or message draws nothing, so none is started:
// each start costs the UI thread its settling pause.
static bool HasNothingToDraw(const MainWindowData* pData)
{
    const CRenderer* pRenderer = pData->pRenderer;
    return !pRenderer || (!pRenderer->GetBitmap() && !pRenderer->GetMessageText()[0]);
}

static LRESULT OnActivate(HWND hwnd, MainWindowData* pData, WPARAM wParam)
{
    if (LOWORD(wParam) == WA_INACTIVE)
    {
        if (pData->pSlideShow)
            pData->pSlideShow->Pause();
        return 1;
    }
    if (IsBrowserVisible(pData))
    {
        ShowBrowser(pData);
        return 1;
    }
    ShowViewer(pData);
    if (!HasNothingToDraw(pData))
        pData->pRenderer->StartRendering();
    if (pData->pSlideShow)
        pData->pSlideShow->Resume();
    return 1;
}

// The render thread draws the picture; the paint itself is only validated.
static LRESULT OnPaint(HWND hwnd, MainWindowData* pData)
{
    PAINTSTRUCT ps;
    HDC hdc = BeginPaint(hwnd, &ps);
    if (hdc)
    {
        // Without picture or message the viewer surface is a white page.
        if (!IsBrowserVisible(pData) && HasNothingToDraw(pData))
            FillRect(hdc, &ps.rcPaint, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        EndPaint(hwnd, &ps);
    }
    if (!IsBrowserVisible(pData) && !HasNothingToDraw(pData))
        pData->pRenderer->StartRendering();
    return 1;
}

// Kept for the window's life, as the shell asks.
static SHACTIVATEINFO s_activateInfo;

static LRESULT OnSettingChange(HWND hwnd, WPARAM wParam, LPARAM lParam)
{
    SHHandleWMSettingChange(hwnd, wParam, lParam, &s_activateInfo);
    return 1;
}

// A menu of the menu bar opening stops a running slideshow.
static LRESULT OnMenuPopup(HWND hwnd, MainWindowData* pData)
{
    if (IsSlideshowRunning(pData))
        SendMessageW(hwnd, WM_COMMAND, IDM_SLIDESHOW_STOP, 0);
    return 1;
}

// The back buffer follows the client size.
static LRESULT OnSize(HWND hwnd, MainWindowData* pData)
{
    LayoutBrowserPanes(pData);
    if (pData->pRenderer)
        pData->pRenderer->SetWindow(hwnd);
    return 0;
}

LRESULT CALLBACK MainWndProc(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    MainWindowData* pData = GetMainWindowData();
    if (!pData)
        return DefWindowProcW(hwnd, uMsg, wParam, lParam);

    switch (uMsg)
    {
    case WM_CREATE:
        return OnMainCreate(hwnd, pData);
    case WM_DESTROY:
        OnMainDestroy(hwnd, pData);
        return 1;
    case WM_ACTIVATE:
        return OnActivate(hwnd, pData, wParam);
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_KEYDOWN:
        return 1;
    case WM_KEYUP:
        return OnViewerKeyUp(hwnd, pData, wParam);
    case WM_HOTKEY:
        return OnViewerHotKey(hwnd, pData, wParam);
    case WM_LBUTTONDOWN:
        return OnStylusDown(hwnd, pData);
    case WM_MOUSEMOVE:
        return OnStylusMove(hwnd, pData);
    case WM_LBUTTONUP:
        return OnStylusUp(hwnd, pData);
    case WM_LBUTTONDBLCLK:
        return 0;
    case WM_DRAWITEM:
        return OnFullScreenButtonDraw(pData, reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
    case WM_SETTINGCHANGE:
        return OnSettingChange(hwnd, wParam, lParam);
    case WM_INITMENUPOPUP:
        return OnMenuPopup(hwnd, pData);
    case WM_PAINT:
        return OnPaint(hwnd, pData);
    case WM_SIZE:
        return OnSize(hwnd, pData);
    case WM_COMMAND:
        return OnMainCommand(hwnd, pData, wParam, lParam);
    case WM_SLIDESHOW_REARM:
        return OnSlideShowRearm(pData, wParam);
    default:
        return DefWindowProcW(hwnd, uMsg, wParam, lParam);
    }
}
