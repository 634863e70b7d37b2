// The shell stand-in on real windows: menu bars built from the viewer's own
// resources, the top bar, full-screen control and tap-and-hold. Dialog pages
// are checked where the viewer opens them: the box-fit test and the screenshots.
#include <gtest/gtest.h>
#include <set>
#include <string>

#include "tests/support/window_helpers.h"
#include "platform/aygshell/aygshell.h"
#include "viewer/resources/resource.h"

namespace {

// Bars are owned by the parent's window and go with it.
class MenuBarTest : public FrontWindowTest
{
protected:
    MenuBarTest() : FrontWindowTest(L"menu bar parent") {}

    HWND Bar(UINT nId, DWORD dwFlags = SHCMBF_HIDESIPBUTTON)
    {
        SHMENUBARINFO mbi = {sizeof(mbi), main.hwnd, dwFlags, nId, GetModuleHandleW(nullptr)};
        return SHCreateMenuBar(&mbi) ? mbi.hwndMB : nullptr;
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

    static void Tap(HWND hwndBar, int nCommand)
    {
        RECT rc = {};
        SendMessageW(hwndBar, TB_GETITEMRECT, SendMessageW(hwndBar, TB_COMMANDTOINDEX, nCommand, 0),
                     reinterpret_cast<LPARAM>(&rc));
        MapWindowPoints(FindWindowExW(hwndBar, nullptr, TOOLBARCLASSNAMEW, nullptr), nullptr,
                        reinterpret_cast<POINT*>(&rc), 2);
        ASSERT_GT(rc.right, rc.left);
        ClickAt((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
    }
};

// The bar shows its images with the magenta key left out; hiding and showing
// it (as the program does when it swaps bars) and tapping a button never take
// activation from the parent.
TEST_F(MenuBarTest, ViewerBarShowsItsImagesAndATapSendsTheCommand)
{
    HWND hwnd = ViewerBar();
    ASSERT_TRUE(hwnd);
    EXPECT_EQ(GetAncestor(main.hwnd, GA_ROOT), GetWindow(hwnd, GW_OWNER));
    EXPECT_EQ(10, SendMessageW(hwnd, TB_BUTTONCOUNT, 0, 0));
    ShowWindow(hwnd, SW_HIDE);
    ShowWindow(hwnd, SW_SHOW);
    PumpFor(100);
    EXPECT_EQ(main.hwnd, GetActiveWindow());
    RECT rc;
    GetWindowRect(hwnd, &rc);
    HDC hdc = GetDC(nullptr);
    std::set<COLORREF> colours;
    int nMagenta = 0;
    for (int y = rc.top; y < rc.bottom; ++y)
        for (int x = rc.left; x < rc.right; ++x)
        {
            const COLORREF c = *colours.insert(GetPixel(hdc, x, y)).first;
            nMagenta += GetRValue(c) > 230 && GetGValue(c) < 25 && GetBValue(c) > 230;
        }
    ReleaseDC(nullptr, hdc);
    EXPECT_EQ(0, nMagenta) << "the images' key colour shows through";
    EXPECT_GE(colours.size(), 8u) << "the images are not drawn";

    Tap(hwnd, IDM_ZOOM_IN);
    ASSERT_TRUE(PumpUntil([&] { return main.Count(WM_COMMAND) > 0; }));
    PumpFor(50);
    ASSERT_EQ(1, main.Count(WM_COMMAND));
    EXPECT_EQ(IDM_ZOOM_IN, LOWORD(main.Find(WM_COMMAND)->wParam));
    EXPECT_EQ(main.hwnd, GetActiveWindow());
}

TEST_F(MenuBarTest, FileDropsItsPopupUpwardsAndTheParentHearsOfIt)
{
    HWND hwnd = ViewerBar();
    ASSERT_TRUE(hwnd);
    HMENU hSeen = nullptr;
    RECT rcMenu = {}, rcBar;
    main.onMessage = [&](HWND hwndParent, UINT uMsg, WPARAM wParam, LPARAM, LRESULT*) {
        if (uMsg == WM_INITMENUPOPUP)
            hSeen = reinterpret_cast<HMENU>(wParam), SetTimer(hwndParent, 1, 100, nullptr);
        if (uMsg != WM_TIMER || wParam != 1)
            return false;
        // The pop-up is on screen now: note where, then close it.
        if (HWND hwndMenu = FindWindowW(L"#32768", nullptr))
            GetWindowRect(hwndMenu, &rcMenu);
        KillTimer(hwndParent, 1);
        EndMenu();
        return true;
    };
    Tap(hwnd, IDM_FILE_POPUP);
    ASSERT_TRUE(PumpUntil([&] { return hSeen && rcMenu.bottom != 0; }));
    EXPECT_EQ(IDM_FILE_EXIT, GetMenuItemID(hSeen, GetMenuItemCount(hSeen) - 1)) << "the File pop-up";
    GetWindowRect(hwnd, &rcBar);
    EXPECT_LE(rcMenu.bottom, rcBar.top + 1);
    HMENU hTool = reinterpret_cast<HMENU>(SendMessageW(hwnd, SHCMBM_GETSUBMENU, 0, IDM_TOOL_POPUP));
    EXPECT_EQ(MF_ENABLED, GetMenuState(hTool, IDM_ROTATE_RIGHT, MF_BYCOMMAND)) << "nested pop-ups come along";
}

class ShellTest : public FrontWindowTest
{
protected:
    ShellTest() : FrontWindowTest(L"Beach - Ombrix Viewer") {}
    void TearDown() override { SHFullScreen(main.hwnd, SHFS_SHOWTASKBAR); }
    static bool TopBarShows(const std::wstring& title)
    {
        return PumpUntil([&] { return WindowText(OmbrixTopBar()) == title; });
    }
};

// The bar shows the title of the window in front and follows the full-screen
// wish of whichever window is in front.
TEST_F(ShellTest, TopBarShowsTheForegroundTitleAndFollowsFullScreen)
{
    HWND hwndBar = OmbrixTopBar();
    ASSERT_TRUE(hwndBar);
    ASSERT_TRUE(TopBarShows(L"Beach - Ombrix Viewer"));
    EXPECT_TRUE(IsWindowVisible(hwndBar));
    SetWindowTextW(main.hwnd, L"");
    ASSERT_TRUE(TopBarShows(L""));
    EXPECT_FALSE(SHFullScreen(main.hwnd, SHFS_SHOWTASKBAR | SHFS_HIDETASKBAR));
    EXPECT_TRUE(SHFullScreen(main.hwnd, SHFS_HIDETASKBAR));
    EXPECT_FALSE(IsWindowVisible(hwndBar));
    LoggingWindow other;
    ASSERT_TRUE(other.Create(L"Other", 20, 60, 100, 100));
    ASSERT_TRUE(BringToFront(other.hwnd));
    EXPECT_TRUE(PumpUntil([&] { return IsWindowVisible(hwndBar) && WindowText(hwndBar) == L"Other"; }));
    ASSERT_TRUE(BringToFront(main.hwnd));
    EXPECT_TRUE(PumpUntil([&] { return !IsWindowVisible(hwndBar); }));
}

// A right click notifies the parent; quick taps and drags are no gesture and
// keep their release. (A held tap on a list row is the browser's test.)
TEST_F(ShellTest, RightClicksAreGesturesTapsAndDragsAreNot)
{
    LoggingWindow child;
    DWORD dwResult = 0xFFFF;
    ASSERT_TRUE(child.Create(L"", 20, 30, 150, 150, main.hwnd, 1004));
    child.onMessage = [&](HWND hwnd, UINT uMsg, WPARAM, LPARAM lParam, LRESULT*) {
        if (uMsg != WM_LBUTTONDOWN && uMsg != WM_RBUTTONDOWN)
            return false;
        SHRGINFO shrg = {sizeof(shrg), hwnd, {(short)LOWORD(lParam), (short)HIWORD(lParam)}, SHRG_NOTIFYPARENT};
        dwResult = SHRecognizeGesture(&shrg);
        return true;
    };
    POINT pt = {40, 50};
    ClientToScreen(child.hwnd, &pt);
    const struct { bool bRight, bHold; int dx; DWORD dwGesture; } cases[] = {
        {true, false, 0, GN_CONTEXTMENU}, {false, false, 0, 0}, {false, true, 30, 0}};
    for (const auto& c : cases) {
        dwResult = 0xFFFF;
        child.log.clear();
        MouseMoveTo(pt.x, pt.y);
        PumpFor(30);
        MouseButton(c.bRight, false);
        if (!c.bHold)
            MouseButton(c.bRight, true);
        MouseMoveTo(pt.x + c.dx, pt.y);
        EXPECT_TRUE(PumpUntil([&] { return dwResult != 0xFFFF; }, 3000));
        if (c.bHold)
            MouseButton(c.bRight, true);
        PumpFor(600); // no double tap with the next one
        EXPECT_EQ(c.dwGesture, dwResult) << c.bRight << c.bHold << c.dx;
        EXPECT_EQ(1, main.Count(WM_NOTIFY));
        if (!c.bRight && !c.bHold) {
            EXPECT_EQ(1, child.Count(WM_LBUTTONUP)) << "the release stays for the window";
        }
    }
}

} // namespace
