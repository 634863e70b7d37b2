#include "viewer/shell/viewer_input.h"

#include <commctrl.h>

#include "viewer/extras/slideshow/slide_show.h"
#include "viewer/imaging/view/renderer.h"
#include "viewer/resources/resource.h"
#include "viewer/shell/button_set.h"
#include "viewer/common/main_window_data.h"

// Button identifier, position from the left or right edge, image index.
struct FullScreenButton
{
    int nId;
    bool bRightEdge;
    int y;
    int nImage;
};

static const FullScreenButton s_rgButtons[] = {
    {IDC_FS_LEAVE, false, 1, 4},
    {IDC_FS_ZOOM_IN, true, 1, 1},
    {IDC_FS_ZOOM_OUT, true, 14, 0},
    {IDC_FS_FIT, true, 27, 2}, // 3 while fit mode is on
};
#define FS_BUTTON_COUNT (sizeof(s_rgButtons) / sizeof(s_rgButtons[0]))
#define FS_BUTTON_SIZE 12

static HWND s_rghwndButtons[FS_BUTTON_COUNT];
static HIMAGELIST s_himlButtons = NULL;

// A paused show still counts: it resumes with the window.
BOOL IsSlideshowRunning(const MainWindowData* pData)
{
    return pData && pData->pSlideShow && pData->pSlideShow->GetState() != SLIDESHOW_STOPPED;
}

WORD KeyActionCommand(const MainWindowData* pData, LONG nAction)
{
    static const WORD rgCommands[KEY_ACTION_LAST + 1] = {
        0,                     // None
        IDM_LANDSCAPE,         // LandScape
        IDM_FULL_SCREEN,       // FullScreen
        IDM_ZOOM_IN,           // Zoom In
        IDM_ZOOM_OUT,          // Zoom Out
        IDM_FIT_TO_SCREEN,     // Fit To Screen
        IDM_NEXT,              // Next Image
        IDM_PREVIOUS,          // Previous Image
        IDM_SLIDESHOW_START,   // SlideShow (stop while one runs)
        IDM_REFRESH_VIEW,      // Refresh
        IDM_ROTATE_LEFT,       // Rotate Left
        IDM_ROTATE_RIGHT,      // Rotate Right
        IDM_FLIP_HORIZONTAL,   // Flip Horizontal
        IDM_FLIP_VERTICAL,     // Flip Vertical
        IDM_OPEN,              // Browser
    };
    if (nAction < 0 || nAction > KEY_ACTION_LAST)
        return 0;
    if (nAction == 8 && IsSlideshowRunning(pData))
        return IDM_SLIDESHOW_STOP;
    return rgCommands[nAction];
}

void RunKeyAction(MainWindowData* pData, LONG nAction)
{
    WORD wCommand = KeyActionCommand(pData, nAction);
    if (pData && wCommand)
        SendMessageW(pData->hwndMain, WM_COMMAND, wCommand, 0);
}

// The stylus position of the message being handled, in screen pixels.
static POINT MessagePoint(void)
{
    DWORD dwPos = GetMessagePos();
    POINT pt = {(short)LOWORD(dwPos), (short)HIWORD(dwPos)};
    return pt;
}

LRESULT OnStylusDown(HWND hwnd, MainWindowData* pData)
{
    if (pData->bFullScreen)
        ShowFullScreenButtons(FALSE);
    POINT pt = MessagePoint();
    pData->bStylusDragging = 1;
    pData->xStylusLast = pt.x;
    pData->yStylusLast = pt.y;
    if (pData->pRenderer && pData->pRenderer->GetZoom() > 1.0)
        pData->pRenderer->SetDragAnchor(pt.x, pt.y, 0);
    SetCapture(hwnd);
    return 0;
}

LRESULT OnStylusMove(HWND hwnd, MainWindowData* pData)
{
    if (!pData->bStylusDragging || !pData->pRenderer)
        return 1;
    POINT pt = MessagePoint();
    if (pData->pRenderer->GetZoom() <= 1.0)
    {
        // At or below 1:1 each move pans by the distance since the last one.
        pData->pRenderer->Pan(pData->xStylusLast - pt.x, pData->yStylusLast - pt.y, 1);
        pData->xStylusLast = pt.x;
        pData->yStylusLast = pt.y;
    }
    else
    {
        // Enlarged, the view follows the distance from where the stylus went
        // down, so rounding never accumulates.
        pData->pRenderer->Pan(pt.x, pt.y, 0);
    }
    return 1;
}

