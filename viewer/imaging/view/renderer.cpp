// CRenderer: construction, the back buffer, the render thread, the view
// model, and each render's order of passes. The passes themselves are drawn
// by renderer_draw, from the record the renderer hands down.
#include "viewer/imaging/view/renderer.h"

#include <wchar.h>

#include "viewer/common/thread_wait.h"
#include "viewer/imaging/view/bitmap_transform.h"
#include "viewer/imaging/view/renderer_draw.h"

// The render thread gets this long to notice a stop request, then this much
// more, before it is terminated.
static const DWORD kStopFirstWaitMs = 1000;
static const DWORD kStopSecondWaitMs = 5000;
// A burst of view changes restarts the render instead of queueing renders:
// each start waits for its render's first pass, but never longer than this.
static const DWORD kStartSettleMs = 100;

static const COLORREF kWhite = RGB(255, 255, 255);

CRenderer::CRenderer()
    : m_hbmPicture(NULL),
      m_hThread(NULL),
      m_dwThreadId(0),
      m_hFirstPass(CreateEventW(NULL, TRUE, FALSE, NULL)),
      m_hRendered(CreateEventW(NULL, TRUE, FALSE, NULL)),
      m_dwRenderThread(0),
      m_bStopRequest(0),
      m_hwnd(NULL),
      m_hdcBack(NULL),
      m_hbmBack(NULL),
      m_hbmBackOld(NULL),
      m_crBackground(kWhite),
      m_dwFlip(0),
      m_nRotation(0),
      m_nLandscape(0),
      m_zoom(1.0),
      m_prevZoom(1.0),
      m_bFitToScreen(0),
      m_bAutoRender(0),
      m_bLocked(0),
      m_bRenderedOnce(0),
      m_xInitial(0),
      m_yInitial(0),
      m_view(),
      m_prevView(),
      m_xAnchorOrigin(0),
      m_yAnchorOrigin(0),
      m_xAnchorStylus(0),
      m_yAnchorStylus(0),
      m_bHighQuality(0),
      m_bPanning(0),
      m_bFastPass(1),
      m_nAbort(0),
      m_counts()
{
    m_szMessage[0] = L'\0';
    ResetView();
}

CRenderer::~CRenderer()
{
    SetAutoRender(0);
    StopRendering();
    ReleaseBackBuffer();
    if (m_hFirstPass)
        CloseHandle(m_hFirstPass);
    if (m_hRendered)
        CloseHandle(m_hRendered);
}

void CRenderer::ReleaseBackBuffer()
{
    if (m_hdcBack)
    {
        if (m_hbmBackOld)
            SelectObject(m_hdcBack, m_hbmBackOld);
        DeleteDC(m_hdcBack);
    }
    if (m_hbmBack)
        DeleteObject(m_hbmBack);
    m_hdcBack = NULL;
    m_hbmBack = NULL;
    m_hbmBackOld = NULL;
}

void CRenderer::SetWindow(HWND hwnd)
{
    StopRendering();
    m_hwnd = hwnd;
    ViewBox client = ClientBox();
    if (m_hbmBack)
    {
        BITMAP bm;
        if (GetObjectW(m_hbmBack, sizeof(bm), &bm) && bm.bmWidth == client.width && bm.bmHeight == client.height)
            return;
    }
    ReleaseBackBuffer();
    // A window of no size (not laid out yet, or minimised) has nothing to
    // draw into; the next size change makes the buffer.
    if (!m_hwnd || client.width <= 0 || client.height <= 0)
        return;

    HDC hdcWindow = GetDC(m_hwnd);
    if (!hdcWindow)
        return;
    m_hdcBack = CreateCompatibleDC(hdcWindow);
    m_hbmBack = CreateBackBufferBitmap(hdcWindow, client.width, client.height);
    ReleaseDC(m_hwnd, hdcWindow);
    if (!m_hdcBack || !m_hbmBack)
    {
        ReleaseBackBuffer();
        return;
    }
    m_hbmBackOld = static_cast<HBITMAP>(SelectObject(m_hdcBack, m_hbmBack));
}

void CRenderer::SetHighQuality(LONG bOn)
{
    LONG bValue = bOn ? 1 : 0;
    if (bValue == m_bHighQuality)
        return;
    m_bHighQuality = bValue;
    RequestRender();
}

void CRenderer::SetMessage(const WCHAR* pszText)
{
    if (pszText)
        _snwprintf_s(m_szMessage, RENDER_MESSAGE_CHARS + 1, _TRUNCATE, L"%s", pszText);
}

