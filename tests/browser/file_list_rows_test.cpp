// The file list's rows on the real main window: a row is found by its entry
// (not by its text) after sorts and after other rows went, and the columns'
// texts that the list asks for follow each row's entry.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <string>
#include <vector>
#include "../shell/viewer_fixture.h"
#include "../shell/window_test_support.h"
#include "viewer/browser/file_list.h"
#include "viewer/browser/picture_list.h"

namespace {

typedef std::vector<std::wstring> Texts;

using FileListRowsTest = ViewerTest;

} // namespace

TEST_F(FileListRowsTest, RowsAreFoundByTheirEntryAfterSortsAndEarlierDeletes) {
    // Sizes 5, 3, 6, 1, 4, 2 KiB: the size order differs from the name order.
    const wchar_t* names[] = {L"a.bmp", L"b.bmp", L"c.bmp", L"d.bmp", L"e.bmp", L"f.bmp"};
    const ULONGLONG sizes[] = {5, 3, 6, 1, 4, 2};
    for (int i = 0; i < 6; ++i) {
        SetFileSize(m_folder / names[i], sizes[i] * 1024);
        SetLocalWriteTime(m_folder / names[i], 2003, 7, 5);
    }
    Start();
    Notify(LVN_COLUMNCLICK, -1, 2); // size, the reverse of the first direction: smallest first
    ASSERT_EQ(Texts({L"d.bmp", L"f.bmp", L"b.bmp", L"e.bmp", L"a.bmp", L"c.bmp"}), Column(0));

    EXPECT_TRUE(DeleteRowByName(L"b.bmp"));
    // Past the deleted row, rows no longer stand at their entry's index.
    EXPECT_TRUE(DeleteRowByName(L"c.bmp"));
    EXPECT_TRUE(DeleteRowByName(L"d.bmp"));
    EXPECT_EQ(Texts({L"f.bmp", L"e.bmp", L"a.bmp"}), Column(0));
    EXPECT_EQ(Texts({L"2K", L"4K", L"5K"}), Column(2)) << "each row's texts are its own entry's";

    EXPECT_FALSE(DeleteRowByName(L"c.bmp")) << "its row is gone already";
    EXPECT_FALSE(DeleteRowByName(L"E.BMP")) << "the name must match exactly";
    EXPECT_FALSE(DeleteRowByName(L"g.bmp"));
    EXPECT_EQ(3, ListView_GetItemCount(m_hwndList));
}

TEST_F(FileListRowsTest, StepsBackAndLookUpsByIndexFollowTheListAlsoBeforeItIsNumberedAgain) {
    const wchar_t* names[] = {L"a.bmp", L"b.bmp", L"c.bmp", L"d.bmp", L"e.bmp"};
    for (int i = 0; i < 5; ++i)
        SetFileSize(m_folder / names[i], (ULONGLONG)((i * 3) % 5 + 1) * 1024);
    Start();
    // Each check against a walk of the list itself.
    auto expectLinks = [](const char* pszWhen) {
        const PictureEntry* pBefore = nullptr;
        for (PictureEntry* p = FirstPicture(); p; pBefore = p, p = NextPicture(p)) {
            EXPECT_EQ(pBefore, PreviousPicture(p)) << pszWhen << " " << p->szName;
            EXPECT_EQ(p, PictureByIndex(p->nIndex)) << pszWhen << " " << p->szName;
        }
        EXPECT_EQ(nullptr, PictureByIndex(CountPictures()));
    };
    expectLinks("numbered");
    SortPictures(SORT_BY_SIZE); // relinked, numbers left as they were
    expectLinks("relinked");
    RenumberPictures();
    expectLinks("numbered again");
    EXPECT_EQ(5, CountPictures());
}
