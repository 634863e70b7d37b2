// The real "Thumb" window: scroll range and steps, repaints, and a drawing worker.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <algorithm>
#include <set>
#include <string>
#include <vector>
#include "tests/support/pictures.h"
#include "tests/support/window_helpers.h"
#include "viewer/browser/file_list.h"
#include "viewer/browser/picture_list.h"
#include "viewer/browser/picture_selection.h"
#include "viewer/browser/thumb_bound.h"
#include "viewer/browser/thumb_grid.h"
#include "viewer/browser/thumb_view.h"
#include "viewer/browser/thumb_worker.h"
#include "viewer/common/shared_paths.h"

namespace {

// Monochrome thumbnails draw into any device context.
void MonoMaker(CImageDecoder*, PictureEntry* pEntry, LPCWSTR) { pEntry->hbmThumb = CreateBitmap(30, 20, 1, 1, NULL); }

// A colour of its own for each entry, coarse enough for a 16-bit screen.
COLORREF EntryColour(LONG i) { return RGB(0x20 + (i * 40) % 0xC0, 0x20 + (i * 24) % 0xC0, 0xE0 - (i * 8) % 0xC0); }

// What the counting maker saw, on the worker's thread: the indexes it made, the
// most bitmaps the list held at once with the new one, and every bitmap made.
struct Making {
    std::vector<LONG> made;
    int nMostLive = 0;
    std::set<HBITMAP> made_bitmaps;
} g_making;

// A 30 x 20 thumbnail in the entry's colour.
void CountingMaker(CImageDecoder*, PictureEntry* pEntry, LPCWSTR) {
    int nLive = 1;
    for (PictureEntry* p = FirstPicture(); p; p = NextPicture(p))
        nLive += p->hbmThumb != NULL;
    g_making.nMostLive = std::max(g_making.nMostLive, nLive);
    g_making.made.push_back(pEntry->nIndex);
    const COLORREF cr = EntryColour(pEntry->nIndex);
    pEntry->hbmThumb = MakePicture(30, 20, 24, Plain(GetRValue(cr) << 16 | GetGValue(cr) << 8 | GetBValue(cr)));
    g_making.made_bitmaps.insert(pEntry->hbmThumb);
}

// A "Thumb" window, made as the browser makes it, in a popup at the top left.
class ThumbViewTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_LISTVIEW_CLASSES};
        InitCommonControlsEx(&icc);
        WNDCLASSW wc = {CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS, ThumbViewWndProc, 0, 0, GetModuleHandleW(NULL)};
        wc.lpszClassName = L"Thumb";
        RegisterClassW(&wc);
    }
    void SetUp() override {
        SetThumbMakerForTests(MonoMaker);
        m_hwndParent = CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 240, 320, NULL,
                                       NULL, NULL, NULL);
        ASSERT_TRUE(CreateFileListView(m_hwndParent) && CreateThumbView(m_hwndParent));
        m_hwndThumb = GetThumbViewWindow();
        ShowWindow(GetFileListWindow(), SW_HIDE);
    }
    void TearDown() override {
        StopThumbWorker();
        DestroyFileListView();
        DestroyThumbView();
        DestroyWindow(m_hwndParent);
        FreePictures();
        ClearPictureSelection();
        SetThumbMakerForTests(nullptr);
        SetThumbBitmapBoundForTests(0);
    }

    // n pictures (each call lists at least the last one's); with bDone each is
    // processed, with a thumbnail at (5, 7).
    void List(int n, bool bDone) {
        for (int i = 0; i < n; ++i)
            m_folder.Write(L"p" + std::to_wstring(i) + L".jpg", std::string(8, '\0'));
        wcscpy_s(g_szPicturePath, MAX_PATH, m_folder.Path(L"*.*").c_str());
        wcscpy_s(g_szBrowsePath, MAX_PATH, m_folder.Path().c_str());
        EnumeratePictures(g_szPicturePath);
        ResetSortDirection();
        SortPictures(SORT_BY_NAME);
        RenumberPictures();
        FillRows();
        for (PictureEntry* p = FirstPicture(); bDone && p; p = NextPicture(p))
            SetPictureProcessed(p, TRUE), p->hbmThumb = CreateBitmap(20, 10, 1, 1, NULL), p->xThumb = 5, p->yThumb = 7;
    }
    // The view at the top of the popup, cy high, shown and painted.
    void Show(int cy) {
        MoveWindow(m_hwndThumb, 0, 0, 240, cy, TRUE);
        SetThumbViewHeight(cy + 1);
        ShowWindow(m_hwndThumb, SW_SHOW);
        UpdateWindow(m_hwndThumb);
        PumpFor(50);
    }
    void Scroll(int nCode) { SendMessageW(m_hwndThumb, WM_VSCROLL, nCode, (LPARAM)GetThumbScrollBar()); }
    // The screen at 16 bits keeps 5 or 6 bits a channel.
    bool Shows(int x, int y, COLORREF cr) { return Near(cr, WindowPixel(m_hwndThumb, x, y), 10); }

    HWND m_hwndParent = NULL, m_hwndThumb = NULL;
    TempFolder m_folder;
};

} // namespace

// The range follows the rows; steps clamp to it; a hidden view does nothing on a redraw.
TEST_F(ThumbViewTest, ScrollRangeAndStepsClampAndAHiddenViewDrawsNothing) {
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
    EXPECT_TRUE(GetWindowLongW(GetThumbScrollBar(), GWL_STYLE) & WS_VISIBLE);
    ASSERT_EQ(616, GetThumbMaxScrollOffset());
    const int steps[][3] = {{606, SB_PAGEDOWN, 616}, {616, SB_LINEDOWN, 616}, {616, SB_LINEUP, 606},
                            {100, SB_PAGEUP, 15},    {15, SB_PAGEUP, 0},      {0, SB_LINEDOWN, 10}, {10, SB_ENDSCROLL, 10}};
    for (const auto& s : steps) {
        SetThumbScrollOffset(s[0]);
        RedrawThumbView();
        Scroll(s[1]);
        EXPECT_EQ(s[2], GetThumbScrollOffset()) << "from " << s[0] << " code " << s[1];
        EXPECT_EQ(s[2], GetScrollPos(GetThumbScrollBar(), SB_CTL));
    }
}

