// Menu bars built from the viewer's own resources, on real windows.
#include <gtest/gtest.h>

#include <set>
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
        out.push_back({tb.idCommand, tb.iBitmap, (tb.fsState & TBSTATE_HIDDEN) != 0});
    }
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

    // The viewer's bar with its seven images, as the program builds it.
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

// The bar is owned by the parent's top-level window; its image buttons show
// their pictures with the magenta key left out, and carry their tooltips.
TEST_F(MenuBarTest, ViewerBarShowsItsImagesAndTooltips)
{
    HWND hwnd = ViewerBar();
    ASSERT_TRUE(hwnd);
    EXPECT_TRUE(IsWindowVisible(hwnd));
    EXPECT_EQ(GetAncestor(parent.hwnd, GA_ROOT), GetWindow(hwnd, GW_OWNER));
    std::vector<ButtonInfo> b = Buttons(hwnd);
    ASSERT_EQ(10u, b.size());
    EXPECT_EQ(6, b[9].nImage);
    EXPECT_EQ(L"Start slide show", Tooltip(hwnd, b[9].nCommand));

    PumpFor(100);
    RECT rc;
    GetWindowRect(hwnd, &rc);
    HDC hdc = GetDC(nullptr);
    std::set<COLORREF> colours;
    int nMagenta = 0;
    for (int y = rc.top; y < rc.bottom; ++y)
        for (int x = rc.left; x < rc.right; ++x)
        {
            const COLORREF c = GetPixel(hdc, x, y);
            colours.insert(c);
            nMagenta += GetRValue(c) > 230 && GetGValue(c) < 25 && GetBValue(c) > 230;
        }
    ReleaseDC(nullptr, hdc);
    EXPECT_EQ(0, nMagenta) << "the images' key colour shows through";
    EXPECT_GE(colours.size(), 8u) << "the images are not drawn";
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
    HMENU hSeen = nullptr;
    RECT rcMenu = {};
    parent.onMessage = [&](HWND hwndParent, UINT uMsg, WPARAM wParam, LPARAM, LRESULT*) {
        if (uMsg == WM_INITMENUPOPUP)
        {
            hSeen = reinterpret_cast<HMENU>(wParam);
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

    ASSERT_TRUE(hSeen);
    EXPECT_EQ(IDM_FILE_EXIT, GetMenuItemID(hSeen, GetMenuItemCount(hSeen) - 1)) << "the File pop-up";
    // It opens upwards from the bar.
    RECT rcBar;
    GetWindowRect(hwnd, &rcBar);
    EXPECT_LE(rcMenu.bottom, rcBar.top + 1);
}

TEST_F(MenuBarTest, GetSubMenuFindsTheToolPopupOnlyOnViewerBars)
{
    HWND hwndViewer = ViewerBar();
    HWND hwndBrowser = Bar(IDR_MENUBAR_REPORT);
    ASSERT_TRUE(hwndViewer && hwndBrowser);

    HMENU hTool = reinterpret_cast<HMENU>(SendMessageW(hwndViewer, SHCMBM_GETSUBMENU, 0, IDM_TOOL_POPUP));
    ASSERT_TRUE(hTool);
    EXPECT_EQ(MF_ENABLED, GetMenuState(hTool, IDM_ROTATE_RIGHT, MF_BYCOMMAND)) << "nested pop-ups come along";

    // Check marks set through the returned pop-up stay with this bar.
    CheckMenuItem(hTool, IDM_TITLE_BAR, MF_BYCOMMAND | MF_CHECKED);
    HMENU hAgain = reinterpret_cast<HMENU>(SendMessageW(hwndViewer, SHCMBM_GETSUBMENU, 0, IDM_TOOL_POPUP));
    EXPECT_EQ(MF_CHECKED, GetMenuState(hAgain, IDM_TITLE_BAR, MF_BYCOMMAND) & MF_CHECKED);

    EXPECT_EQ(0, SendMessageW(hwndBrowser, SHCMBM_GETSUBMENU, 0, IDM_TOOL_POPUP));
    EXPECT_NE(0, SendMessageW(hwndBrowser, SHCMBM_GETSUBMENU, 0, IDM_FILE_POPUP));
}

// The options bar is one hidden button, so nothing shows.
TEST_F(MenuBarTest, HiddenButtonsStayHidden)
{
    HWND hwndOptions = Bar(IDR_MENUBAR_OPTIONS, 0);
    ASSERT_TRUE(hwndOptions);
    std::vector<ButtonInfo> o = Buttons(hwndOptions);
    ASSERT_EQ(1u, o.size());
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
