// The browser face on the real main window: rows and their texts, sorting,
// the tree, the splitter, "Open", "Delete", the menus and thumbnail mode.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <commctrl.h>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/aygshell/aygshell.h"
#include "viewer_fixture.h"
#include "window_test_support.h"
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
#include "viewer/shell/browser_frame.h"
#include "viewer/shell/browser_splitter.h"
#include "viewer/shell/entry.h"
#include "viewer/shell/main_window.h"
#include "viewer/shell/screen_chrome.h"

namespace {

typedef std::vector<std::wstring> Texts;

// A file of cb bytes written at noon local time of the given day.
void MakeFile(const std::wstring& path, DWORD cb, WORD wYear = 2003, WORD wMonth = 7, WORD wDay = 5)
{
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    std::string data(cb, 'x');
    DWORD cbWritten = 0;
    WriteFile(h, data.data(), cb, &cbWritten, NULL);
    SYSTEMTIME st = {wYear, wMonth, 0, wDay, 12, 0, 0, 0};
    FILETIME ftLocal, ft;
    SystemTimeToFileTime(&st, &ftLocal);
    LocalFileTimeToFileTime(&ftLocal, &ft);
    SetFileTime(h, NULL, NULL, &ft);
    CloseHandle(h);
}

std::wstring TreeText(HWND hwndTree, HTREEITEM hItem)
{
    WCHAR sz[MAX_PATH] = L"";
    TVITEMW item = {TVIF_TEXT, hItem};
    item.pszText = sz;
    item.cchTextMax = MAX_PATH;
    TreeView_GetItem(hwndTree, &item);
    return sz;
}

class BrowserTest : public ViewerTest
{
protected:
    void Pictures(std::initializer_list<const wchar_t*> names)
    {
        for (const wchar_t* pszName : names)
            WriteSolidBmp(m_folder / pszName, 4, 4, RGB(96, 96, 96));
    }
    // cPictures large enough to be cached, and an empty thumbnail folder
    // named in the settings; returns that folder.
    std::wstring LargePicturesAndThumbFolder(int cPictures)
    {
        for (int i = 0; i < cPictures; ++i)
            WriteSolidBmp(m_folder / (L"p" + std::to_wstring(10 + i) + L".bmp"), 300, 200, RGB(8 * i, 90, 200));
        const std::wstring thumbs = m_folder / L"thumbs";
        CreateDirectoryW(thumbs.c_str(), NULL);
        RawSetValue(SZ_THUMBNAIL_FOLDER, REG_SZ, thumbs.c_str(), (DWORD)((thumbs.size() + 1) * sizeof(WCHAR)));
        return thumbs + L"\\";
    }
    void Notify(UINT nCode, int nItem, int nSubItem = 0)
    {
        NMLISTVIEW info = {{m_hwndList, IDC_FILE_LIST, nCode}, nItem, nSubItem};
        SendMessageW(m_pData->hwndBrowser, WM_NOTIFY, IDC_FILE_LIST, (LPARAM)&info);
    }
    // Runs "Delete" and answers its box; whether the box came up.
    bool Delete(int nButton)
    {
        WCHAR szText[64] = L"";
        const bool bSeen = WhileWindowShows([] { return FindWindowW(L"#32770", L"Delete"); },
                                            [&](HWND hwndBox) {
                                                GetDlgItemTextW(hwndBox, 0xFFFF, szText, 64);
                                                PostMessageW(hwndBox, WM_COMMAND, nButton, 0);
                                            },
                                            [&] { Command(IDM_DELETE); });
        m_boxText = szText;
        return bSeen;
    }
    // A tap-and-hold from a control; the items of the menu it shows.
    std::wstring HoldMenu(HWND hwndFrom, UINT_PTR nId)
    {
        NMRGINFO info = {{hwndFrom, nId, GN_CONTEXTMENU}, {60, 150}};
        std::wstring items = L"(no menu)";
        WhileWindowShows([] { return FindWindowW(L"#32768", NULL); },
                         [&](HWND hwndMenu) {
                             items.clear();
                             HMENU hmenu = (HMENU)SendMessageW(hwndMenu, MN_GETHMENU, 0, 0);
                             for (int n = 0; hmenu && n < GetMenuItemCount(hmenu); ++n)
                             {
                                 WCHAR sz[64] = L"";
                                 GetMenuStringW(hmenu, n, sz, 64, MF_BYPOSITION);
                                 items += std::wstring(sz) + L"|";
                             }
                             PostMessageW(hwndMenu, WM_KEYDOWN, VK_ESCAPE, 0);
                             PostMessageW(hwndMenu, WM_KEYDOWN, VK_ESCAPE, 0);
                         },
                         [&] { SendMessageW(m_pData->hwndBrowser, WM_NOTIFY, nId, (LPARAM)&info); }, 1000);
        return items;
    }
    int TopOf(HWND hwnd) const
    {
        RECT rc;
        GetWindowRect(hwnd, &rc);
        MapWindowPoints(NULL, m_pData->hwndBrowser, (POINT*)&rc, 2);
        return rc.top;
    }
    std::wstring TreeSelection()
    {
        return TreeText(GetDirectoryTreeWindow(), TreeView_GetSelection(GetDirectoryTreeWindow()));
    }

