#include "viewer/common/main_window_data.h"

#include "viewer/common/zero_alloc.h"

static AppGlobals* s_pAppGlobals = NULL;
static MainWindowData* s_pMainData = NULL;

KeyMap g_keyMap = {{1, 2, 3, 4, 0}};

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

void ResetKeyMap(void)
{
    static const LONG rgDefaults[KEYMAP_KEYS] = {1, 2, 3, 4, 0};
    for (int i = 0; i < KEYMAP_KEYS; ++i)
        g_keyMap.rgAction[i] = rgDefaults[i];
}
