// The browser face on the real main window: rows, sorting, the tree, the
// splitter, "Open", "Delete" and the start-mode walk.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>
#include <string>
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
#include "viewer/common/picture_entry.h"
#include "viewer/common/shared_paths.h"
#include "viewer/resources/resource.h"
#include "viewer/shell/browser_splitter.h"
#include "viewer/shell/entry.h"
#include "viewer/shell/main_window.h"
#include "viewer/shell/screen_chrome.h"
#include "viewer/common/main_window_data.h"
#include "viewer/common/settings_names.h"

namespace {

// A file of cb bytes written at noon local time of the given day.
void MakeFile(const std::wstring& path, DWORD cb, WORD wYear = 2003, WORD wMonth = 7, WORD wDay = 5)
{
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    std::string data(cb, 'x');
    DWORD cbWritten = 0;
    if (cb)
        WriteFile(h, data.data(), cb, &cbWritten, NULL);
    SYSTEMTIME st = {wYear, wMonth, 0, wDay, 12, 0, 0, 0};
    FILETIME ftLocal, ft;
    SystemTimeToFileTime(&st, &ftLocal);
    LocalFileTimeToFileTime(&ftLocal, &ft);
    SetFileTime(h, NULL, NULL, &ft);
    CloseHandle(h);
}

// The items of a pop-up menu, "|" after each.
std::wstring MenuItems(HWND hwndMenu)
{
    std::wstring items;
    HMENU hmenu = (HMENU)SendMessageW(hwndMenu, MN_GETHMENU, 0, 0);
    for (int n = 0; hmenu && n < GetMenuItemCount(hmenu); ++n)
    {
        WCHAR sz[64] = L"";
        GetMenuStringW(hmenu, n, sz, 64, MF_BYPOSITION);
        items += std::wstring(sz) + L"|";
    }
    return items;
}

std::wstring TreeText(HWND hwndTree, HTREEITEM hItem)
{
    WCHAR sz[MAX_PATH] = L"";
    TVITEMW item = {};
    item.mask = TVIF_TEXT;
    item.hItem = hItem;
    item.pszText = sz;
    item.cchTextMax = MAX_PATH;
    TreeView_GetItem(hwndTree, &item);
    return sz;
}

class BrowserTest : public ViewerTest
{
protected:
    // cPictures 300 x 200 pictures (large enough to be cached) and an empty
    // thumbnail folder named in the settings; returns that folder.
    std::wstring LargePicturesAndThumbFolder(int cPictures)
    {
        for (int i = 0; i < cPictures; ++i)
            WriteSolidBmp(m_folder / (L"p" + std::to_wstring(10 + i) + L".bmp"), 300, 200, RGB(8 * i, 90, 200));
        const std::wstring thumbs = m_folder / L"thumbs";
        CreateDirectoryW(thumbs.c_str(), NULL);
        RawSetValue(SZ_THUMBNAIL_FOLDER, REG_SZ, thumbs.c_str(), (DWORD)((thumbs.size() + 1) * sizeof(WCHAR)));
        return thumbs;
    }
    void ClickColumn(int nColumn)
    {
        NMLISTVIEW info = {};
        info.hdr.hwndFrom = m_hwndList;
        info.hdr.idFrom = IDC_FILE_LIST;
        info.hdr.code = LVN_COLUMNCLICK;
        info.iItem = -1;
        info.iSubItem = nColumn;
        SendMessageW(m_pData->hwndBrowser, WM_NOTIFY, IDC_FILE_LIST, (LPARAM)&info);
    }

    void Activate(const wchar_t* pszName)
    {
        NMITEMACTIVATE info = {};
        info.hdr.hwndFrom = m_hwndList;
        info.hdr.idFrom = IDC_FILE_LIST;
        info.hdr.code = LVN_ITEMACTIVATE;
        info.iItem = RowOf(pszName);
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
        Pump(20);
        m_boxText = szText;
        return bSeen;
    }

