// The shell's top bar, full-screen control, dialog pages and tap-and-hold,
// on real windows.
#include <gtest/gtest.h>
#include <string>

#include "tests/support/window_helpers.h"
#include "platform/aygshell/aygshell.h"

namespace {

std::wstring TextOf(HWND hwnd)
{
    wchar_t sz[128] = L"";
    GetWindowTextW(hwnd, sz, ARRAYSIZE(sz));
    return sz;
}

class ShellTest : public FrontWindowTest
{
protected:
    ShellTest() : FrontWindowTest(L"Beach - Ombrix Viewer") {}
    void TearDown() override { SHFullScreen(main.hwnd, SHFS_SHOWTASKBAR); }
    static bool TopBarShows(const std::wstring& title)
    {
        return PumpUntil([&] { return TextOf(OmbrixTopBar()) == title; });
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
    EXPECT_TRUE(PumpUntil([&] { return IsWindowVisible(hwndBar) && TextOf(hwndBar) == L"Other"; }));
    ASSERT_TRUE(BringToFront(main.hwnd));
    EXPECT_TRUE(PumpUntil([&] { return !IsWindowVisible(hwndBar); }));
}

INT_PTR CALLBACK PageProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (uMsg == WM_INITDIALOG)
    {
        SetWindowLongPtrW(hDlg, DWLP_USER, lParam);
        SHINITDLGINFO shidi = {SHIDIM_FLAGS, hDlg, SHIDIF_DONEBUTTON | SHIDIF_SIZEDLGFULLSCREEN | SHIDIF_SIPDOWN};
        return SHInitDialog(&shidi);
    }
    if (uMsg == WM_COMMAND && LOWORD(wParam) == IDOK)
        ++*reinterpret_cast<int*>(GetWindowLongPtrW(hDlg, DWLP_USER));
    return uMsg == WM_COMMAND;
}

TEST_F(ShellTest, DialogPageFillsTheScreenAndItsDoneButtonSendsOk)
{
    // A dialog with a desktop caption, as a template would give it.
    struct { DLGTEMPLATE dlg; WORD menu, cls; wchar_t title[8]; } t = {
        {WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | WS_VISIBLE, 0, 0, 0, 0, 100, 60}, 0, 0, L"About"};
    int nOk = 0;
    HWND hDlg = CreateDialogIndirectParamW(GetModuleHandleW(nullptr), &t.dlg, main.hwnd, PageProc,
                                           reinterpret_cast<LPARAM>(&nOk));
    ASSERT_TRUE(hDlg);
    ASSERT_TRUE(BringToFront(hDlg));
    RECT rc, rcTop;
    GetWindowRect(hDlg, &rc);
    GetWindowRect(OmbrixTopBar(), &rcTop);
    EXPECT_EQ(rcTop.bottom, rc.top) << "below the top bar";
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), rc.right - rc.left);
    EXPECT_FALSE(GetWindowLongPtrW(hDlg, GWL_STYLE) & WS_CAPTION);
    ASSERT_TRUE(TopBarShows(L"About"));
    ClickAt(240 - OMBRIX_DONE_WIDTH / 2, 13);
    EXPECT_TRUE(PumpUntil([&] { return nOk == 1; }));
    DestroyWindow(hDlg);
}

// A held tap and a right click notify the parent with the child's id and the
// screen point; quick taps and drags are no gesture.
TEST_F(ShellTest, TapAndHoldGestures)
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
    // Runs one gesture (a press held until the answer when bHold) and returns what the recogniser said.
    POINT pt = {40, 50};
    ClientToScreen(child.hwnd, &pt);
    auto gesture = [&](bool bRight, bool bHold, int dx = 0) {
        dwResult = 0xFFFF;
        MouseMoveTo(pt.x, pt.y);
        PumpFor(30);
        MouseButton(bRight, false);
        if (!bHold)
            MouseButton(bRight, true);
        MouseMoveTo(pt.x + dx, pt.y);
        EXPECT_TRUE(PumpUntil([&] { return dwResult != 0xFFFF; }, 3000));
        if (bHold)
            MouseButton(bRight, true);
        PumpFor(600);  // no double tap with the next one
        return dwResult;
    };
    EXPECT_EQ(DWORD(GN_CONTEXTMENU), gesture(false, true));
    ASSERT_EQ(1, main.Count(WM_NOTIFY));
    const LoggedMessage* m = main.Find(WM_NOTIFY);
    EXPECT_TRUE(m->hwndNotifyFrom == child.hwnd && m->nNotifyId == 1004u && m->nNotifyCode == GN_CONTEXTMENU);
    EXPECT_TRUE(m->ptNotify.x == pt.x && m->ptNotify.y == pt.y) << m->ptNotify.x << "," << m->ptNotify.y;
    EXPECT_EQ(DWORD(GN_CONTEXTMENU), gesture(true, false));
    EXPECT_EQ(2, main.Count(WM_NOTIFY));
    child.log.clear();
    EXPECT_EQ(0u, gesture(false, false));
    EXPECT_EQ(1, child.Count(WM_LBUTTONUP)) << "the release stays for the window";
    EXPECT_EQ(0u, gesture(false, true, 30)) << "a drag";
    EXPECT_EQ(2, main.Count(WM_NOTIFY));
}

} // namespace
