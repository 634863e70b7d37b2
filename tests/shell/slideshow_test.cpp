// The slideshow on the real main window: pacing, stepping through a folder
// of four pictures, pause with the window, frame buffers and a stress run.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <stdio.h>
#include <string>
#include <windows.h>

#include "viewer_fixture.h"
#include "window_test_support.h"
#include "viewer/browser/picture_list.h"
#include "viewer/common/picture_entry.h"
#include "viewer/common/shared_paths.h"
#include "viewer/extras/slide_show.h"
#include "viewer/imaging/renderer.h"
#include "viewer/resources/resource.h"
#include "viewer/shell/entry.h"
#include "viewer/common/main_window_data.h"
#include "viewer/shell/screen_chrome.h"
#include "viewer/common/settings.h"
#include "viewer/common/settings_names.h"
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
    void Start(const wchar_t* pszFirst, std::initializer_list<int> broken = {})
    {
        for (int i = 0; i < 4; ++i)
            if (std::find(broken.begin(), broken.end(), i) == broken.end())
                WriteSolidBmp(m_folder / rgNames[i], kSide, kSide, rgColours[i]);
            else
                m_folder.Write(rgNames[i], std::string("not a picture"));
        SetSlideshowEffectMethod(0);
        ViewerTest::Start(1, pszFirst);
        m_pShow = m_pData->pSlideShow;
        ASSERT_NE(nullptr, m_pShow);
    }

    std::wstring Current() const
    {
        return m_pData->pCurrentEntry ? m_pData->pCurrentEntry->szName : L"";
    }

    // Waits for the picture to change; returns the new name, or "" when the
    // show stopped or nothing changed in time.
    std::wstring NextShown(DWORD dwMs = 4000)
    {
        std::wstring before = Current();
        PumpUntil([&] { return Current() != before || m_pShow->GetState() == SLIDESHOW_STOPPED; }, dwMs);
        return Current() != before ? Current() : L"";
    }

    bool WindowShowsWholePicture(COLORREF cr)
    {
        RECT rc;
        GetClientRect(m_hwnd, &rc);
        int nWrong = 0;
        for (int y = 2; y < rc.bottom; y += 23)
            for (int x = 2; x < rc.right; x += 17)
                nWrong += !ColoursNear(WindowPixel(m_hwnd, x, y), cr, 16);
        return nWrong == 0;
    }

    CSlideShow* m_pShow = nullptr;
};

} // namespace

TEST_F(SlideshowTest, FirstChangeComesOneIntervalAfterTheStart)
{
    SetSlideshowIntervalTime(1000);
    Start(L"a.bmp");
    ASSERT_EQ(L"a.bmp", Current());
    Command(IDM_SLIDESHOW_START);
    EXPECT_EQ(SLIDESHOW_WAITING, m_pShow->GetState());
    EXPECT_EQ(1000u, m_pShow->GetIntervalTime());
    EXPECT_TRUE(IsSlideshowRunning(m_pData));
    EXPECT_EQ(GetMenuBar(IDR_MENUBAR_VIEWER_SHOW), GetShownMenuBar());

    Pump(600);
    EXPECT_EQ(L"a.bmp", Current()) << "nothing changes before the interval";
    // Starting again restarts the interval from zero.
    Command(IDM_SLIDESHOW_START);
    DWORD dwRestart = GetTickCount();
    Pump(650);
    EXPECT_EQ(L"a.bmp", Current());
    EXPECT_EQ(L"b.bmp", NextShown());
    EXPECT_GE(GetTickCount() - dwRestart, 950u);
    EXPECT_EQ(L"b - Ombrix Viewer", Title());

    Command(IDM_SLIDESHOW_STOP);
    EXPECT_EQ(SLIDESHOW_STOPPED, m_pShow->GetState());
    EXPECT_EQ(GetMenuBar(IDR_MENUBAR_VIEWER), GetShownMenuBar());
}

TEST_F(SlideshowTest, OnlyAChangedEffectOrAnyIntervalStopsTheShow)
{
    Start(L"a.bmp");
    Command(IDM_SLIDESHOW_START);
    m_pShow->SetEffectMethod(m_pShow->GetEffectMethod());
    EXPECT_EQ(SLIDESHOW_WAITING, m_pShow->GetState());
    m_pShow->SetEffectMethod(7);
    EXPECT_EQ(SLIDESHOW_STOPPED, m_pShow->GetState());
    EXPECT_EQ(7u, m_pShow->GetEffectMethod());

    m_pShow->StartShow();
    m_pShow->SetIntervalTime(m_pShow->GetIntervalTime());
    EXPECT_EQ(SLIDESHOW_STOPPED, m_pShow->GetState());
}