    // Sends a tap-and-hold from a control; the items of the menu it shows.
    std::wstring HoldMenu(HWND hwndFrom, UINT_PTR nId)
    {
        NMRGINFO info = {};
        info.hdr.hwndFrom = hwndFrom;
        info.hdr.idFrom = nId;
        info.hdr.code = GN_CONTEXTMENU;
        info.ptAction = {60, 150};
        std::wstring items = L"(no menu)";
        WhileWindowShows([] { return FindWindowW(L"#32768", NULL); },
                         [&](HWND hwndMenu) {
                             items = MenuItems(hwndMenu);
                             PostMessageW(hwndMenu, WM_KEYDOWN, VK_ESCAPE, 0);
                             PostMessageW(hwndMenu, WM_KEYDOWN, VK_ESCAPE, 0);
                         },
                         [&] { SendMessageW(m_pData->hwndBrowser, WM_NOTIFY, nId, (LPARAM)&info); }, 1000);
        return items;
    }

    RECT ChildRect(HWND hwnd)
    {
        RECT rc;
        GetWindowRect(hwnd, &rc);
        MapWindowPoints(NULL, m_pData->hwndBrowser, (POINT*)&rc, 2);
        return rc;
    }

    std::wstring TreeSelection()
    {
        return TreeText(GetDirectoryTreeWindow(), TreeView_GetSelection(GetDirectoryTreeWindow()));
    }

    std::wstring m_boxText;
};

typedef std::vector<std::wstring> Texts;

} // namespace

TEST_F(BrowserTest, StartInBrowserWalksTheTreeAndListsThePicturesWithTheirTexts)
{
    MakeFile(m_folder / L"IMG.JPG", 0);
    MakeFile(m_folder / L"img.jpeg", 1023, 2003, 11, 25);
    MakeFile(m_folder / L"a.2bp", 1024000);
    MakeFile(m_folder / L"b.png", 1024001);
    MakeFile(m_folder / L"c.gif", 1500000);
    MakeFile(m_folder / L"photo.jpg.txt", 10);
    MakeFile(m_folder / L"README", 10);
    CreateDirectoryW((m_folder / L"x.jpg").c_str(), NULL);
    Start();

    EXPECT_TRUE(IsWindowVisible(m_pData->hwndBrowser));
    EXPECT_EQ(NoDrive(m_folder.Path()), g_szBrowsePath);
    const std::wstring& folder = m_folder.Path();
    const size_t nNameStart = folder.rfind(L'\\', folder.size() - 2) + 1;
    EXPECT_EQ(folder.substr(nNameStart, folder.size() - 1 - nNameStart), TreeSelection());
    EXPECT_TRUE(IsWindowVisible(m_hwndList));
    EXPECT_FALSE(IsWindowVisible(GetNoImagesWindow()));

    // Names compare without case: "img.jpeg" before "IMG.JPG".
    EXPECT_EQ(Texts({L"a.2bp", L"b.png", L"c.gif", L"img.jpeg", L"IMG.JPG", L"x.jpg"}), Column(0));
    EXPECT_EQ(Texts({L"BMP", L"PNG", L"GIF", L"JPEG", L"JPEG", L"JPEG"}), Column(1));
    const Texts sizes = Column(2);
    EXPECT_EQ(Texts({L"1000K", L"1.00M", L"1.46M", L"1K", L"1K"}), Texts(sizes.begin(), sizes.begin() + 5));
    EXPECT_EQ(L"2003/7/5", Column(3)[0]);
    EXPECT_EQ(L"2003/11/25", Column(3)[3]);

    // Icons by type: BMP 0, PNG 3, GIF 1, JPEG 2.
    const int rgIcons[] = {0, 3, 1, 2, 2};
    for (int i = 0; i < 5; ++i)
    {
        LVITEMW item = {};
        item.mask = LVIF_IMAGE;
        item.iItem = i;
        ListView_GetItem(m_hwndList, &item);
        EXPECT_EQ(rgIcons[i], item.iImage) << i;
    }
    EXPECT_EQ(5, ImageList_GetImageCount(ListView_GetImageList(m_hwndList, LVSIL_SMALL)));
}

