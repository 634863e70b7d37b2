// The effects drawing on a real window: what the window shows at once, in
// the middle of an effect, and after a stop.
#include <gtest/gtest.h>

#include <windows.h>

#include "viewer/extras/slide_show.h"
#include "viewer/extras/transition_schedule.h"

namespace {

const int kWidth = 240;
const int kHeight = 320;

enum Colour
{
    OTHER,
    OLD_RED,
    NEW_BLUE
};

Colour Classify(COLORREF c)
{
    if (GetRValue(c) > 200 && GetGValue(c) < 60 && GetBValue(c) < 60)
        return OLD_RED;
    if (GetBValue(c) > 200 && GetRValue(c) < 60 && GetGValue(c) < 60)
        return NEW_BLUE;
    return OTHER;
}

void Fill(HDC hdc, COLORREF cr)
{
    RECT rc = {0, 0, kWidth, kHeight};
    HBRUSH hbr = CreateSolidBrush(cr);
    FillRect(hdc, &rc, hbr);
    DeleteObject(hbr);
}

struct EffectJob
{
    EffectSurface surface;
    DWORD nEffect;
    LONG nResult;
};

DWORD WINAPI EffectThread(LPVOID pv)
{
    EffectJob* pJob = static_cast<EffectJob*>(pv);
    pJob->nResult = PlayEffectOn(pJob->surface, pJob->nEffect);
    return 0;
}

class TransitionPixels : public ::testing::Test
{
protected:
    void SetUp() override
    {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(NULL);
        wc.lpszClassName = L"OmbrixEffectTest";
        RegisterClassW(&wc);
        m_hwnd = CreateWindowExW(WS_EX_TOPMOST, L"OmbrixEffectTest", L"effects", WS_POPUP | WS_VISIBLE, 0, 0,
                                 kWidth, kHeight, NULL, NULL, wc.hInstance, NULL);
        ASSERT_NE(nullptr, m_hwnd);
        m_pShow = CSlideShow::GetInstance();
        ASSERT_NE(nullptr, m_pShow);
        ASSERT_TRUE(m_pShow->PrepareFrames(m_hwnd));
        m_state = SLIDESHOW_IN_TRANSITION;
        m_job.surface = {m_hwnd, m_pShow->GetOldFrameDC(), m_pShow->GetNewFrameDC(), 1000, 25, &m_state};
        m_job.nResult = 12345;
        ShowOld();
    }

    void TearDown() override
    {
        delete m_pShow;
        DestroyWindow(m_hwnd);
    }

    // The frames hold red (outgoing) and blue (incoming); the window shows
    // the outgoing picture.
    void ShowOld()
    {
        Fill(m_pShow->GetOldFrameDC(), RGB(255, 0, 0));
        Fill(m_pShow->GetNewFrameDC(), RGB(0, 0, 255));
        HDC hdc = GetDC(m_hwnd);
        Fill(hdc, RGB(255, 0, 0));
        ReleaseDC(m_hwnd, hdc);
    }

    Colour At(int x, int y)
    {
        HDC hdc = GetDC(m_hwnd);
        COLORREF c = GetPixel(hdc, x, y);
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
                bAll = Classify(GetPixel(hdc, x < kWidth ? x : kWidth - 1, y < kHeight ? y : kHeight - 1)) == colour;
        ReleaseDC(m_hwnd, hdc);
        return bAll;
    }

    HWND m_hwnd = NULL;
    CSlideShow* m_pShow = NULL;
    volatile LONG m_state = SLIDESHOW_IN_TRANSITION;
    EffectJob m_job;
};

} // namespace

// Set to run 20 s, "none" must still come back at once with the new picture.
TEST_F(TransitionPixels, NoneShowsTheNewPictureAtOnce)
{
    m_job.surface.nDurationMs = 20000;
    DWORD dwStart = GetTickCount();
    EXPECT_EQ(-1, PlayEffectOn(m_job.surface, EFFECT_NONE));
    EXPECT_LT(GetTickCount() - dwStart, 5000u);
    EXPECT_TRUE(WholeWindowIs(NEW_BLUE));
}