HBITMAP CRenderer::SetBitmap(HBITMAP hbm)
{
    StopRendering();
    HBITMAP hbmPrevious = m_hbmPicture;
    m_view.x = m_xInitial;
    m_view.y = m_yInitial;
    m_hbmPicture = hbm;
    m_bRenderedOnce = 0;
    return hbmPrevious;
}

void CRenderer::SetInitialOrigin(LONG x, LONG y)
{
    m_xInitial = x;
    m_yInitial = y;
}

// Wine puts a window's drawing on the display when the window's own thread
// goes back to waiting for messages: a message wakes it to do so, also when
// the drawing ends after the start stopped waiting for it.
static void ShowDrawing(HWND hwnd)
{
    if (hwnd)
        PostMessageW(hwnd, WM_NULL, 0, 0);
}

void CRenderer::FirstPassDrawn()
{
    // A render on the window's own thread (a pan, a transition's frame) is
    // shown when that thread's message loop next waits.
    if (GetCurrentThreadId() != m_dwRenderThread)
        return;
    ShowDrawing(m_hwnd);
    if (m_hFirstPass)
        SetEvent(m_hFirstPass);
}

DWORD WINAPI CRenderer::RenderThreadProc(LPVOID pvParam)
{
    CRenderer* pRenderer = static_cast<CRenderer*>(pvParam);
    if (!pRenderer)
        return (DWORD)-1;
    pRenderer->m_dwRenderThread = GetCurrentThreadId();
    LONG nResult = pRenderer->Render();
    pRenderer->m_dwRenderThread = 0;
    ShowDrawing(pRenderer->m_hwnd);
    if (pRenderer->m_hFirstPass)
        SetEvent(pRenderer->m_hFirstPass);
    if (!pRenderer->m_bStopRequest && pRenderer->m_hRendered)
        SetEvent(pRenderer->m_hRendered);
    return (DWORD)nResult;
}

void CRenderer::StartRendering()
{
    StopRendering();
    if (m_hFirstPass)
        ResetEvent(m_hFirstPass);
    if (m_hRendered)
        ResetEvent(m_hRendered);
    if (!m_hThread)
    {
        m_hThread = CreateThread(NULL, 0, RenderThreadProc, this, 0, &m_dwThreadId);
        if (m_hThread)
            SetThreadPriority(m_hThread, THREAD_PRIORITY_IDLE);
    }
    if (!m_hThread)
        return;
    if (m_hFirstPass)
        WaitServingSentMessages(m_hFirstPass, kStartSettleMs);
    else
        Sleep(kStartSettleMs);
}

void CRenderer::StopRendering()
{
    if (!m_hThread)
        return;
    InterlockedExchange(&m_bStopRequest, 1);
    m_nAbort = 1;
    // The UI thread must keep serving messages sent to its windows while it
    // waits, or a render thread that sends to it would never end.
    WaitThenTerminate(m_hThread, kStopFirstWaitMs, kStopSecondWaitMs);
    CloseHandle(m_hThread);
    m_hThread = NULL;
    m_dwThreadId = 0;
    InterlockedExchange(&m_bStopRequest, 0);
    m_nAbort = 0;
}

void CRenderer::RequestRender()
{
    if (m_bAutoRender)
        StartRendering();
}

void CRenderer::RenderNow()
{
    if (!m_bAutoRender)
        return;
    StopRendering();
    Render();
}

bool CRenderer::PictureSize(int32_t* pWidth, int32_t* pHeight) const
{
    *pWidth = 0;
    *pHeight = 0;
    BITMAP bm;
    if (!m_hbmPicture || !GetObjectW(m_hbmPicture, sizeof(bm), &bm))
        return false;
    *pWidth = bm.bmWidth;
    *pHeight = bm.bmHeight < 0 ? -bm.bmHeight : bm.bmHeight;
    return true;
}

ViewBox CRenderer::ClientBox() const
{
    ViewBox box = {0, 0, 0, 0};
    RECT rc;
    if (m_hwnd && GetClientRect(m_hwnd, &rc))
    {
        box.x = rc.left;
        box.y = rc.top;
        box.width = rc.right - rc.left;
        box.height = rc.bottom - rc.top;
    }
    return box;
}

