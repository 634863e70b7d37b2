// The settings store: every persistent setting lives in one registry key of
// the current user. No cache: each call opens, uses and closes the key.
#pragma once

#include <windows.h>

// Both paths name one key: key names ignore case, and the leading backslash
// is dropped before the registry sees it.
#define SETTINGS_KEY_PATH L"\\SOFTWARE\\OMBRIX\\Ombrix Viewer"
#define KEYMAP_KEY_PATH L"Software\\Ombrix\\Ombrix Viewer"

// Texts are stored as a 260-byte REG_SZ block: at most 129 units and a zero.
#define SETTING_TEXT_BYTES 260
#define SETTING_TEXT_MAX_CHARS (SETTING_TEXT_BYTES / sizeof(WCHAR) - 1)

// Generic accessors.
DWORD GetSetting(LPCWSTR pszName, DWORD dwDefault);
void SetSetting(LPCWSTR pszName, DWORD dwValue);
// cbBuffer is the caller's buffer size in bytes; the text read back is always
// terminated inside it.
void GetStringSetting(LPCWSTR pszName, LPWSTR pszBuffer, DWORD cbBuffer, LPCWSTR pszDefault);
void SetStringSetting(LPCWSTR pszName, LPCWSTR pszText);
int WriteRegistryDword(HKEY hRoot, LPCWSTR pszSubKey, LPCWSTR pszName, DWORD dwValue);

// Named accessors. Text getters take a buffer of at least 130 units.
void GetScreenCaptureSaveFolder(LPWSTR pszBuffer);
void SetScreenCaptureSaveFolder(LPCWSTR pszFolder);
void GetThumbnailFolder(LPWSTR pszBuffer);
DWORD GetInitialViewPosition(void);
void SetInitialViewPosition(DWORD dwPosition);
DWORD GetSlideshowDirection(void);
void SetSlideshowDirection(DWORD dwDirection);
DWORD GetSlideshowLoop(void);
void SetSlideshowLoop(DWORD dwLoop);
DWORD GetSlideshowIntervalTime(void);
void SetSlideshowIntervalTime(DWORD dwMilliseconds);
DWORD GetSlideshowEffectMethod(void);
void SetSlideshowEffectMethod(DWORD dwEffect);
DWORD GetViewerOptimizedView(void);
DWORD GetViewerZoomQuality(void);
void SetViewerZoomQuality(DWORD dwQuality);
// Whether camera pictures are stood upright by their orientation tag:
// stored as 1 or 0, and any other value reads as 1.
DWORD GetAutoRotate(void);
void SetAutoRotate(DWORD dwAutoRotate);
// Whether pictures' colours are turned from their embedded profiles into
// sRGB: stored as 1 or 0, and any other value reads as 1.
DWORD GetColorManage(void);
void SetColorManage(DWORD dwManage);
