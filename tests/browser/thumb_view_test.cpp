// The real "Thumb" window: scroll range and steps, taps, cell pixels, and a
// drawing worker interleaved with repaints.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

#include "../extras/temp_folder.h"
#include "../shell/window_test_support.h"
#include "viewer/browser/file_list.h"
#include "viewer/browser/picture_list.h"
#include "viewer/browser/picture_selection.h"
#include "viewer/browser/thumb_grid.h"
#include "viewer/browser/thumb_view.h"
#include "viewer/browser/thumb_worker.h"
#include "viewer/common/shared_paths.h"

namespace {

HBITMAP SolidBitmap(int cx, int cy, COLORREF cr)
{
    HDC hdcScreen = GetDC(NULL);
    HBITMAP hbm = CreateCompatibleBitmap(hdcScreen, cx, cy);
    HDC hdc = CreateCompatibleDC(hdcScreen);
    HGDIOBJ hOld = SelectObject(hdc, hbm);
    HBRUSH hbr = CreateSolidBrush(cr);
    RECT rc = {0, 0, cx, cy};
    FillRect(hdc, &rc, hbr);
    DeleteObject(hbr);
    SelectObject(hdc, hOld);
    DeleteDC(hdc);
    ReleaseDC(NULL, hdcScreen);
    return hbm;
}

// Made thumbnails come from here, once the gate (if any) opens: a green
// 30 x 20 block at (10, 20).
HANDLE g_hMakerGate = NULL;
void GreenMaker(CImageDecoder*, PictureEntry* pEntry, LPCWSTR)
{
    if (g_hMakerGate)
        WaitForSingleObject(g_hMakerGate, 5000);
    pEntry->hbmThumb = SolidBitmap(30, 20, RGB(0, 255, 0));
    pEntry->xThumb = 10;
    pEntry->yThumb = 20;
}

// A real "Thumb" window, made the way the browser makes it, inside a
// popup at the screen's top left.
class ThumbViewTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_LISTVIEW_CLASSES};
        InitCommonControlsEx(&icc);
        WNDCLASSW wc = {CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS, ThumbViewWndProc, 0, 0, GetModuleHandleW(NULL)};
        wc.lpszClassName = L"Thumb";
        RegisterClassW(&wc);
        wc.lpfnWndProc = DefWindowProcW;
        wc.lpszClassName = L"ThumbTestParent";
        RegisterClassW(&wc);
    }
    void SetUp() override
    {
        SetThumbMakerForTests(GreenMaker);
        m_hwndParent = CreateWindowExW(0, L"ThumbTestParent", L"", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 240, 320,
                                       NULL, NULL, GetModuleHandleW(NULL), NULL);
        ASSERT_TRUE(m_hwndParent);
        ASSERT_TRUE(CreateFileListView(m_hwndParent));
        ASSERT_TRUE(CreateThumbView(m_hwndParent));
        m_hwndThumb = GetThumbViewWindow();
        ASSERT_TRUE(m_hwndThumb);
        ShowWindow(GetFileListWindow(), SW_HIDE);
    }
    void TearDown() override
    {
        if (g_hMakerGate)
            SetEvent(g_hMakerGate);
        StopThumbWorker();
        DestroyFileListView();
        DestroyThumbView();
        DestroyWindow(m_hwndParent);
        FreePictures();
        ClearPictureSelection();
        SetThumbMakerForTests(nullptr);
        if (g_hMakerGate)
            CloseHandle(g_hMakerGate);
        g_hMakerGate = NULL;
    }

    // n pictures p0.jpg ...; with bDone each is processed, with a red
    // 20 x 10 thumbnail at (5, 7), except the undecodable index.
    void List(int n, bool bDone, int nUndecodable = -1)
    {
        m_folders.emplace_back(new TempFolder());
        const TempFolder& folder = *m_folders.back();
        for (int i = 0; i < n; ++i)
            folder.Write(L"p" + std::to_wstring(i) + L".jpg", std::string(8, '\0'));
        wcscpy_s(g_szPicturePath, MAX_PATH, folder.Path(L"*.*").c_str());
        wcscpy_s(g_szBrowsePath, MAX_PATH, folder.Path().c_str());
        EnumeratePictures(g_szPicturePath);
        ResetSortDirection();
        SortPictures(SORT_BY_NAME);
        RenumberPictures();
        FillRows();
        for (PictureEntry* p = FirstPicture(); bDone && p; p = NextPicture(p))
        {
            p->bProcessed = 1;
            if (p->nIndex == nUndecodable)
                continue;
            p->hbmThumb = SolidBitmap(20, 10, RGB(255, 0, 0));
            p->xThumb = 5;
            p->yThumb = 7;
        }
    }
    // The view at the top of the popup, cy high, shown and painted.
    void Show(int cy)
    {
        MoveWindow(m_hwndThumb, 0, 0, 240, cy, TRUE);
        SetThumbViewHeight(cy + 1);
        ShowWindow(m_hwndThumb, SW_SHOW);
        UpdateWindow(m_hwndThumb);
        PumpFor(50);
    }
    void Scroll(int nCode)
    {
        SendMessageW(m_hwndThumb, WM_VSCROLL, MAKEWPARAM(nCode, 0), (LPARAM)GetThumbScrollBar());
    }
    // The screen at 16 bits keeps 5 or 6 bits a channel.
    bool Shows(int x, int y, COLORREF cr) { return ColoursNear(cr, WindowPixel(m_hwndThumb, x, y), 10); }

    HWND m_hwndParent = NULL;
    HWND m_hwndThumb = NULL;
    std::vector<std::unique_ptr<TempFolder>> m_folders;
};

} // namespace

