#include <gtest/gtest.h>

#include <stdint.h>
#include <windows.h>

#include <vector>

#include "viewer/common/image_error.h"
#include "viewer/common/zero_alloc.h"

// The texts stand as the system has them, spelling included; codes outside
// the table read as unknown.
TEST(ImageError, CodesKeepTheirTextsAndAFailedAllocationSetsCodeOne)
{
    EXPECT_STREQ(L"Could not allocated memory", ImageErrorTextOf(1));
    EXPECT_STREQ(L"This icon has 257 colors! You have to reduce them to 256 color first", ImageErrorTextOf(21));
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

struct BoxWatch { WCHAR szText[256]; LONG bIcon; };

// Waits up to 10 s for the box, records what it shows and presses OK.
static DWORD WINAPI CloseErrorBox(LPVOID pv)
{
    BoxWatch* pWatch = static_cast<BoxWatch*>(pv);
    for (int i = 0; i < 500; ++i, Sleep(20))
        if (HWND hwndBox = FindWindowW(L"#32770", L"ERROR"))
        {
            GetDlgItemTextW(hwndBox, 0xFFFF, pWatch->szText, 256);
            EnumChildWindows(hwndBox, [](HWND hwnd, LPARAM lParam) -> BOOL {
                if ((GetWindowLongW(hwnd, GWL_STYLE) & SS_TYPEMASK) == SS_ICON && SendMessageW(hwnd, STM_GETICON, 0, 0))
                    *reinterpret_cast<LONG*>(lParam) = 1;
                return TRUE;
            }, reinterpret_cast<LPARAM>(&pWatch->bIcon));
            PostMessageW(hwndBox, WM_COMMAND, IDOK, 0);
            return 1;
        }
    return 0;
}

TEST(ImageError, ShowImageErrorShowsTheTextThenClears)
{
    ClearImageError();
    ShowImageError(); // no code: nothing to show, so this returns at once
    BoxWatch watch = {};
    HANDLE hThread = CreateThread(NULL, 0, CloseErrorBox, &watch, 0, NULL);
    ASSERT_NE(nullptr, hThread);
    SetImageError(IMGERR_FILE_NOT_FOUND);
    ShowImageError();
    DWORD dwFound = WaitForSingleObject(hThread, 15000);
    GetExitCodeThread(hThread, &dwFound);
    CloseHandle(hThread);
    ASSERT_EQ(1u, dwFound) << "no error box";
    EXPECT_STREQ(L"File not found", watch.szText);
    EXPECT_TRUE(watch.bIcon);
    EXPECT_EQ(0, GetImageError());
}