TEST_F(BrowserTest, ColumnClicksFlipTheDirectionEachTime)
{
    MakeFile(m_folder / L"a.jpg", 300);
    MakeFile(m_folder / L"b.bmp", 100);
    MakeFile(m_folder / L"c.png", 200);
    MakeFile(m_folder / L"d.jpeg", 50);
    MakeFile(m_folder / L"e.gif", 400);
    Start();

    ClickColumn(0);
    EXPECT_EQ(Texts({L"e.gif", L"d.jpeg", L"c.png", L"b.bmp", L"a.jpg"}), Column(0)) << "first Name click: Z to A";
    ClickColumn(2);
    EXPECT_EQ(Texts({L"e.gif", L"a.jpg", L"c.png", L"b.bmp", L"d.jpeg"}), Column(0)) << "then Size: largest first";
    ClickColumn(2);
    EXPECT_EQ(Texts({L"d.jpeg", L"b.bmp", L"c.png", L"a.jpg", L"e.gif"}), Column(0)) << "Size again: smallest first";
    ClickColumn(1);
    EXPECT_EQ(Texts({L"d.jpeg", L"a.jpg", L"c.png", L"e.gif", L"b.bmp"}), Column(0)) << "Type: JPEG first";
    EXPECT_EQ(1, m_pData->nSortKey);
    for (PictureEntry* p = FirstPicture(); p; p = NextPicture(p))
        EXPECT_EQ(RowOf(p->szName), p->nIndex) << "entries renumbered in row order";

    // "Refresh" keeps the key.
    Command(IDM_REFRESH_FOLDER);
    EXPECT_EQ(L"d.jpeg", Column(0)[0]);
    EXPECT_EQ(5, ListView_GetItemCount(m_hwndList));
}

TEST(DirectoryTree, PatternsAreBuiltFromTheItemTexts)
{
    HWND hwndTree = CreateWindowExW(0, WC_TREEVIEWW, L"", WS_POPUP, 0, 0, 100, 100, NULL, NULL,
                                    GetModuleHandleW(NULL), NULL);
    ASSERT_NE(nullptr, hwndTree);
    HTREEITEM hRoot = AddFolderItem(hwndTree, L"\\", NULL, L"");
    HTREEITEM hDocs = AddFolderItem(hwndTree, L"My Documents", hRoot, L"\\*.*");
    HTREEITEM hPhotos = AddFolderItem(hwndTree, L"Photos", hDocs, L"\\My Documents\\*.*");
    EXPECT_EQ(nullptr, AddFolderItem(hwndTree, L".", hRoot, L"\\*.*"));
    EXPECT_EQ(nullptr, AddFolderItem(hwndTree, L"..", hRoot, L"\\*.*"));
    AddFolderItem(hwndTree, L"Apps", hRoot, L"\\*.*");

    WCHAR sz[MAX_PATH];
    ASSERT_EQ(1, TreeItemPath(hwndTree, hRoot, sz, MAX_PATH));
    EXPECT_STREQ(L"\\*.*", sz);
    ASSERT_EQ(1, TreeItemPath(hwndTree, hDocs, sz, MAX_PATH));
    EXPECT_STREQ(L"\\My Documents\\*.*", sz);
    ASSERT_EQ(1, TreeItemPath(hwndTree, hPhotos, sz, MAX_PATH));
    EXPECT_STREQ(L"\\My Documents\\Photos\\*.*", sz);
    EXPECT_EQ(0, TreeItemPath(hwndTree, hPhotos, sz, 10)) << "a pattern that does not fit is refused";

    EXPECT_EQ(L"Apps", TreeText(hwndTree, TreeView_GetChild(hwndTree, hRoot))) << "sorted among siblings";
    DestroyWindow(hwndTree);
}

