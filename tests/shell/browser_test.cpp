// The browser face on the real main window: rows, sorting, "Open", "Delete", thumbnail mode.
#include <gtest/gtest.h>
#include <windows.h>
#include <atomic>
#include <commctrl.h>
#include <functional>
#include <string>
#include <thread>
#include <vector>
#include "tests/support/viewer_fixture.h"
#include "tests/support/window_helpers.h"
#include "viewer/browser/dir_tree.h"
#include "viewer/browser/file_list.h"
#include "viewer/browser/picture_list.h"
#include "viewer/browser/picture_selection.h"
#include "viewer/browser/thumb_maker.h"
#include "viewer/browser/thumb_view.h"
#include "viewer/browser/thumb_worker.h"
#include "viewer/common/main_window_data.h"
#include "viewer/common/settings_names.h"
#include "viewer/common/shared_paths.h"
#include "viewer/resources/resource.h"
#include "viewer/shell/screen_chrome.h"

namespace {

typedef std::vector<std::wstring> Texts;

class BrowserTest : public ViewerTest {
protected:
    void TearDown() override {
        ViewerTest::TearDown();
        SetThumbMakerForTests(nullptr);
    }
    // Files of cb bytes written at noon of 2003-7-5, or empty BMPs.
    void Files(std::initializer_list<std::pair<const wchar_t*, DWORD>> files) {
        for (const auto& f : files) {
            SetFileSize(m_folder / f.first, f.second);
            SetLocalWriteTime(m_folder / f.first, 2003, 7, 5);
        }
    }
    void Pictures(std::initializer_list<const wchar_t*> names) {
        for (const wchar_t* pszName : names)
            WriteSolidBmp(m_folder / pszName, 4, 4, RGB(96, 96, 96));
    }
    // Pictures large enough to be cached, and an empty thumbnail folder named in the settings.
    std::wstring LargePicturesAndThumbFolder(int cPictures) {
        for (int i = 0; i < cPictures; ++i)
            WriteSolidBmp(m_folder / (L"p" + std::to_wstring(10 + i) + L".bmp"), 300, 200, RGB(8 * i, 90, 200));
        const std::wstring thumbs = m_folder / L"thumbs";
        CreateDirectoryW(thumbs.c_str(), NULL);
        RawSetText(SZ_THUMBNAIL_FOLDER, thumbs);
        return thumbs + L"\\";
    }
    // Every fourth pixel of every fourth line the list shows, read back from its window.
    std::vector<COLORREF> ListPixels() const {
        RECT rc = {};
        GetClientRect(m_hwndList, &rc);
        std::vector<COLORREF> pixels;
        HDC hdc = GetDC(m_hwndList);
        for (int y = 0; y < rc.bottom; y += 4)
            for (int x = 0; x < rc.right; x += 4)
                pixels.push_back(GetPixel(hdc, x, y));
        ReleaseDC(m_hwndList, hdc);
        return pixels;
    }
    // The child of the tree's selection with this name.
    HTREEITEM TreeChild(const wchar_t* pszName) const {
        HWND hwndTree = GetDirectoryTreeWindow();
        WCHAR sz[MAX_PATH];
        TVITEMW item = {TVIF_TEXT, TreeView_GetChild(hwndTree, TreeView_GetSelection(hwndTree)), 0, 0, sz, MAX_PATH};
        for (; item.hItem; item.hItem = TreeView_GetNextSibling(hwndTree, item.hItem))
            if (TreeView_GetItem(hwndTree, &item) && !wcscmp(sz, pszName))
                break;
        return item.hItem;
    }
};

} // namespace

