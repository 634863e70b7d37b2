// The settings store on the real registry: what its writers store, and the
// key's two paths. What its readers make of any stored value is the fuzz
// driver's settings target.
#include <gtest/gtest.h>
#include <string>
#include <windows.h>
#include "tests/support/registry_fixture.h"
#include "viewer/common/settings.h"
#include "viewer/common/settings_names.h"

// Text is stored as a 260-byte block, cut to 129 units between characters;
// a switch is stored as 0 or 1.
TEST_F(SettingsTest, TextsAreCutBetweenCharactersAndSwitchesStoredAsZeroOrOne) {
    SetStringSetting(SZ_START_FOLDER, std::wstring(140, L'f').c_str());
    EXPECT_EQ(std::wstring(129, L'f'), RawGetText(SZ_START_FOLDER));
    SetStringSetting(SZ_START_FILENAME, (std::wstring(128, L'a') + L"\xD83D\xDE00tail").c_str());
    EXPECT_EQ(std::wstring(128, L'a'), RawGetText(SZ_START_FILENAME)) << "a surrogate pair split";
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
