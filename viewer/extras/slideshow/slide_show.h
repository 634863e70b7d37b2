// CSlideShow: shows the folder's pictures one after another. A timer on the
// main window (SLIDESHOW_TIMER_ID) paces the interval on the user-interface
// thread; each picture change is played by a short-lived idle-priority
// transition thread. The engine knows nothing of files: the main window's
// handlers fill the two frames and step to the next picture.
#pragma once

#include <windows.h>

#include "viewer/common/worker_thread.h"

class CSlideShow;
typedef void (*TransitionHandler)(CSlideShow* pShow);

enum SlideShowState
{
    SLIDESHOW_STOPPED = 0,
    SLIDESHOW_PAUSED = 1,
    SLIDESHOW_WAITING = 2,
    SLIDESHOW_IN_TRANSITION = 3
};

// Identifier of the show's timer on the timer window (the main window).
#define SLIDESHOW_TIMER_ID 100
// Posted by the transition thread to the timer window: only the window's own
// thread may arm its timers. wParam carries the show's generation.
#define WM_SLIDESHOW_REARM (WM_APP + 0x164)

class CSlideShow : public CWorkerThread
{
public:
    // The single instance, made with the defaults on first call; null when
    // it cannot be made.
    static CSlideShow* GetInstance();
    // The instance if one exists; never creates it.
    static CSlideShow* PeekInstance();
    ~CSlideShow() override;

    void SetBeforeTransitionHandler(TransitionHandler pfn);
    void SetAfterTransitionHandler(TransitionHandler pfn);
    void SetIntervalTime(DWORD dwMilliseconds);
    void SetEffectMethod(DWORD dwEffect);
    DWORD GetIntervalTime() const { return m_dwInterval; }
    DWORD GetEffectMethod() const { return m_dwEffect; }
    LONG GetTransitionDuration() const { return m_nDuration; }
    LONG GetTransitionFrameRate() const { return m_nFrameRate; }

    // The window whose SLIDESHOW_TIMER_ID paces the show (the main window).
    void SetTimerWindow(HWND hwnd) { m_hwndTimer = hwnd; }

    // Binds the target window and makes both frames at its client size,
    // keeping them when the size is unchanged.
    bool PrepareFrames(HWND hwnd);
    HDC GetOldFrameDC() const { return m_hdcOld; }
    HDC GetNewFrameDC() const { return m_hdcNew; }
    HBITMAP GetOldFrameBitmap() const { return m_hbmOld; }
    HWND GetTargetWindow() const { return m_hwndTarget; }

    void StartShow();
    // The full stop: timer killed, resampling aborted, transition ended.
    void StopShow();
    void Pause();
    void Resume();
    LONG GetState() const { return m_nState; }
    const volatile LONG* StatePointer() const { return &m_nState; }

    // The show timer's procedure and the transition thread's re-arm
    // request, both on the user-interface thread.
    static VOID CALLBACK TimerProc(HWND hwnd, UINT uMsg, UINT_PTR nId, DWORD dwTime);
    void OnRearmRequest(WPARAM nGeneration);

    // Plays one transition on the transition thread.
    DWORD Run() override;

private:
    CSlideShow();
    void ArmTimer();
    void KillShowTimer();
    void ReleaseFrames();
    void OnTimer();

    HBITMAP m_hbmOld;
    HBITMAP m_hbmNew;
    HDC m_hdcOld;
    HDC m_hdcNew;
    HBITMAP m_hbmOldSaved;
    HBITMAP m_hbmNewSaved;
    HWND m_hwndTarget;
    DWORD m_dwEffect;
    DWORD m_dwInterval;
    LONG m_nDuration;
    LONG m_nFrameRate;
    TransitionHandler m_pfnBefore;
    TransitionHandler m_pfnAfter;
    volatile LONG m_nState;

    HWND m_hwndTimer;
    // Bumped by every stop and pause, so that a re-arm request posted by a
    // transition of an earlier show is ignored.
    volatile LONG m_nGeneration;
    LONG m_nRunGeneration;

    static CSlideShow* s_pInstance;
};

// Plays effect nEffect (0 to 11) of the show's frames on its target window.
// 0 after blinds, -1 after any other effect.
LONG PlayEffect(CSlideShow* pShow, DWORD nEffect);

// What an effect draws with; the show fills it, tests may make their own.
struct EffectSurface
{
    HWND hwnd;
    HDC hdcOld;
    HDC hdcNew;
    LONG nDurationMs;
    LONG nFrameRate;
    const volatile LONG* pState; // the effect runs while it is SLIDESHOW_IN_TRANSITION
};
LONG PlayEffectOn(const EffectSurface& surface, DWORD nEffect);