    std::wstring m_boxText;
};

} // namespace

TEST_F(BrowserTest, StartInBrowserSelectsTheFolderAndListsItsPicturesWithTheirTexts)
{
    MakeFile(m_folder / L"IMG.JPG", 0);
    MakeFile(m_folder / L"img.jpeg", 1023, 2003, 11, 25);
    MakeFile(m_folder / L"a.2bp", 1024000);
    MakeFile(m_folder / L"b.png", 1024001);
    MakeFile(m_folder / L"c.gif", 1500000);
    MakeFile(m_folder / L"photo.jpg.txt", 10);
    CreateDirectoryW((m_folder / L"x.jpg").c_str(), NULL);
    Start();

    EXPECT_TRUE(IsWindowVisible(m_pData->hwndBrowser));
    EXPECT_EQ(NoDrive(m_folder.Path()), g_szBrowsePath);
    const std::wstring& folder = m_folder.Path();
    const size_t nNameStart = folder.rfind(L'\\', folder.size() - 2) + 1;
    EXPECT_EQ(folder.substr(nNameStart, folder.size() - 1 - nNameStart), TreeSelection());
    // Names compare without case: "img.jpeg" before "IMG.JPG".
    EXPECT_EQ(Texts({L"a.2bp", L"b.png", L"c.gif", L"img.jpeg", L"IMG.JPG", L"x.jpg"}), Column(0));
    EXPECT_EQ(Texts({L"BMP", L"PNG", L"GIF", L"JPEG", L"JPEG", L"JPEG"}), Column(1));
    const Texts sizes = Column(2);
    EXPECT_EQ(Texts({L"1000K", L"1.00M", L"1.46M", L"1K", L"1K"}), Texts(sizes.begin(), sizes.begin() + 5));
    EXPECT_EQ(L"2003/11/25", Column(3)[3]);
}