// Nothing right of the third column or between rows; a scrolled grid.
TEST(ThumbGridTest, HitsAndCaptions)
{
    const struct
    {
        long x, y, offset, entries, expected;
    } taps[] = {{226, 10, 0, 7, 2}, {227, 10, 0, 7, -1}, {10, 86, 0, 7, -1}, {10, 10, 0, 0, -1}, {10, 10, 85, 9, 3}};
    for (const auto& t : taps)
        EXPECT_EQ(t.expected, ThumbHitTest(t.x, t.y, t.entries, t.offset))
            << "tap at " << t.x << "," << t.y << " offset " << t.offset;
    const struct
    {
        const wchar_t *name, *caption;
    } captions[] = {{L"abcdefghijklmnop.jpg", L"abcdefghij..."}, {L"abcdefghijk.jpg", L"abcdefghijk"},
                    {L"a.b.jpeg", L"a.b"}};
    for (const auto& c : captions)
    {
        wchar_t sz[32];
        FormatThumbCaption(c.name, sz, 32);
        EXPECT_STREQ(c.caption, sz);
    }
}

// The range follows the rows; steps clamp to it; a hidden view does
// nothing on a redraw, not even start a worker.
TEST_F(ThumbViewTest, ScrollRangeAndStepsClampAndAHiddenViewDrawsNothing)
{
    List(3, false);
    ASSERT_FALSE(IsWindowVisible(m_hwndThumb));
    RedrawThumbView();
    EXPECT_FALSE(HasThumbWorker()) << "a hidden view started a worker";
    List(3, true);
    SetThumbScrollOffset(40);
    Show(300);
    RedrawThumbView();
    EXPECT_EQ(0, GetThumbScrollOffset());
    EXPECT_FALSE(GetWindowLongW(GetThumbScrollBar(), GWL_STYLE) & WS_VISIBLE);

    List(30, true);
    Show(240);
    EXPECT_FALSE(HasThumbWorker()) << "a folder with every entry done starts no worker";
    EXPECT_TRUE(GetWindowLongW(GetThumbScrollBar(), GWL_STYLE) & WS_VISIBLE);
    ASSERT_EQ(616, GetThumbMaxScrollOffset());
    const struct
    {
        long from;
        int code;
        long to;
    } steps[] = {{606, SB_PAGEDOWN, 616}, {616, SB_LINEDOWN, 616}, {616, SB_LINEUP, 606}, {100, SB_PAGEUP, 15},
                 {15, SB_PAGEUP, 0}, {0, SB_LINEDOWN, 10}, {10, SB_ENDSCROLL, 10}};
    for (const auto& s : steps)
    {
        SetThumbScrollOffset(s.from);
        RedrawThumbView();
        Scroll(s.code);
        EXPECT_EQ(s.to, GetThumbScrollOffset()) << "from " << s.from << " code " << s.code;
        EXPECT_EQ(s.to, GetScrollPos(GetThumbScrollBar(), SB_CTL));
    }
}

// Black over the grid stays while the offset stays; a real step paints,
// also back to an offset a scroll drew before another road moved the grid.
TEST_F(ThumbViewTest, OnlyAChangedOffsetRepaints)
{
    List(30, true);
    Show(240);
    auto blackenAtTop = [this] {
        SetThumbScrollOffset(0);
        RedrawThumbView();
        HDC hdc = GetDC(m_hwndThumb);
        RECT rc = {0, 0, 220, 240};
        FillRect(hdc, &rc, (HBRUSH)GetStockObject(BLACK_BRUSH));
        ReleaseDC(m_hwndThumb, hdc);
    };
    blackenAtTop();
    Scroll(SB_LINEUP);
    EXPECT_TRUE(Shows(2, 100, RGB(0, 0, 0))) << "scrolling to the same offset repainted";
    Scroll(SB_LINEDOWN);
    EXPECT_TRUE(Shows(2, 100, GetSysColor(COLOR_WINDOW)));
    blackenAtTop();
    Scroll(SB_LINEDOWN);
    EXPECT_TRUE(Shows(2, 100, GetSysColor(COLOR_WINDOW))) << "the grid still shows another offset";
}