TEST_F(BrowserTest, FoldersLoseTheirButtonWithoutSubfoldersAndVanishedOnesShowNoImages)
{
    CreateDirectoryW((m_folder / L"empty").c_str(), NULL);
    CreateDirectoryW((m_folder / L"gone").c_str(), NULL);
    CreateDirectoryW((m_folder / L"outer").c_str(), NULL);
    CreateDirectoryW((m_folder / L"outer\\inner").c_str(), NULL);
    WriteSolidBmp(m_folder / L"a.bmp", 4, 4, RGB(96, 96, 96));
    Start();
    HWND hwndTree = GetDirectoryTreeWindow();
    HTREEITEM hFolder = TreeView_GetSelection(hwndTree);

    auto child = [&](const wchar_t* pszName) -> HTREEITEM {
        for (HTREEITEM h = TreeView_GetChild(hwndTree, hFolder); h; h = TreeView_GetNextSibling(hwndTree, h))
            if (TreeText(hwndTree, h) == pszName)
                return h;
        return NULL;
    };
    auto children = [&](HTREEITEM h) {
        TVITEMW item = {};
        item.mask = TVIF_CHILDREN;
        item.hItem = h;
        TreeView_GetItem(hwndTree, &item);
        return item.cChildren;
    };
    ASSERT_NE(nullptr, child(L"empty"));
    EXPECT_EQ(0, children(child(L"empty")));
    EXPECT_EQ(1, children(child(L"outer")));

    // A folder that no longer exists cannot be enumerated.
    HTREEITEM hGone = child(L"gone");
    ASSERT_NE(nullptr, hGone);
    RemoveDirectoryW((m_folder / L"gone").c_str());
    TreeView_SelectItem(hwndTree, hGone);
    Pump(20);
    EXPECT_TRUE(IsWindowVisible(GetNoImagesWindow()));
    EXPECT_FALSE(IsWindowVisible(m_hwndList));
    EXPECT_EQ(0, CountPictures());
    EXPECT_EQ(0, children(hGone));
    EXPECT_EQ(NoDrive(m_folder.Path()) + L"gone\\", g_szBrowsePath);
}

