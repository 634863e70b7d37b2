// The effects: their frame schedules, and their drawing on a real window
// (what it shows at once, in the middle of an effect, and after a stop).
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <vector>

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

Colour Classify(COLORREF c)
{
    if (GetRValue(c) > 200 && GetGValue(c) < 60 && GetBValue(c) < 60)
        return OLD_RED;
    return GetBValue(c) > 200 && GetRValue(c) < 60 && GetGValue(c) < 60 ? NEW_BLUE : OTHER;
}

class TransitionPixels : public ::testing::Test
{
protected:
    void SetUp() override
    {
        WNDCLASSW wc = {0, DefWindowProcW, 0, 0, GetModuleHandleW(NULL), NULL, NULL, NULL, NULL, L"OmbrixEffectTest"};
        RegisterClassW(&wc);
        m_hwnd = CreateWindowExW(WS_EX_TOPMOST, wc.lpszClassName, L"effects", WS_POPUP | WS_VISIBLE, 0, 0, kWidth,
                                 kHeight, NULL, NULL, wc.hInstance, NULL);
        ASSERT_TRUE(m_hwnd && m_pShow && m_pShow->PrepareFrames(m_hwnd));
        m_surface = {m_hwnd, m_pShow->GetOldFrameDC(), m_pShow->GetNewFrameDC(), 20000, 25, &m_state};
    }
    void TearDown() override { delete m_pShow; DestroyWindow(m_hwnd); }

    // The frames hold red (outgoing) and blue (incoming); the window shows
    // the outgoing picture.
    void ShowOld()
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
    }
    Colour At(POINT pt)
    {
        HDC hdc = GetDC(m_hwnd);
        const COLORREF c = GetPixel(hdc, pt.x, pt.y);
        ReleaseDC(m_hwnd, hdc);
        return Classify(c);
    }
    // A grid of pixels that also takes in the last row and column.
    bool WholeWindowIs(Colour colour)
    {
        HDC hdc = GetDC(m_hwnd);
        bool bAll = true;
        for (int y = 0; y < kHeight + 6 && bAll; y += 7)
            for (int x = 0; x < kWidth + 4 && bAll; x += 5)
                bAll = Classify(GetPixel(hdc, std::min(x, kWidth - 1), std::min(y, kHeight - 1))) == colour;
        ReleaseDC(m_hwnd, hdc);
        return bAll;
    }

    HWND m_hwnd = NULL;
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

// "None" set to run 20 s still comes back at once with the new picture; whole
// effects end on the new picture
// (the vertical covers build their frames in the outgoing frame), and random
// reports what the effect it picked reports (0 when it picked blinds).
TEST_F(TransitionPixels, WholeEffectsEndOnTheNewPicture)
{
    ShowOld();
    const DWORD dwStart = GetTickCount();
    EXPECT_EQ(-1, PlayEffectOn(m_surface, EFFECT_NONE));
    EXPECT_LT(GetTickCount() - dwStart, 5000u);
    EXPECT_TRUE(WholeWindowIs(NEW_BLUE));
    m_surface.nDurationMs = 1000;
    ShowOld();
    EXPECT_EQ(-1, PlayEffectOn(m_surface, EFFECT_COVER_UP));
    EXPECT_TRUE(WholeWindowIs(NEW_BLUE));
    EXPECT_EQ(NEW_BLUE, Classify(GetPixel(m_pShow->GetOldFrameDC(), 5, 160)));
    ShowOld();
    const LONG nRandom = PlayEffectOn(m_surface, EFFECT_RANDOM);
    EXPECT_TRUE(nRandom == 0 || nRandom == -1) << nRandom;
    EXPECT_TRUE(WholeWindowIs(NEW_BLUE));
}

// Each effect, stopped in its middle, shows the new picture whole; in the
// middle the new picture has come in from its own side. The moving effects
// run 20 s here (a pixel or half a pixel a frame), so a stop that were not
// seen would keep the thread far beyond the wait below.
TEST_F(TransitionPixels, AStopInTheMiddleLeavesExactlyTheNewPicture)
{
    const struct { DWORD nEffect; POINT ptNew, ptOld; } rgMiddles[] = {
        {EFFECT_BLIND_HORIZONTAL, {100, 0}, {100, 9}}, {EFFECT_BLIND_VERTICAL, {0, 100}, {9, 100}},
        {EFFECT_COVER_LEFT, {238, 100}, {2, 100}},     {EFFECT_COVER_DOWN, {100, 2}, {100, 318}},
        {EFFECT_UNCOVER_RIGHT, {2, 100}, {238, 100}},  {EFFECT_UNCOVER_UP, {100, 318}, {100, 2}},
    };
    for (const auto& middle : rgMiddles)
    {
        SCOPED_TRACE(middle.nEffect);
        ShowOld();
        struct Job { const EffectSurface* pSurface; DWORD nEffect; } job = {&m_surface, middle.nEffect};
        HANDLE hThread = CreateThread(NULL, 0, [](LPVOID pv) -> DWORD {
            const Job* pJob = static_cast<const Job*>(pv);
            return static_cast<DWORD>(PlayEffectOn(*pJob->pSurface, pJob->nEffect));
        }, &job, 0, NULL);
        ASSERT_NE(nullptr, hThread);
        for (const DWORD dwStart = GetTickCount(); At(middle.ptNew) != NEW_BLUE && GetTickCount() - dwStart < 10000;)
            Sleep(1);
        EXPECT_EQ(NEW_BLUE, At(middle.ptNew));
        EXPECT_EQ(OLD_RED, At(middle.ptOld));
        m_state = SLIDESHOW_STOPPED;
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(hThread, 5000)) << "the stop was not seen";
        CloseHandle(hThread);
        EXPECT_TRUE(WholeWindowIs(NEW_BLUE));
    }
}
