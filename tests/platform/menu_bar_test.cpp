// Menu bars built from the viewer's own resources, on real windows.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "input_helpers.h"
#include "platform/aygshell/aygshell.h"
#include "viewer/resources/resource.h"

namespace {

struct ButtonInfo
{
    int nCommand;
    int nImage;
    bool bSeparator;
    bool bHidden;
};

std::vector<ButtonInfo> Buttons(HWND hwndBar)
{
    std::vector<ButtonInfo> out;
    int n = static_cast<int>(SendMessageW(hwndBar, TB_BUTTONCOUNT, 0, 0));
    for (int i = 0; i < n; ++i)
    {
        TBBUTTON tb = {};
        SendMessageW(hwndBar, TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&tb));
        out.push_back({tb.idCommand, tb.iBitmap, (tb.fsStyle & TBSTYLE_SEP) != 0, (tb.fsState & TBSTATE_HIDDEN) != 0});
    }
    return out;
}

std::vector<int> Commands(HWND hwndBar)
{
    std::vector<int> out;
    for (const ButtonInfo& b : Buttons(hwndBar))
        out.push_back(b.bSeparator ? 0 : b.nCommand);
    return out;
}

std::wstring Tooltip(HWND hwndBar, int nCommand)
{
    HWND hwndTb = FindWindowExW(hwndBar, nullptr, TOOLBARCLASSNAMEW, nullptr);
    HWND hwndTips = reinterpret_cast<HWND>(SendMessageW(hwndTb, TB_GETTOOLTIPS, 0, 0));
    wchar_t szText[80] = L"";
    TTTOOLINFOW ti = {};
    ti.cbSize = sizeof(ti);
    ti.hwnd = hwndTb;
    ti.uId = nCommand;
    ti.lpszText = szText;
    SendMessageW(hwndTips, TTM_GETTEXTW, ARRAYSIZE(szText), reinterpret_cast<LPARAM>(&ti));
    return szText;
}

