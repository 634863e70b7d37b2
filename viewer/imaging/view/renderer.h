// CRenderer: the view of the current picture in the main window's client
// area (zoom, origin, fit mode, turn, mirrors, landscape) and its drawing, on
// an idle-priority thread of its own.
//
// Thread rule: the view fields have no lock. Every operation that changes
// them stops the running render first (StopRendering), so a render never
// outlives a change. The render thread only ever runs Render.
#pragma once

#include <windows.h>
#include <stdint.h>

#include "viewer/common/view_box.h"
#include "viewer/imaging/view/view_geometry.h"

// What one render hands down to the drawing (renderer_draw.h).
struct RenderPass;

// Message text room, without the terminator.
#define RENDER_MESSAGE_CHARS 260

// How many passes the drawing has put on the screen; tests and benchmarks
// read them to tell a fast pass from a resampled one.
struct RenderPassCounts
{
    LONG nFast;
    LONG nQuality;
};

class CRenderer
{
public:
    CRenderer();
    virtual ~CRenderer();

    // Window and back buffer: the back buffer is remade when the client
    // size changed.
    void SetWindow(HWND hwnd);
    HWND GetWindow() const { return m_hwnd; }
    void SetAutoRender(LONG bOn) { m_bAutoRender = bOn ? 1 : 0; }
    void SetHighQuality(LONG bOn);
    LONG GetHighQuality() const { return m_bHighQuality; }
    void SetMessage(const WCHAR* pszText);
    const WCHAR* GetMessageText() const { return m_szMessage; }

    // Picture (not owned). Returns the previous one.
    HBITMAP SetBitmap(HBITMAP hbm);
    HBITMAP GetBitmap() const { return m_hbmPicture; }
    void SetInitialOrigin(LONG x, LONG y);
    void LockDrawing() { m_bLocked = 1; }
    void UnlockDrawing() { m_bLocked = 0; }

    // Rendering control.
    void StartRendering();
    void StopRendering();
    void RequestRender();
    void RenderNow();
    void RenderTo(HDC hdc, const ViewBox& dest);
    BOOL IsRendering() const { return m_hThread != NULL; }
    // Manual-reset event, set when a render thread ran to its end without a
    // stop (the high-quality pass, if any, is on the screen); reset when the
    // next one starts. Owned by the renderer: duplicate it to keep it.
    HANDLE GetRenderedEvent() const { return m_hRendered; }

    // View model.
    double GetZoom() const { return m_zoom; }
    LONG Zoom(double factor);
    void SetZoom(double factor);
    void ZoomIn();
    void ZoomOut();
    void ZoomOneToOne() { SetZoom(1.0); }
    void FitToScreen();
    void ZoomToFill();
    void SetFitToScreen(LONG bOn);
    LONG GetFitToScreen() const { return m_bFitToScreen; }
    LONG SetRotation(LONG nAngle);
    LONG GetRotation() const { return m_nRotation; }
    void SetFlip(DWORD dwFlags);
    DWORD GetFlip() const { return m_dwFlip; }
    void SetLandscape(LONG nMode);
    LONG GetLandscape() const;
    void ResetView();
    void SetDragAnchor(LONG x, LONG y, LONG bKeep);
    void Pan(LONG x, LONG y, LONG bRelative);
    LONG ClampView(ViewBox* pView) const;
    ViewBox GetView() const { return m_view; }
    LONG GetDrawingAngle() const { return NormalizeAngle(m_nLandscape + m_nRotation); }

    // Drawing: the renderer settles the view and the order of the passes;
    // each pass is drawn by renderer_draw from a RenderPass.
    LONG Render();
    LONG Draw(HDC hdc, const ViewBox& dest, ViewBox view);
    void DrawPlain(HDC hdc, const ViewBox& dest, ViewBox view);
    void DrawMessage();

    RenderPassCounts GetPassCounts() const { return m_counts; }

private:
    static DWORD WINAPI RenderThreadProc(LPVOID pvParam);
    void ReleaseBackBuffer();
    bool PictureSize(int32_t* pWidth, int32_t* pHeight) const;
    ViewBox ClientBox() const;
    RenderPass MakePass(const ViewBox& dest, const ViewBox& view) const;
    void FirstPassDrawn();

    HBITMAP m_hbmPicture;
    HANDLE m_hThread;
    DWORD m_dwThreadId;
    HANDLE m_hFirstPass;
    HANDLE m_hRendered;
    volatile DWORD m_dwRenderThread; // the render thread's id while it runs
    volatile LONG m_bStopRequest;
    HWND m_hwnd;
    HDC m_hdcBack;
    HBITMAP m_hbmBack;
    HBITMAP m_hbmBackOld;
    COLORREF m_crBackground;
    DWORD m_dwFlip;
    LONG m_nRotation;
    LONG m_nLandscape;
    double m_zoom;
    double m_prevZoom;
    LONG m_bFitToScreen;
    LONG m_bAutoRender;
    volatile LONG m_bLocked;
    LONG m_bRenderedOnce;
    LONG m_xInitial;
    LONG m_yInitial;
    ViewBox m_view;
    ViewBox m_prevView;
    LONG m_xAnchorOrigin;
    LONG m_yAnchorOrigin;
    LONG m_xAnchorStylus;
    LONG m_yAnchorStylus;
    LONG m_bHighQuality;
    LONG m_bPanning;
    LONG m_bFastPass;
    WCHAR m_szMessage[RENDER_MESSAGE_CHARS + 1];

    // The renderer's own resampling abort flag: a stop request cuts short
    // its own high-quality pass and never a thumbnail's.
    volatile int32_t m_nAbort;
    RenderPassCounts m_counts;

    CRenderer(const CRenderer&) = delete;
    CRenderer& operator=(const CRenderer&) = delete;
};