TEST_F(BrowserTest, ColumnClicksFlipTheDirectionEachTimeAndRefreshKeepsTheKey)
{
    MakeFile(m_folder / L"a.jpg", 300);
    MakeFile(m_folder / L"b.bmp", 100);
    MakeFile(m_folder / L"c.png", 200);
    MakeFile(m_folder / L"d.jpeg", 50);
    MakeFile(m_folder / L"e.gif", 400);
    Start();
    const struct
    {
        int nColumn;
        Texts rows;
    } clicks[] = {
        {0, {L"e.gif", L"d.jpeg", L"c.png", L"b.bmp", L"a.jpg"}}, // first Name click: Z to A
        {2, {L"e.gif", L"a.jpg", L"c.png", L"b.bmp", L"d.jpeg"}}, // Size: largest first
        {2, {L"d.jpeg", L"b.bmp", L"c.png", L"a.jpg", L"e.gif"}},
        {1, {L"d.jpeg", L"a.jpg", L"c.png", L"e.gif", L"b.bmp"}}, // Type: JPEG first
    };
    for (const auto& c : clicks)
    {
        Notify(LVN_COLUMNCLICK, -1, c.nColumn);
        EXPECT_EQ(c.rows, Column(0)) << c.nColumn;
    }
    for (PictureEntry* p = FirstPicture(); p; p = NextPicture(p))
        EXPECT_EQ(RowOf(p->szName), p->nIndex) << "entries renumbered in row order";
    Command(IDM_REFRESH_FOLDER);
    EXPECT_EQ(clicks[3].rows, Column(0));
}

TEST(DirectoryTree, PatternsAreBuiltFromTheItemTextsAndBounded)
{
    HWND hwndTree = CreateWindowExW(0, WC_TREEVIEWW, L"", WS_POPUP, 0, 0, 100, 100, NULL, NULL,
                                    GetModuleHandleW(NULL), NULL);
    ASSERT_NE(nullptr, hwndTree);
    HTREEITEM hRoot = AddFolderItem(hwndTree, L"\\", NULL, L"");
    HTREEITEM hDocs = AddFolderItem(hwndTree, L"My Documents", hRoot, L"\\*.*");
    HTREEITEM hPhotos = AddFolderItem(hwndTree, L"Photos", hDocs, L"\\My Documents\\*.*");
    EXPECT_EQ(nullptr, AddFolderItem(hwndTree, L"..", hRoot, L"\\*.*"));
    AddFolderItem(hwndTree, L"Apps", hRoot, L"\\*.*");
    WCHAR sz[MAX_PATH];
    ASSERT_EQ(1, TreeItemPath(hwndTree, hRoot, sz, MAX_PATH));
    EXPECT_STREQ(L"\\*.*", sz);
    ASSERT_EQ(1, TreeItemPath(hwndTree, hPhotos, sz, MAX_PATH));
    EXPECT_STREQ(L"\\My Documents\\Photos\\*.*", sz);
    EXPECT_EQ(0, TreeItemPath(hwndTree, hPhotos, sz, 10)) << "a pattern that does not fit is refused";
    EXPECT_EQ(L"Apps", TreeText(hwndTree, TreeView_GetChild(hwndTree, hRoot))) << "sorted among siblings";
    DestroyWindow(hwndTree);
}

TEST_F(BrowserTest, FoldersWithoutSubfoldersHaveNoButtonAndVanishedOnesShowNoImages)
{
    for (const wchar_t* pszFolder : {L"empty", L"gone", L"outer", L"outer\\inner"})
        CreateDirectoryW((m_folder / pszFolder).c_str(), NULL);
    Pictures({L"a.bmp"});
    Start();
    HWND hwndTree = GetDirectoryTreeWindow();
    auto child = [&](const wchar_t* pszName) -> HTREEITEM {
        for (HTREEITEM h = TreeView_GetChild(hwndTree, TreeView_GetSelection(hwndTree)); h;
             h = TreeView_GetNextSibling(hwndTree, h))
            if (TreeText(hwndTree, h) == pszName)
                return h;
        return NULL;
    };
    auto children = [&](HTREEITEM h) {
        TVITEMW item = {TVIF_CHILDREN, h};
        TreeView_GetItem(hwndTree, &item);
        return item.cChildren;
    };
    HTREEITEM hGone = child(L"gone");
    ASSERT_NE(nullptr, hGone);
    EXPECT_EQ(0, children(child(L"empty")));
    EXPECT_EQ(1, children(child(L"outer")));

    RemoveDirectoryW((m_folder / L"gone").c_str());
    TreeView_SelectItem(hwndTree, hGone);
    PumpFor(20);
    EXPECT_TRUE(IsWindowVisible(GetNoImagesWindow()));
    EXPECT_FALSE(IsWindowVisible(m_hwndList));
    EXPECT_EQ(0, CountPictures());
    EXPECT_EQ(NoDrive(m_folder.Path()) + L"gone\\", g_szBrowsePath);
}

