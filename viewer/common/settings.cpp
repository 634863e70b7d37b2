#include "viewer/common/settings.h"

#include <stdlib.h>
#include <strsafe.h>

#include "viewer/common/settings_names.h"

// The handheld accepted "\SOFTWARE\..."; the desktop registry rejects a
// leading backslash with ERROR_BAD_PATHNAME, so one is dropped here.
static LPCWSTR NormaliseKeyPath(LPCWSTR pszPath)
{
    if (pszPath && pszPath[0] == L'\\')
        return pszPath + 1;
    return pszPath;
}

static HKEY OpenKey(HKEY hRoot, LPCWSTR pszPath, REGSAM samDesired)
{
    HKEY hKey = NULL;
    LONG lResult = RegCreateKeyExW(hRoot, NormaliseKeyPath(pszPath), 0, NULL, REG_OPTION_NON_VOLATILE,
                                   samDesired, NULL, &hKey, NULL);
    return lResult == ERROR_SUCCESS ? hKey : NULL;
}

DWORD GetSetting(LPCWSTR pszName, DWORD dwDefault)
{
    HKEY hKey = OpenKey(HKEY_CURRENT_USER, SETTINGS_KEY_PATH, KEY_ALL_ACCESS);
    if (!hKey)
        return dwDefault;

    DWORD dwType = 0;
    DWORD dwValue = 0;
    DWORD cbValue = sizeof(dwValue);
    LONG lResult = RegQueryValueExW(hKey, pszName, NULL, &dwType, reinterpret_cast<BYTE*>(&dwValue), &cbValue);
    RegCloseKey(hKey);

    // Only a whole 32-bit number counts; a shorter value would leave bytes unset.
    if (lResult != ERROR_SUCCESS || dwType != REG_DWORD || cbValue != sizeof(dwValue))
        return dwDefault;
    return dwValue;
}

void SetSetting(LPCWSTR pszName, DWORD dwValue)
{
    HKEY hKey = OpenKey(HKEY_CURRENT_USER, SETTINGS_KEY_PATH, KEY_ALL_ACCESS);
    if (!hKey)
        return;
    RegSetValueExW(hKey, pszName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dwValue), sizeof(dwValue));
    RegCloseKey(hKey);
}

void GetStringSetting(LPCWSTR pszName, LPWSTR pszBuffer, DWORD cbBuffer, LPCWSTR pszDefault)
{
    const DWORD cchBuffer = cbBuffer / sizeof(WCHAR);
    if (!pszBuffer || cchBuffer == 0)
        return;

    // One spare unit: a value that fills the buffer exactly without a
    // terminator is counted with one by the desktop registry (which then
    // refuses the exact-size buffer); it reads as its first units, cut.
    BOOL bRead = FALSE;
    const DWORD cbQuery = (cchBuffer + 1) * sizeof(WCHAR);
    WCHAR* pszQuery = static_cast<WCHAR*>(malloc(cbQuery));
    HKEY hKey = pszQuery ? OpenKey(HKEY_CURRENT_USER, SETTINGS_KEY_PATH, KEY_ALL_ACCESS) : NULL;
    if (hKey)
    {
        DWORD dwType = 0;
        DWORD cbData = cbQuery;
        LONG lResult = RegQueryValueExW(hKey, pszName, NULL, &dwType, reinterpret_cast<BYTE*>(pszQuery), &cbData);
        RegCloseKey(hKey);
        if (lResult == ERROR_SUCCESS && dwType == REG_SZ)
        {
            DWORD cchData = cbData / sizeof(WCHAR);
            if (cchData == cchBuffer + 1 && pszQuery[cchBuffer] == L'\0')
                cchData = cchBuffer;
            if (cchData <= cchBuffer)
            {
                CopyMemory(pszBuffer, pszQuery, cchData * sizeof(WCHAR));
                // The stored block need not carry its terminator.
                pszBuffer[cchData < cchBuffer ? cchData : cchBuffer - 1] = L'\0';
                bRead = TRUE;
            }
        }
    }
    free(pszQuery);

    if (!bRead)
        StringCchCopyW(pszBuffer, cchBuffer, pszDefault ? pszDefault : L"");
}

void SetStringSetting(LPCWSTR pszName, LPCWSTR pszText)
{
    WCHAR szBlock[SETTING_TEXT_BYTES / sizeof(WCHAR)] = {};
    size_t cchText = 0;
    if (pszText)
        StringCchLengthW(pszText, STRSAFE_MAX_CCH, &cchText);
    if (cchText > SETTING_TEXT_MAX_CHARS)
    {
        cchText = SETTING_TEXT_MAX_CHARS;
        // Never keep half of a surrogate pair at the cut.
        if (IS_HIGH_SURROGATE(pszText[cchText - 1]))
            --cchText;
    }
    if (cchText)
        CopyMemory(szBlock, pszText, cchText * sizeof(WCHAR));

    HKEY hKey = OpenKey(HKEY_CURRENT_USER, SETTINGS_KEY_PATH, KEY_ALL_ACCESS);
    if (!hKey)
        return;
    RegSetValueExW(hKey, pszName, 0, REG_SZ, reinterpret_cast<const BYTE*>(szBlock), sizeof(szBlock));
    RegCloseKey(hKey);
}