TEST_F(SlideshowTest, WithoutLoopSkipsWhatCannotLoadAndStopsAtEitherEnd)
{
    SetSlideshowIntervalTime(150);
    Start(L"a.bmp", {2});
    Command(IDM_SLIDESHOW_START);
    EXPECT_EQ(L"b.bmp", NextShown());
    EXPECT_EQ(L"d.bmp", NextShown()) << "c cannot be decoded";
    EXPECT_TRUE(PumpUntil([&] { return m_pShow->GetState() == SLIDESHOW_STOPPED; }, 3000));
    EXPECT_EQ(L"d.bmp", Current());
    EXPECT_EQ(GetMenuBar(IDR_MENUBAR_VIEWER), GetShownMenuBar());

    m_pData->nSlideshowDirection = 1;
    Command(IDM_SLIDESHOW_START);
    EXPECT_EQ(L"b.bmp", NextShown());
    EXPECT_EQ(L"a.bmp", NextShown());
    EXPECT_TRUE(PumpUntil([&] { return m_pShow->GetState() == SLIDESHOW_STOPPED; }, 3000));
    EXPECT_EQ(L"a.bmp", Current());
}

TEST_F(SlideshowTest, LoopWrapsToTheFirstOrLastPictureThatLoads)
{
    SetSlideshowIntervalTime(150);
    Start(L"c.bmp", {0});
    m_pData->bSlideshowLoop = 1;
    Command(IDM_SLIDESHOW_START);
    EXPECT_EQ(L"d.bmp", NextShown());
    EXPECT_EQ(L"b.bmp", NextShown()) << "a cannot be decoded";
    Command(IDM_SLIDESHOW_STOP);

    m_pData->nSlideshowDirection = 1;
    Command(IDM_SLIDESHOW_START);
    EXPECT_EQ(L"d.bmp", NextShown()) << "backward past the first picture that loads";
    Command(IDM_SLIDESHOW_STOP);
}

TEST_F(SlideshowTest, NoPictureThatLoadsStopsALoopingShow)
{
    SetSlideshowIntervalTime(150);
    Start(L"a.bmp");
    for (const wchar_t* pszName : rgNames)
        m_folder.Write(pszName, std::string("not a picture"));
    m_pData->bSlideshowLoop = 1;
    Command(IDM_SLIDESHOW_START);
    EXPECT_TRUE(PumpUntil([&] { return m_pShow->GetState() == SLIDESHOW_STOPPED; }, 3000));
    EXPECT_EQ(L"a.bmp", Current());
}

TEST_F(SlideshowTest, DeactivationPausesAndActivationResumesWithAFullInterval)
{
    SetSlideshowIntervalTime(1000);
    Start(L"a.bmp");
    Command(IDM_SLIDESHOW_START);
    Pump(300);
    SendMessageW(m_hwnd, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 0), 0);
    EXPECT_EQ(SLIDESHOW_PAUSED, m_pShow->GetState());
    EXPECT_TRUE(IsSlideshowRunning(m_pData)) << "a paused show keeps its menu bar";
    Pump(1200);
    EXPECT_EQ(L"a.bmp", Current());

    SendMessageW(m_hwnd, WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 0), 0);
    DWORD dwResume = GetTickCount();
    EXPECT_EQ(SLIDESHOW_WAITING, m_pShow->GetState());
    Pump(700);
    EXPECT_EQ(L"a.bmp", Current()) << "the interval starts afresh";
    EXPECT_EQ(L"b.bmp", NextShown());
    EXPECT_GE(GetTickCount() - dwResume, 950u);
}

TEST_F(SlideshowTest, FramesFollowTheClientSize)
{
    Start(L"a.bmp");
    ASSERT_TRUE(m_pShow->PrepareFrames(m_hwnd));
    HBITMAP hbmFirst = m_pShow->GetOldFrameBitmap();
    HDC hdcFirst = m_pShow->GetOldFrameDC();
    ASSERT_TRUE(m_pShow->PrepareFrames(m_hwnd));
    EXPECT_EQ(hbmFirst, m_pShow->GetOldFrameBitmap()) << "an unchanged size reuses the frames";
    EXPECT_EQ(hdcFirst, m_pShow->GetOldFrameDC());

    RECT rc;
    GetClientRect(m_hwnd, &rc);
    SetWindowPos(m_hwnd, NULL, 0, 0, rc.bottom, rc.right, SWP_NOMOVE | SWP_NOZORDER);
    GetClientRect(m_hwnd, &rc);
    ASSERT_TRUE(m_pShow->PrepareFrames(m_hwnd));
    BITMAP bm;
    ASSERT_TRUE(GetObjectW(m_pShow->GetOldFrameBitmap(), sizeof(bm), &bm));
    EXPECT_EQ(rc.right, bm.bmWidth);
    EXPECT_EQ(rc.bottom, bm.bmHeight);
    ASSERT_TRUE(GetObjectW(GetCurrentObject(m_pShow->GetNewFrameDC(), OBJ_BITMAP), sizeof(bm), &bm));
    EXPECT_EQ(rc.right, bm.bmWidth);
}

