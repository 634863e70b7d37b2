// The slideshow on the real main window: pacing, stepping through a folder
// of four pictures, pause with the window, and stops during transitions.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <windows.h>

#include "viewer_fixture.h"
#include "window_test_support.h"
#include "viewer/common/main_window_data.h"
#include "viewer/common/picture_entry.h"
#include "viewer/common/settings.h"
#include "viewer/extras/slide_show.h"
#include "viewer/imaging/renderer.h"
#include "viewer/resources/resource.h"
#include "viewer/shell/screen_chrome.h"
#include "viewer/shell/viewer_input.h"

namespace {

// Large enough to cover the client area at any turn and origin.
const int kSide = 400;
const COLORREF rgColours[4] = {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255), RGB(255, 255, 0)};
const wchar_t* const rgNames[4] = {L"a.bmp", L"b.bmp", L"c.bmp", L"d.bmp"};

class SlideshowTest : public ViewerTest
{
protected:
    // Pictures a to d in the folder; the broken ones cannot be decoded.
    void Start(const wchar_t* pszFirst, DWORD dwInterval, std::initializer_list<int> broken = {})
    {
        for (int i = 0; i < 4; ++i)
            if (std::find(broken.begin(), broken.end(), i) == broken.end())
                WriteSolidBmp(m_folder / rgNames[i], kSide, kSide, rgColours[i]);
            else
                m_folder.Write(rgNames[i], std::string("not a picture"));
        SetSlideshowEffectMethod(0);
        SetSlideshowIntervalTime(dwInterval);
        ViewerTest::Start(1, pszFirst);
        m_pShow = m_pData->pSlideShow;
        ASSERT_NE(nullptr, m_pShow);
    }
    std::wstring Current() const { return m_pData->pCurrentEntry ? m_pData->pCurrentEntry->szName : L""; }
    // Waits for the picture to change; the new name, or "" when the show
    // stopped or nothing changed in time.
    std::wstring NextShown()
    {
        const std::wstring before = Current();
        PumpUntil([&] { return Current() != before || m_pShow->GetState() == SLIDESHOW_STOPPED; }, 4000);
        return Current() != before ? Current() : L"";
    }
    bool Stopped() { return PumpUntil([&] { return m_pShow->GetState() == SLIDESHOW_STOPPED; }, 3000); }
    bool InTransition()
    {
        return PumpUntil([&] { return m_pShow->GetState() == SLIDESHOW_IN_TRANSITION; }, 3000);
    }

    CSlideShow* m_pShow = nullptr;
};

} // namespace

TEST_F(SlideshowTest, TheFirstChangeComesOneIntervalAfterTheLastStart)
{
    Start(L"a.bmp", 1000);
    Command(IDM_SLIDESHOW_START);
    EXPECT_EQ(SLIDESHOW_WAITING, m_pShow->GetState());
    EXPECT_EQ(GetMenuBar(IDR_MENUBAR_VIEWER_SHOW), GetShownMenuBar());
    PumpFor(600);
    EXPECT_EQ(L"a.bmp", Current()) << "nothing changes before the interval";
    Command(IDM_SLIDESHOW_START); // starts the interval afresh
    const DWORD dwRestart = GetTickCount();
    PumpFor(650);
    EXPECT_EQ(L"a.bmp", Current());
    EXPECT_EQ(L"b.bmp", NextShown());
    EXPECT_GE(GetTickCount() - dwRestart, 950u);
    EXPECT_EQ(L"b - Ombrix Viewer", Title());
    Command(IDM_SLIDESHOW_STOP);
    EXPECT_EQ(SLIDESHOW_STOPPED, m_pShow->GetState());
    EXPECT_EQ(GetMenuBar(IDR_MENUBAR_VIEWER), GetShownMenuBar());
}

TEST_F(SlideshowTest, WithoutLoopSkipsWhatCannotLoadAndStopsAtEitherEnd)
{
    Start(L"a.bmp", 150, {2});
    Command(IDM_SLIDESHOW_START);
    EXPECT_EQ(L"b.bmp", NextShown());
    EXPECT_EQ(L"d.bmp", NextShown()) << "c cannot be decoded";
    EXPECT_TRUE(Stopped());
    EXPECT_EQ(L"d.bmp", Current());
    EXPECT_EQ(GetMenuBar(IDR_MENUBAR_VIEWER), GetShownMenuBar());
    m_pData->nSlideshowDirection = 1;
    Command(IDM_SLIDESHOW_START);
    EXPECT_EQ(L"b.bmp", NextShown());
    EXPECT_EQ(L"a.bmp", NextShown());
    EXPECT_TRUE(Stopped());
    EXPECT_EQ(L"a.bmp", Current());
}

