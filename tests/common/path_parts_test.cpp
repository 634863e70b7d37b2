// Folder and name joined with exactly one separator, the device root included.
#include <gtest/gtest.h>

#include <string>
#include <windows.h>

#include "viewer/common/path_parts.h"

TEST(JoinPath, ExactlyOneSeparatorBetweenFolderAndName)
{
    const struct
    {
        const wchar_t* folder;
        const wchar_t* name;
        const wchar_t* want;
    } cases[] = {
        {L"\\", L"om00000.bmp", L"\\om00000.bmp"},   // the device root from the folder dialog
        {L"", L"om00000.bmp", L"\\om00000.bmp"},
        {L"\\My Documents", L"om00000.bmp", L"\\My Documents\\om00000.bmp"},
        {L"\\My Documents\\", L"om00000.bmp", L"\\My Documents\\om00000.bmp"},
        {L"C:\\", L"a.bmp", L"C:\\a.bmp"},
        {L"\\Storage Card\\\\", L"\\a.bmp", L"\\Storage Card\\a.bmp"},
    };
    for (const auto& c : cases)
    {
        wchar_t sz[MAX_PATH];
        ASSERT_TRUE(JoinPath(c.folder, c.name, sz, MAX_PATH)) << c.folder;
        EXPECT_STREQ(c.want, sz);
    }
}

TEST(JoinPath, TooLongIsRefusedNotCut)
{
    wchar_t sz[8] = L"garbage";
    ASSERT_TRUE(JoinPath(L"\\a", L"cd.e", sz, 8)) << "7 units and the terminator fit in 8";
    EXPECT_STREQ(L"\\a\\cd.e", sz);
    EXPECT_FALSE(JoinPath(L"\\ab", L"cd.e", sz, 8));
    EXPECT_STREQ(L"", sz);
    const std::wstring longFolder(MAX_PATH, L'x');
    wchar_t szLong[MAX_PATH];
    EXPECT_FALSE(JoinPath(longFolder.c_str(), L"a", szLong, MAX_PATH));
    EXPECT_STREQ(L"", szLong);
}