TEST_F(BrowserTest, SplitterButtonsAndDragsPlaceTheBar)
{
    Start();
    HWND hwndFrame = m_pData->hwndBrowser;
    HWND hwndTree = GetDirectoryTreeWindow();
    RECT rcClient;
    GetClientRect(m_pData->hwndMain, &rcClient);
    const int nStart = (int)(rcClient.bottom * 0.29);
    EXPECT_EQ(nStart, GetSplitterPosition());
    EXPECT_EQ(nStart + 9, ChildRect(GetNoImagesWindow()).top);
    EXPECT_TRUE(IsWindowVisible(GetSplitterButton(IDC_SPLIT_CLOSE)));
    EXPECT_FALSE(IsWindowVisible(GetSplitterButton(IDC_SPLIT_MIDDLE)));

    SendMessageW(hwndFrame, WM_COMMAND, IDC_SPLIT_CLOSE, 0);
    EXPECT_EQ(7, ChildRect(GetNoImagesWindow()).top);
    EXPECT_EQ(7, ChildRect(m_hwndList).top);
    EXPECT_FALSE(IsWindowVisible(GetSplitterButton(IDC_SPLIT_CLOSE)));
    EXPECT_TRUE(IsWindowVisible(GetSplitterButton(IDC_SPLIT_MIDDLE)));
    EXPECT_EQ(90, ChildRect(GetSplitterButton(IDC_SPLIT_MIDDLE)).left);
    EXPECT_EQ(0, ChildRect(GetSplitterButton(IDC_SPLIT_MIDDLE)).top);

    SendMessageW(hwndFrame, WM_COMMAND, IDC_SPLIT_LOWEST, 0);
    EXPECT_EQ(260, GetSplitterPosition());
    EXPECT_EQ(269, ChildRect(m_hwndList).top);
    EXPECT_EQ(261, ChildRect(hwndTree).bottom - ChildRect(hwndTree).top);
    EXPECT_FALSE(IsWindowVisible(GetSplitterButton(IDC_SPLIT_LOWEST)));
    SendMessageW(hwndFrame, WM_COMMAND, IDC_SPLIT_MIDDLE, 0);
    EXPECT_EQ(86, GetSplitterPosition());
    EXPECT_EQ(95, ChildRect(m_hwndList).top);
    EXPECT_TRUE(IsWindowVisible(GetSplitterButton(IDC_SPLIT_CLOSE)));
    EXPECT_TRUE(IsWindowVisible(GetSplitterButton(IDC_SPLIT_LOWEST)));
    EXPECT_FALSE(IsWindowVisible(GetSplitterButton(IDC_SPLIT_MIDDLE)));

    // The ratio survives the title-bar toggle: the window grows by 26.
    Command(IDM_TITLE_BAR);
    Pump(20);
    GetClientRect(m_pData->hwndMain, &rcClient);
    EXPECT_EQ((int)(rcClient.bottom * (86.0 / (rcClient.bottom - 26))), GetSplitterPosition());
    EXPECT_GT(GetSplitterPosition(), 86);
    Command(IDM_TITLE_BAR);
    Pump(20);
    EXPECT_EQ(86, GetSplitterPosition());

    // Drags: from the bar to 10 pixels above the frame, then far below.
    const int y = GetSplitterPosition() + 4;
    SendMessageW(hwndFrame, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(50, y));
    EXPECT_EQ(hwndFrame, GetCapture());
    SendMessageW(hwndFrame, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(50, 40));
    SendMessageW(hwndFrame, WM_LBUTTONUP, 0, MAKELPARAM(50, (WORD)(SHORT)-10));
    EXPECT_EQ(nullptr, GetCapture());
    EXPECT_EQ(SPLITTER_CLOSED, GetSplitterPosition());
    SendMessageW(hwndFrame, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(50, 0));
    SendMessageW(hwndFrame, WM_LBUTTONUP, 0, MAKELPARAM(50, 300));
    EXPECT_EQ(260, GetSplitterPosition());
    SendMessageW(hwndFrame, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(50, 263));
    SendMessageW(hwndFrame, WM_LBUTTONUP, 0, MAKELPARAM(50, 120));
    EXPECT_EQ(120, GetSplitterPosition());
    // A tap away from the bar drags nothing.
    SendMessageW(hwndFrame, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(50, 20));
    EXPECT_EQ(nullptr, GetCapture());

    EXPECT_EQ(SPLITTER_CLOSED, SplitterPositionForRelease(65510));
    EXPECT_EQ(260, SplitterPositionForRelease(65509));
    EXPECT_EQ(260, SplitterPositionForRelease(261));
    EXPECT_EQ(0, SplitterPositionForRelease(0));
}

TEST_F(BrowserTest, DeleteAsksAndRemovesExactlyTheSelectedFiles)
{
    for (const wchar_t* pszName : {L"a.bmp", L"b.bmp", L"c.bmp", L"d.bmp"})
        WriteSolidBmp(m_folder / pszName, 4, 4, RGB(96, 96, 96));
    Start();

    Select({L"b.bmp"});
    ASSERT_TRUE(Delete(IDCANCEL));
    EXPECT_EQ(L"Remove selected file?", m_boxText);
    EXPECT_TRUE(FileExists(m_folder / L"b.bmp")) << "Cancel deletes nothing";
    EXPECT_EQ(4, ListView_GetItemCount(m_hwndList));

    Select({L"b.bmp", L"d.bmp"});
    ASSERT_TRUE(Delete(IDOK));
    EXPECT_TRUE(FileExists(m_folder / L"a.bmp"));
    EXPECT_FALSE(FileExists(m_folder / L"b.bmp"));
    EXPECT_TRUE(FileExists(m_folder / L"c.bmp"));
    EXPECT_FALSE(FileExists(m_folder / L"d.bmp"));
    EXPECT_EQ(Texts({L"a.bmp", L"c.bmp"}), Column(0));
    EXPECT_EQ(2, CountPictures());

    // A read-only file stays on disk and in the list.
    SetFileAttributesW((m_folder / L"c.bmp").c_str(), FILE_ATTRIBUTE_READONLY);
    Select({L"c.bmp"});
    ASSERT_TRUE(Delete(IDOK));
    EXPECT_TRUE(FileExists(m_folder / L"c.bmp"));
    EXPECT_EQ(Texts({L"a.bmp", L"c.bmp"}), Column(0));

    // Nothing selected: no question at all.
    Select({});
    Command(IDM_DELETE);
    EXPECT_EQ(nullptr, FindWindowW(L"#32770", L"Delete"));
}

