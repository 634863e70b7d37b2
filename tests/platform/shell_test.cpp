// The shell's top bar, full-screen control, dialog pages and tap-and-hold,
// on real windows.
#include <gtest/gtest.h>

#include <string>

#include "input_helpers.h"
#include "platform/aygshell/aygshell.h"

namespace {

std::wstring TextOf(HWND hwnd)
{
    wchar_t sz[128] = L"";
    GetWindowTextW(hwnd, sz, ARRAYSIZE(sz));
    return sz;
}

// White pixels on screen inside rc: the top bar draws its text in white on
// a dark bar.
int WhitePixels(const RECT& rc)
{
    HDC hdc = GetDC(nullptr);
    int n = 0;
    for (int y = rc.top; y < rc.bottom; ++y)
        for (int x = rc.left; x < rc.right; ++x)
            n += GetPixel(hdc, x, y) == RGB(255, 255, 255);
    ReleaseDC(nullptr, hdc);
    return n;
}

class ShellTest : public FrontWindowTest
{
protected:
    ShellTest() : FrontWindowTest(L"Beach - Ombrix Viewer") {}

    void TearDown() override
    {
        SHFullScreen(main.hwnd, SHFS_SHOWTASKBAR);
    }

    static bool TopBarShows(const std::wstring& title)
    {
        return PumpUntil([&] { return TextOf(OmbrixTopBar()) == title; });
    }
};

TEST_F(ShellTest, TopBarShowsTheForegroundTitleAndFollowsFullScreen)
{
    HWND hwndBar = OmbrixTopBar();
    ASSERT_TRUE(hwndBar);
    ASSERT_TRUE(TopBarShows(L"Beach - Ombrix Viewer"));
    EXPECT_TRUE(IsWindowVisible(hwndBar));
    PumpFor(100);
    RECT rcText;
    GetWindowRect(hwndBar, &rcText);
    rcText.right -= OMBRIX_DONE_WIDTH;
    EXPECT_GT(WhitePixels(rcText), 20);

    SetWindowTextW(main.hwnd, L"");
    ASSERT_TRUE(TopBarShows(L""));
    PumpFor(100);
    EXPECT_EQ(0, WhitePixels(rcText));

    EXPECT_TRUE(SHFullScreen(main.hwnd, SHFS_HIDETASKBAR));
    EXPECT_FALSE(IsWindowVisible(hwndBar));
    EXPECT_TRUE(SHFullScreen(main.hwnd, SHFS_SHOWTASKBAR | SHFS_HIDESIPBUTTON));
    EXPECT_TRUE(IsWindowVisible(hwndBar));

    EXPECT_FALSE(SHFullScreen(main.hwnd, SHFS_SHOWTASKBAR | SHFS_HIDETASKBAR));
    EXPECT_FALSE(SHFullScreen(nullptr, SHFS_HIDETASKBAR));
    EXPECT_FALSE(SHFullScreen(main.hwnd, 0));
    EXPECT_TRUE(IsWindowVisible(hwndBar));
}

TEST_F(ShellTest, TopBarFollowsTheWishOfWhicheverWindowIsInFront)
{
    HWND hwndBar = OmbrixTopBar();
    ASSERT_TRUE(SHFullScreen(main.hwnd, SHFS_HIDETASKBAR));
    EXPECT_FALSE(IsWindowVisible(hwndBar));

    LoggingWindow other;
    ASSERT_TRUE(other.Create(L"Other", 20, 60, 100, 100));
    ASSERT_TRUE(BringToFront(other.hwnd));
    EXPECT_TRUE(PumpUntil([&] { return IsWindowVisible(hwndBar) && TextOf(hwndBar) == L"Other"; }));

    ASSERT_TRUE(BringToFront(main.hwnd));
    EXPECT_TRUE(PumpUntil([&] { return !IsWindowVisible(hwndBar); }));
}

// A dialog with a desktop caption, as a template would give it.
struct DialogTemplate
{
    DLGTEMPLATE dlg;
    WORD menu, cls;
    wchar_t title[8];
};

INT_PTR CALLBACK PageProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    auto* pState = reinterpret_cast<std::pair<DWORD, int>*>(GetWindowLongPtrW(hDlg, DWLP_USER));
    switch (uMsg)
    {
    case WM_INITDIALOG:
    {
        SetWindowLongPtrW(hDlg, DWLP_USER, lParam);
        pState = reinterpret_cast<std::pair<DWORD, int>*>(lParam);
        SHINITDLGINFO shidi = {SHIDIM_FLAGS, hDlg, pState->first};
        return SHInitDialog(&shidi);
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK)
            ++pState->second;
        return TRUE;
    default:
        return FALSE;
    }
}

