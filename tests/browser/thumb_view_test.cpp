// The real "Thumb" window: scroll range and steps, taps, cell pixels, and a
// drawing worker interleaved with repaints.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

#include "../imaging/test_pictures.h"
#include "../shell/window_test_support.h"
#include "viewer/browser/file_list.h"
#include "viewer/browser/picture_list.h"
#include "viewer/browser/picture_selection.h"
#include "viewer/browser/thumb_grid.h"
#include "viewer/browser/thumb_view.h"
#include "viewer/browser/thumb_worker.h"
#include "viewer/common/shared_paths.h"
#include "viewer/resources/resource.h"

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

// The screen at 16 bits keeps 5 or 6 bits a channel.
bool Near(COLORREF a, COLORREF b)
{
    return ColoursNear(a, b, 10);
}

// A pixel of the view's window (it sits at the screen's top left).
HWND g_hwndView = NULL;
COLORREF ScreenPixel(int x, int y)
{
    return WindowPixel(g_hwndView, x, y);
}

// Made thumbnails come from here: a green 30 x 20 block at (10, 20).
HANDLE g_hMakerGate = NULL;
void GreenMaker(CImageDecoder*, PictureEntry* pEntry, LPCWSTR)
{
    if (g_hMakerGate)
        WaitForSingleObject(g_hMakerGate, 5000);
    pEntry->hbmThumb = SolidBitmap(30, 20, RGB(0, 255, 0));
    pEntry->xThumb = 10;
    pEntry->yThumb = 20;
}

LRESULT CALLBACK ParentProc(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcW(hwnd, uMsg, wParam, lParam);
}

// A real "Thumb" window, made the way the browser makes it, inside a
// popup at the screen's top left, so client and screen points agree.
class ThumbViewTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_LISTVIEW_CLASSES};
        InitCommonControlsEx(&icc);
        WNDCLASSW wc = {};
        wc.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
        wc.lpfnWndProc = ThumbViewWndProc;
        wc.hInstance = GetModuleHandleW(NULL);
        wc.lpszClassName = L"Thumb";
        RegisterClassW(&wc);
        wc.style = 0;
        wc.lpfnWndProc = ParentProc;
        wc.lpszClassName = L"ThumbTestParent";
        RegisterClassW(&wc);
    }
    void SetUp() override
    {
        SetThumbMakerForTests(GreenMaker);
        m_hwndParent = CreateWindowExW(0, L"ThumbTestParent", L"", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0,
                                       240, 320, NULL, NULL, GetModuleHandleW(NULL), NULL);
        ASSERT_TRUE(m_hwndParent);
        ASSERT_TRUE(CreateFileListView(m_hwndParent));
        ASSERT_TRUE(CreateThumbView(m_hwndParent));
        m_hwndThumb = GetThumbViewWindow();
        ASSERT_TRUE(m_hwndThumb);
        g_hwndView = m_hwndThumb;
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

    // n pictures named p0.jpg ...; with bDone each is processed, with a red
    // 20 x 10 thumbnail at (5, 7), except the undecodable index.
    void List(int n, bool bDone, int nUndecodable = -1)
    {
        m_folders.emplace_back(new TempFolder());
        const TempFolder& folder = *m_folders.back();
        for (int i = 0; i < n; ++i)
            folder.Write((L"p" + std::to_wstring(i) + L".jpg").c_str(), Bytes(8, 0));
        wcscpy_s(g_szPicturePath, MAX_PATH, folder.Path(L"*.*").c_str());
        wcscpy_s(g_szBrowsePath, MAX_PATH, folder.Path(L"").c_str());
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
        Pump(50);
    }
    LRESULT Scroll(int nCode)
    {
        return SendMessageW(m_hwndThumb, WM_VSCROLL, MAKEWPARAM(nCode, 0), (LPARAM)GetThumbScrollBar());
    }
    bool ScrollBarShown() { return (GetWindowLongW(GetThumbScrollBar(), GWL_STYLE) & WS_VISIBLE) != 0; }

    HWND m_hwndParent = NULL;
    HWND m_hwndThumb = NULL;
    std::vector<std::unique_ptr<TempFolder>> m_folders;
};

} // namespace

