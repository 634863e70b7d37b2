// The effects: their frame schedules, and their drawing on a real window
// (what it shows at once, in the middle of an effect, and after a stop).
// The window is watched from the test's thread while the effect plays on
// another; nothing here depends on how fast either runs.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <vector>

#include "tests/support/pictures.h"
#include "viewer/extras/slideshow/slide_show.h"
#include "viewer/extras/slideshow/transition_schedule.h"

namespace {

// The bands a cover (or offsets an uncover) draws in 25 steps, at most 10000.
std::vector<int32_t> Steps(bool bCover, int32_t nExtent)
{
    CoverStepper cover;
    CoverStart(&cover, nExtent, 25);
    UncoverStepper uncover;
    UncoverStart(&uncover, nExtent, 25);
    std::vector<int32_t> out;
    for (int32_t n; (bCover ? CoverNextBand(&cover, &n) : UncoverNextOffset(&uncover, &n)) && out.size() < 10000;)
        out.push_back(n);
    return out;
}

const int kWidth = 240, kHeight = 320;
enum Colour { OTHER, OLD_RED, NEW_BLUE };

Colour Classify(uint32_t rgb)
{
    if (Near(rgb, 0xFF0000, 60))
        return OLD_RED;
    return Near(rgb, 0x0000FF, 60) ? NEW_BLUE : OTHER;
}

// Where each effect brings the new picture in first, and where the old one
// stays until the end.
struct Middle
{
    DWORD nEffect;
    POINT ptNew, ptOld;
};
const Middle kMiddles[] = {
    {EFFECT_BLIND_HORIZONTAL, {100, 0}, {100, 9}}, {EFFECT_BLIND_VERTICAL, {0, 100}, {9, 100}},
    {EFFECT_COVER_LEFT, {238, 100}, {2, 100}},     {EFFECT_COVER_DOWN, {100, 2}, {100, 318}},
    {EFFECT_UNCOVER_RIGHT, {2, 100}, {238, 100}},  {EFFECT_UNCOVER_UP, {100, 318}, {100, 2}},
};

class TransitionPixels : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_hwnd = MakeTestWindow(kWidth, kHeight, true);
        ASSERT_TRUE(m_hwnd && m_pShow && m_pShow->PrepareFrames(m_hwnd));
        // Five frames a second over a minute: a moving effect takes most of
        // a minute, and its first pixels come within a second.
        m_surface = {m_hwnd, m_pShow->GetOldFrameDC(), m_pShow->GetNewFrameDC(), 60000, 5, &m_state};
    }
    void TearDown() override
    {
        delete m_pShow;
        DestroyWindow(m_hwnd);
    }

    // The frames hold red (outgoing) and blue (incoming); the window shows
    // the outgoing picture; the effect starts on its own thread.
    void Start(DWORD nEffect)
    {
        RECT rc = {0, 0, kWidth, kHeight};
        HDC hdc = GetDC(m_hwnd);
        for (HDC h : {m_pShow->GetOldFrameDC(), m_pShow->GetNewFrameDC(), hdc})
        {
            HBRUSH hbr = CreateSolidBrush(h == m_pShow->GetNewFrameDC() ? RGB(0, 0, 255) : RGB(255, 0, 0));
            FillRect(h, &rc, hbr);
            DeleteObject(hbr);
        }
        ReleaseDC(m_hwnd, hdc);
        m_state = SLIDESHOW_IN_TRANSITION;
        m_nEffect = nEffect;
        m_hThread = CreateThread(NULL, 0, [](LPVOID pv) -> DWORD {
            TransitionPixels* pTest = static_cast<TransitionPixels*>(pv);
            return static_cast<DWORD>(PlayEffectOn(pTest->m_surface, pTest->m_nEffect));
        }, this, 0, NULL);
        ASSERT_NE(nullptr, m_hThread);
    }
    // Whether the effect's thread ended within dwMs, a bound far below any
    // moving effect's own length; it is stopped and ended in any case.
    bool Ended(DWORD dwMs)
    {
        const bool bEnded = WaitForSingleObject(m_hThread, dwMs) == WAIT_OBJECT_0;
        m_state = SLIDESHOW_STOPPED;
        WaitForSingleObject(m_hThread, INFINITE);
        GetExitCodeThread(m_hThread, &m_dwResult);
        CloseHandle(m_hThread);
        return bEnded;
    }
    // The window at one moment, as colour classes, and one pixel of it.
    std::vector<Colour> Snapshot()
    {
        int w, h;
        std::vector<Colour> v;
        for (uint32_t p : ReadWindow(m_hwnd, &w, &h))
            v.push_back(Classify(p));
        return v;
    }
    static Colour At(const std::vector<Colour>& shot, POINT pt) { return shot[(size_t)pt.y * kWidth + pt.x]; }
    bool WholeWindowIs(Colour colour)
    {
        const std::vector<Colour> shot = Snapshot();
        return std::all_of(shot.begin(), shot.end(), [=](Colour c) { return c == colour; });
    }

    HWND m_hwnd = NULL;
    HANDLE m_hThread = NULL;
    DWORD m_nEffect = 0, m_dwResult = 0;
    CSlideShow* m_pShow = CSlideShow::GetInstance();
    volatile LONG m_state = SLIDESHOW_IN_TRANSITION;
    EffectSurface m_surface;
};

} // namespace