RenderPass CRenderer::MakePass(const ViewBox& dest, const ViewBox& view) const
{
    RenderPass pass = {};
    pass.hbmPicture = m_hbmPicture;
    PictureSize(&pass.picture.width, &pass.picture.height);
    pass.hdcBack = m_hdcBack;
    pass.hbmBack = m_hbmBack;
    pass.crBackground = m_crBackground;
    pass.dest = dest;
    pass.view = view;
    pass.zoom = m_zoom;
    SetPassTurn(&pass, GetDrawingAngle(), m_dwFlip);
    return pass;
}

LONG CRenderer::ClampView(ViewBox* pView) const
{
    ViewBox picture = {0, 0, 0, 0};
    PictureSize(&picture.width, &picture.height);
    ViewBox client = ClientBox();
    return ComputeView(picture, &client, pView, GetDrawingAngle(), m_zoom);
}

LONG CRenderer::Zoom(double factor)
{
    int32_t w, h;
    PictureSize(&w, &h);
    if (factor <= 0.0)
    {
        factor = SmallestZoom(w, h);
        if (factor <= 0.0)
            return 0;
    }
    if (factor == m_zoom)
        return 0;

    ViewBox clamped = m_view;
    ClampView(&clamped);
    // The zoom keeps the centre of the view, so the window is measured in the
    // picture's orientation: a turned view is as wide as the window is high.
    ViewBox client = ClientBox();
    if (IsQuarterTurn(GetDrawingAngle()))
    {
        int32_t t = client.width;
        client.width = client.height;
        client.height = t;
    }
    ZoomOrigin(clamped, client.width, client.height, factor, &m_view.x, &m_view.y);
    m_prevZoom = m_zoom;
    m_zoom = factor;
    return 1;
}

void CRenderer::SetZoom(double factor)
{
    if (factor <= 0.0)
    {
        int32_t w, h;
        PictureSize(&w, &h);
        factor = SmallestZoom(w, h);
        if (factor <= 0.0)
            return;
    }
    // A fixed zoom ends fitting even when the fitted zoom was already that
    // zoom; otherwise the next turn or resize would fit the picture again.
    if (factor == m_zoom && !m_bFitToScreen)
        return;
    StopRendering();
    m_bFitToScreen = 0;
    Zoom(factor);
    RequestRender();
}

void CRenderer::ZoomIn()
{
    int32_t w, h;
    PictureSize(&w, &h);
    SetZoom(ZoomInStep(w, h, m_zoom));
}

void CRenderer::ZoomOut()
{
    int32_t w, h;
    PictureSize(&w, &h);
    SetZoom(ZoomOutStep(w, h, m_zoom));
}

void CRenderer::FitToScreen()
{
    int32_t w, h;
    if (!PictureSize(&w, &h) || w <= 0 || h <= 0)
        return;
    ViewBox client = ClientBox();
    double z = FitZoom(w, h, client.width, client.height, GetDrawingAngle());
    if (z > 0.0)
        Zoom(z);
}

void CRenderer::ZoomToFill()
{
    int32_t w, h;
    if (!PictureSize(&w, &h) || w <= 0 || h <= 0)
        return;
    ViewBox client = ClientBox();
    double z = FillZoom(w, h, client.width, client.height);
    if (z > 0.0)
        SetZoom(z);
}

void CRenderer::SetFitToScreen(LONG bOn)
{
    LONG bValue = bOn ? 1 : 0;
    if (bValue == m_bFitToScreen)
        return;
    StopRendering();
    m_bFitToScreen = bValue;
    RequestRender();
}

LONG CRenderer::SetRotation(LONG nAngle)
{
    if (nAngle % 90 != 0)
        return 0;
    LONG nNormal = NormalizeAngle(nAngle);
    if (nNormal != m_nRotation)
    {
        m_nRotation = nNormal;
        RequestRender();
    }
    return 1;
}

void CRenderer::SetFlip(DWORD dwFlags)
{
    if (dwFlags == m_dwFlip)
        return;
    m_dwFlip = dwFlags;
    RequestRender();
}

void CRenderer::SetLandscape(LONG nMode)
{
    LONG nAngle = nMode == 1 ? 90 : nMode == 2 ? -90 : 0;
    if (nAngle == m_nLandscape)
        return;
    StopRendering();
    m_nLandscape = nAngle;
    RequestRender();
}

LONG CRenderer::GetLandscape() const
{
    if (m_nLandscape == 90)
        return 1;
    if (m_nLandscape == -90)
        return 2;
    return 0;
}

