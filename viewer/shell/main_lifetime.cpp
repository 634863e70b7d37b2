// The main window's creation handler and its teardown.

#include "viewer/common/shared_paths.h"
#include "viewer/common/picture_entry.h"
#include "viewer/common/zero_alloc.h"
#include "platform/gx/gx.h"
#include "viewer/browser/picture_list.h"
#include "viewer/browser/thumb_cache.h"
#include "viewer/browser/thumb_worker.h"
#include "viewer/extras/capture/screen_capture.h"
#include "viewer/extras/slideshow/slide_show.h"
#include "viewer/imaging/decode/image_decoder.h"
#include "viewer/imaging/load/image_loader.h"
#include "viewer/imaging/load/preload_slot.h"
#include "viewer/imaging/view/renderer.h"
#include "viewer/shell/browser_frame.h"
#include "viewer/shell/main_lifetime.h"
#include "viewer/shell/open_picture.h"
#include "viewer/resources/resource.h"
#include "viewer/common/main_window_data.h"
#include "viewer/shell/screen_chrome.h"
#include "viewer/common/settings.h"
#include "viewer/common/settings_names.h"
#include "viewer/shell/slideshow_handlers.h"
#include "viewer/shell/viewer_input.h"

#include <new>

static const WCHAR* const s_rgszKeyNames[KEYMAP_KEYS] = {L"Key1", L"Key2", L"Key3", L"Key4", L"Key5"};

static void ReadKeyMap(void)
{
    ResetKeyMap();
    if (GetSetting(SZ_REFINE, DEF_REFINE) != 1)
        return;
    for (int i = 0; i < KEYMAP_KEYS; ++i)
    {
        DWORD dwAction = GetSetting(s_rgszKeyNames[i], (DWORD)g_keyMap.rgAction[i]);
        // A hand-edited value outside the action table keeps the default.
        if (dwAction <= KEY_ACTION_LAST)
            g_keyMap.rgAction[i] = (LONG)dwAction;
    }
}

static void WriteKeyMap(void)
{
    WriteRegistryDword(HKEY_CURRENT_USER, KEYMAP_KEY_PATH, SZ_REFINE, 1);
    for (int i = 0; i < KEYMAP_KEYS; ++i)
        WriteRegistryDword(HKEY_CURRENT_USER, KEYMAP_KEY_PATH, s_rgszKeyNames[i], (DWORD)g_keyMap.rgAction[i]);
}

// The renderer, the loader and the record's own decoder. False when one
// cannot be made; teardown deletes whatever was.
static bool CreatePictureObjects(HWND hwnd, MainWindowData* pData)
{
    CImageDecoder::SetDecodeWindow(hwnd);
    pData->pRenderer = new (std::nothrow) CRenderer();
    if (!pData->pRenderer)
        return false;
    pData->pRenderer->SetWindow(hwnd);
    pData->pRenderer->SetHighQuality(GetViewerZoomQuality() != 0);
    pData->pRenderer->SetAutoRender(1);
    if (!CreateSlideShow(hwnd, pData))
        return false;

    pData->pLoader = new (std::nothrow) CImageLoader(pData, GetViewerOptimizedView);
    if (!pData->pLoader)
        return false;
    pData->pDecoder = new (std::nothrow) CImageDecoder();
    if (!pData->pDecoder)
        return false;
    pData->pPreload = new (std::nothrow) CPreloadSlot();
    return pData->pPreload != NULL;
}

static void DeletePictureObjects(MainWindowData* pData)
{
    // Its worker decodes with the decode window and waits on the renderer.
    delete pData->pPreload;
    pData->pPreload = NULL;
    delete pData->pRenderer;
    pData->pRenderer = NULL;
    delete pData->pSlideShow;
    pData->pSlideShow = NULL;
    delete pData->pLoader;
    pData->pLoader = NULL;
    delete pData->pDecoder;
    pData->pDecoder = NULL;
    CImageDecoder::SetDecodeWindow(NULL);
}

// The hardware buttons: taken over, and the portrait key list copied.
static void TakeOverButtons(MainWindowData* pData)
{
    GXOpenInput();
    GXKeyList keys = GXGetDefaultKeys(GX_NORMALKEYS);
    const short rgKeys[HWKEY_COUNT] = {keys.vkUp, keys.vkDown, keys.vkLeft, keys.vkRight,
                                       keys.vkA,  keys.vkB,    keys.vkC,    keys.vkStart};
    const POINT rgPoints[HWKEY_COUNT] = {keys.ptUp, keys.ptDown, keys.ptLeft, keys.ptRight,
                                         keys.ptA,  keys.ptB,    keys.ptC,    keys.ptStart};
    for (int i = 0; i < HWKEY_COUNT; ++i)
    {
        pData->rgHardwareKeys[i].vkCode = rgKeys[i];
        pData->rgHardwareKeys[i].ptScreen = rgPoints[i];
    }
}

static void ReleaseButtons(HWND hwnd)
{
    for (int nId = GX_HOTKEY_APP1; nId < GX_HOTKEY_APP1 + GX_APP_BUTTONS; ++nId)
        UnregisterHotKey(hwnd, nId);
    GXCloseInput();
}

LRESULT OnMainCreate(HWND hwnd, MainWindowData* pData)
{
    ReadKeyMap();
    OpenThumbIndex();
    pData->hwndMain = hwnd;
    CreateMenuBars(pData);
    if (!CreateBrowserFrame(hwnd, pData))
        return -1;
    TakeOverButtons(pData);
    if (!CreateFullScreenButtons(hwnd))
        return -1;
    if (!CreatePictureObjects(hwnd, pData))
        return -1;

    GetThumbnailFolder(pData->szThumbnailFolder);
    pData->nInitialViewPosition = (LONG)GetInitialViewPosition();
    pData->bSlideshowLoop = (LONG)GetSlideshowLoop();
    pData->nSlideshowDirection = (LONG)GetSlideshowDirection();
    UpdateMenuBar(pData);
    return 0;
}

void OnMainDestroy(HWND hwnd, MainWindowData* pData)
{
    if (!pData)
        return;
    // A transition still playing uses the renderer and the window's parts.
    EndSlideShow(pData);
    DropPreload(pData);

    // The pair names one picture of the listed folder, or no name at all: a
    // folder change drops the current entry, and an older name kept beside
    // the new folder would name a file that is not there.
    SetStringSetting(SZ_START_FOLDER, g_szBrowsePath);
    SetStringSetting(SZ_START_FILENAME, pData->pCurrentEntry ? pData->pCurrentEntry->szName : L"");
    WriteKeyMap();

    DestroyMenuBars();
    if (pData->hwndOptionsMenuBar)
        DestroyWindow(pData->hwndOptionsMenuBar);
    pData->hwndOptionsMenuBar = NULL;
    pData->pCurrentEntry = NULL;
    // The worker walks the entries and writes the cache.
    StopThumbWorker();
    FreePictures();
    CloseThumbIndex();
    DestroyBrowserFrame(pData);
    ReleaseButtons(hwnd);
    DestroyFullScreenButtons();

    DeletePictureObjects(pData);
    if (pData->hbmCurrent)
    {
        DeleteObject(pData->hbmCurrent);
        pData->hbmCurrent = NULL;
    }
    DestroyCaptureWindows(pData);

    SetMainWindowData(NULL);
    FreeZeroed(pData);
    FreeAppGlobals();

    PostQuitMessage(0);
}