TEST_F(ShellTest, DialogPageFillsTheScreenAndItsDoneButtonSendsOk)
{
    DialogTemplate t = {};
    t.dlg.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | WS_VISIBLE;
    t.dlg.cx = 100;
    t.dlg.cy = 60;
    lstrcpyW(t.title, L"About");

    std::pair<DWORD, int> page = {SHIDIF_DONEBUTTON | SHIDIF_SIZEDLGFULLSCREEN | SHIDIF_SIPDOWN, 0};
    HWND hDlg = CreateDialogIndirectParamW(GetModuleHandleW(nullptr), &t.dlg, main.hwnd, PageProc,
                                           reinterpret_cast<LPARAM>(&page));
    ASSERT_TRUE(hDlg);
    ASSERT_TRUE(BringToFront(hDlg));
    RECT rc, rcWork;
    GetWindowRect(hDlg, &rc);
    GetWindowRect(OmbrixTopBar(), &rcWork);
    EXPECT_EQ(rcWork.bottom, rc.top) << "below the top bar";
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), rc.right - rc.left);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), rc.bottom);
    EXPECT_FALSE(GetWindowLongPtrW(hDlg, GWL_STYLE) & WS_CAPTION);
    ASSERT_TRUE(TopBarShows(L"About"));

    ClickAt(240 - OMBRIX_DONE_WIDTH / 2, 13);
    EXPECT_TRUE(PumpUntil([&] { return page.second == 1; }));
    DestroyWindow(hDlg);

    // Flags mask, no flags: template size, and no done button.
    std::pair<DWORD, int> plain = {0, 0};
    hDlg = CreateDialogIndirectParamW(GetModuleHandleW(nullptr), &t.dlg, main.hwnd, PageProc,
                                      reinterpret_cast<LPARAM>(&plain));
    ASSERT_TRUE(hDlg);
    ASSERT_TRUE(BringToFront(hDlg));
    GetWindowRect(hDlg, &rc);
    EXPECT_LT(rc.right - rc.left, 240);
    EXPECT_TRUE(GetWindowLongPtrW(hDlg, GWL_STYLE) & WS_CAPTION);
    ClickAt(240 - OMBRIX_DONE_WIDTH / 2, 13);
    PumpFor(300);
    EXPECT_EQ(0, plain.second);
    DestroyWindow(hDlg);

    SHINITDLGINFO bad = {0, main.hwnd, SHIDIF_DONEBUTTON};
    EXPECT_FALSE(SHInitDialog(&bad));
    EXPECT_FALSE(SHInitDialog(nullptr));
}

class GestureTest : public ShellTest
{
protected:
    LoggingWindow child;
    DWORD dwResult = 0xFFFF;
    DWORD dwFlags = SHRG_NOTIFYPARENT;

    void SetUp() override
    {
        ShellTest::SetUp();
        ASSERT_TRUE(child.Create(L"", 20, 30, 150, 150, main.hwnd, 1004));
        child.onMessage = [this](HWND hwnd, UINT uMsg, WPARAM, LPARAM lParam, LRESULT*) {
            if (uMsg != WM_LBUTTONDOWN && uMsg != WM_RBUTTONDOWN)
                return false;
            SHRGINFO shrg = {sizeof(shrg), hwnd, {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))},
                             dwFlags};
            dwResult = SHRecognizeGesture(&shrg);
            return true;
        };
        PumpFor(50);
    }

    // Screen point of (40, 50) in the child.
    POINT Spot() const
    {
        POINT pt = {40, 50};
        ClientToScreen(child.hwnd, &pt);
        return pt;
    }

    int ContextMenus() const
    {
        int n = 0;
        for (const LoggedMessage& m : main.log)
            n += m.uMsg == WM_NOTIFY && m.nNotifyCode == GN_CONTEXTMENU;
        return n;
    }
};

TEST_F(GestureTest, HeldTapAndRightClickNotifyTheParent)
{
    POINT pt = Spot();
    MouseMoveTo(pt.x, pt.y);
    PumpFor(30);
    MouseButton(false, false);
    ASSERT_TRUE(PumpUntil([&] { return dwResult != 0xFFFF; }, 3000));
    MouseButton(false, true);
    EXPECT_EQ(static_cast<DWORD>(GN_CONTEXTMENU), dwResult);
    ASSERT_EQ(1, ContextMenus());
    const LoggedMessage* m = main.Find(WM_NOTIFY);
    EXPECT_EQ(child.hwnd, m->hwndNotifyFrom);
    EXPECT_EQ(1004u, m->nNotifyId);
    EXPECT_EQ(pt.x, m->ptNotify.x);
    EXPECT_EQ(pt.y, m->ptNotify.y);
    PumpFor(50);

    dwResult = 0xFFFF;
    DWORD dwStart = GetTickCount();
    ClickAt(pt.x, pt.y, true);
    ASSERT_TRUE(PumpUntil([&] { return dwResult != 0xFFFF; }));
    EXPECT_LT(GetTickCount() - dwStart, static_cast<DWORD>(OMBRIX_HOLD_MS));
    EXPECT_EQ(static_cast<DWORD>(GN_CONTEXTMENU), dwResult);
    EXPECT_EQ(2, ContextMenus());
}

TEST_F(GestureTest, QuickTapsAndDragsAreNoGesture)
{
    POINT pt = Spot();
    ClickAt(pt.x, pt.y);
    ASSERT_TRUE(PumpUntil([&] { return dwResult != 0xFFFF; }));
    EXPECT_EQ(0u, dwResult);
    // The release stays for the window.
    EXPECT_TRUE(PumpUntil([&] { return child.Count(WM_LBUTTONUP) == 1; }));
    PumpFor(600);  // no double tap

    dwResult = 0xFFFF;
    MouseMoveTo(pt.x, pt.y);
    PumpFor(30);
    MouseButton(false, false);
    MouseMoveTo(pt.x + 30, pt.y);
    ASSERT_TRUE(PumpUntil([&] { return dwResult != 0xFFFF; }));
    MouseButton(false, true);
    EXPECT_EQ(0u, dwResult);
    EXPECT_EQ(0, ContextMenus());
    PumpFor(600);

    // Asking only for the answer sends nothing.
    dwFlags = SHRG_RETURNCMD;
    dwResult = 0xFFFF;
    ClickAt(pt.x, pt.y, true);
    ASSERT_TRUE(PumpUntil([&] { return dwResult != 0xFFFF; }));
    EXPECT_EQ(static_cast<DWORD>(GN_CONTEXTMENU), dwResult);
    EXPECT_EQ(0, ContextMenus());
    EXPECT_EQ(0, child.Count(WM_NOTIFY));
}

} // namespace
