// The values the settings reader reads, with the defaults it falls back to.
#pragma once

#include <windows.h>

#include "viewer/common/settings_names.h"

struct FuzzSettingName
{
    const wchar_t* pszName;
    bool bText;
    DWORD dwDefault;
    const wchar_t* pszDefault;
};

static const FuzzSettingName g_rgFuzzSettings[] = {
    {SZ_START_MODE, false, DEF_START_MODE, nullptr},
    {SZ_START_FOLDER, true, 0, DEF_START_FOLDER_VIEWER},
    {SZ_START_FILENAME, true, 0, DEF_START_FILENAME},
    {SZ_SCREENCAPTURE_SAVE_FOLDER, true, 0, DEF_SCREENCAPTURE_SAVE_FOLDER},
    {SZ_THUMBNAIL_FOLDER, true, 0, DEF_THUMBNAIL_FOLDER},
    {SZ_INITIAL_VIEW_POSITION, false, DEF_INITIAL_VIEW_POSITION, nullptr},
    {SZ_SLIDESHOW_DIRECTION, false, DEF_SLIDESHOW_DIRECTION, nullptr},
    {SZ_SLIDESHOW_LOOP, false, DEF_SLIDESHOW_LOOP, nullptr},
    {SZ_SLIDESHOW_INTERVAL_TIME, false, DEF_SLIDESHOW_INTERVAL_TIME, nullptr},
    {SZ_SLIDESHOW_EFFECT_METHOD, false, DEF_SLIDESHOW_EFFECT_METHOD, nullptr},
    {SZ_VIEWER_OPTIMIZED_VIEW, false, DEF_VIEWER_OPTIMIZED_VIEW, nullptr},
    {SZ_VIEWER_ZOOM_QUALITY, false, DEF_VIEWER_ZOOM_QUALITY, nullptr},
    {SZ_REFINE, false, DEF_REFINE, nullptr},
    {SZ_AUTO_ROTATE, false, DEF_AUTO_ROTATE, nullptr},
    {L"Key1", false, 0, nullptr},
    {L"Key2", false, 0, nullptr},
    {L"Key3", false, 0, nullptr},
    {L"Key4", false, 0, nullptr},
    {L"Key5", false, 0, nullptr},
};

enum { FUZZ_SETTING_COUNT = sizeof(g_rgFuzzSettings) / sizeof(g_rgFuzzSettings[0]) };
