// The error code: a failed zero-filled allocation sets code 1, a code outside
// the table reads as unknown, and the error box shows the code's text.
#include <gtest/gtest.h>

#include <stdint.h>
#include <windows.h>

#include <vector>

#include "tests/support/window_helpers.h"
#include "viewer/common/image_error.h"
#include "viewer/common/zero_alloc.h"

TEST(ImageError, AFailedAllocationSetsCodeOneAndStrangeCodesReadAsUnknown)
{
    EXPECT_STREQ(L"Unknown error", ImageErrorTextOf(22));
    EXPECT_STREQ(L"Unknown error", ImageErrorTextOf(-1));
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

TEST(ImageError, ShowImageErrorShowsTheTextThenClears)
{
    ClearImageError();
    ShowImageError(); // no code: nothing to show, so this returns at once
    WCHAR szText[256] = L"";
    LONG bIcon = 0;
    SetImageError(IMGERR_FILE_NOT_FOUND);
    const bool bBox = WhileWindowShows([] { return FindWindowW(L"#32770", L"ERROR"); },
                                       [&](HWND hwndBox) {
                                           GetDlgItemTextW(hwndBox, 0xFFFF, szText, 256);
                                           EnumChildWindows(hwndBox, [](HWND hwnd, LPARAM lParam) -> BOOL {
                                               if ((GetWindowLongW(hwnd, GWL_STYLE) & SS_TYPEMASK) == SS_ICON &&
                                                   SendMessageW(hwnd, STM_GETICON, 0, 0))
                                                   *reinterpret_cast<LONG*>(lParam) = 1;
                                               return TRUE;
                                           }, reinterpret_cast<LPARAM>(&bIcon));
                                           PostMessageW(hwndBox, WM_COMMAND, IDOK, 0);
                                       },
                                       [] { ShowImageError(); }, 10000);
    ASSERT_TRUE(bBox) << "no error box";
    EXPECT_STREQ(L"File not found", szText);
    EXPECT_TRUE(bIcon);
    EXPECT_EQ(0, GetImageError());
}
