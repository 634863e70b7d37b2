#include <gtest/gtest.h>

#include <stdint.h>
#include <windows.h>

#include <utility>

#include "viewer/common/image_error.h"
#include "viewer/common/zero_alloc.h"

// The texts stand as the system has them, spelling included; codes outside
// the table read as unknown.
TEST(ImageError, CodesKeepTheirTexts)
{
    const std::pair<int, const wchar_t*> texts[] = {
        {0, L"No Error"},
        {1, L"Could not allocated memory"},
        {18, L"Count not allocate memory for UNDO function"},
        {21, L"This icon has 257 colors! You have to reduce them to 256 color first"},
        {22, L"Unknown error"},
        {-1, L"Unknown error"},
        {0x7fffffff, L"Unknown error"},
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
    for (int i = 0; i < 4096; ++i)
        ASSERT_EQ(0, pb[i]);
    EXPECT_EQ(0, GetImageError());
    FreeZeroed(pb);
}

struct BoxWatch
{
    WCHAR szText[256];
    WCHAR szCaption[64];
    LONG bIcon;
    int nTries; // 20 ms apart
};

static BOOL CALLBACK FindIconStatic(HWND hwnd, LPARAM lParam)
{
    WCHAR szClass[16];
    GetClassNameW(hwnd, szClass, 16);
    if (lstrcmpiW(szClass, L"Static") == 0 && (GetWindowLongW(hwnd, GWL_STYLE) & SS_TYPEMASK) == SS_ICON
        && SendMessageW(hwnd, STM_GETICON, 0, 0))
        *reinterpret_cast<LONG*>(lParam) = 1;
    return TRUE;
}

// Finds the message box, records what it shows and presses OK.
static DWORD WINAPI CloseErrorBox(LPVOID pv)
{
    BoxWatch* pWatch = static_cast<BoxWatch*>(pv);
    for (int i = 0; i < pWatch->nTries; ++i)
    {
        HWND hwndBox = FindWindowW(L"#32770", L"ERROR");
        if (hwndBox)
        {
            GetWindowTextW(hwndBox, pWatch->szCaption, 64);
            GetDlgItemTextW(hwndBox, 0xFFFF, pWatch->szText, 256);
            EnumChildWindows(hwndBox, FindIconStatic, reinterpret_cast<LPARAM>(&pWatch->bIcon));
            PostMessageW(hwndBox, WM_COMMAND, IDOK, 0);
            return 1;
        }
        Sleep(20);
    }
    return 0;
}

// Calls ShowImageError while a watcher looks for its box; true when found.
static bool ShowWatched(BoxWatch* pWatch)
{
    HANDLE hThread = CreateThread(NULL, 0, CloseErrorBox, pWatch, 0, NULL);
    if (!hThread)
        return false;
    ShowImageError();
    WaitForSingleObject(hThread, 15000);
    DWORD dwFound = 0;
    GetExitCodeThread(hThread, &dwFound);
    CloseHandle(hThread);
    return dwFound == 1;
}

TEST(ImageError, ShowImageErrorShowsTheTextThenClears)
{
    BoxWatch watch = {};
    watch.nTries = 500;
    SetImageError(IMGERR_FILE_NOT_FOUND);
    EXPECT_TRUE(ShowWatched(&watch));
    EXPECT_STREQ(L"ERROR", watch.szCaption);
    EXPECT_STREQ(L"File not found", watch.szText);
    EXPECT_TRUE(watch.bIcon);
    EXPECT_EQ(0, GetImageError());
}

TEST(ImageError, ShowImageErrorWithNoCodeShowsNothing)
{
    BoxWatch watch = {};
    watch.nTries = 50;
    ClearImageError();
    EXPECT_FALSE(ShowWatched(&watch));
}