// A double tap opens the picture; "Open" comes back with its row selected;
// deleting it drops the current entry.
TEST_F(BrowserTest, ActivationOpensOpenComesBackAndDeletingTheCurrentDropsIt)
{
    for (const wchar_t* pszName : {L"a.bmp", L"b.bmp", L"c.bmp"})
        WriteSolidBmp(m_folder / pszName, 4, 4, RGB(96, 96, 96));
    Start();
    Activate(L"b.bmp");
    Pump(20);
    EXPECT_FALSE(IsWindowVisible(m_pData->hwndBrowser));
    EXPECT_EQ(0, m_pData->bBrowserShown);
    EXPECT_EQ(m_folder.Path() + L"b.bmp", L"C:" + std::wstring(g_szPicturePath));
    ASSERT_EQ(PictureByName(L"b.bmp"), m_pData->pCurrentEntry);

    Command(IDM_OPEN);
    Pump(20);
    EXPECT_TRUE(IsWindowVisible(m_pData->hwndBrowser));
    EXPECT_EQ(1, m_pData->bBrowserShown);
    EXPECT_EQ(RowOf(L"b.bmp"), ListView_GetNextItem(m_hwndList, -1, LVNI_SELECTED));
    EXPECT_EQ(1, ListView_GetSelectedCount(m_hwndList));
    EXPECT_EQ(m_hwndList, GetFocus());

    Select({L"c.bmp"});
    ASSERT_TRUE(Delete(IDOK));
    ASSERT_NE(nullptr, m_pData->pCurrentEntry) << "another file's deletion keeps the current entry";
    EXPECT_STREQ(L"b.bmp", m_pData->pCurrentEntry->szName);
    Select({L"b.bmp"});
    ASSERT_TRUE(Delete(IDOK));
    EXPECT_EQ(nullptr, m_pData->pCurrentEntry) << "no pointer into the freed list is kept";
}

TEST_F(BrowserTest, TapAndHoldShowsTheMenuFromTheListButNotFromTheTree)
{
    WriteSolidBmp(m_folder / L"a.bmp", 4, 4, RGB(96, 96, 96));
    Start();

    EXPECT_EQ(L"Delete|File Info|", HoldMenu(m_hwndList, IDC_FILE_LIST));
    EXPECT_EQ(L"(no menu)", HoldMenu(GetDirectoryTreeWindow(), IDC_DIR_TREE));
}

TEST_F(BrowserTest, DeleteFromTheThumbnailViewTakesItsSelection)
{
    for (const wchar_t* pszName : {L"a.bmp", L"b.bmp", L"c.bmp"})
        WriteSolidBmp(m_folder / pszName, 4, 4, RGB(96, 96, 96));
    Start();
    Command(IDM_THUMBNAIL_VIEW);
    SelectPicture(IndexOfPicture(PictureByName(L"c.bmp")));

    ASSERT_TRUE(Delete(IDOK));
    EXPECT_TRUE(IsThumbnailMode());
    EXPECT_FALSE(FileExists(m_folder / L"c.bmp"));
    EXPECT_TRUE(FileExists(m_folder / L"b.bmp"));
    EXPECT_EQ(2, CountPictures());
    EXPECT_EQ(Texts({L"a.bmp", L"b.bmp"}), Column(0));
    EXPECT_EQ(NoDrive(m_folder.Path()), g_szPicturePath);
}