// Each place shows the buttons that lead elsewhere; drags clamp to the two
// ends; the ratio survives the title bar's toggle.
TEST_F(BrowserTest, SplitterButtonsAndDragsPlaceTheBar)
{
    Start();
    const HWND hwndFrame = m_pData->hwndBrowser;
    auto shown = [](int nId) { return IsWindowVisible(GetSplitterButton(nId)) != FALSE; };
    EXPECT_TRUE(shown(IDC_SPLIT_CLOSE));
    EXPECT_FALSE(shown(IDC_SPLIT_MIDDLE));
    const struct
    {
        int nButton, nPosition;
        bool bClose, bMiddle, bLowest;
    } places[] = {{IDC_SPLIT_CLOSE, SPLITTER_CLOSED, false, true, true},
                  {IDC_SPLIT_LOWEST, SPLITTER_LOWEST, true, true, false},
                  {IDC_SPLIT_MIDDLE, SPLITTER_MIDDLE, true, false, true}};
    for (const auto& p : places)
    {
        SendMessageW(hwndFrame, WM_COMMAND, p.nButton, 0);
        EXPECT_EQ(p.nPosition, GetSplitterPosition());
        EXPECT_EQ(p.nPosition + SPLITTER_HEIGHT, TopOf(m_hwndList));
        EXPECT_EQ(p.bClose, shown(IDC_SPLIT_CLOSE));
        EXPECT_EQ(p.bMiddle, shown(IDC_SPLIT_MIDDLE));
        EXPECT_EQ(p.bLowest, shown(IDC_SPLIT_LOWEST));
    }
    Command(IDM_TITLE_BAR); // the window grows: the bar keeps its ratio
    PumpFor(20);
    EXPECT_GT(GetSplitterPosition(), SPLITTER_MIDDLE);
    Command(IDM_TITLE_BAR);
    PumpFor(20);
    EXPECT_EQ(SPLITTER_MIDDLE, GetSplitterPosition());

    const struct
    {
        int yDown, yUp, nPosition;
    } drags[] = {{SPLITTER_MIDDLE + 4, -10, SPLITTER_CLOSED}, {0, 300, SPLITTER_LOWEST}, {SPLITTER_LOWEST + 3, 120, 120}};
    for (const auto& d : drags)
    {
        SendMessageW(hwndFrame, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(50, d.yDown));
        EXPECT_EQ(hwndFrame, GetCapture());
        SendMessageW(hwndFrame, WM_LBUTTONUP, 0, MAKELPARAM(50, (WORD)(SHORT)d.yUp));
        EXPECT_EQ(nullptr, GetCapture());
        EXPECT_EQ(d.nPosition, GetSplitterPosition());
    }
    SendMessageW(hwndFrame, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(50, 20));
    EXPECT_EQ(nullptr, GetCapture()) << "a tap away from the bar drags nothing";
    EXPECT_EQ(SPLITTER_CLOSED, SplitterPositionForRelease(65510));
    EXPECT_EQ(SPLITTER_LOWEST, SplitterPositionForRelease(65509));
}