// An area narrower than the step count still fills, and an empty one ends
// at once, instead of running until the show is stopped.
TEST(TransitionSchedule, TinyAreasEnd)
{
    EXPECT_EQ(1, EffectStepCount(10, 25)) << "never zero steps";
    std::vector<int32_t> bands = Steps(true, 10);
    ASSERT_EQ(10u, bands.size());
    EXPECT_EQ(10, bands.back());
    EXPECT_TRUE(Steps(true, 0).empty());
    EXPECT_GE(Steps(false, 1).size(), 25u);
    EXPECT_LE(Steps(false, 1).size(), 26u);
    EXPECT_TRUE(Steps(false, 0).empty());
}

// "None" comes back at once with the new picture; whole effects end on the
// new picture (the vertical covers build their frames in the outgoing
// frame), and random reports what the effect it picked reports (0 when it
// picked blinds).
TEST_F(TransitionPixels, WholeEffectsEndOnTheNewPicture)
{
    Start(EFFECT_NONE);
    EXPECT_TRUE(Ended(20000)) << "None waited for its length";
    EXPECT_EQ((DWORD)-1, m_dwResult);
    EXPECT_TRUE(WholeWindowIs(NEW_BLUE));
    m_surface.nFrameRate = 25;
    m_surface.nDurationMs = 1000;
    Start(EFFECT_COVER_UP);
    EXPECT_TRUE(Ended(INFINITE));
    EXPECT_EQ((DWORD)-1, m_dwResult);
    EXPECT_TRUE(WholeWindowIs(NEW_BLUE));
    EXPECT_EQ(NEW_BLUE, Classify(ReadDC(m_pShow->GetOldFrameDC(), kWidth, kHeight)[160 * kWidth + 5]));
    Start(EFFECT_RANDOM);
    EXPECT_TRUE(Ended(INFINITE));
    EXPECT_TRUE(m_dwResult == 0 || m_dwResult == (DWORD)-1) << m_dwResult;
    EXPECT_TRUE(WholeWindowIs(NEW_BLUE));
}

// Each effect, watched until the window shows its middle (the new picture
// come in from its own side, the old one still at the far side), then
// stopped, shows the new picture whole. The moving effects run most of a
// minute, so a stop that were not seen would keep the thread far beyond the
// wait below. Blinds take a second whatever their length: a watch that
// missed their middle tries again.
TEST_F(TransitionPixels, AStopInTheMiddleLeavesExactlyTheNewPicture)
{
    for (const Middle& middle : kMiddles)
    {
        SCOPED_TRACE(middle.nEffect);
        bool bMiddle = false;
        for (int nTry = 0; nTry < 3 && !bMiddle; ++nTry)
        {
            Start(middle.nEffect);
            for (bool bRunning = true; bRunning && !bMiddle;)
            {
                bRunning = WaitForSingleObject(m_hThread, 5) == WAIT_TIMEOUT;
                const std::vector<Colour> shot = Snapshot();
                bMiddle = At(shot, middle.ptNew) == NEW_BLUE && At(shot, middle.ptOld) == OLD_RED;
            }
            m_state = SLIDESHOW_STOPPED;
            EXPECT_TRUE(Ended(20000)) << "the stop was not seen";
            EXPECT_TRUE(WholeWindowIs(NEW_BLUE));
        }
        EXPECT_TRUE(bMiddle) << "the middle never showed";
    }
}

// The transition thread's body pairs every before-transition call with an
// after-transition call, even when a stop lands before the body's first step.
TEST(SlideShowRun, AStopBeforeTheFirstStepStillRunsTheAfterHandler)
{
    static int s_nAfterCalls;
    CSlideShow* pShow = CSlideShow::GetInstance();
    ASSERT_NE(nullptr, pShow);
    pShow->SetAfterTransitionHandler([](CSlideShow*) { ++s_nAfterCalls; });
    pShow->StopShow();
    s_nAfterCalls = 0;
    // The body as the thread would run it after the stop: nothing to play.
    EXPECT_EQ((DWORD)-1, pShow->Run());
    EXPECT_EQ(1, s_nAfterCalls);
    pShow->SetAfterTransitionHandler(nullptr);
}
