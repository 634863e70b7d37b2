// The settings store on the real registry.
#include <gtest/gtest.h>

#include <string>
#include <windows.h>

#include "registry_fixture.h"
#include "viewer/common/settings.h"
#include "viewer/common/settings_names.h"

namespace {

std::wstring ReadText(LPCWSTR pszName, LPCWSTR pszDefault)
{
    WCHAR szBuffer[MAX_PATH];
    GetStringSetting(pszName, szBuffer, SETTING_TEXT_BYTES, pszDefault);
    return szBuffer;
}

} // namespace

TEST_F(SettingsTest, AnEmptyKeyGivesDefaultsAndReadsStoreNothing)
{
    ASSERT_FALSE(SettingsKeyExists());
    EXPECT_EQ(0u, GetSetting(SZ_START_MODE, DEF_START_MODE));
    EXPECT_TRUE(SettingsKeyExists());
    WCHAR szBuffer[MAX_PATH];
    GetScreenCaptureSaveFolder(szBuffer);
    EXPECT_STREQ(L"\\My Documents", szBuffer);
    GetThumbnailFolder(szBuffer);
    EXPECT_STREQ(L"?", szBuffer);
    EXPECT_EQ(3000u, GetSlideshowIntervalTime());
    DWORD dwType;
    std::wstring data;
    EXPECT_FALSE(RawGetValue(SZ_SLIDESHOW_INTERVAL_TIME, &dwType, &data));
}

TEST_F(SettingsTest, TextIsStoredAsA260ByteBlockCutTo129UnitsBetweenCharacters)
{
    std::wstring folder(140, L'f');
    SetStringSetting(SZ_START_FOLDER, folder.c_str());
    DWORD dwType = 0;
    std::wstring raw;
    ASSERT_TRUE(RawGetValue(SZ_START_FOLDER, &dwType, &raw));
    EXPECT_EQ((DWORD)REG_SZ, dwType);
    EXPECT_EQ(130u, raw.size());
    EXPECT_EQ(L'\0', raw[129]);
    EXPECT_EQ(folder.substr(0, 129), ReadText(SZ_START_FOLDER, L"default"));

    std::wstring text(128, L'a');
    text += L"\xD83D\xDE00tail"; // one character, two units, across the cut
    SetStringSetting(SZ_START_FILENAME, text.c_str());
    EXPECT_EQ(std::wstring(128, L'a'), ReadText(SZ_START_FILENAME, L"default"));
}

TEST_F(SettingsTest, OversizedOrUnterminatedTextReadsWithinTheBuffer)
{
    std::wstring longText(150, L'x'); // longer than the 260-byte buffer
    RawSetValue(SZ_START_FOLDER, REG_SZ, longText.c_str(), (DWORD)((longText.size() + 1) * sizeof(wchar_t)));
    EXPECT_EQ(L"fallback", ReadText(SZ_START_FOLDER, L"fallback"));

    std::wstring full(130, L'y'); // exactly 260 bytes, no terminator
    RawSetValue(SZ_START_FILENAME, REG_SZ, full.c_str(), 260);
    struct
    {
        WCHAR szText[130];
        WCHAR szGuard[8];
    } box;
    wmemset(box.szGuard, L'#', 8);
    GetStringSetting(SZ_START_FILENAME, box.szText, sizeof(box.szText), L"");
    EXPECT_EQ(std::wstring(129, L'y'), std::wstring(box.szText));
    EXPECT_EQ(std::wstring(8, L'#'), std::wstring(box.szGuard, 8));

    RawSetValue(SZ_SCREENCAPTURE_SAVE_FOLDER, REG_SZ, L"abcdef", 7); // odd size, no terminator
    WCHAR szBuffer[MAX_PATH];
    GetScreenCaptureSaveFolder(szBuffer);
    EXPECT_STREQ(L"abc", szBuffer);

    WCHAR szSmall[4];
    GetStringSetting(L"MISSING_VALUE", szSmall, sizeof(szSmall), L"far too long");
    EXPECT_STREQ(L"far", szSmall);
}

// Numbers come only from a 4-byte REG_DWORD; flags read and store 0 or 1.
TEST_F(SettingsTest, NumbersOnlyFromADwordAndFlagsAsZeroOrOne)
{
    RawSetValue(SZ_SLIDESHOW_INTERVAL_TIME, REG_SZ, L"5", 4);
    EXPECT_EQ(3000u, GetSlideshowIntervalTime());
    unsigned short wShort = 9;
    RawSetValue(SZ_INITIAL_VIEW_POSITION, REG_BINARY, &wShort, sizeof(wShort));
    EXPECT_EQ(1u, GetInitialViewPosition());
    unsigned long long qwValue = 2;
    RawSetValue(SZ_SLIDESHOW_EFFECT_METHOD, REG_QWORD, &qwValue, sizeof(qwValue));
    EXPECT_EQ(1u, GetSlideshowEffectMethod());
    DWORD dwValue = 0x00410041;
    RawSetValue(SZ_THUMBNAIL_FOLDER, REG_DWORD, &dwValue, sizeof(dwValue));
    WCHAR szBuffer[MAX_PATH];
    GetThumbnailFolder(szBuffer);
    EXPECT_STREQ(L"?", szBuffer);

    DWORD dwFive = 5;
    RawSetValue(SZ_SLIDESHOW_LOOP, REG_DWORD, &dwFive, sizeof(dwFive));
    EXPECT_EQ(1u, GetSlideshowLoop());
    SetSlideshowDirection(0x80000000u);
    EXPECT_EQ(1u, RawGetDword(SZ_SLIDESHOW_DIRECTION, 99));
}

// The settings path's leading backslash, which the desktop registry refuses,
// names the same key as the key map's path.
TEST_F(SettingsTest, BothKeyPathsNameOneKeyAndFailuresAreReported)
{
    EXPECT_EQ(1, WriteRegistryDword(HKEY_CURRENT_USER, KEYMAP_KEY_PATH, L"Key1", 9));
    EXPECT_EQ(9u, GetSetting(L"Key1", 1));
    EXPECT_EQ(1, WriteRegistryDword(HKEY_CURRENT_USER, SETTINGS_KEY_PATH, L"Key2", 12));
    EXPECT_EQ(12u, RawGetDword(L"Key2", 0));
    HKEY hBogusRoot = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0xDEAD0));
    EXPECT_EQ(0, WriteRegistryDword(hBogusRoot, KEYMAP_KEY_PATH, L"Key1", 1));
}
