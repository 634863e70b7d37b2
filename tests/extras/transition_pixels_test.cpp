// The effects: their frame schedules, and what a real window shows at the
// end, in the middle and after a stop, watched while the effect plays on
// another thread; nothing depends on how fast either runs.
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

Colour Classify(uint32_t rgb) { return Near(rgb, 0xFF0000, 60) ? OLD_RED : Near(rgb, 0x0000FF, 60) ? NEW_BLUE : OTHER; }

// Where each effect brings the new picture in first, and where the old one
// stays until the end.
const struct Middle { DWORD nEffect; POINT ptNew, ptOld; } kMiddles[] = {
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
        // Five frames a second over a minute: a moving effect's first pixels
        // come within a second, its end most of a minute later.
        m_surface = {m_hwnd, m_pShow->GetOldFrameDC(), m_pShow->GetNewFrameDC(), 60000, 5, &m_state};
    }
    void TearDown() override
    {
        delete m_pShow;
        DestroyWindow(m_hwnd);
    }

    // Red outgoing frame and window, blue incoming frame; the effect on its own thread.
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
    // Whether the effect ended within dwMs; it is stopped and ended in any case.
    bool Ended(DWORD dwMs)
    {
        const bool bEnded = WaitForSingleObject(m_hThread, dwMs) == WAIT_OBJECT_0;
        m_state = SLIDESHOW_STOPPED;
        WaitForSingleObject(m_hThread, INFINITE);
        GetExitCodeThread(m_hThread, &m_dwResult);
        CloseHandle(m_hThread);
        return bEnded;
    }
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

// "None" comes back at once with the new picture; whole effects end on it
// (the vertical covers build their frames in the outgoing frame); random
// reports what the effect it picked reports (0 for blinds).
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

// Each effect stopped in its middle (new picture in from its side, the old
// one still at the far side) shows the new picture whole. Blinds take a
// second whatever their length: a missed middle is tried again.
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

// A stop before the transition body's first step still runs the after handler.
TEST(SlideShowRun, AStopBeforeTheFirstStepStillRunsTheAfterHandler)
{
    static int s_nAfterCalls;
    CSlideShow* pShow = CSlideShow::GetInstance();
    ASSERT_NE(nullptr, pShow);
    pShow->SetAfterTransitionHandler([](CSlideShow*) { ++s_nAfterCalls; });
    pShow->StopShow();
    s_nAfterCalls = 0;
    EXPECT_EQ((DWORD)-1, pShow->Run());
    EXPECT_EQ(1, s_nAfterCalls);
    pShow->SetAfterTransitionHandler(nullptr);
}
