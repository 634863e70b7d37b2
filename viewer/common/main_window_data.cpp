#include "viewer/common/main_window_data.h"

#include "viewer/common/zero_alloc.h"

static AppGlobals* s_pAppGlobals = NULL;
static MainWindowData* s_pMainData = NULL;

static const KeyMap s_defaultKeyMap = {{1, 2, 3, 4, 0}};
KeyMap g_keyMap = s_defaultKeyMap;

AppGlobals* GetAppGlobals(void)
{
    if (!s_pAppGlobals)
    {
        s_pAppGlobals = AllocRecord<AppGlobals>();
        if (!s_pAppGlobals)
            ExitProcess(1);
    }
    return s_pAppGlobals;
}

void FreeAppGlobals(void)
{
    FreeZeroed(s_pAppGlobals);
    s_pAppGlobals = NULL;
}

MainWindowData* GetMainWindowData(void)
{
    return s_pMainData;
}

void SetMainWindowData(MainWindowData* pData)
{
    s_pMainData = pData;
}

BOOL IsBrowserVisible(const MainWindowData* pData)
{
    return pData->hwndBrowser && IsWindowVisible(pData->hwndBrowser);
}

BOOL IsThumbnailMode(void)
{
    const MainWindowData* pData = GetMainWindowData();
    return pData && pData->nViewMode == VIEW_MODE_THUMBNAILS;
}

void ResetKeyMap(void)
{
    g_keyMap = s_defaultKeyMap;
}
