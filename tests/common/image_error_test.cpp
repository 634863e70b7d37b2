#include <gtest/gtest.h>

#include <stdint.h>
#include <windows.h>

#include <utility>
#include <vector>

#include "viewer/common/image_error.h"
#include "viewer/common/zero_alloc.h"

// The texts stand as the system has them, spelling included; codes outside
// the table read as unknown.
TEST(ImageError, CodesKeepTheirTexts)
{
    const std::pair<int, const wchar_t*> texts[] = {
        {0, L"No Error"},
        {1, L"Could not allocated memory"},
        {21, L"This icon has 257 colors! You have to reduce them to 256 color first"},
        {22, L"Unknown error"},
        {-1, L"Unknown error"},
    };
    for (const auto& t : texts)
        EXPECT_STREQ(t.second, ImageErrorTextOf(t.first)) << "code " << t.first;
    SetImageError(IMGERR_FILE_NOT_FOUND);
    EXPECT_EQ(IMGERR_FILE_NOT_FOUND, GetImageError());
    EXPECT_STREQ(L"File not found", GetImageErrorText());
    ClearImageError();
    EXPECT_EQ(0, GetImageError());
}

TEST(ImageError, FailedRecordAllocationSetsCodeOne)
{
    ClearImageError();
    void* pv = AllocZeroed(SIZE_MAX);
    EXPECT_EQ(nullptr, pv);
    EXPECT_EQ(IMGERR_NO_MEMORY, GetImageError());

    ClearImageError();
    unsigned char* pb = static_cast<unsigned char*>(AllocZeroed(4096));
    ASSERT_NE(nullptr, pb);
    EXPECT_EQ(std::vector<unsigned char>(4096, 0), std::vector<unsigned char>(pb, pb + 4096));
    EXPECT_EQ(0, GetImageError());
    FreeZeroed(pb);
}

struct BoxWatch
{
    WCHAR szText[256];
    WCHAR szCaption[64];
    LONG bIcon;
};

static BOOL CALLBACK FindIconStatic(HWND hwnd, LPARAM lParam)
{
    if ((GetWindowLongW(hwnd, GWL_STYLE) & SS_TYPEMASK) == SS_ICON && SendMessageW(hwnd, STM_GETICON, 0, 0))
        *reinterpret_cast<LONG*>(lParam) = 1;
    return TRUE;
}

// Waits up to 10 s for the box, records what it shows and presses OK.
static DWORD WINAPI CloseErrorBox(LPVOID pv)
{
    BoxWatch* pWatch = static_cast<BoxWatch*>(pv);
    for (int i = 0; i < 500; ++i, Sleep(20))
    {
        HWND hwndBox = FindWindowW(L"#32770", L"ERROR");
        if (!hwndBox)
            continue;
        GetWindowTextW(hwndBox, pWatch->szCaption, 64);
        GetDlgItemTextW(hwndBox, 0xFFFF, pWatch->szText, 256);
        EnumChildWindows(hwndBox, FindIconStatic, reinterpret_cast<LPARAM>(&pWatch->bIcon));
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
    DWORD dwFound = 0;
    WaitForSingleObject(hThread, 15000);
    GetExitCodeThread(hThread, &dwFound);
    CloseHandle(hThread);
    ASSERT_EQ(1u, dwFound) << "no error box";
    EXPECT_STREQ(L"ERROR", watch.szCaption);
    EXPECT_STREQ(L"File not found", watch.szText);
    EXPECT_TRUE(watch.bIcon);
    EXPECT_EQ(0, GetImageError());
}