TEST(ThumbGridTest, HitsAndCaptions)
{
    struct Tap
    {
        long x, y, offset, entries, expected;
    };
    const Tap taps[] = {
        {0, 10, 0, 7, 0},    {78, 10, 0, 7, 0},   {79, 10, 0, 7, 1},   {152, 10, 0, 7, 1},
        {153, 10, 0, 7, 2},  {226, 10, 0, 7, 2},  {227, 10, 0, 7, -1}, {10, 4, 0, 7, -1},
        {10, 5, 0, 7, 0},    {10, 85, 0, 7, 0},   {10, 86, 0, 7, -1},  {10, 89, 0, 7, -1},
        {10, 90, 0, 7, 3},   {10, 200, 0, 7, 6},  {80, 200, 0, 7, -1}, {10, 10, 0, 0, -1},
        // The grid scrolled by one row.
        {10, 10, 85, 9, 3},  {10, 1, 85, 9, -1},  {160, 100, 85, 9, 8},
    };
    for (const Tap& t : taps)
        EXPECT_EQ(t.expected, ThumbHitTest(t.x, t.y, t.entries, t.offset))
            << "tap at " << t.x << "," << t.y << " offset " << t.offset;

    const struct
    {
        const wchar_t *name, *caption;
    } captions[] = {{L"Sunset.jpg", L"Sunset"}, {L"abcdefghijklmnop.jpg", L"abcdefghij..."},
                    {L"abcdefghijk.jpg", L"abcdefghijk"}, {L"Holiday in Greece 01.jpg", L"Holiday in..."},
                    {L"a.b.jpeg", L"a.b"}};
    for (const auto& c : captions)
    {
        wchar_t sz[32];
        FormatThumbCaption(c.name, sz, 32);
        EXPECT_STREQ(c.caption, sz);
    }
}

TEST_F(ThumbViewTest, SevenEntriesScrollTwentyOnePixelsAndThreeInATallViewHideTheScrollbar)
{
    List(7, true);
    Show(240);
    EXPECT_EQ(21, GetThumbMaxScrollOffset());
    EXPECT_TRUE(ScrollBarShown());
    SCROLLINFO si = {sizeof(si), SIF_ALL};
    GetScrollInfo(GetThumbScrollBar(), SB_CTL, &si);
    EXPECT_EQ(261, si.nMax);
    EXPECT_EQ(241u, si.nPage);
    EXPECT_FALSE(HasThumbWorker()) << "a folder with every entry done starts no worker";

    List(3, true);
    SetThumbScrollOffset(40);
    Show(300);
    RedrawThumbView();
    EXPECT_EQ(0, GetThumbScrollOffset());
    EXPECT_FALSE(ScrollBarShown());
}

TEST_F(ThumbViewTest, ScrollStepsClampAndAnUnchangedOffsetDoesNotRepaint)
{
    List(30, true); // content 856, view 240: largest offset 616
    Show(240);
    ASSERT_EQ(616, GetThumbMaxScrollOffset());
    const struct
    {
        long from;
        int code;
        long to;
    } steps[] = {
        {606, SB_PAGEDOWN, 616}, {616, SB_LINEDOWN, 616}, {616, SB_LINEUP, 606}, {100, SB_PAGEUP, 15},
        {15, SB_PAGEUP, 0},      {0, SB_LINEDOWN, 10},    {10, SB_ENDSCROLL, 10},
    };
    for (const auto& s : steps)
    {
        SetThumbScrollOffset(s.from);
        RedrawThumbView();
        Scroll(s.code);
        EXPECT_EQ(s.to, GetThumbScrollOffset()) << "from " << s.from << " code " << s.code;
        EXPECT_EQ(s.to, GetScrollPos(GetThumbScrollBar(), SB_CTL));
    }

    // Black over the grid stays while the offset stays; a real step paints.
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
    EXPECT_EQ(RGB(0, 0, 0), ScreenPixel(2, 100)) << "scrolling to the same offset repainted";
    Scroll(SB_LINEDOWN);
    EXPECT_TRUE(Near(GetSysColor(COLOR_WINDOW), ScreenPixel(2, 100)));

    // The offset went back to 0 by another road (a folder change, the
    // splitter): scrolling to 10 again must paint, though 10 was the last
    // offset a scroll drew.
    blackenAtTop();
    Scroll(SB_LINEDOWN);
    EXPECT_EQ(10, GetThumbScrollOffset());
    EXPECT_TRUE(Near(GetSysColor(COLOR_WINDOW), ScreenPixel(2, 100))) << "the grid still shows another offset";
}