// Detail texts of the selection (the dialog's tests read their forms).
TEST_F(BrowserTest, SelectedPictureGivesItsPathAndDetailTexts)
{
    MakeFile(m_folder / L"a.jpg", 1234, 2004, 2, 29);
    Start();
    WCHAR szPath[MAX_PATH];
    SelectedPictureInfo info = {};
    Select({L"a.jpg"});
    ASSERT_EQ(1, GetSelectedPicture(szPath, MAX_PATH, &info));
    EXPECT_EQ(NoDrive(m_folder.Path()) + L"a.jpg", szPath);
    EXPECT_STREQ(L"1234", info.szSize);
    EXPECT_STREQ(L"2004-2-29", info.szDate);
    EXPECT_STREQ(L"AM 12:0:0", info.szTime) << "hour 12 counts as morning";
    EXPECT_EQ(PICTYPE_JPG, info.nType);
    EXPECT_EQ(0, GetSelectedPicture(szPath, 8, &info)) << "a path that does not fit names no file";
}

// The view button's three modes, the grid's worker, the splitter placing its
// scrollbar, "&Delete Thumbnail" and a list selection scrolled into the grid
// (a double tap opening a picture is an end-to-end test).
TEST_F(BrowserTest, ThumbnailModeFillsScrollsAndClearsTheCache)
{
    const std::wstring thumbs = LargePicturesAndThumbFolder(15);
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
    EXPECT_EQ(16, CountFiles(thumbs + L"\\")) << "the index and a file per picture";

    // The lowest place leaves the scrollbar a pixel higher; the middle puts
    // it back. Both scroll the grid to its top.
    HWND hwndScroll = GetThumbScrollBar();
    SetThumbScrollOffset(85);
    SendMessageW(m_pData->hwndBrowser, WM_COMMAND, IDC_SPLIT_LOWEST, 0);
    RECT rc;
    GetWindowRect(hwndScroll, &rc);
    MapWindowPoints(NULL, hwndThumb, (POINT*)&rc, 2);
    EXPECT_EQ(-1, rc.top);
    EXPECT_EQ(0, GetThumbScrollOffset());
    SendMessageW(m_pData->hwndBrowser, WM_COMMAND, IDC_SPLIT_MIDDLE, 0);
    GetWindowRect(hwndScroll, &rc);
    MapWindowPoints(NULL, hwndThumb, (POINT*)&rc, 2);
    RECT rcView;
    GetClientRect(hwndThumb, &rcView);
    EXPECT_EQ(0, rc.top);
    EXPECT_EQ(rcView.bottom, rc.bottom);
    EXPECT_EQ(227, rc.left);

    // A row chosen in the list far below the grid's top scrolls it there,
    // as far as the grid scrolls.
    ListView_SetItemState(m_hwndList, 13, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    const LONG nLimit = 4 * 85 + 91 - rcView.bottom;
    EXPECT_EQ(nLimit < 340 ? nLimit : 340, GetThumbScrollOffset());

    Command(IDM_DELETE_THUMBNAIL);
    EXPECT_GE(1, CountFiles(thumbs + L"\\")) << "the thumbnail files are gone";
    EXPECT_TRUE(PictureByIndex(0)->hbmThumb) << "the grid keeps what it shows";

    // The view button cycles: small list, list, thumbnails.
    Command(IDM_SMALL_LIST_VIEW);
    EXPECT_EQ(1, m_pData->nViewMode);
    EXPECT_EQ(LVS_LIST, GetWindowLongW(m_hwndList, GWL_STYLE) & LVS_TYPEMASK);
    EXPECT_FALSE(IsWindowVisible(hwndThumb));
    EXPECT_TRUE(IsWindowVisible(m_hwndList));
    EXPECT_FALSE(IsThumbnailMode());
    Command(IDM_LIST_VIEW);
    EXPECT_EQ(0, m_pData->nViewMode);
    EXPECT_EQ(LVS_REPORT, GetWindowLongW(m_hwndList, GWL_STYLE) & LVS_TYPEMASK);
    Command(IDM_THUMBNAIL_VIEW);
    EXPECT_TRUE(IsWindowVisible(hwndThumb));
}

// A maker slow enough that the worker is mid-folder when the command or the
// exit comes; counts the thumbnails it makes.
static volatile LONG s_nSlowMade = 0;
static void SlowMaker(CImageDecoder* pDecoder, PictureEntry* pEntry, LPCWSTR pszFolder)
{
    Sleep(40);
    MakeThumbnail(pDecoder, pEntry, pszFolder);
    InterlockedIncrement(&s_nSlowMade);
}

// Clearing and exit must not overlap a worker that writes into the cache:
// both stop it first, so no thumbnail file appears after the clear.
TEST_F(BrowserTest, DeleteThumbnailAndExitStopTheWorkerFirst)
{
    const std::wstring thumbs = LargePicturesAndThumbFolder(30);
    s_nSlowMade = 0;
    SetThumbMakerForTests(SlowMaker);
    struct RealMakerAfter
    {
        ~RealMakerAfter() { SetThumbMakerForTests(nullptr); }
    } realMakerAfter;
    Start();

    Command(IDM_THUMBNAIL_VIEW);
    ASSERT_TRUE(PumpUntil([] { return s_nSlowMade >= 3; }, 10000)) << "the worker did not start";
    Command(IDM_DELETE_THUMBNAIL);
    EXPECT_FALSE(HasThumbWorker()) << "the worker still runs after the clear";
    const LONG nMade = s_nSlowMade;
    Sleep(300);
    EXPECT_EQ(nMade, s_nSlowMade) << "thumbnails were made after the clear";
    EXPECT_EQ(1, CountFiles(thumbs + L"\\")) << "only the new index: no file written after the clear";

    // A repaint starts a new worker for what is left; exit stops it.
    RedrawThumbView();
    ASSERT_TRUE(PumpUntil([nMade] { return s_nSlowMade > nMade; }, 10000)) << "no new worker";
    ASSERT_TRUE(HasThumbWorker());
    DestroyWindow(m_hwnd);
    EXPECT_FALSE(HasThumbWorker()) << "exit left the worker running";
    const LONG nAtExit = s_nSlowMade;
    Sleep(300);
    EXPECT_EQ(nAtExit, s_nSlowMade) << "thumbnails were made after exit";
}

TEST_F(BrowserTest, AnotherFolderPutsTheGridBackAtItsTopWithNothingSelected)
{
    for (int i = 0; i < 12; ++i)
        WriteSolidBmp(m_folder / (L"p" + std::to_wstring(10 + i) + L".bmp"), 8, 8, RGB(200, 20, 20));
    CreateDirectoryW((m_folder / L"sub").c_str(), NULL);
    WriteSolidBmp(m_folder / L"sub\\q.bmp", 8, 8, RGB(20, 200, 20));
    Start();
    Command(IDM_THUMBNAIL_VIEW);
    SelectPicture(11);
    ASSERT_GT(GetThumbScrollOffset(), 0);

    HWND hwndTree = GetDirectoryTreeWindow();
    HTREEITEM hSub = TreeView_GetChild(hwndTree, TreeView_GetSelection(hwndTree));
    ASSERT_TRUE(hSub);
    TreeView_SelectItem(hwndTree, hSub);
    Pump(20);
    EXPECT_EQ(L"sub", TreeSelection());
    EXPECT_EQ(1, CountPictures());
    EXPECT_EQ(0, GetThumbScrollOffset());
    EXPECT_FALSE(GetPictureSelection(nullptr));
    EXPECT_TRUE(IsWindowVisible(GetThumbViewWindow()));
}