RECT ButtonScreenRect(HWND hwndBar, int nCommand)
{
    HWND hwndTb = FindWindowExW(hwndBar, nullptr, TOOLBARCLASSNAMEW, nullptr);
    int nIndex = static_cast<int>(SendMessageW(hwndBar, TB_COMMANDTOINDEX, nCommand, 0));
    RECT rc = {};
    SendMessageW(hwndBar, TB_GETITEMRECT, nIndex, reinterpret_cast<LPARAM>(&rc));
    MapWindowPoints(hwndTb, nullptr, reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

struct MenuItem
{
    UINT nId;
    std::wstring text;
    bool bPopup;
};

std::vector<MenuItem> Items(HMENU hMenu)
{
    std::vector<MenuItem> out;
    for (int i = 0; i < GetMenuItemCount(hMenu); ++i)
    {
        wchar_t szText[64] = L"";
        GetMenuStringW(hMenu, i, szText, ARRAYSIZE(szText), MF_BYPOSITION);
        UINT nId = GetMenuItemID(hMenu, i);
        out.push_back({nId == static_cast<UINT>(-1) ? 0 : nId, szText, GetSubMenu(hMenu, i) != nullptr});
    }
    return out;
}

class MenuBarTest : public FrontWindowTest
{
protected:
    MenuBarTest() : FrontWindowTest(L"menu bar parent") {}

    LoggingWindow& parent = main;
    std::vector<HWND> bars;

    void TearDown() override
    {
        for (HWND hwnd : bars)
            DestroyWindow(hwnd);
    }

    HWND Bar(UINT nId, DWORD dwFlags = SHCMBF_HIDESIPBUTTON)
    {
        SHMENUBARINFO mbi = {};
        mbi.cbSize = sizeof(mbi);
        mbi.hwndParent = parent.hwnd;
        mbi.dwFlags = dwFlags;
        mbi.nToolBarId = nId;
        mbi.hInstRes = GetModuleHandleW(nullptr);
        if (!SHCreateMenuBar(&mbi))
            return nullptr;
        bars.push_back(mbi.hwndMB);
        return mbi.hwndMB;
    }

    // The viewer bar 149 with its seven images, as the program builds it.
    HWND ViewerBar()
    {
        HWND hwnd = Bar(IDR_MENUBAR_VIEWER);
        const int images[] = {IDB_OPEN, IDB_PREVIOUS, IDB_NEXT, IDB_ZOOM_IN, IDB_ZOOM_OUT, IDB_FIT_TO_SCREEN,
                              IDB_SLIDESHOW_START};
        for (int i = 0; hwnd && i < 7; ++i)
            EXPECT_EQ(i, CommandBar_AddBitmap(hwnd, GetModuleHandleW(nullptr), images[i], 1, 16, 16));
        return hwnd;
    }
};

TEST_F(MenuBarTest, ViewerBarSitsAtTheBottomWithItsButtonsImagesAndTooltips)
{
    HWND hwnd = ViewerBar();
    ASSERT_TRUE(hwnd);
    RECT rc;
    GetWindowRect(hwnd, &rc);
    EXPECT_EQ(0, rc.left);
    EXPECT_EQ(320 - 26, rc.top);
    EXPECT_EQ(240, rc.right);
    EXPECT_EQ(320, rc.bottom);
    EXPECT_TRUE(IsWindowVisible(hwnd));
    EXPECT_EQ(GetAncestor(parent.hwnd, GA_ROOT), GetWindow(hwnd, GW_OWNER));

    // The buttons themselves are checked with every bar below.
    std::vector<ButtonInfo> b = Buttons(hwnd);
    ASSERT_EQ(10u, b.size());
    const wchar_t* tips[] = {L"Open", L"Previous", L"Next", L"Zoom in", L"Zoom out", L"Fit to screen",
                             L"Start slide show"};
    for (int i = 0; i < 7; ++i)
    {
        EXPECT_EQ(i, b[3 + i].nImage);
        EXPECT_EQ(tips[i], Tooltip(hwnd, b[3 + i].nCommand));
    }
    HIMAGELIST hImages = reinterpret_cast<HIMAGELIST>(SendMessageW(hwnd, TB_GETIMAGELIST, 0, 0));
    EXPECT_EQ(7, ImageList_GetImageCount(hImages));

    wchar_t szLabel[16] = L"";
    SendMessageW(hwnd, TB_GETBUTTONTEXTW, IDM_FILE_POPUP, reinterpret_cast<LPARAM>(szLabel));
    EXPECT_STREQ(L"File", szLabel);
    SendMessageW(hwnd, TB_GETBUTTONTEXTW, IDM_TOOL_POPUP, reinterpret_cast<LPARAM>(szLabel));
    EXPECT_STREQ(L"Tool", szLabel);
}

TEST_F(MenuBarTest, TappingAnImageButtonSendsItsCommandAndLeavesTheParentActive)
{
    HWND hwnd = ViewerBar();
    ASSERT_TRUE(hwnd);
    // Hiding and showing the bar, as the program does when it swaps bars,
    // must not take activation either.
    ShowWindow(hwnd, SW_HIDE);
    ShowWindow(hwnd, SW_SHOW);
    PumpFor(50);
    EXPECT_EQ(parent.hwnd, GetActiveWindow());

    RECT rc = ButtonScreenRect(hwnd, IDM_ZOOM_IN);
    ASSERT_GT(rc.right, rc.left);
    ClickAt((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
    ASSERT_TRUE(PumpUntil([&] { return parent.Count(WM_COMMAND) > 0; }));
    PumpFor(50);
    ASSERT_EQ(1, parent.Count(WM_COMMAND));
    EXPECT_EQ(IDM_ZOOM_IN, LOWORD(parent.Find(WM_COMMAND)->wParam));
    EXPECT_EQ(parent.hwnd, GetActiveWindow());
}

TEST_F(MenuBarTest, FileDropsItsPopupAndTheParentHearsOfIt)
{
    HWND hwnd = ViewerBar();
    ASSERT_TRUE(hwnd);
    std::vector<MenuItem> seen;
    RECT rcMenu = {};
    parent.onMessage = [&](HWND hwndParent, UINT uMsg, WPARAM wParam, LPARAM, LRESULT*) {
        if (uMsg == WM_INITMENUPOPUP)
        {
            seen = Items(reinterpret_cast<HMENU>(wParam));
            SetTimer(hwndParent, 1, 100, nullptr);
        }
        if (uMsg == WM_TIMER && wParam == 1)
        {
            // The pop-up is on screen now: note where, then close it.
            HWND hwndMenu = FindWindowW(L"#32768", nullptr);
            if (hwndMenu)
                GetWindowRect(hwndMenu, &rcMenu);
            KillTimer(hwndParent, 1);
            EndMenu();
            return true;
        }
        return false;
    };
    RECT rc = ButtonScreenRect(hwnd, IDM_FILE_POPUP);
    ClickAt((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
    ASSERT_TRUE(PumpUntil([&] { return parent.Count(WM_INITMENUPOPUP) > 0 && rcMenu.bottom != 0; }));

    std::vector<std::pair<UINT, std::wstring>> expected = {
        {IDM_DELETE_THUMBNAIL, L"&Delete Thumbnail"}, {0, L""}, {IDM_SCREEN_CAPTURE, L"&Screen Capture"},
        {0, L""}, {IDM_OPTION, L"&Option"}, {0, L""}, {IDM_ABOUT, L"&About"}, {0, L""}, {IDM_FILE_EXIT, L"E&xit"}};
    ASSERT_EQ(expected.size(), seen.size());
    for (size_t i = 0; i < expected.size(); ++i)
    {
        EXPECT_EQ(expected[i].first, seen[i].nId) << i;
        EXPECT_EQ(expected[i].second, seen[i].text) << i;
    }
    // It opens upwards from the bar.
    EXPECT_LE(rcMenu.bottom, 320 - 26 + 1);
}

TEST_F(MenuBarTest, GetSubMenuFindsTheToolPopupOnlyOnViewerBars)
{
    HWND hwndViewer = ViewerBar();
    HWND hwndBrowser = Bar(IDR_MENUBAR_REPORT);
    ASSERT_TRUE(hwndViewer && hwndBrowser);

    // Pop-ups read as 0, like separators; Rotate and Flip are the pop-ups.
    auto ids = [](HMENU hMenu) {
        std::vector<UINT> out;
        for (const MenuItem& item : Items(hMenu))
            out.push_back(item.nId);
        return out;
    };
    HMENU hTool = reinterpret_cast<HMENU>(SendMessageW(hwndViewer, SHCMBM_GETSUBMENU, 0, IDM_TOOL_POPUP));
    ASSERT_TRUE(hTool);
    EXPECT_EQ((std::vector<UINT>{IDM_REFRESH_VIEW, IDM_FULL_SCREEN, 0, 0, 0, IDM_LANDSCAPE, IDM_TITLE_BAR}), ids(hTool));
    EXPECT_EQ((std::vector<UINT>{IDM_ROTATE_RIGHT, IDM_ROTATE_LEFT}), ids(GetSubMenu(hTool, 3)));
    EXPECT_EQ((std::vector<UINT>{IDM_FLIP_HORIZONTAL, IDM_FLIP_VERTICAL}), ids(GetSubMenu(hTool, 4)));
    EXPECT_EQ(L"Right 90'", Items(GetSubMenu(hTool, 3))[0].text);

    // Check marks set through the returned pop-up stay with this bar.
    CheckMenuItem(hTool, IDM_TITLE_BAR, MF_BYCOMMAND | MF_CHECKED);
    HMENU hAgain = reinterpret_cast<HMENU>(SendMessageW(hwndViewer, SHCMBM_GETSUBMENU, 0, IDM_TOOL_POPUP));
    EXPECT_EQ(MF_CHECKED, GetMenuState(hAgain, IDM_TITLE_BAR, MF_BYCOMMAND) & MF_CHECKED);

    EXPECT_EQ(0, SendMessageW(hwndBrowser, SHCMBM_GETSUBMENU, 0, IDM_TOOL_POPUP));
    EXPECT_NE(0, SendMessageW(hwndBrowser, SHCMBM_GETSUBMENU, 0, IDM_FILE_POPUP));
}

TEST_F(MenuBarTest, EveryBarHasTheButtonsOfItsFace)
{
    const std::vector<int> browserTail = {IDM_INFORMATION, IDM_REFRESH_FOLDER, IDM_DELETE};
    struct Expected
    {
        UINT nBar;
        std::vector<int> commands;
    };
    auto browser = [&](int view) {
        std::vector<int> c = {IDM_FILE_POPUP, 0, view};
        c.insert(c.end(), browserTail.begin(), browserTail.end());
        return c;
    };
    auto viewer = [](int fit, int show) {
        return std::vector<int>{IDM_FILE_POPUP, IDM_TOOL_POPUP, 0, IDM_OPEN, IDM_PREVIOUS, IDM_NEXT,
                                IDM_ZOOM_IN, IDM_ZOOM_OUT, fit, show};
    };
    const Expected all[] = {
        {IDR_MENUBAR_REPORT, browser(IDM_THUMBNAIL_VIEW)},
        {IDR_MENUBAR_SMALL, browser(IDM_LIST_VIEW)},
        {IDR_MENUBAR_THUMBS, browser(IDM_SMALL_LIST_VIEW)},
        {IDR_MENUBAR_VIEWER, viewer(IDM_FIT_TO_SCREEN, IDM_SLIDESHOW_START)},
        {IDR_MENUBAR_VIEWER_SHOW, viewer(IDM_FIT_TO_SCREEN, IDM_SLIDESHOW_STOP)},
        {IDR_MENUBAR_VIEWER_FIT, viewer(IDM_FIT_TO_SCREEN_ON, IDM_SLIDESHOW_START)},
        {IDR_MENUBAR_VIEWER_FIT_SHOW, viewer(IDM_ORIGINAL_SIZE, IDM_SLIDESHOW_STOP)},
    };
    for (const Expected& e : all)
    {
        HWND hwnd = Bar(e.nBar);
        ASSERT_TRUE(hwnd) << e.nBar;
        EXPECT_EQ(e.commands, Commands(hwnd)) << e.nBar;
        for (const ButtonInfo& b : Buttons(hwnd))
            EXPECT_FALSE(b.bHidden) << e.nBar;
    }
    // Browser bars put the view image at 1, information 2, refresh 4, delete 3.
    std::vector<ButtonInfo> b = Buttons(Bar(IDR_MENUBAR_REPORT));
    EXPECT_EQ(1, b[2].nImage);
    EXPECT_EQ(2, b[3].nImage);
    EXPECT_EQ(4, b[4].nImage);
    EXPECT_EQ(3, b[5].nImage);

    // The options bar: one hidden "-" button, so nothing shows.
    HWND hwndOptions = Bar(IDR_MENUBAR_OPTIONS, 0);
    ASSERT_TRUE(hwndOptions);
    std::vector<ButtonInfo> o = Buttons(hwndOptions);
    ASSERT_EQ(1u, o.size());
    EXPECT_EQ(IDM_OPTIONS_BLANK, o[0].nCommand);
    EXPECT_TRUE(o[0].bHidden);
}

TEST_F(MenuBarTest, FailuresLeaveNoBar)
{
    SHMENUBARINFO mbi = {};
    mbi.cbSize = sizeof(mbi);
    mbi.hwndParent = parent.hwnd;
    mbi.nToolBarId = 4242;  // no such resource
    mbi.hInstRes = GetModuleHandleW(nullptr);
    mbi.hwndMB = reinterpret_cast<HWND>(1);
    EXPECT_FALSE(SHCreateMenuBar(&mbi));
    EXPECT_EQ(nullptr, mbi.hwndMB);
    mbi.nToolBarId = IDR_MENUBAR_VIEWER;
    mbi.hwndParent = nullptr;
    EXPECT_FALSE(SHCreateMenuBar(&mbi));

    HWND hwnd = Bar(IDR_MENUBAR_VIEWER);
    ASSERT_TRUE(hwnd);
    HINSTANCE hInst = GetModuleHandleW(nullptr);
    EXPECT_EQ(-1, CommandBar_AddBitmap(parent.hwnd, hInst, IDB_OPEN, 1, 16, 16));       // not a bar
    EXPECT_EQ(-1, CommandBar_AddBitmap(hwnd, hInst, IDB_OPEN, 2, 16, 16));              // too few images
    EXPECT_EQ(-1, CommandBar_AddBitmap(hwnd, hInst, IDB_FULLSCREEN_BUTTONS, 1, 12, 12)); // wrong size
    EXPECT_EQ(-1, CommandBar_AddBitmap(hwnd, hInst, 4242, 1, 16, 16));                 // no bitmap
    // A strip gives as many images as asked for, no more.
    EXPECT_EQ(0, CommandBar_AddBitmap(hwnd, hInst, IDB_FOLDER_DIALOG, 1, 16, 16));
    HIMAGELIST hImages = reinterpret_cast<HIMAGELIST>(SendMessageW(hwnd, TB_GETIMAGELIST, 0, 0));
    EXPECT_EQ(1, ImageList_GetImageCount(hImages));
}

} // namespace