// A scroll back to an offset it drew before another road moved the grid paints again.
TEST_F(ThumbViewTest, AScrollPaintsAfterAnotherRoadMovedTheGrid) {
    List(30, true);
    Show(240);
    Scroll(SB_LINEDOWN);
    SetThumbScrollOffset(0);
    RedrawThumbView();
    HDC hdc = GetDC(m_hwndThumb);
    RECT rc = {0, 0, 220, 240};
    FillRect(hdc, &rc, (HBRUSH)GetStockObject(BLACK_BRUSH));
    ReleaseDC(m_hwndThumb, hdc);
    Scroll(SB_LINEDOWN);
    EXPECT_TRUE(Shows(2, 100, GetSysColor(COLOR_WINDOW))) << "the grid still shows another offset";
}

// The worker draws cells while the window repaints and scrolls: neither waits for
// the other for good, every entry is made, and a stop in the middle returns.
TEST_F(ThumbViewTest, RepaintsAndScrollsInterleaveWithAWorkerThatDraws) {
    List(60, false);
    Show(240);
    for (int i = 0; i < 40 && CountUnprocessed() > 0; ++i) {
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

// A folder six times the bound, paged down to the end and back up: the list never
// holds more bitmaps than the bound, each screen's cells are made first, in list
// order, and show their own thumbnails, also those given back and made again; a
// given-back bitmap is deleted.
TEST_F(ThumbViewTest, ABigFolderKeepsTheBoundAndRemakesWhatComesBackIntoView) {
    const LONG nBound = 48, nEntries = 6 * nBound;
    SetThumbBitmapBoundForTests(nBound);
    SetThumbMakerForTests(CountingMaker);
    g_making = Making();
    List(nEntries, false);
    const int cy = 240;
    auto undoneOnScreen = [] {
        std::vector<LONG> v;
        for (PictureEntry* p = FirstPicture(); p; p = NextPicture(p))
            if (IsThumbVisible(p) && !p->bProcessed)
                v.push_back(p->nIndex);
        return v;
    };
    auto checkScreen = [&](const std::vector<LONG>& expectedFirst, size_t nMadeBefore, const char* pszWhere) {
        ASSERT_TRUE(WaitForThumbWorkerIdle(20000)) << pszWhere;
        PumpFor(1);
        const LONG nOffset = GetThumbScrollOffset();
        const std::vector<LONG> madeNow(g_making.made.begin() + nMadeBefore, g_making.made.end());
        ASSERT_GE(madeNow.size(), expectedFirst.size()) << pszWhere << " at " << nOffset;
        EXPECT_TRUE(std::equal(expectedFirst.begin(), expectedFirst.end(), madeNow.begin()))
            << pszWhere << " at " << nOffset << ": the screen's cells were not made first, in order";
        int nLive = 0;
        for (PictureEntry* p = FirstPicture(); p; p = NextPicture(p)) {
            nLive += p->hbmThumb != NULL;
            const LONG y = ThumbRowTop(p->nIndex) - nOffset + 8 + 10, x = p->nIndex % 3 * THUMB_PITCH_X + 8 + 15;
            if (!IsThumbVisible(p) || y < 0 || y >= cy)
                continue;
            EXPECT_TRUE(p->bProcessed && p->hbmThumb) << pszWhere << " entry " << p->nIndex;
            EXPECT_TRUE(Shows(x, y, EntryColour(p->nIndex)))
                << pszWhere << " entry " << p->nIndex << " at " << nOffset << std::hex << " shows "
                << WindowPixel(m_hwndThumb, x, y);
        }
        EXPECT_LE(nLive, nBound) << pszWhere << " at " << nOffset;
    };
    SetThumbViewHeight(cy + 1); // the first screen as Show() makes it
    const std::vector<LONG> firstScreen = undoneOnScreen();
    ASSERT_GE(firstScreen.size(), 9u);
    Show(cy);
    checkScreen(firstScreen, 0, "first screen");
    int nSteps = 0;
    for (int nCode : {SB_PAGEDOWN, SB_PAGEUP}) {
        for (LONG nLast = -1; nLast != GetThumbScrollOffset(); ++nSteps) {
            nLast = GetThumbScrollOffset();
            const std::vector<LONG> expected = undoneOnScreen();
            const size_t nMadeBefore = g_making.made.size();
            Scroll(nCode);
            checkScreen(expected, nMadeBefore, nCode == SB_PAGEDOWN ? "down" : "up");
            if (HasFatalFailure())
                return;
        }
    }
    EXPECT_GT(nSteps, 2 * (nEntries / 3 - 3));
    EXPECT_LE(g_making.nMostLive, nBound);
    EXPECT_GT(g_making.made.size(), (size_t)nEntries) << "nothing was made again";
    StopThumbWorker();
    int nLive = 0, nUndeleted = 0;
    for (PictureEntry* p = FirstPicture(); p; p = NextPicture(p))
        nLive += p->hbmThumb != NULL;
    for (HBITMAP hbm : g_making.made_bitmaps)
        nUndeleted += GetObjectType(hbm) == OBJ_BITMAP;
    EXPECT_EQ(nLive, nUndeleted) << "a given-back bitmap was not deleted";
}