TEST_F(BrowserTest, StartInBrowserSelectsTheFolderAndListsItsPicturesWithTheirTexts) {
    Files({{L"IMG.JPG", 0}, {L"img.jpeg", 1023}, {L"a.2bp", 1024000}, {L"b.png", 1024001}, {L"c.gif", 1500000},
           {L"photo.jpg.txt", 10}});
    SetLocalWriteTime(m_folder / L"img.jpeg", 2004, 2, 29);
    CreateDirectoryW((m_folder / L"x.jpg").c_str(), NULL);
    Start();
    EXPECT_TRUE(IsWindowVisible(m_pData->hwndBrowser));
    EXPECT_EQ(NoDrive(m_folder.Path()), g_szBrowsePath);
    // Names compare without case: "img.jpeg" before "IMG.JPG".
    EXPECT_EQ(Texts({L"a.2bp", L"b.png", L"c.gif", L"img.jpeg", L"IMG.JPG", L"x.jpg"}), Column(0));
    EXPECT_EQ(Texts({L"BMP", L"PNG", L"GIF", L"JPEG", L"JPEG", L"JPEG"}), Column(1));
    const Texts sizes = Column(2);
    EXPECT_EQ(Texts({L"1000K", L"1.00M", L"1.46M", L"1K", L"1K"}), Texts(sizes.begin(), sizes.begin() + 5));
    EXPECT_EQ(L"2004/2/29", Column(3)[3]);
    WCHAR szPath[MAX_PATH];
    SelectedPictureInfo info = {};
    Select({L"img.jpeg"});
    ASSERT_EQ(1, GetSelectedPicture(szPath, MAX_PATH, &info));
    EXPECT_EQ(NoDrive(m_folder.Path()) + L"img.jpeg", szPath);
    EXPECT_STREQ(L"1023", info.szSize);
    EXPECT_STREQ(L"2004-2-29", info.szDate);
    EXPECT_STREQ(L"AM 12:0:0", info.szTime) << "hour 12 counts as morning";
    EXPECT_EQ(0, GetSelectedPicture(szPath, 8, &info)) << "a path that does not fit names no file";
}

TEST_F(BrowserTest, ColumnClicksFlipTheDirectionEachTimeAndRefreshKeepsTheKey) {
    Files({{L"a.jpg", 300}, {L"b.bmp", 100}, {L"c.png", 200}, {L"d.jpeg", 50}, {L"e.gif", 400}});
    Start();
    const std::pair<int, Texts> clicks[] = {
        {0, {L"e.gif", L"d.jpeg", L"c.png", L"b.bmp", L"a.jpg"}}, // first Name click: Z to A
        {2, {L"e.gif", L"a.jpg", L"c.png", L"b.bmp", L"d.jpeg"}}, // Size: largest first
        {2, {L"d.jpeg", L"b.bmp", L"c.png", L"a.jpg", L"e.gif"}},
        {1, {L"d.jpeg", L"a.jpg", L"c.png", L"e.gif", L"b.bmp"}}, // Type: JPEG first
    };
    for (const auto& [nColumn, rows] : clicks) {
        Notify(LVN_COLUMNCLICK, -1, nColumn);
        EXPECT_EQ(rows, Column(0)) << nColumn;
    }
    EXPECT_EQ(RowOf(L"e.gif"), PictureByName(L"e.gif")->nIndex) << "entries renumbered in row order";
    Command(IDM_REFRESH_FOLDER);
    EXPECT_EQ(clicks[3].second, Column(0));
}

TEST_F(BrowserTest, DeleteAsksAndRemovesExactlyTheSelectedFiles) {
    Pictures({L"a.bmp", L"b.bmp", L"c.bmp", L"d.bmp"});
    Start();
    Select({L"b.bmp"});
    ASSERT_TRUE(AnswerDelete(IDCANCEL));
    EXPECT_TRUE(FileExists(m_folder / L"b.bmp")) << "Cancel deletes nothing";
    Select({L"b.bmp", L"d.bmp"});
    ASSERT_TRUE(AnswerDelete(IDOK));
    EXPECT_FALSE(FileExists(m_folder / L"b.bmp"));
    EXPECT_FALSE(FileExists(m_folder / L"d.bmp"));
    EXPECT_EQ(Texts({L"a.bmp", L"c.bmp"}), Column(0));
    SetFileAttributesW((m_folder / L"c.bmp").c_str(), FILE_ATTRIBUTE_READONLY);
    Select({L"c.bmp"});
    ASSERT_TRUE(AnswerDelete(IDOK));
    EXPECT_EQ(Texts({L"a.bmp", L"c.bmp"}), Column(0)) << "a read-only file stays on disk and in the list";
    // In thumbnail mode the grid's selection is deleted.
    Command(IDM_THUMBNAIL_VIEW);
    SelectPicture(IndexOfPicture(PictureByName(L"a.bmp")));
    SetFileAttributesW((m_folder / L"c.bmp").c_str(), FILE_ATTRIBUTE_NORMAL);
    ASSERT_TRUE(AnswerDelete(IDOK));
    EXPECT_TRUE(IsThumbnailMode());
    EXPECT_EQ(Texts({L"c.bmp"}), Column(0));
    EXPECT_EQ(NoDrive(m_folder.Path()), g_szPicturePath);
}