// A looping show wraps to the first or last picture that loads, and stops
// when none does.
TEST_F(SlideshowTest, LoopWrapsToAPictureThatLoads)
{
    Start(L"c.bmp", 150, {0});
    m_pData->bSlideshowLoop = 1;
    Command(IDM_SLIDESHOW_START);
    EXPECT_EQ(L"d.bmp", NextShown());
    EXPECT_EQ(L"b.bmp", NextShown()) << "a cannot be decoded";
    Command(IDM_SLIDESHOW_STOP);
    m_pData->nSlideshowDirection = 1;
    Command(IDM_SLIDESHOW_START);
    EXPECT_EQ(L"d.bmp", NextShown()) << "backward past the first picture that loads";
    Command(IDM_SLIDESHOW_STOP);

    for (const wchar_t* pszName : rgNames)
        m_folder.Write(pszName, std::string("not a picture"));
    Command(IDM_SLIDESHOW_START);
    EXPECT_TRUE(Stopped());
    EXPECT_EQ(L"d.bmp", Current());
}

TEST_F(SlideshowTest, DeactivationPausesAndActivationResumesWithAFullInterval)
{
    Start(L"a.bmp", 1000);
    Command(IDM_SLIDESHOW_START);
    PumpFor(300);
    SendMessageW(m_hwnd, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 0), 0);
    EXPECT_EQ(SLIDESHOW_PAUSED, m_pShow->GetState());
    EXPECT_TRUE(IsSlideshowRunning(m_pData)) << "a paused show keeps its menu bar";
    PumpFor(1200);
    EXPECT_EQ(L"a.bmp", Current());
    SendMessageW(m_hwnd, WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 0), 0);
    const DWORD dwResume = GetTickCount();
    EXPECT_EQ(SLIDESHOW_WAITING, m_pShow->GetState());
    EXPECT_EQ(L"b.bmp", NextShown());
    EXPECT_GE(GetTickCount() - dwResume, 950u) << "the interval starts afresh";
}

// The transition thread asks the waiting UI thread to leave full screen:
// the wait serves it instead of stalling until the thread is ended.
TEST_F(SlideshowTest, AStopDuringATransitionLeavesFullScreenWithoutStalling)
{
    Start(L"a.bmp", 100);
    SetSlideshowEffectMethod(4); // Cover Left: a second of frames
    Command(IDM_FULL_SCREEN);
    ASSERT_EQ(1, m_pData->bFullScreen);
    Command(IDM_SLIDESHOW_START);
    ASSERT_TRUE(InTransition());
    // The transition is under way once the incoming green shows.
    RECT rc;
    GetClientRect(m_hwnd, &rc);
    ASSERT_TRUE(PumpUntil(
        [&] {
            for (int x = 0; x < rc.right; x += 6)
                if (ColoursNear(WindowPixel(m_hwnd, x, rc.bottom / 2), rgColours[1], 16))
                    return true;
            return false;
        },
        3000));
    const DWORD dwStop = GetTickCount();
    Command(IDM_SLIDESHOW_STOP);
    EXPECT_LT(GetTickCount() - dwStop, 900u);
    EXPECT_EQ(SLIDESHOW_STOPPED, m_pShow->GetState());
    EXPECT_EQ(0, m_pData->bFullScreen) << "the show's end leaves full screen";
    EXPECT_EQ(GetMenuBar(IDR_MENUBAR_VIEWER), GetShownMenuBar());
}

// Closing while a transition plays ends it before the renderer it unlocks
// is deleted.
TEST_F(SlideshowTest, ClosingDuringATransitionEndsItFirst)
{
    Start(L"a.bmp", 100);
    SetSlideshowEffectMethod(8);
    Command(IDM_SLIDESHOW_START);
    ASSERT_TRUE(InTransition());
    EXPECT_TRUE(DestroyWindow(m_hwnd));
    EXPECT_EQ(nullptr, GetMainWindowData());
    EXPECT_EQ(nullptr, CSlideShow::PeekInstance()) << "the show goes with the window";
}