// Stopping during a transition in full screen: the transition thread asks
// the waiting UI thread to leave full screen, which the wait serves.
TEST_F(SlideshowTest, AStopDuringATransitionLeavesFullScreenWithoutStalling)
{
    SetSlideshowIntervalTime(100);
    Start(L"a.bmp");
    SetSlideshowEffectMethod(4); // Cover Left: a second of frames
    Command(IDM_FULL_SCREEN);
    ASSERT_EQ(1, m_pData->bFullScreen);
    Command(IDM_SLIDESHOW_START);
    ASSERT_TRUE(PumpUntil([&] { return m_pShow->GetState() == SLIDESHOW_IN_TRANSITION; }, 3000));
    Pump(200);
    DWORD dwStop = GetTickCount();
    Command(IDM_SLIDESHOW_STOP);
    EXPECT_LT(GetTickCount() - dwStop, 900u);
    EXPECT_EQ(SLIDESHOW_STOPPED, m_pShow->GetState());
    EXPECT_EQ(0, m_pData->bFullScreen) << "the show's end leaves full screen";
    EXPECT_EQ(GetMenuBar(IDR_MENUBAR_VIEWER), GetShownMenuBar());
}

// Closing the window while a transition plays ends the transition before
// the renderer it unlocks is deleted.
TEST_F(SlideshowTest, ClosingDuringATransitionEndsItFirst)
{
    SetSlideshowIntervalTime(100);
    Start(L"a.bmp");
    SetSlideshowEffectMethod(8);
    Command(IDM_SLIDESHOW_START);
    ASSERT_TRUE(PumpUntil([&] { return m_pShow->GetState() == SLIDESHOW_IN_TRANSITION; }, 3000));
    EXPECT_TRUE(DestroyWindow(m_hwnd));
    EXPECT_EQ(nullptr, GetMainWindowData());
    EXPECT_EQ(nullptr, CSlideShow::PeekInstance()) << "the show goes with the window";
}

// Commands fired at random while transitions play: no deadlock, no crash,
// and a whole picture on the window at the end.
TEST_F(SlideshowTest, RandomCommandsDuringTransitionsEndOnAWholePicture)
{
    SetSlideshowIntervalTime(60);
    Start(L"a.bmp");
    SetSlideshowEffectMethod(1); // a moving effect per picture
    m_pData->bSlideshowLoop = 1;
    std::mt19937 random(20261206);
    const WORD rgCommands[] = {IDM_SLIDESHOW_START, IDM_SLIDESHOW_STOP, IDM_LANDSCAPE, 0, 1};
    Command(IDM_SLIDESHOW_START);
    int nTransitions = 0;
    DWORD dwStart = GetTickCount();
    while (GetTickCount() - dwStart < 6000)
    {
        WORD wCommand = rgCommands[random() % 5];
        if (wCommand > 1)
            Command(wCommand);
        else
            SendMessageW(m_hwnd, WM_ACTIVATE, MAKEWPARAM(wCommand ? WA_ACTIVE : WA_INACTIVE, 0), 0);
        if (m_pShow->GetState() == SLIDESHOW_STOPPED && random() % 2)
            Command(IDM_SLIDESHOW_START);
        DWORD dwWait = random() % 400;
        DWORD dwWaitStart = GetTickCount();
        while (GetTickCount() - dwWaitStart < dwWait)
        {
            Pump(10);
            nTransitions += m_pShow->GetState() == SLIDESHOW_IN_TRANSITION;
        }
    }
    EXPECT_GT(nTransitions, 0) << "transitions were running meanwhile";
    Command(IDM_SLIDESHOW_STOP);
    Pump(300);
    m_pData->pRenderer->StopRendering();
    m_pData->pRenderer->RenderNow();
    ASSERT_NE(L"", Current());
    int nIndex = Current()[0] - L'a';
    ASSERT_GE(nIndex, 0);
    ASSERT_LT(nIndex, 4);
    EXPECT_TRUE(WindowShowsWholePicture(rgColours[nIndex])) << "showing " << nIndex;
}