// The list asks for its rows. With 300 pictures whose sizes, dates and
// types tie often, each tap shows the exchange sort's order of the rows
// before it (ties included, the second tap reversing) with each row's texts
// its own; type-ahead, a shift range, Delete of it and the grid's selection
// act on those rows, in report and small-list view.
TEST_F(BrowserTest, AVirtualListOfManyTiedPicturesKeepsEveryListBehaviour) {
    const wchar_t* stems[] = {L"Sun", L"sea", L"Tree", L"tide", L"photo"};
    const wchar_t* exts[] = {L".bmp", L".jpg", L".JPEG", L".png", L".gif", L".2bp"};
    for (int i = 0; i < 300; ++i) {
        const std::wstring name = stems[i % 5] + std::to_wstring(1000 - 3 * i) + exts[i % 6];
        SetFileSize(m_folder / name, (i * 37 % 4) * 1500);
        SetLocalWriteTime(m_folder / name, 2003, 7, 1 + i % 3, i % 2);
    }
    Start();
    ASSERT_EQ(300, ListView_GetItemCount(m_hwndList));
    int nTap = 0;
    for (int nColumn : {0, 2, 2, 3, 1, 1, 3, 0}) {
        std::vector<PictureEntry> rows;
        for (int i = 0; i < ListView_GetItemCount(m_hwndList); ++i)
            rows.push_back(*PictureOfRow(i));
        const int nDirection = !GetSortDirection();
        for (size_t p = 0; p < rows.size(); ++p)
            for (size_t q = p + 1; q < rows.size(); ++q)
                if (ComesBefore(&rows[q], &rows[p], nColumn, nDirection))
                    std::swap(rows[p], rows[q]);
        Texts names, sizes;
        for (const PictureEntry& e : rows) {
            WCHAR sz[16];
            FormatSizeText(e.nFileSize, sz, 16);
            names.push_back(e.szName), sizes.push_back(sz);
        }
        for (int nRow = 200, nLast = 200 + nTap++ % 2; nRow <= nLast; ++nRow) { // the mark's row alone, or two
            ListView_SetItemState(m_hwndList, nRow, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
            ListView_SetSelectionMark(m_hwndList, nRow);
        }
        ListView_EnsureVisible(m_hwndList, 200, FALSE);
        Notify(LVN_COLUMNCLICK, -1, nColumn);
        ASSERT_EQ(names, Column(0)) << "column " << nColumn;
        EXPECT_EQ(sizes, Column(2)) << "column " << nColumn;
        EXPECT_EQ(0u, ListView_GetSelectedCount(m_hwndList)) << "rows afresh: nothing selected, the top shown";
        EXPECT_EQ(0, ListView_GetTopIndex(m_hwndList));
        EXPECT_EQ(std::make_pair(-1, -1),
                  std::make_pair(ListView_GetNextItem(m_hwndList, -1, LVNI_FOCUSED), ListView_GetSelectionMark(m_hwndList)));
    }
    // Type-ahead: from the row after the focus, then the typed prefix from the focus on.
    Select({Column(0)[5].c_str()});
    auto firstFrom = [&](int nStart, const wchar_t* pszPrefix) {
        const Texts names = Column(0);
        for (size_t k = 0; k < names.size(); ++k)
            if (!_wcsnicmp(names[(nStart + k) % names.size()].c_str(), pszPrefix, wcslen(pszPrefix)))
                return (int)((nStart + k) % names.size());
        return -1;
    };
    const int nT = firstFrom(6, L"t"), nTr = firstFrom(nT, L"tr");
    SendMessageW(m_hwndList, WM_CHAR, L't', 0x00140001);
    EXPECT_EQ(nT, ListView_GetNextItem(m_hwndList, -1, LVNI_FOCUSED | LVNI_SELECTED));
    SendMessageW(m_hwndList, WM_CHAR, L'R', 0x00130001);
    ASSERT_EQ(nTr, ListView_GetNextItem(m_hwndList, -1, LVNI_FOCUSED | LVNI_SELECTED));
    LONG nShared = -1;
    EXPECT_TRUE(GetPictureSelection(&nShared) && nShared == nTr) << "the grid follows the list";
    // Shift+Down twice: a range of three, all deleted.
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_SHIFT] = 0x80;
    SetKeyboardState(keys);
    for (int i = 0; i < 2; ++i)
        SendMessageW(m_hwndList, WM_KEYDOWN, VK_DOWN, 0x00500001);
    keys[VK_SHIFT] = 0;
    SetKeyboardState(keys);
    const Texts before = Column(0);
    ASSERT_EQ(3u, ListView_GetSelectedCount(m_hwndList));
    ASSERT_TRUE(AnswerDelete(IDOK));
    Texts after = before;
    after.erase(after.begin() + nTr, after.begin() + nTr + 3);
    EXPECT_EQ(after, Column(0));
    for (int i = 0; i < 3; ++i)
        EXPECT_FALSE(FileExists(m_folder / before[nTr + i])) << before[nTr + i];
    // The grid's choice selects its row alone and brings it into view, in both list views.
    for (WORD wView : {IDM_LIST_VIEW, IDM_SMALL_LIST_VIEW}) {
        Command(wView);
        PumpFor(20);
        const std::vector<COLORREF> shown = ListPixels();
        RedrawWindow(m_hwndList, NULL, NULL, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        EXPECT_TRUE(shown == ListPixels()) << wView << ": every row is drawn anew, not the first alone";
        SelectPicture(250);
        PumpFor(20);
        EXPECT_EQ(1u, ListView_GetSelectedCount(m_hwndList));
        RECT rc = {LVIR_BOUNDS};
        ASSERT_TRUE(ListView_GetItemRect(m_hwndList, 250, &rc, LVIR_BOUNDS));
        LVHITTESTINFO hit = {{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2}};
        EXPECT_EQ(250, ListView_HitTest(m_hwndList, &hit)) << wView;
        WCHAR szPath[MAX_PATH];
        ASSERT_EQ(1, GetSelectedPicture(szPath, MAX_PATH, nullptr));
        EXPECT_EQ(NoDrive(m_folder.Path()) + Column(0)[250], szPath);
    }
}

// A folder is asked for sub-folders when the tree needs its button, and an
// expansion after the walk's own reads the folder again.
TEST_F(BrowserTest, TheTreeAsksFoldersForButtonsAndAnExpansionListsAgain) {
    for (const wchar_t* pszFolder : {L"full", L"full\\inner", L"empty"})
        CreateDirectoryW((m_folder / pszFolder).c_str(), NULL);
    Start();
    HWND hwndTree = GetDirectoryTreeWindow();
    auto children = [&](HTREEITEM hItem) {
        TVITEMW item = {TVIF_CHILDREN, hItem};
        return TreeView_GetItem(hwndTree, &item) ? item.cChildren : -1;
    };
    EXPECT_EQ(1, children(TreeChild(L"full")));
    EXPECT_EQ(0, children(TreeChild(L"empty")));
    CreateDirectoryW((m_folder / L"later").c_str(), NULL);
    HTREEITEM hShown = TreeView_GetSelection(hwndTree);
    TreeView_Expand(hwndTree, hShown, TVE_COLLAPSE | TVE_COLLAPSERESET);
    TreeView_Expand(hwndTree, hShown, TVE_EXPAND);
    EXPECT_TRUE(TreeChild(L"later"));
}

// Steps back and look-ups by index follow the list, also between a sort and
// its renumbering.
TEST_F(BrowserTest, StepsBackAndLookUpsByIndexFollowTheListAlsoBeforeItIsNumberedAgain) {
    Files({{L"a.bmp", 1024}, {L"b.bmp", 4096}, {L"c.bmp", 2048}, {L"d.bmp", 5120}, {L"e.bmp", 3072}});
    Start();
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

// A held stylus on a row makes it the only selection and opens the panes'
// menu, whose "File Info" shows that row's file.
TEST_F(BrowserTest, AHoldOnARowOffersItsFileInformation) {
    Pictures({L"a.bmp", L"b.bmp"});
    Start();
    ASSERT_TRUE(BringToFront(m_hwnd));
    Select({L"b.bmp"});
    RECT rc = {};
    ListView_GetItemRect(m_hwndList, RowOf(L"a.bmp"), &rc, LVIR_LABEL);
    POINT pt = {rc.left + 4, (rc.top + rc.bottom) / 2};
    ClientToScreen(m_hwndList, &pt);
    WCHAR szName[MAX_PATH] = L"";
    auto infoDialog = [] {
        for (HWND h = GetWindow(GetDesktopWindow(), GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT))
            if (IsWindowVisible(h) && GetDlgItem(h, IDC_INFO_NAME))
                return h;
        return (HWND)NULL;
    };
    const bool bMenu = WhileWindowShows([] { return FindWindowW(L"#32768", NULL); },
                                        [&](HWND) {
                                            MouseButton(false, true);
                                            for (WORD vk : {VK_DOWN, VK_DOWN, VK_RETURN})
                                                PressKey(vk);
                                            HWND hDlg = NULL;
                                            if (PollUntil([&] { return (hDlg = infoDialog()) != NULL; })) {
                                                GetDlgItemTextW(hDlg, IDC_INFO_NAME, szName, MAX_PATH);
                                                PostMessageW(hDlg, WM_COMMAND, IDOK, 0);
                                            }
                                        },
                                        [&] {
                                            MouseMoveTo(pt.x, pt.y);
                                            PumpFor(30);
                                            MouseButton(false, false);
                                        });
    ASSERT_TRUE(bMenu) << "no menu";
    EXPECT_STREQ(L"FileName: a", szName);
    EXPECT_EQ(1u, ListView_GetSelectedCount(m_hwndList));
}

// The D-pad's action key on a row opens that row's picture. Wine's list
// reports a key's activation with a bare header, without the row.
TEST_F(BrowserTest, ActionKeyOpensTheFocusedRow) {
    Pictures({L"a.bmp", L"b.bmp", L"c.bmp", L"d.bmp"});
    Start();
    for (const wchar_t* pszName : {L"c.bmp", L"b.bmp", L"d.bmp"}) {
        Command(IDM_OPEN);
        PumpFor(20);
        Select({pszName});
        SendMessageW(m_hwndList, WM_KEYDOWN, VK_RETURN, 0x001C0001);
        PumpFor(20);
        EXPECT_FALSE(IsWindowVisible(m_pData->hwndBrowser)) << pszName;
        ASSERT_NE(nullptr, m_pData->pCurrentEntry) << pszName;
        EXPECT_STREQ(pszName, m_pData->pCurrentEntry->szName);
    }
}

// A Ctrl+tap on a selected row clears it and leaves the selection mark on
// it: Delete and File Info then act on the rows still selected, never on
// the cleared one.
TEST_F(BrowserTest, DeleteLeavesTheRowWhoseSelectionWasClearedAfterItsMark) {
    Pictures({L"a.bmp", L"b.bmp", L"c.bmp"});
    Start();
    Select({L"a.bmp", L"b.bmp"});
    ListView_SetItemState(m_hwndList, RowOf(L"b.bmp"), 0, LVIS_SELECTED);
    ASSERT_EQ(RowOf(L"b.bmp"), ListView_GetSelectionMark(m_hwndList));
    WCHAR szPath[MAX_PATH];
    ASSERT_EQ(1, GetSelectedPicture(szPath, MAX_PATH, NULL));
    EXPECT_EQ(NoDrive(m_folder.Path()) + L"a.bmp", szPath);
    ASSERT_TRUE(AnswerDelete(IDOK));
    EXPECT_FALSE(FileExists(m_folder / L"a.bmp"));
    EXPECT_TRUE(FileExists(m_folder / L"b.bmp")) << "a row that is not selected is not deleted";
    EXPECT_EQ(Texts({L"b.bmp", L"c.bmp"}), Column(0));
}

// A double tap opens the picture; "Open" comes back with its row selected;
// deleting it drops the current entry instead of keeping a freed pointer.
TEST_F(BrowserTest, ActivationOpensOpenComesBackAndDeletingTheCurrentDropsIt) {
    Pictures({L"a.bmp", L"b.bmp", L"c.bmp"});
    Start();
    Notify(LVN_ITEMACTIVATE, RowOf(L"b.bmp"));
    PumpFor(20);
    EXPECT_FALSE(IsWindowVisible(m_pData->hwndBrowser));
    ASSERT_EQ(PictureByName(L"b.bmp"), m_pData->pCurrentEntry);
    Command(IDM_OPEN);
    PumpFor(20);
    EXPECT_TRUE(IsWindowVisible(m_pData->hwndBrowser));
    EXPECT_EQ(RowOf(L"b.bmp"), ListView_GetNextItem(m_hwndList, -1, LVNI_SELECTED));
    EXPECT_EQ(m_hwndList, GetFocus());
    Select({L"c.bmp"});
    ASSERT_TRUE(AnswerDelete(IDOK));
    ASSERT_NE(nullptr, m_pData->pCurrentEntry) << "another file's deletion keeps the current entry";
    EXPECT_STREQ(L"b.bmp", m_pData->pCurrentEntry->szName);
    Select({L"b.bmp"});
    ASSERT_TRUE(AnswerDelete(IDOK));
    EXPECT_EQ(nullptr, m_pData->pCurrentEntry);
}

// The view button's cycle, the grid's worker filling the cache, a list
// selection scrolled into the grid, "&Delete Thumbnail", another folder.
TEST_F(BrowserTest, ThumbnailModeFillsTheCacheFollowsTheListAndStartsAfreshInAnotherFolder) {
    const std::wstring thumbs = LargePicturesAndThumbFolder(15);
    CreateDirectoryW((m_folder / L"sub").c_str(), NULL);
    WriteSolidBmp(m_folder / L"sub\\q.bmp", 8, 8, RGB(20, 200, 20));
    Start();
    HWND hwndThumb = GetThumbViewWindow();
    Command(IDM_THUMBNAIL_VIEW);
    EXPECT_TRUE(IsWindowVisible(hwndThumb));
    EXPECT_FALSE(IsWindowVisible(m_hwndList));
    EXPECT_EQ(GetMenuBar(IDR_MENUBAR_THUMBS), GetShownMenuBar());
    ASSERT_TRUE(PumpUntil([] { return CountUnprocessed() == 0; }, 20000)) << "the grid's worker did not finish";
    for (PictureEntry* p = FirstPicture(); p; p = NextPicture(p))
        EXPECT_TRUE(p->hbmThumb) << p->szName;
    EXPECT_EQ(16, CountFiles(thumbs)) << "the index and a file per picture";
    ListView_SetItemState(m_hwndList, 13, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    EXPECT_TRUE(IsThumbVisible(PictureByIndex(13))) << "the grid scrolls to the list's choice";
    Command(IDM_DELETE_THUMBNAIL);
    EXPECT_GE(1, CountFiles(thumbs)) << "the thumbnail files are gone";
    EXPECT_TRUE(PictureByIndex(0)->hbmThumb) << "the grid keeps what it shows";

    Command(IDM_SMALL_LIST_VIEW);
    EXPECT_EQ(LVS_LIST, GetWindowLongW(m_hwndList, GWL_STYLE) & LVS_TYPEMASK);
    EXPECT_FALSE(IsWindowVisible(hwndThumb) || IsThumbnailMode());
    Command(IDM_THUMBNAIL_VIEW);
    SelectPicture(11);
    ASSERT_GT(GetThumbScrollOffset(), 0);
    ASSERT_TRUE(TreeChild(L"sub"));
    TreeView_SelectItem(GetDirectoryTreeWindow(), TreeChild(L"sub"));
    PumpFor(20);
    EXPECT_EQ(1, CountPictures());
    EXPECT_EQ(0, GetThumbScrollOffset()) << "another folder starts at the grid's top";
    EXPECT_FALSE(GetPictureSelection(nullptr));
    EXPECT_TRUE(IsWindowVisible(hwndThumb));
}

namespace {

// The maker holds the worker in its next entry until released, taking its thread.
HANDLE g_hHeld, g_hRelease, g_hHeldThread;
volatile LONG g_bHoldNext;

void HoldingMaker(CImageDecoder* pDecoder, PictureEntry* pEntry, LPCWSTR pszFolder) {
    if (InterlockedExchange(&g_bHoldNext, 0)) {
        DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &g_hHeldThread, SYNCHRONIZE,
                        FALSE, 0);
        SetEvent(g_hHeld);
        WaitForSingleObject(g_hRelease, 20000);
    }
    MakeThumbnail(pDecoder, pEntry, pszFolder);
}

} // namespace

// Clearing and exit must not overlap a worker that writes into the cache:
// each returns only once the worker's thread has ended. The worker is let go
// from within the stop's wait, so the stop surely comes while it is mid-folder.
TEST_F(BrowserTest, DeleteThumbnailAndExitStopTheWorkerFirst) {
    g_hHeld = CreateEventW(NULL, FALSE, FALSE, NULL);
    g_hRelease = CreateEventW(NULL, FALSE, FALSE, NULL);
    const HWND hwndUi = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, NULL, NULL, NULL);
    SetThumbMakerForTests(HoldingMaker);
    const std::wstring thumbs = LargePicturesAndThumbFolder(8);
    Start();
    // Whether the worker that start() starts had ended when stop() returned.
    auto stopEndsTheWorker = [&](const std::function<void()>& start, const std::function<void()>& stop) {
        g_bHoldNext = 1;
        start();
        EXPECT_TRUE(PumpUntil([] { return WaitForSingleObject(g_hHeld, 0) == WAIT_OBJECT_0; }, 10000))
            << "no worker came";
        std::atomic<bool> bReleased{false};
        std::thread releaser([&] {
            SendMessageW(hwndUi, WM_NULL, 0, 0); // served only within the stop's wait
            SetEvent(g_hRelease);
            bReleased = true;
        });
        stop();
        const bool bEnded = g_hHeldThread && WaitForSingleObject(g_hHeldThread, 0) == WAIT_OBJECT_0;
        PumpUntil([&] { return bReleased.load(); }, 10000);
        releaser.join();
        CloseHandle(g_hHeldThread);
        g_hHeldThread = NULL;
        return bEnded;
    };
    EXPECT_TRUE(stopEndsTheWorker([&] { Command(IDM_THUMBNAIL_VIEW); }, [&] { Command(IDM_DELETE_THUMBNAIL); }))
        << "the cache was cleared under a running worker";
    EXPECT_EQ(1, CountFiles(thumbs)) << "only the new index: no file written after the clear";
    EXPECT_TRUE(stopEndsTheWorker([] { RedrawThumbView(); }, [&] { DestroyWindow(m_hwnd); }))
        << "exit left the worker running";
    EXPECT_FALSE(HasThumbWorker());
    DestroyWindow(hwndUi);
    CloseHandle(g_hHeld);
    CloseHandle(g_hRelease);
}
