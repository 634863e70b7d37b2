#include "viewer/extras/slideshow/slide_show.h"

#include <new>

#include "viewer/common/message_box.h"
#include "viewer/common/ui_timer.h"
#include "viewer/extras/slideshow/transition_schedule.h"
#include "viewer/imaging/view/resample_kernels.h"

static const DWORD kDefaultEffect = EFFECT_RANDOM;
static const DWORD kDefaultIntervalMs = 3000;
static const LONG kTransitionDurationMs = 1000;
static const LONG kTransitionFrameRate = 25;

CSlideShow* CSlideShow::s_pInstance = NULL;

CSlideShow::CSlideShow()
    : m_hbmOld(NULL),
      m_hbmNew(NULL),
      m_hdcOld(NULL),
      m_hdcNew(NULL),
      m_hbmOldSaved(NULL),
      m_hbmNewSaved(NULL),
      m_hwndTarget(NULL),
      m_dwEffect(kDefaultEffect),
      m_dwInterval(kDefaultIntervalMs),
      m_nDuration(kTransitionDurationMs),
      m_nFrameRate(kTransitionFrameRate),
      m_pfnBefore(NULL),
      m_pfnAfter(NULL),
      m_nState(SLIDESHOW_STOPPED),
      m_hwndTimer(NULL),
      m_nGeneration(0),
      m_nRunGeneration(0)
{
}

CSlideShow* CSlideShow::GetInstance()
{
    if (!s_pInstance)
        s_pInstance = new (std::nothrow) CSlideShow();
    return s_pInstance;
}

CSlideShow* CSlideShow::PeekInstance()
{
    return s_pInstance;
}

CSlideShow::~CSlideShow()
{
    // Run uses this object's members: the thread ends before they go.
    StopShow();
    ReleaseFrames();
    if (s_pInstance == this)
        s_pInstance = NULL;
}

void CSlideShow::SetBeforeTransitionHandler(TransitionHandler pfn)
{
    StopShow();
    m_pfnBefore = pfn;
}

void CSlideShow::SetAfterTransitionHandler(TransitionHandler pfn)
{
    StopShow();
    m_pfnAfter = pfn;
}

void CSlideShow::SetIntervalTime(DWORD dwMilliseconds)
{
    StopShow();
    m_dwInterval = dwMilliseconds;
}

void CSlideShow::SetEffectMethod(DWORD dwEffect)
{
    if (dwEffect == m_dwEffect)
        return;
    StopShow();
    m_dwEffect = dwEffect;
}

// One frame: its bitmap leaves the DC before either is deleted.
static void ReleaseFrame(HDC* phdc, HBITMAP* phbm, HBITMAP* phbmSaved)
{
    if (*phdc)
    {
        SelectObject(*phdc, *phbmSaved);
        DeleteDC(*phdc);
    }
    if (*phbm)
        DeleteObject(*phbm);
    *phdc = NULL;
    *phbm = NULL;
    *phbmSaved = NULL;
}

void CSlideShow::ReleaseFrames()
{
    ReleaseFrame(&m_hdcOld, &m_hbmOld, &m_hbmOldSaved);
    ReleaseFrame(&m_hdcNew, &m_hbmNew, &m_hbmNewSaved);
}

bool CSlideShow::PrepareFrames(HWND hwnd)
{
    m_hwndTarget = hwnd;
    RECT rc = {0, 0, 0, 0};
    GetClientRect(hwnd, &rc);
    const int cx = rc.right - rc.left;
    const int cy = rc.bottom - rc.top;

    BITMAP bm;
    if (m_hbmOld && m_hdcNew && GetObjectW(m_hbmOld, sizeof(bm), &bm) && bm.bmWidth == cx && bm.bmHeight == cy)
        return true;

    ReleaseFrames();
    HDC hdcWindow = GetDC(hwnd);
    if (!hdcWindow)
        return false;
    m_hdcOld = CreateCompatibleDC(hdcWindow);
    m_hdcNew = CreateCompatibleDC(hdcWindow);
    m_hbmOld = CreateCompatibleBitmap(hdcWindow, cx, cy);
    m_hbmNew = CreateCompatibleBitmap(hdcWindow, cx, cy);
    ReleaseDC(hwnd, hdcWindow);

    // Half-made frames are not kept: the next try starts afresh.
    if (!m_hdcOld || !m_hdcNew || !m_hbmOld || !m_hbmNew)
    {
        ReleaseFrames();
        return false;
    }
    m_hbmOldSaved = static_cast<HBITMAP>(SelectObject(m_hdcOld, m_hbmOld));
    m_hbmNewSaved = static_cast<HBITMAP>(SelectObject(m_hdcNew, m_hbmNew));
    return true;
}

