// The error code of a failed allocation, and a folder and a name joined with
// exactly one separator. The error box is the box-fit test's.
#include <gtest/gtest.h>

#include <stdint.h>
#include <windows.h>

#include <string>
#include <vector>

#include "viewer/common/image_error.h"
#include "viewer/common/path_parts.h"
#include "viewer/common/zero_alloc.h"

TEST(ImageError, AFailedAllocationSetsCodeOne)
{
    ClearImageError();
    EXPECT_EQ(nullptr, AllocZeroed(SIZE_MAX));
    EXPECT_EQ(IMGERR_NO_MEMORY, GetImageError());
    ClearImageError();
    unsigned char* pb = static_cast<unsigned char*>(AllocZeroed(4096));
    ASSERT_NE(nullptr, pb);
    EXPECT_EQ(std::vector<unsigned char>(4096, 0), std::vector<unsigned char>(pb, pb + 4096));
    EXPECT_EQ(0, GetImageError());
    FreeZeroed(pb);
}

// Exactly one separator between folder and name; too long is refused, not cut.
TEST(JoinPath, ExactlyOneSeparatorAndTooLongRefused)
{
    const struct { const wchar_t *folder, *name, *want; } cases[] = {
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
