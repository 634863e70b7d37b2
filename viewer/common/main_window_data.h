// The main window record and the process record.
#pragma once

#include <windows.h>

struct PictureEntry;
class CRenderer;
class CSlideShow;
class CImageLoader;
class CImageDecoder;
class CPreloadSlot;

enum HardwareKeyIndex
{
    HWKEY_UP,
    HWKEY_DOWN,
    HWKEY_LEFT,
    HWKEY_RIGHT,
    HWKEY_A,
    HWKEY_B,
    HWKEY_C,
    HWKEY_START,
    HWKEY_COUNT
};

struct HardwareKey
{
    short vkCode;
    POINT ptScreen;
};

// Browser view modes, as the record keeps them.
#define VIEW_MODE_REPORT 0
#define VIEW_MODE_SMALL_LIST 1
#define VIEW_MODE_THUMBNAILS 2

// One per process: made zero-filled at start-up, released at exit. Every
// long-lived object of the main window hangs off it.
struct MainWindowData
{
    HWND hwndMain;
    HWND hwndBrowser;
    LONG bBrowserShown;         // set and cleared by the face switch only
    LONG nViewMode;             // VIEW_MODE_*
    LONG nCaptureCount;
    LONG nInitialViewPosition;  // 1 to 9
    PictureEntry* pCurrentEntry; // not owned
    LONG nSortKey;              // 0 name, 1 type, 2 size, 3 date
    LONG xStylusLast;
    LONG yStylusLast;
    LONG bStylusDragging;
    HWND hwndCapture;
    HWND hwndCaptureNotice;
    HardwareKey rgHardwareKeys[HWKEY_COUNT];
    HBITMAP hbmCurrent;         // owned
    CRenderer* pRenderer;       // owned
    LONG bSlideshowLoop;
    LONG nSlideshowDirection;
    CSlideShow* pSlideShow;     // owned
    LONG nFitMode;              // 1 = fit to screen
    LONG bTitleBarHidden;
    LONG bFullScreen;
    CImageLoader* pLoader;      // owned
    CImageDecoder* pDecoder;    // owned
    CPreloadSlot* pPreload;     // owned
    WCHAR szThumbnailFolder[MAX_PATH];
    HWND hwndOptionsMenuBar;
};

struct AppGlobals
{
    HINSTANCE hInstance;
    MainWindowData* pMainData;
};

// Created zero-filled on first request; the process ends with code 1 when
// that fails.
AppGlobals* GetAppGlobals(void);
void FreeAppGlobals(void);

// The process-wide record pointer: null before creation and after teardown.
// Every handler checks it first.
MainWindowData* GetMainWindowData(void);
void SetMainWindowData(MainWindowData* pData);

// Whether the browser frame covers the main window (the browser face). Its
// window's state, not bBrowserShown, tells: start-up shows or hides the
// frame without the face switch.
BOOL IsBrowserVisible(const MainWindowData* pData);
// Whether the browser shows thumbnails rather than the list; false without a
// record.
BOOL IsThumbnailMode(void);

// Key actions of hardware keys Key1 to Key5.
#define KEYMAP_KEYS 5
struct KeyMap
{
    LONG rgAction[KEYMAP_KEYS];
};
extern KeyMap g_keyMap;
void ResetKeyMap(void);