TEST_F(BrowserTest, DeleteAsksAndRemovesExactlyTheSelectedFiles)
{
    Pictures({L"a.bmp", L"b.bmp", L"c.bmp", L"d.bmp"});
    Start();
    Select({L"b.bmp"});
    ASSERT_TRUE(Delete(IDCANCEL));
    EXPECT_EQ(L"Remove selected file?", m_boxText);
    EXPECT_TRUE(FileExists(m_folder / L"b.bmp")) << "Cancel deletes nothing";

    Select({L"b.bmp", L"d.bmp"});
    ASSERT_TRUE(Delete(IDOK));
    EXPECT_FALSE(FileExists(m_folder / L"b.bmp"));
    EXPECT_FALSE(FileExists(m_folder / L"d.bmp"));
    EXPECT_EQ(Texts({L"a.bmp", L"c.bmp"}), Column(0));
    EXPECT_EQ(2, CountPictures());

    SetFileAttributesW((m_folder / L"c.bmp").c_str(), FILE_ATTRIBUTE_READONLY);
    Select({L"c.bmp"});
    ASSERT_TRUE(Delete(IDOK));
    EXPECT_EQ(Texts({L"a.bmp", L"c.bmp"}), Column(0)) << "a read-only file stays on disk and in the list";

    Select({});
    Command(IDM_DELETE);
    EXPECT_EQ(nullptr, FindWindowW(L"#32770", L"Delete")) << "nothing selected: no question";

    // In thumbnail mode the grid's selection is deleted.
    Command(IDM_THUMBNAIL_VIEW);
    SelectPicture(IndexOfPicture(PictureByName(L"a.bmp")));
    SetFileAttributesW((m_folder / L"c.bmp").c_str(), FILE_ATTRIBUTE_NORMAL);
    ASSERT_TRUE(Delete(IDOK));
    EXPECT_TRUE(IsThumbnailMode());
    EXPECT_EQ(Texts({L"c.bmp"}), Column(0));
    EXPECT_EQ(NoDrive(m_folder.Path()), g_szPicturePath);
}

// A double tap opens the picture; "Open" comes back with its row selected;
// deleting it drops the current entry instead of keeping a freed pointer.
TEST_F(BrowserTest, ActivationOpensOpenComesBackAndDeletingTheCurrentDropsIt)
{
    Pictures({L"a.bmp", L"b.bmp", L"c.bmp"});
    Start();
    Notify(LVN_ITEMACTIVATE, RowOf(L"b.bmp"));
    PumpFor(20);
    EXPECT_FALSE(IsWindowVisible(m_pData->hwndBrowser));
    EXPECT_EQ(m_folder.Path() + L"b.bmp", L"C:" + std::wstring(g_szPicturePath));
    ASSERT_EQ(PictureByName(L"b.bmp"), m_pData->pCurrentEntry);

    Command(IDM_OPEN);
    PumpFor(20);
    EXPECT_TRUE(IsWindowVisible(m_pData->hwndBrowser));
    EXPECT_EQ(RowOf(L"b.bmp"), ListView_GetNextItem(m_hwndList, -1, LVNI_SELECTED));
    EXPECT_EQ(1, ListView_GetSelectedCount(m_hwndList));
    EXPECT_EQ(m_hwndList, GetFocus());

    Select({L"c.bmp"});
    ASSERT_TRUE(Delete(IDOK));
    ASSERT_NE(nullptr, m_pData->pCurrentEntry) << "another file's deletion keeps the current entry";
    EXPECT_STREQ(L"b.bmp", m_pData->pCurrentEntry->szName);
    Select({L"b.bmp"});
    ASSERT_TRUE(Delete(IDOK));
    EXPECT_EQ(nullptr, m_pData->pCurrentEntry);
}

TEST_F(BrowserTest, TapAndHoldMenuFromTheListButNotTheTreeAndTheSelectionsTexts)
{
    MakeFile(m_folder / L"a.jpg", 1234, 2004, 2, 29);
    Start();
    EXPECT_EQ(L"Delete|File Info|", HoldMenu(m_hwndList, IDC_FILE_LIST));
    EXPECT_EQ(L"(no menu)", HoldMenu(GetDirectoryTreeWindow(), IDC_DIR_TREE));

    WCHAR szPath[MAX_PATH];
    SelectedPictureInfo info = {};
    Select({L"a.jpg"});
    ASSERT_EQ(1, GetSelectedPicture(szPath, MAX_PATH, &info));
    EXPECT_EQ(NoDrive(m_folder.Path()) + L"a.jpg", szPath);
    EXPECT_STREQ(L"1234", info.szSize);
    EXPECT_STREQ(L"2004-2-29", info.szDate);
    EXPECT_STREQ(L"AM 12:0:0", info.szTime) << "hour 12 counts as morning";
    EXPECT_EQ(0, GetSelectedPicture(szPath, 8, &info)) << "a path that does not fit names no file";
}