TEST_F(TransitionPixels, AnIndexPastTheTableDrawsNothing)
{
    EXPECT_EQ(-1, PlayEffectOn(m_job.surface, 12));
    EXPECT_EQ(-1, PlayEffectOn(m_job.surface, 0xFFFFFFFFu));
    EXPECT_TRUE(WholeWindowIs(OLD_RED));
}

TEST_F(TransitionPixels, WholeEffectsEndOnTheNewPicture)
{
    EXPECT_EQ(0, PlayEffectOn(m_job.surface, EFFECT_BLIND_VERTICAL)) << "blinds report 0";
    EXPECT_TRUE(WholeWindowIs(NEW_BLUE));
    ShowOld();
    LONG nRandom = PlayEffectOn(m_job.surface, EFFECT_RANDOM); // 0 when it picked blinds
    EXPECT_TRUE(nRandom == 0 || nRandom == -1) << nRandom;
    EXPECT_TRUE(WholeWindowIs(NEW_BLUE));
    // The vertical covers build their frames in the outgoing frame.
    ShowOld();
    EXPECT_EQ(-1, PlayEffectOn(m_job.surface, EFFECT_COVER_UP));
    EXPECT_TRUE(WholeWindowIs(NEW_BLUE));
    EXPECT_EQ(NEW_BLUE, Classify(GetPixel(m_pShow->GetOldFrameDC(), 5, 160)));
}

// Each effect, stopped in its middle, shows the new picture whole; in the
// middle the new picture has come in from its own side. The moving effects
// run 20 s here (a pixel or half a pixel a frame), so a stop that were not
// seen would keep the thread far beyond the wait below.
TEST_F(TransitionPixels, AStopInTheMiddleLeavesExactlyTheNewPicture)
{
    struct Middle
    {
        DWORD nEffect;
        POINT ptNew; // already the new picture
        POINT ptOld; // still the old one
    };
    const Middle rgMiddles[] = {
        {EFFECT_BLIND_HORIZONTAL, {100, 0}, {100, 9}},  {EFFECT_BLIND_VERTICAL, {0, 100}, {9, 100}},
        {EFFECT_COVER_LEFT, {238, 100}, {2, 100}},      {EFFECT_COVER_RIGHT, {2, 100}, {238, 100}},
        {EFFECT_COVER_UP, {100, 318}, {100, 2}},        {EFFECT_COVER_DOWN, {100, 2}, {100, 318}},
        {EFFECT_UNCOVER_LEFT, {238, 100}, {2, 100}},    {EFFECT_UNCOVER_RIGHT, {2, 100}, {238, 100}},
        {EFFECT_UNCOVER_UP, {100, 318}, {100, 2}},      {EFFECT_UNCOVER_DOWN, {100, 2}, {100, 318}},
    };
    m_job.surface.nDurationMs = 20000;
    for (const Middle& middle : rgMiddles)
    {
        SCOPED_TRACE(middle.nEffect);
        ShowOld();
        m_state = SLIDESHOW_IN_TRANSITION;
        m_job.nEffect = middle.nEffect;
        HANDLE hThread = CreateThread(NULL, 0, EffectThread, &m_job, 0, NULL);
        ASSERT_NE(nullptr, hThread);
        const DWORD dwStart = GetTickCount();
        while (At(middle.ptNew.x, middle.ptNew.y) != NEW_BLUE && GetTickCount() - dwStart < 10000)
            Sleep(1);
        EXPECT_EQ(NEW_BLUE, At(middle.ptNew.x, middle.ptNew.y));
        EXPECT_EQ(OLD_RED, At(middle.ptOld.x, middle.ptOld.y));
        m_state = SLIDESHOW_STOPPED;
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(hThread, 5000)) << "the stop was not seen";
        CloseHandle(hThread);
        EXPECT_TRUE(WholeWindowIs(NEW_BLUE));
    }
}