LRESULT OnStylusUp(HWND hwnd, MainWindowData* pData)
{
    ReleaseCapture();
    pData->bStylusDragging = 0;
    if (pData->pRenderer)
        pData->pRenderer->StartRendering();
    if (pData->bFullScreen == 1 && !IsSlideshowRunning(pData))
        ShowFullScreenButtons(TRUE);
    return 1;
}

LRESULT OnViewerKeyUp(HWND hwnd, MainWindowData* pData, WPARAM vk)
{
    if (vk == (WPARAM)(WORD)pData->rgHardwareKeys[HWKEY_LEFT].vkCode)
        SendMessageW(hwnd, WM_COMMAND, IDM_PREVIOUS, 0);
    else if (vk == (WPARAM)(WORD)pData->rgHardwareKeys[HWKEY_RIGHT].vkCode)
        SendMessageW(hwnd, WM_COMMAND, IDM_NEXT, 0);
    else if (vk >= APP_BUTTON_FIRST && vk < APP_BUTTON_LAST)
        RunKeyAction(pData, g_keyMap.rgAction[vk - APP_BUTTON_FIRST]);
    return 1;
}

LRESULT OnViewerHotKey(HWND hwnd, MainWindowData* pData, WPARAM nId)
{
    if (IsBrowserVisible(pData) || GetActiveWindow() != hwnd)
        return 0;
    if (nId >= APP_BUTTON_FIRST && nId <= APP_BUTTON_LAST)
        RunKeyAction(pData, g_keyMap.rgAction[nId - APP_BUTTON_FIRST]);
    return 1;
}

LRESULT OnFullScreenButtonDraw(MainWindowData* pData, const DRAWITEMSTRUCT* pItem)
{
    if (!pData->bFullScreen || !s_himlButtons)
        return 1;
    for (const FullScreenButton& button : s_rgButtons)
    {
        if ((int)pItem->CtlID != button.nId)
            continue;
        int nImage = button.nImage;
        if (button.nId == IDC_FS_FIT && pData->nFitMode == 1)
            nImage = 3;
        ImageList_Draw(s_himlButtons, nImage, pItem->hDC, 0, 0, ILD_TRANSPARENT);
    }
    return 1;
}

BOOL CreateFullScreenButtons(HWND hwndMain)
{
    HINSTANCE hInstance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(hwndMain, GWLP_HINSTANCE));
    s_himlButtons = ImageList_LoadImageW(hInstance, MAKEINTRESOURCEW(IDB_FULLSCREEN_BUTTONS), FS_BUTTON_SIZE, 0,
                                         RGB(255, 0, 255), IMAGE_BITMAP, 0);
    const int cxScreen = GetSystemMetrics(SM_CXSCREEN);
    for (size_t i = 0; i < FS_BUTTON_COUNT; ++i)
    {
        const FullScreenButton& button = s_rgButtons[i];
        int x = button.bRightEdge ? cxScreen - FS_BUTTON_SIZE : 0;
        s_rghwndButtons[i] = CreateWindowExW(0, L"button", L"", WS_CHILD | BS_OWNERDRAW, x, button.y, FS_BUTTON_SIZE,
                                             FS_BUTTON_SIZE, hwndMain,
                                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(button.nId)), hInstance,
                                             NULL);
        if (!s_rghwndButtons[i])
            return FALSE;
    }
    return TRUE;
}

void DestroyFullScreenButtons(void)
{
    DestroyButtonSet(s_rghwndButtons, sizeof(s_rghwndButtons) / sizeof(s_rghwndButtons[0]), &s_himlButtons);
}

void ShowFullScreenButtons(BOOL bShow)
{
    for (HWND hwnd : s_rghwndButtons)
    {
        if (hwnd)
            ShowWindow(hwnd, bShow ? SW_SHOW : SW_HIDE);
    }
}

HWND GetFullScreenButton(int nId)
{
    for (size_t i = 0; i < FS_BUTTON_COUNT; ++i)
    {
        if (s_rgButtons[i].nId == nId)
            return s_rghwndButtons[i];
    }
    return NULL;
}