// The view button's cycle, the grid's worker filling the cache, a list
// selection scrolled into the grid, "&Delete Thumbnail", another folder.
TEST_F(BrowserTest, ThumbnailModeFillsTheCacheFollowsTheListAndStartsAfreshInAnotherFolder)
{
    const std::wstring thumbs = LargePicturesAndThumbFolder(15);
    CreateDirectoryW((m_folder / L"sub").c_str(), NULL);
    WriteSolidBmp(m_folder / L"sub\\q.bmp", 8, 8, RGB(20, 200, 20));
    Start();
    HWND hwndThumb = GetThumbViewWindow();
    Command(IDM_THUMBNAIL_VIEW);
    EXPECT_EQ(2, m_pData->nViewMode);
    EXPECT_TRUE(IsWindowVisible(hwndThumb));
    EXPECT_FALSE(IsWindowVisible(m_hwndList));
    EXPECT_EQ(GetMenuBar(IDR_MENUBAR_THUMBS), GetShownMenuBar());
    ASSERT_TRUE(PumpUntil([] { return CountUnprocessed() == 0; }, 20000)) << "the grid's worker did not finish";
    for (PictureEntry* p = FirstPicture(); p; p = NextPicture(p))
        EXPECT_TRUE(p->hbmThumb) << p->szName;
    EXPECT_EQ(16, CountFiles(thumbs)) << "the index and a file per picture";

    ListView_SetItemState(m_hwndList, 13, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    EXPECT_GT(GetThumbScrollOffset(), 0);
    EXPECT_TRUE(IsThumbVisible(PictureByIndex(13))) << "the grid scrolls to the list's choice";

    Command(IDM_DELETE_THUMBNAIL);
    EXPECT_GE(1, CountFiles(thumbs)) << "the thumbnail files are gone";
    EXPECT_TRUE(PictureByIndex(0)->hbmThumb) << "the grid keeps what it shows";

    Command(IDM_SMALL_LIST_VIEW);
    EXPECT_EQ(LVS_LIST, GetWindowLongW(m_hwndList, GWL_STYLE) & LVS_TYPEMASK);
    EXPECT_FALSE(IsWindowVisible(hwndThumb));
    EXPECT_FALSE(IsThumbnailMode());
    Command(IDM_LIST_VIEW);
    EXPECT_EQ(LVS_REPORT, GetWindowLongW(m_hwndList, GWL_STYLE) & LVS_TYPEMASK);
    Command(IDM_THUMBNAIL_VIEW);
    EXPECT_TRUE(IsWindowVisible(hwndThumb));

    SelectPicture(11);
    ASSERT_GT(GetThumbScrollOffset(), 0);
    HWND hwndTree = GetDirectoryTreeWindow();
    HTREEITEM hSub = TreeView_GetChild(hwndTree, TreeView_GetSelection(hwndTree));
    while (hSub && TreeText(hwndTree, hSub) != L"sub")
        hSub = TreeView_GetNextSibling(hwndTree, hSub);
    ASSERT_TRUE(hSub);
    TreeView_SelectItem(hwndTree, hSub);
    PumpFor(20);
    EXPECT_EQ(1, CountPictures());
    EXPECT_EQ(0, GetThumbScrollOffset()) << "another folder starts at the grid's top";
    EXPECT_FALSE(GetPictureSelection(nullptr));
    EXPECT_TRUE(IsWindowVisible(hwndThumb));
}

namespace {

// The maker holds the worker inside one entry until the UI thread's next
// wait that serves sent messages (a stop's) lets it go, so that the stop
// surely comes while the worker is mid-folder.
struct HeldWorker
{
    HANDLE hHeld = CreateEventW(NULL, FALSE, FALSE, NULL);
    HANDLE hRelease = CreateEventW(NULL, FALSE, FALSE, NULL);
    HANDLE hThread = NULL; // the held worker's thread
    volatile LONG bHoldNext = 0;
    HWND hwndReleaser = NULL;
    ~HeldWorker()
    {
        CloseHandle(hHeld);
        CloseHandle(hRelease);
        if (hThread)
            CloseHandle(hThread);
        DestroyWindow(hwndReleaser);
    }
} * g_pHeld;

void HoldingMaker(CImageDecoder* pDecoder, PictureEntry* pEntry, LPCWSTR pszFolder)
{
    if (InterlockedExchange(&g_pHeld->bHoldNext, 0))
    {
        DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &g_pHeld->hThread,
                        SYNCHRONIZE, FALSE, 0);
        SetEvent(g_pHeld->hHeld);
        WaitForSingleObject(g_pHeld->hRelease, 20000);
    }
    MakeThumbnail(pDecoder, pEntry, pszFolder);
}

LRESULT CALLBACK ReleaserProc(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (uMsg == WM_APP)
        SetEvent(g_pHeld->hRelease);
    return DefWindowProcW(hwnd, uMsg, wParam, lParam);
}

} // namespace