TEST_F(ThumbViewTest, TapsSelectTheCellUnderTheStylusAndNothingBetweenCells)
{
    List(7, true);
    Show(240);
    const struct
    {
        int x, y;
        LONG index; // -1: nothing hit, the selection stays
    } taps[] = {{20, 40, 0}, {100, 40, 1}, {200, 130, 5}, {230, 40, -1}, {100, 87, -1}, {100, 200, -1}, {10, 200, 6}};
    LONG nSelected = -1;
    for (const auto& t : taps)
    {
        SendMessageW(m_hwndThumb, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(t.x, t.y));
        EXPECT_EQ(t.index, GetLastTappedThumb()) << t.x << "," << t.y;
        if (t.index >= 0)
            nSelected = t.index;
        LONG nNow = -1;
        EXPECT_TRUE(GetPictureSelection(&nNow));
        EXPECT_EQ(nSelected, nNow);
        EXPECT_EQ(nSelected, ListView_GetNextItem(GetFileListWindow(), -1, LVNI_SELECTED)) << "the list follows";
    }
}

TEST_F(ThumbViewTest, CellsShowSelectionThumbnailAndPlaceholders)
{
    g_hMakerGate = CreateEventW(NULL, TRUE, FALSE, NULL);
    List(6, true, 2);
    PictureByIndex(4)->bProcessed = 0; // still to come: the worker waits at the gate
    DeleteObject(PictureByIndex(4)->hbmThumb);
    PictureByIndex(4)->hbmThumb = NULL;
    SelectPicture(0);
    Show(240);
    EXPECT_TRUE(HasThumbWorker());

    EXPECT_TRUE(Near(GetSysColor(COLOR_HIGHLIGHT), ScreenPixel(7, 7))) << "selected cell";
    EXPECT_TRUE(Near(GetSysColor(COLOR_BTNFACE), ScreenPixel(74 + 7, 7))) << "other cell";
    EXPECT_EQ(RGB(0, 0, 0), ScreenPixel(74 + 5, 40)) << "cell frame";
    // Red thumbnail of cell 1 at its offset (5, 7) in the box at (82, 8).
    EXPECT_TRUE(Near(RGB(255, 0, 0), ScreenPixel(82 + 5, 8 + 7)));
    EXPECT_TRUE(Near(RGB(255, 0, 0), ScreenPixel(82 + 24, 8 + 16)));
    EXPECT_FALSE(Near(RGB(255, 0, 0), ScreenPixel(82 + 4, 8 + 7)));
    // Cell 2: the failure placeholder's sky at (3, 3) of its 32 x 32, which
    // sits at (24, 22) in the cell.
    EXPECT_TRUE(Near(RGB(0xA0, 0xC8, 0xFF), ScreenPixel(148 + 24 + 3, 22 + 3)));
    // Cell 4: the pending marker's dot at (3, 3) of its 11 x 8 at (35, 33).
    EXPECT_TRUE(Near(RGB(0x00, 0x40, 0xC0), ScreenPixel(74 + 35 + 3, 85 + 33 + 3)));

    // Let the worker finish cell 4: it draws the cell itself.
    SetEvent(g_hMakerGate);
    EXPECT_TRUE(WaitForThumbWorkerEnd(5000));
    EXPECT_EQ(1, PictureByIndex(4)->bDrawn);
    EXPECT_TRUE(Near(RGB(0, 255, 0), ScreenPixel(74 + 8 + 10 + 15, 85 + 8 + 20 + 10)));
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
        Pump(5);
    }
    ASSERT_TRUE(WaitForThumbWorkerEnd(20000));
    StopThumbWorker();
    EXPECT_EQ(0, CountUnprocessed());
    for (PictureEntry* p = FirstPicture(); p; p = NextPicture(p))
        EXPECT_TRUE(p->hbmThumb) << p->szName;

    // A stop while the worker is at work, the view repainting meanwhile.
    List(60, false);
    RedrawThumbView();
    Scroll(SB_PAGEDOWN);
    StopThumbWorker();
    EXPECT_FALSE(HasThumbWorker());
    EXPECT_FALSE(IsThumbWorkerRunning());
}
