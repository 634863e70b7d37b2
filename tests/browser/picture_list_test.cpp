#include <gtest/gtest.h>

#include <string>
#include <vector>
#include <windows.h>

#include "../extras/temp_folder.h"
#include "viewer/browser/picture_list.h"

namespace {

// A file of the given size whose write time is the given UTC day and hour.
void MakeFile(const std::wstring& path, DWORD cb, WORD wDay, WORD wHour)
{
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    std::vector<char> data(cb, 'x');
    DWORD cbWritten = 0;
    if (cb)
        WriteFile(h, data.data(), cb, &cbWritten, NULL);
    SYSTEMTIME st = {2024, 3, 0, wDay, wHour, 0, 0, 0};
    FILETIME ft;
    SystemTimeToFileTime(&st, &ft);
    SetFileTime(h, NULL, NULL, &ft);
    CloseHandle(h);
}

std::vector<std::wstring> Names()
{
    std::vector<std::wstring> names;
    for (PictureEntry* p = FirstPicture(); p; p = NextPicture(p))
        names.push_back(p->szName);
    return names;
}

class PictureListTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ResetSortDirection();
        MakeFile(m_folder / L"IMG.JPG", 3000, 5, 10);
        MakeFile(m_folder / L"img.jpeg", 100, 6, 10);
        MakeFile(m_folder / L"a.2bp", 5000, 7, 10);
        MakeFile(m_folder / L"b.png", 2000, 8, 10);
        MakeFile(m_folder / L"c.gif", 4000, 9, 10);
        MakeFile(m_folder / L"d.bmp", 1000, 10, 10);
        MakeFile(m_folder / L"photo.jpg.txt", 10, 1, 1);
        MakeFile(m_folder / L"README", 10, 1, 1);
        CreateDirectoryW((m_folder / L"album.jpg").c_str(), NULL);
        ASSERT_EQ(7, EnumeratePictures((m_folder.Path() + L"*.*").c_str()));
    }
    void TearDown() override { FreePictures(); }

    TempFolder m_folder;
};

} // namespace

// Which names are listed the shell's list test shows; here the entries.
TEST_F(PictureListTest, EntriesCarryTypeSizeAndName)
{
    EXPECT_EQ(PICTYPE_JPG, PictureByName(L"IMG.JPG")->nType);
    EXPECT_EQ(PICTYPE_JPEG, PictureByName(L"img.jpeg")->nType);
    EXPECT_EQ(nullptr, PictureByName(L"img.JPG")) << "names match case-sensitively";

    PictureEntry* p = PictureByName(L"a.2bp");
    EXPECT_EQ(5000u, p->nFileSize);
    EXPECT_EQ(5, p->cchName);
    EXPECT_EQ(7, CountUnprocessed());
    p->bProcessed = 1;
    EXPECT_EQ(6, CountUnprocessed());
}

TEST_F(PictureListTest, SortsByDateAndIgnoresAnUnknownKey)
{
    // Name, size and type orders are checked on the shell's list.
    SortPictures(SORT_BY_NAME);
    EXPECT_EQ((std::vector<std::wstring>{L"a.2bp", L"album.jpg", L"b.png", L"c.gif", L"d.bmp", L"img.jpeg", L"IMG.JPG"}),
              Names());
    SortPictures(SORT_BY_DATE);
    EXPECT_EQ(L"d.bmp", Names()[1]) << "newest file after the folder made today";
    std::vector<std::wstring> before = Names();
    SortPictures(99);
    EXPECT_EQ(before, Names());
}

TEST_F(PictureListTest, SortingMovesContentsAndRenumbering)
{
    PictureEntry* pHead = FirstPicture();
    HBITMAP hbm = CreateBitmap(1, 1, 1, 1, NULL);
    PictureByName(L"c.gif")->hbmThumb = hbm;
    SortPictures(SORT_BY_NAME);
    RenumberPictures();
    EXPECT_EQ(pHead, FirstPicture()) << "nodes stay, contents move";
    EXPECT_EQ(hbm, PictureByName(L"c.gif")->hbmThumb) << "the thumbnail travels with its entry";
    LONG n = 0;
    for (PictureEntry* p = FirstPicture(); p; p = NextPicture(p))
        EXPECT_EQ(n++, p->nIndex);
    EXPECT_EQ(L"c.gif", std::wstring(PictureByIndex(3)->szName));
    EXPECT_EQ(3, IndexOfPicture(PictureByName(L"c.gif")));
}

TEST_F(PictureListTest, NeighboursAndEnds)
{
    SortPictures(SORT_BY_NAME);
    PictureEntry* pFirst = FirstPicture();
    PictureEntry* pLast = LastPicture();
    EXPECT_EQ(L"IMG.JPG", std::wstring(pLast->szName));
    EXPECT_EQ(nullptr, NextPicture(pLast));
    EXPECT_EQ(nullptr, PreviousPicture(pFirst));
    EXPECT_EQ(pFirst, PreviousPicture(NextPicture(pFirst)));
    EXPECT_EQ(nullptr, NextPicture(nullptr));
    EXPECT_EQ(nullptr, PreviousPicture(nullptr));
    PictureEntry stranger = {};
    EXPECT_EQ(nullptr, PreviousPicture(&stranger));
    EXPECT_EQ(-1, IndexOfPicture(nullptr));

    FreePictures();
    EXPECT_EQ(nullptr, FirstPicture());
    EXPECT_EQ(0, CountPictures());
    EXPECT_EQ(0, EnumeratePictures((m_folder.Path() + L"missing\\*.*").c_str()));
}

// The shell's list shows the common sizes and dates; here the extremes.
TEST(PictureText, Sizes)
{
    struct
    {
        DWORD nBytes;
        const wchar_t* pszText;
    } rgCases[] = {{1024, L"1K"}, {4096, L"4K"}, {5242880, L"5.12M"}, {0xFFFFFFFF, L"4194.30M"}};
    for (const auto& c : rgCases)
    {
        WCHAR sz[32];
        FormatSizeText(c.nBytes, sz, 32);
        EXPECT_STREQ(c.pszText, sz) << c.nBytes;
    }
}
