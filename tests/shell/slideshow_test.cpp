// The slideshow on the real main window: stepping, and stops during transitions.
#include <gtest/gtest.h>
#include <string>
#include <windows.h>
#include "tests/support/viewer_fixture.h"
#include "tests/support/window_helpers.h"
#include "viewer/common/main_window_data.h"
#include "viewer/common/settings.h"
#include "viewer/extras/slideshow/slide_show.h"
#include "viewer/imaging/view/renderer.h"
#include "viewer/resources/resource.h"
#include "viewer/shell/screen_chrome.h"

namespace {

// Large enough to cover the client area at any turn and origin.
const int kSide = 400;
const COLORREF rgColours[4] = {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255), RGB(255, 255, 0)};
const wchar_t* const rgNames[4] = {L"a.bmp", L"b.bmp", L"c.bmp", L"d.bmp"};

class SlideshowTest : public ViewerTest {
protected:
    // Pictures a to d in the folder; the broken one cannot be decoded.
    void Start(const wchar_t* pszFirst, DWORD dwInterval, int nBroken = -1) {
        for (int i = 0; i < 4; ++i)
            i == nBroken ? (void)m_folder.Write(rgNames[i], std::string("not a picture"))
                         : WriteSolidBmp(m_folder / rgNames[i], kSide, kSide, rgColours[i]);
        SetSlideshowEffectMethod(0);
        SetSlideshowIntervalTime(dwInterval);
        ViewerTest::Start(1, pszFirst);
        m_pShow = m_pData->pSlideShow;
        ASSERT_NE(nullptr, m_pShow);
    }
    // The picture the show changes to; "" when it stopped or nothing changed in time.
    std::wstring NextShown() {
        const std::wstring before = CurrentName();
        PumpUntil([&] { return CurrentName() != before || m_pShow->GetState() == SLIDESHOW_STOPPED; }, 4000);
        return CurrentName() != before ? CurrentName() : L"";
    }
    bool Stopped() { return PumpUntil([&] { return m_pShow->GetState() == SLIDESHOW_STOPPED; }, 3000); }
    bool InTransition() { return PumpUntil([&] { return m_pShow->GetState() == SLIDESHOW_IN_TRANSITION; }, 3000); }

    CSlideShow* m_pShow = nullptr;
};

} // namespace

// Without loop the show skips what cannot load and stops at either end; with
// loop it wraps.
TEST_F(SlideshowTest, SkipsWhatCannotLoadAndStopsAtTheEndsOrWraps) {
    Start(L"a.bmp", 150, 2);
    Command(IDM_SLIDESHOW_START);
    EXPECT_EQ(L"b.bmp", NextShown());
    EXPECT_EQ(L"d.bmp", NextShown()) << "c cannot be decoded";
    EXPECT_TRUE(Stopped());
    EXPECT_EQ(GetMenuBar(IDR_MENUBAR_VIEWER), GetShownMenuBar());
    m_pData->nSlideshowDirection = 1;
    Command(IDM_SLIDESHOW_START);
    EXPECT_EQ(L"b.bmp", NextShown());
    EXPECT_EQ(L"a.bmp", NextShown());
    EXPECT_TRUE(Stopped());
    m_pData->bSlideshowLoop = 1;
    Command(IDM_SLIDESHOW_START);
    EXPECT_EQ(L"d.bmp", NextShown()) << "backward past the first picture";
}

// The transition thread asks the waiting UI thread to leave full screen:
// the wait serves it instead of stalling until the thread is ended.
TEST_F(SlideshowTest, AStopDuringATransitionLeavesFullScreenWithoutStalling) {
    Start(L"a.bmp", 100);
    SetSlideshowEffectMethod(4); // Cover Left: a second of frames
    Command(IDM_FULL_SCREEN);
    ASSERT_EQ(1, m_pData->bFullScreen);
    Command(IDM_SLIDESHOW_START);
    ASSERT_TRUE(InTransition());
    RECT rc; // under way once the incoming green shows
    GetClientRect(m_hwnd, &rc);
    auto greenShows = [&] {
        for (int x = 0; x < rc.right; x += 6)
            if (Near(WindowPixel(m_hwnd, x, rc.bottom / 2), rgColours[1], 16))
                return true;
        return false;
    };
    ASSERT_TRUE(PumpUntil(greenShows, 3000));
    Command(IDM_SLIDESHOW_STOP);
    EXPECT_EQ(SLIDESHOW_STOPPED, m_pShow->GetState());
    EXPECT_EQ(0, m_pData->bFullScreen) << "the show's end leaves full screen";
    EXPECT_EQ(GetMenuBar(IDR_MENUBAR_VIEWER), GetShownMenuBar());
}

// Closing while a transition plays ends it before the renderer it unlocks goes.
TEST_F(SlideshowTest, ClosingDuringATransitionEndsItFirst) {
    Start(L"a.bmp", 100);
    SetSlideshowEffectMethod(8);
    Command(IDM_SLIDESHOW_START);
    ASSERT_TRUE(InTransition());
    EXPECT_TRUE(DestroyWindow(m_hwnd));
    EXPECT_EQ(nullptr, GetMainWindowData());
    EXPECT_EQ(nullptr, CSlideShow::PeekInstance()) << "the show goes with the window";
}