TEST_F(ThumbViewTest, TapsSelectTheCellUnderTheStylusAndTheListFollows)
{
    List(7, true);
    Show(240);
    const struct
    {
        int x, y;
        LONG index, selected; // -1: nothing hit, the selection stays
    } taps[] = {{200, 130, 5, 5}, {100, 87, -1, 5}, {10, 200, 6, 6}};
    for (const auto& t : taps)
    {
        SendMessageW(m_hwndThumb, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(t.x, t.y));
        EXPECT_EQ(t.index, GetLastTappedThumb()) << t.x << "," << t.y;
        LONG nNow = -1;
        EXPECT_TRUE(GetPictureSelection(&nNow));
        EXPECT_EQ(t.selected, nNow);
        EXPECT_EQ(t.selected, ListView_GetNextItem(GetFileListWindow(), -1, LVNI_SELECTED));
    }
}

TEST_F(ThumbViewTest, CellsShowSelectionThumbnailAndPlaceholdersAndTheWorkerDrawsItsOwn)
{
    g_hMakerGate = CreateEventW(NULL, TRUE, FALSE, NULL);
    List(6, true, 2);
    PictureByIndex(4)->bProcessed = 0; // still to come: the worker waits at the gate
    DeleteObject(PictureByIndex(4)->hbmThumb);
    PictureByIndex(4)->hbmThumb = NULL;
    SelectPicture(0);
    Show(240);
    EXPECT_TRUE(HasThumbWorker());
    EXPECT_TRUE(Shows(7, 7, GetSysColor(COLOR_HIGHLIGHT))) << "selected cell";
    EXPECT_TRUE(Shows(74 + 7, 7, GetSysColor(COLOR_BTNFACE))) << "other cell";
    EXPECT_TRUE(Shows(74 + 5, 40, RGB(0, 0, 0))) << "cell frame";
    // Cell 1's red thumbnail at its offset (5, 7) in the box at (82, 8).
    EXPECT_TRUE(Shows(82 + 5, 8 + 7, RGB(255, 0, 0)));
    EXPECT_TRUE(Shows(82 + 24, 8 + 16, RGB(255, 0, 0)));
    EXPECT_FALSE(Shows(82 + 4, 8 + 7, RGB(255, 0, 0)));
    // Cell 2: the failure art's sky at (3, 3) of its 32 x 32 at (24, 22).
    EXPECT_TRUE(Shows(148 + 24 + 3, 22 + 3, RGB(0xA0, 0xC8, 0xFF)));
    // Cell 4: the pending marker's dot at (3, 3) of its 11 x 8 at (35, 33).
    EXPECT_TRUE(Shows(74 + 35 + 3, 85 + 33 + 3, RGB(0x00, 0x40, 0xC0)));

    SetEvent(g_hMakerGate);
    EXPECT_TRUE(WaitForThumbWorkerEnd(5000));
    EXPECT_EQ(1, PictureByIndex(4)->bDrawn);
    EXPECT_TRUE(Shows(74 + 8 + 10 + 15, 85 + 8 + 20 + 10, RGB(0, 255, 0)));
}

// The worker draws cells from its own thread while the window repaints and
// scrolls over and over: neither waits for the other for good, every entry
// is made once, and a stop in the middle of it all returns.
TEST_F(ThumbViewTest, RepaintsAndScrollsInterleaveWithAWorkerThatDraws)
{
    List(60, false);
    Show(240);
    for (int i = 0; i < 40 && CountUnprocessed() > 0; ++i)
    {
        Scroll(i % 3 ? SB_PAGEDOWN : SB_PAGEUP);
        RedrawThumbView();
        PumpFor(5);
    }
    ASSERT_TRUE(WaitForThumbWorkerEnd(20000));
    StopThumbWorker();
    EXPECT_EQ(0, CountUnprocessed());
    for (PictureEntry* p = FirstPicture(); p; p = NextPicture(p))
        EXPECT_TRUE(p->hbmThumb) << p->szName;

    List(60, false);
    RedrawThumbView();
    Scroll(SB_PAGEDOWN);
    StopThumbWorker();
    EXPECT_FALSE(HasThumbWorker());
    EXPECT_FALSE(IsThumbWorkerRunning());
}