void CSlideShow::ArmTimer()
{
    if (m_hwndTimer)
        SetUiTimer(m_hwndTimer, SLIDESHOW_TIMER_ID, m_dwInterval, TimerProc);
}

void CSlideShow::KillShowTimer()
{
    if (m_hwndTimer)
        KillUiTimer(m_hwndTimer, SLIDESHOW_TIMER_ID);
}

void CSlideShow::StartShow()
{
    StopShow();
    m_nState = SLIDESHOW_WAITING;
    ArmTimer();
}

void CSlideShow::StopShow()
{
    InterlockedExchange(&m_nState, SLIDESHOW_STOPPED);
    InterlockedIncrement(&m_nGeneration);
    KillShowTimer();
    SetResampleAbort(1);
    // The wait serves messages the transition thread sends to our windows.
    Stop();
    // Left set, the flag would cut every later enlargement short.
    SetResampleAbort(0);
}

void CSlideShow::Pause()
{
    if (m_nState == SLIDESHOW_STOPPED)
        return;
    InterlockedExchange(&m_nState, SLIDESHOW_PAUSED);
    InterlockedIncrement(&m_nGeneration);
    KillShowTimer();
    Stop();
}

void CSlideShow::Resume()
{
    if (m_nState != SLIDESHOW_PAUSED)
        return;
    m_nState = SLIDESHOW_WAITING;
    ArmTimer();
}

VOID CALLBACK CSlideShow::TimerProc(HWND, UINT, UINT_PTR, DWORD)
{
    CSlideShow* pShow = PeekInstance();
    if (pShow)
        pShow->OnTimer();
}

void CSlideShow::OnTimer()
{
    // One-shot in use: armed again only when the transition has ended.
    KillShowTimer();
    if (m_nState != SLIDESHOW_WAITING)
        return;
    // The previous transition's thread is reaped before the handler draws
    // into the frames and locks the renderer, so that its late unlock
    // cannot undo this lock.
    Stop();
    if (!PrepareFrames(m_hwndTarget))
    {
        ShowMessageBox(m_hwndTimer, L"[SlideShow] Could not allocate BITMAP Handle", L"Error", MB_OK | MB_ICONERROR);
        StopShow();
    }
    if (m_pfnBefore)
        m_pfnBefore(this);

    if (m_nState == SLIDESHOW_WAITING)
    {
        m_nState = SLIDESHOW_IN_TRANSITION;
        m_nRunGeneration = m_nGeneration;
        if (Start(0))
        {
            SetPriority(THREAD_PRIORITY_IDLE);
            return;
        }
        // No thread: the show cannot go on, and the handlers still pair up.
        StopShow();
    }
    if (m_pfnAfter)
        m_pfnAfter(this);
}

void CSlideShow::OnRearmRequest(WPARAM nGeneration)
{
    if ((LONG)nGeneration == m_nGeneration && m_nState == SLIDESHOW_WAITING)
        ArmTimer();
}

DWORD CSlideShow::Run()
{
    if (m_nState != SLIDESHOW_IN_TRANSITION)
    {
        // A stop came between the start of this thread and its first step:
        // the before-transition handler has run, so its pair must run too,
        // or the renderer stays locked and full screen is never left.
        if (m_pfnAfter)
            m_pfnAfter(this);
        return (DWORD)-1;
    }
    LONG nResult = PlayEffect(this, m_dwEffect);

    // Only a transition that was neither stopped nor paused meanwhile goes
    // back to waiting; the exchange keeps a concurrent stop from being lost.
    if (InterlockedCompareExchange(&m_nState, SLIDESHOW_WAITING, SLIDESHOW_IN_TRANSITION) ==
        SLIDESHOW_IN_TRANSITION)
    {
        if (m_hwndTimer)
            PostMessageW(m_hwndTimer, WM_SLIDESHOW_REARM, (WPARAM)m_nRunGeneration, 0);
    }
    if (m_pfnAfter)
        m_pfnAfter(this);
    return (DWORD)nResult;
}

LONG PlayEffect(CSlideShow* pShow, DWORD nEffect)
{
    if (!pShow)
        return -1;
    EffectSurface surface;
    surface.hwnd = pShow->GetTargetWindow();
    surface.hdcOld = pShow->GetOldFrameDC();
    surface.hdcNew = pShow->GetNewFrameDC();
    surface.nDurationMs = pShow->GetTransitionDuration();
    surface.nFrameRate = pShow->GetTransitionFrameRate();
    surface.pState = pShow->StatePointer();
    return PlayEffectOn(surface, nEffect);
}