int WriteRegistryDword(HKEY hRoot, LPCWSTR pszSubKey, LPCWSTR pszName, DWORD dwValue)
{
    HKEY hKey = OpenKey(hRoot, pszSubKey, KEY_WRITE);
    if (!hKey)
        return 0;
    LONG lResult = RegSetValueExW(hKey, pszName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dwValue), sizeof(dwValue));
    RegCloseKey(hKey);
    return lResult == ERROR_SUCCESS ? 1 : 0;
}

void GetScreenCaptureSaveFolder(LPWSTR pszBuffer)
{
    GetStringSetting(SZ_SCREENCAPTURE_SAVE_FOLDER, pszBuffer, SETTING_TEXT_BYTES, DEF_SCREENCAPTURE_SAVE_FOLDER);
}

void SetScreenCaptureSaveFolder(LPCWSTR pszFolder)
{
    SetStringSetting(SZ_SCREENCAPTURE_SAVE_FOLDER, pszFolder);
}

void GetThumbnailFolder(LPWSTR pszBuffer)
{
    GetStringSetting(SZ_THUMBNAIL_FOLDER, pszBuffer, SETTING_TEXT_BYTES, DEF_THUMBNAIL_FOLDER);
}

DWORD GetInitialViewPosition(void)
{
    return GetSetting(SZ_INITIAL_VIEW_POSITION, DEF_INITIAL_VIEW_POSITION);
}

void SetInitialViewPosition(DWORD dwPosition)
{
    SetSetting(SZ_INITIAL_VIEW_POSITION, dwPosition);
}

DWORD GetSlideshowDirection(void)
{
    return GetSetting(SZ_SLIDESHOW_DIRECTION, DEF_SLIDESHOW_DIRECTION) != 0;
}

void SetSlideshowDirection(DWORD dwDirection)
{
    SetSetting(SZ_SLIDESHOW_DIRECTION, dwDirection != 0);
}

DWORD GetSlideshowLoop(void)
{
    return GetSetting(SZ_SLIDESHOW_LOOP, DEF_SLIDESHOW_LOOP) != 0;
}

void SetSlideshowLoop(DWORD dwLoop)
{
    SetSetting(SZ_SLIDESHOW_LOOP, dwLoop != 0);
}

DWORD GetSlideshowIntervalTime(void)
{
    return GetSetting(SZ_SLIDESHOW_INTERVAL_TIME, DEF_SLIDESHOW_INTERVAL_TIME);
}

void SetSlideshowIntervalTime(DWORD dwMilliseconds)
{
    SetSetting(SZ_SLIDESHOW_INTERVAL_TIME, dwMilliseconds);
}

DWORD GetSlideshowEffectMethod(void)
{
    return GetSetting(SZ_SLIDESHOW_EFFECT_METHOD, DEF_SLIDESHOW_EFFECT_METHOD);
}

void SetSlideshowEffectMethod(DWORD dwEffect)
{
    SetSetting(SZ_SLIDESHOW_EFFECT_METHOD, dwEffect);
}

DWORD GetViewerOptimizedView(void)
{
    return GetSetting(SZ_VIEWER_OPTIMIZED_VIEW, DEF_VIEWER_OPTIMIZED_VIEW) != 0;
}

DWORD GetViewerZoomQuality(void)
{
    return GetSetting(SZ_VIEWER_ZOOM_QUALITY, DEF_VIEWER_ZOOM_QUALITY);
}

void SetViewerZoomQuality(DWORD dwQuality)
{
    SetSetting(SZ_VIEWER_ZOOM_QUALITY, dwQuality);
}

DWORD GetAutoRotate(void)
{
    return GetSetting(SZ_AUTO_ROTATE, DEF_AUTO_ROTATE) != 0;
}

void SetAutoRotate(DWORD dwAutoRotate)
{
    SetSetting(SZ_AUTO_ROTATE, dwAutoRotate != 0);
}

DWORD GetColorManage(void)
{
    return GetSetting(SZ_COLOR_MANAGE, DEF_COLOR_MANAGE) != 0;
}

void SetColorManage(DWORD dwManage)
{
    SetSetting(SZ_COLOR_MANAGE, dwManage != 0);
}