// Clearing and exit must not overlap a worker that writes into the cache:
// each returns only once the worker's thread has ended.
TEST_F(BrowserTest, DeleteThumbnailAndExitStopTheWorkerFirst)
{
    HeldWorker held;
    g_pHeld = &held;
    WNDCLASSW wc = {0, ReleaserProc, 0, 0, GetModuleHandleW(NULL)};
    wc.lpszClassName = L"WorkerReleaser";
    RegisterClassW(&wc);
    held.hwndReleaser = CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, NULL, NULL, NULL);
    SetThumbMakerForTests(HoldingMaker);
    struct RealMakerAfter
    {
        ~RealMakerAfter() { SetThumbMakerForTests(nullptr); }
    } realMakerAfter;
    const std::wstring thumbs = LargePicturesAndThumbFolder(8);
    Start();

    // Holds the worker that start() starts and runs stop() with a release
    // sent from another thread; whether the worker had ended when stop()
    // returned.
    auto stopEndsTheWorker = [&](const std::function<void()>& start, const std::function<void()>& stop) {
        held.bHoldNext = 1;
        start();
        EXPECT_TRUE(PumpUntil([&] { return WaitForSingleObject(held.hHeld, 0) == WAIT_OBJECT_0; }, 10000))
            << "no worker came";
        std::atomic<bool> bReleased{false};
        std::thread releaser([&] {
            SendMessageW(held.hwndReleaser, WM_APP, 0, 0);
            bReleased = true;
        });
        stop();
        const bool bEnded = held.hThread && WaitForSingleObject(held.hThread, 0) == WAIT_OBJECT_0;
        PumpUntil([&] { return bReleased.load(); }, 10000);
        releaser.join();
        CloseHandle(held.hThread);
        held.hThread = NULL;
        return bEnded;
    };
    EXPECT_TRUE(stopEndsTheWorker([&] { Command(IDM_THUMBNAIL_VIEW); }, [&] { Command(IDM_DELETE_THUMBNAIL); }))
        << "the cache was cleared under a running worker";
    EXPECT_EQ(1, CountFiles(thumbs)) << "only the new index: no file written after the clear";
    EXPECT_TRUE(stopEndsTheWorker([] { RedrawThumbView(); }, [&] { DestroyWindow(m_hwnd); }))
        << "exit left the worker running";
    EXPECT_FALSE(HasThumbWorker());
}
