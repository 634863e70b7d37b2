// The settings store on the real registry.
#include <gtest/gtest.h>
#include <string>
#include <windows.h>
#include "tests/support/registry_fixture.h"
#include "viewer/common/settings.h"
#include "viewer/common/settings_names.h"

namespace {

std::wstring ReadText(LPCWSTR pszName, LPCWSTR pszDefault) {
    WCHAR szBuffer[MAX_PATH];
    GetStringSetting(pszName, szBuffer, SETTING_TEXT_BYTES, pszDefault);
    return szBuffer;
}

} // namespace

// Text is stored as a 260-byte block, cut to 129 units between characters;
// what comes back from the registry is read within the caller's buffer.
TEST_F(SettingsTest, OversizedOrUnterminatedTextReadsWithinTheBuffer) {
    SetStringSetting(SZ_START_FOLDER, std::wstring(140, L'f').c_str());
    EXPECT_EQ(std::wstring(129, L'f'), ReadText(SZ_START_FOLDER, L"default"));
    SetStringSetting(SZ_START_FILENAME, (std::wstring(128, L'a') + L"\xD83D\xDE00tail").c_str());
    EXPECT_EQ(std::wstring(128, L'a'), ReadText(SZ_START_FILENAME, L"default")) << "a surrogate pair split";

    std::wstring longText(150, L'x'); // longer than the 260-byte buffer
    RawSetText(SZ_START_FOLDER, longText);
    EXPECT_EQ(L"fallback", ReadText(SZ_START_FOLDER, L"fallback"));
    std::wstring full(130, L'y'); // exactly 260 bytes, no terminator
    RawSetValue(SZ_START_FILENAME, REG_SZ, full.c_str(), 260);
    struct {
        WCHAR szText[130], szGuard[8];
    } box;
    wmemset(box.szGuard, L'#', 8);
    GetStringSetting(SZ_START_FILENAME, box.szText, sizeof(box.szText), L"");
    EXPECT_EQ(std::wstring(129, L'y'), std::wstring(box.szText));
    EXPECT_EQ(std::wstring(8, L'#'), std::wstring(box.szGuard, 8));
    RawSetValue(SZ_SCREENCAPTURE_SAVE_FOLDER, REG_SZ, L"abcdef", 7); // odd size, no terminator
    WCHAR szBuffer[MAX_PATH];
    GetScreenCaptureSaveFolder(szBuffer);
    EXPECT_STREQ(L"abc", szBuffer);
    GetStringSetting(L"MISSING_VALUE", szBuffer, 4 * sizeof(WCHAR), L"far too long");
    EXPECT_STREQ(L"far", szBuffer);
}

// Numbers come only from a 4-byte REG_DWORD; flags read and store 0 or 1.
TEST_F(SettingsTest, NumbersOnlyFromADwordAndFlagsAsZeroOrOne) {
    RawSetValue(SZ_SLIDESHOW_INTERVAL_TIME, REG_SZ, L"5", 4);
    EXPECT_EQ(3000u, GetSlideshowIntervalTime());
    unsigned long long qwValue = 2;
    RawSetValue(SZ_SLIDESHOW_EFFECT_METHOD, REG_QWORD, &qwValue, sizeof(qwValue));
    EXPECT_EQ(1u, GetSlideshowEffectMethod());
    RawSetDword(SZ_THUMBNAIL_FOLDER, 0x00410041);
    WCHAR szBuffer[MAX_PATH];
    GetThumbnailFolder(szBuffer);
    EXPECT_STREQ(L"?", szBuffer);
    RawSetDword(SZ_SLIDESHOW_LOOP, 5);
    EXPECT_EQ(1u, GetSlideshowLoop());
    SetSlideshowDirection(0x80000000u);
    EXPECT_EQ(1u, RawGetDword(SZ_SLIDESHOW_DIRECTION, 99));
}

// The settings path's leading backslash, which the desktop registry refuses,
// names the same key as the key map's path.
TEST_F(SettingsTest, BothKeyPathsNameOneKeyAndFailuresAreReported) {
    EXPECT_EQ(1, WriteRegistryDword(HKEY_CURRENT_USER, KEYMAP_KEY_PATH, L"Key1", 9));
    EXPECT_EQ(9u, GetSetting(L"Key1", 1));
    EXPECT_EQ(1, WriteRegistryDword(HKEY_CURRENT_USER, SETTINGS_KEY_PATH, L"Key2", 12));
    EXPECT_EQ(12u, RawGetDword(L"Key2", 0));
    EXPECT_EQ(0, WriteRegistryDword(reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0xDEAD0)), KEYMAP_KEY_PATH, L"Key1", 1));
}
