// The listed folder's picture list. Which names are listed, their texts and
// the name, size and type orders are the browser face's tests.
#include <gtest/gtest.h>

#include <string>
#include <vector>
#include <windows.h>

#include "../extras/temp_folder.h"
#include "viewer/browser/picture_list.h"

namespace {

std::vector<std::wstring> Names()
{
    std::vector<std::wstring> names;
    for (PictureEntry* p = FirstPicture(); p; p = NextPicture(p))
        names.push_back(p->szName);
    return names;
}

} // namespace

// Sorting moves contents between the nodes (thumbnails travel with their
// entry); the date order puts the newest first; an unknown key is ignored;
// the ends have no neighbours.
TEST(PictureList, SortingMovesContentsAndTheEndsHaveNoNeighbours)
{
    TempFolder folder;
    const struct
    {
        const wchar_t* name;
        WORD wDay;
    } files[] = {{L"b.png", 8}, {L"c.gif", 9}, {L"d.bmp", 10}, {L"a.2bp", 7}};
    for (const auto& f : files)
    {
        const std::wstring path = folder.Write(f.name, std::string(16, 'x'));
        HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
        SYSTEMTIME st = {2024, 3, 0, f.wDay, 10, 0, 0, 0};
        FILETIME ft;
        SystemTimeToFileTime(&st, &ft);
        SetFileTime(h, NULL, NULL, &ft);
        CloseHandle(h);
    }
    ResetSortDirection();
    ASSERT_EQ(4, EnumeratePictures((folder.Path() + L"*.*").c_str()));
    PictureEntry* pHead = FirstPicture();
    HBITMAP hbm = CreateBitmap(1, 1, 1, 1, NULL);
    PictureByName(L"c.gif")->hbmThumb = hbm;
    SortPictures(SORT_BY_NAME);
    RenumberPictures();
    EXPECT_EQ(pHead, FirstPicture()) << "nodes stay, contents move";
    EXPECT_EQ(hbm, PictureByName(L"c.gif")->hbmThumb) << "the thumbnail travels with its entry";
    EXPECT_EQ(2, IndexOfPicture(PictureByName(L"c.gif")));
    EXPECT_EQ(L"c.gif", std::wstring(PictureByIndex(2)->szName));
    SortPictures(SORT_BY_DATE);
    EXPECT_EQ((std::vector<std::wstring>{L"d.bmp", L"c.gif", L"b.png", L"a.2bp"}), Names());
    SortPictures(99);
    EXPECT_EQ(L"d.bmp", Names()[0]);

    EXPECT_EQ(nullptr, NextPicture(LastPicture()));
    EXPECT_EQ(nullptr, PreviousPicture(FirstPicture()));
    EXPECT_EQ(FirstPicture(), PreviousPicture(NextPicture(FirstPicture())));
    PictureEntry stranger = {};
    EXPECT_EQ(nullptr, PreviousPicture(&stranger));
    EXPECT_EQ(-1, IndexOfPicture(nullptr));
    FreePictures();
    EXPECT_EQ(0, CountPictures());
    EXPECT_EQ(0, EnumeratePictures((folder.Path() + L"missing\\*.*").c_str()));
}

TEST(PictureText, SizesAtTheExtremes)
{
    const struct
    {
        DWORD nBytes;
        const wchar_t* pszText;
    } cases[] = {{4096, L"4K"}, {5242880, L"5.12M"}, {0xFFFFFFFF, L"4194.30M"}};
    for (const auto& c : cases)
    {
        WCHAR sz[32];
        FormatSizeText(c.nBytes, sz, 32);
        EXPECT_STREQ(c.pszText, sz) << c.nBytes;
    }
}
