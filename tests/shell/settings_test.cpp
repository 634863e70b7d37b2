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

TEST_F(SettingsTest, EmptyRegistryGivesEveryDefaultAndCreatesTheKey)
{
    ASSERT_FALSE(SettingsKeyExists());
    EXPECT_EQ(0u, GetSetting(SZ_START_MODE, DEF_START_MODE));
    EXPECT_TRUE(SettingsKeyExists());

    WCHAR szBuffer[MAX_PATH];
    GetScreenCaptureSaveFolder(szBuffer);
    EXPECT_STREQ(L"\\My Documents", szBuffer);
    GetThumbnailFolder(szBuffer);
    EXPECT_STREQ(L"?", szBuffer);
    EXPECT_EQ(L"\\My Documents\\", ReadText(SZ_START_FOLDER, DEF_START_FOLDER_VIEWER));
    EXPECT_EQ(L"", ReadText(SZ_START_FILENAME, DEF_START_FILENAME));
    EXPECT_EQ(1u, GetInitialViewPosition());
    EXPECT_EQ(0u, GetSlideshowDirection());
    EXPECT_EQ(0u, GetSlideshowLoop());
    EXPECT_EQ(3000u, GetSlideshowIntervalTime());
    EXPECT_EQ(1u, GetSlideshowEffectMethod());
    EXPECT_EQ(0u, GetViewerOptimizedView());
    EXPECT_EQ(1u, GetViewerZoomQuality());
    EXPECT_EQ(0u, GetSetting(SZ_REFINE, DEF_REFINE));
    EXPECT_EQ(4u, GetSetting(L"Key4", 4));

    // Reads create the key but store nothing in it.
    DWORD dwType;
    std::wstring data;
    EXPECT_FALSE(RawGetValue(SZ_SLIDESHOW_INTERVAL_TIME, &dwType, &data));
}

TEST_F(SettingsTest, TextIsStoredAsA260ByteBlockCutTo129Units)
{
    std::wstring folder(140, L'f');
    folder[0] = L'\\';
    SetStringSetting(SZ_START_FOLDER, folder.c_str());

    DWORD dwType = 0;
    std::wstring raw;
    ASSERT_TRUE(RawGetValue(SZ_START_FOLDER, &dwType, &raw));
    EXPECT_EQ((DWORD)REG_SZ, dwType);
    EXPECT_EQ(130u, raw.size());
    EXPECT_EQ(L'\0', raw[129]);

    EXPECT_EQ(folder.substr(0, 129), ReadText(SZ_START_FOLDER, L"default"));

    SetStringSetting(SZ_START_FILENAME, L"beach.jpg");
    ASSERT_TRUE(RawGetValue(SZ_START_FILENAME, &dwType, &raw));
    EXPECT_EQ(130u, raw.size());
    EXPECT_EQ(L"beach.jpg", ReadText(SZ_START_FILENAME, L""));

    // The cut never splits a surrogate pair.
    std::wstring text(128, L'a');
    text += L"\xD83D\xDE00"; // one character, two units, across the cut
    text += L"tail";
    SetStringSetting(SZ_START_FILENAME, text.c_str());
    EXPECT_EQ(std::wstring(128, L'a'), ReadText(SZ_START_FILENAME, L"default"));
}

TEST_F(SettingsTest, FlagsReadAndStoreAsZeroOrOne)
{
    DWORD dwFive = 5;
    RawSetValue(SZ_SLIDESHOW_LOOP, REG_DWORD, &dwFive, sizeof(dwFive));
    RawSetValue(SZ_SLIDESHOW_DIRECTION, REG_DWORD, &dwFive, sizeof(dwFive));
    RawSetValue(SZ_VIEWER_OPTIMIZED_VIEW, REG_DWORD, &dwFive, sizeof(dwFive));
    EXPECT_EQ(1u, GetSlideshowLoop());
    EXPECT_EQ(1u, GetSlideshowDirection());
    EXPECT_EQ(1u, GetViewerOptimizedView());

    SetSlideshowLoop(7);
    SetSlideshowDirection(0x80000000u);
    EXPECT_EQ(1u, RawGetDword(SZ_SLIDESHOW_LOOP, 99));
    EXPECT_EQ(1u, RawGetDword(SZ_SLIDESHOW_DIRECTION, 99));
    SetSlideshowLoop(0);
    EXPECT_EQ(0u, RawGetDword(SZ_SLIDESHOW_LOOP, 99));
}

TEST_F(SettingsTest, OversizedOrUnterminatedTextReadsSafely)
{
    // Longer than the 260-byte buffer: the default.
    std::wstring longText(150, L'x');
    RawSetValue(SZ_START_FOLDER, REG_SZ, longText.c_str(), (DWORD)((longText.size() + 1) * sizeof(wchar_t)));
    EXPECT_EQ(L"fallback", ReadText(SZ_START_FOLDER, L"fallback"));

    // Exactly 260 bytes with no terminator: cut inside the buffer.
    std::wstring full(130, L'y');
    RawSetValue(SZ_START_FILENAME, REG_SZ, full.c_str(), 260);
    struct
    {
        WCHAR szText[130];
        WCHAR szGuard[8];
    } box;
    for (WCHAR& ch : box.szGuard)
        ch = L'#';
    GetStringSetting(SZ_START_FILENAME, box.szText, sizeof(box.szText), L"");
    EXPECT_EQ(std::wstring(129, L'y'), std::wstring(box.szText));
    for (WCHAR ch : box.szGuard)
        EXPECT_EQ(L'#', ch);

    // Odd byte count and no terminator.
    RawSetValue(SZ_SCREENCAPTURE_SAVE_FOLDER, REG_SZ, L"abcdef", 7);
    WCHAR szBuffer[MAX_PATH];
    GetScreenCaptureSaveFolder(szBuffer);
    EXPECT_STREQ(L"abc", szBuffer);

    // A long default in a small buffer is cut and terminated too.
    WCHAR szSmall[4];
    GetStringSetting(L"MISSING_VALUE", szSmall, sizeof(szSmall), L"far too long");
    EXPECT_STREQ(L"far", szSmall);
}

TEST_F(SettingsTest, WrongTypeOrSizeGivesTheDefault)
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
}

TEST_F(SettingsTest, BothKeyPathsNameOneKeyAndFailuresAreReported)
{
    EXPECT_EQ(1, WriteRegistryDword(HKEY_CURRENT_USER, KEYMAP_KEY_PATH, L"Key1", 9));
    EXPECT_EQ(9u, GetSetting(L"Key1", 1));

    // The leading backslash of the settings path is accepted here too.
    EXPECT_EQ(1, WriteRegistryDword(HKEY_CURRENT_USER, SETTINGS_KEY_PATH, L"Key2", 12));
    EXPECT_EQ(12u, RawGetDword(L"Key2", 0));

    SetSetting(SZ_START_MODE, 1);
    EXPECT_EQ(1u, RawGetDword(SZ_START_MODE, 0));

    HKEY hBogusRoot = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0xDEAD0));
    EXPECT_EQ(0, WriteRegistryDword(hBogusRoot, KEYMAP_KEY_PATH, L"Key1", 1));
}