void CRenderer::ResetView()
{
    StopRendering();
    m_view.x = m_xInitial;
    m_view.y = m_yInitial;
    m_zoom = 1.0;
    m_prevZoom = 1.0;
    m_dwFlip = 0;
    m_nRotation = 0;
    m_nLandscape = 0;
    m_bRenderedOnce = 0;
}

void CRenderer::SetDragAnchor(LONG x, LONG y, LONG bKeep)
{
    if (bKeep)
        return;
    m_xAnchorOrigin = m_view.x;
    m_yAnchorOrigin = m_view.y;
    m_xAnchorStylus = x;
    m_yAnchorStylus = y;
}

void CRenderer::Pan(LONG x, LONG y, LONG bRelative)
{
    if (m_bFitToScreen)
        return;
    ViewBox moved = m_view;
    int32_t dx, dy;
    if (bRelative)
    {
        ScreenToPictureDelta(x, y, m_zoom, GetDrawingAngle(), m_dwFlip, &dx, &dy);
    }
    else
    {
        // The view moves against the stylus, so the picture follows it.
        ScreenToPictureDelta(m_xAnchorStylus - x, m_yAnchorStylus - y, m_zoom, GetDrawingAngle(), m_dwFlip, &dx,
                             &dy);
        moved.x = m_xAnchorOrigin;
        moved.y = m_yAnchorOrigin;
    }
    moved.x += dx;
    moved.y += dy;
    ClampView(&moved);
    if (moved.x == m_view.x && moved.y == m_view.y)
        return;
    StopRendering();
    m_view = moved;
    m_bPanning = 1;
    RenderNow();
}

static bool SameBox(const ViewBox& a, const ViewBox& b)
{
    return a.x == b.x && a.y == b.y && a.width == b.width && a.height == b.height;
}

LONG CRenderer::Render()
{
    if (m_bLocked)
        return -1;
    if (!m_hwnd || !m_hbmPicture)
    {
        if (m_szMessage[0])
            DrawMessage();
        return -1;
    }
    m_szMessage[0] = L'\0';
    if (m_bFitToScreen)
        FitToScreen();
    ViewBox client = ClientBox();

    m_prevView = m_view;
    ClampView(&m_view);

    // When the screen already shows this very view, only the resampled pass
    // has anything to add.
    m_bFastPass = 1;
    if (m_bRenderedOnce && !m_bPanning && m_bHighQuality && m_prevZoom == m_zoom && SameBox(m_view, m_prevView) &&
        m_zoom != 1.0)
        m_bFastPass = 0;

    HDC hdc = GetDC(m_hwnd);
    if (!hdc)
        return -1;
    Draw(hdc, client, m_view);
    ReleaseDC(m_hwnd, hdc);

    m_bRenderedOnce = 1;
    m_prevZoom = m_zoom;
    return 0;
}

LONG CRenderer::Draw(HDC hdc, const ViewBox& dest, ViewBox view)
{
    RenderPass pass = MakePass(dest, view);
    LONG bPanning = m_bPanning;
    m_bPanning = 0;
    if (IsPlainPass(pass))
    {
        if (DrawPlainPass(hdc, pass))
            InterlockedIncrement(&m_counts.nFast);
        return 0;
    }
    if (!LayOutPass(&pass))
        return -1;

    if (m_bFastPass)
    {
        DrawFastPass(hdc, pass);
        InterlockedIncrement(&m_counts.nFast);
        FirstPassDrawn();
    }
    if (m_bStopRequest || !m_bHighQuality || bPanning || m_zoom == 1.0)
        return 0;
    if (DrawQualityPass(hdc, pass, &m_bStopRequest, &m_nAbort))
        InterlockedIncrement(&m_counts.nQuality);
    return 0;
}

void CRenderer::DrawPlain(HDC hdc, const ViewBox& dest, ViewBox view)
{
    RenderPass pass = MakePass(dest, view);
    if (DrawPlainPass(hdc, pass))
        InterlockedIncrement(&m_counts.nFast);
}

void CRenderer::DrawMessage()
{
    DrawMessageText(m_hwnd, m_hdcBack, m_szMessage);
}

void CRenderer::RenderTo(HDC hdc, const ViewBox& dest)
{
    StopRendering();
    if (m_bFitToScreen)
        FitToScreen();
    // An off-screen target holds nothing yet, so the fast pass is never
    // skipped here.
    m_bFastPass = 1;
    Draw(hdc, dest, m_view);
}
