// CRenderer's drawing: one render is a fast pass (nearest pixels sampled
// from memory, or GDI blits) and, with high quality on, a resampled pass;
// both go through the back buffer.
#include "viewer/imaging/view/renderer.h"

#include "viewer/imaging/view/bitmap_transform.h"
#include "viewer/imaging/view/resample.h"

static bool SameBox(const ViewBox& a, const ViewBox& b)
{
    return a.x == b.x && a.y == b.y && a.width == b.width && a.height == b.height;
}

static void FillBox(HDC hdc, const ViewBox& box, COLORREF cr)
{
    RECT rc = {box.x, box.y, box.x + box.width, box.y + box.height};
    HBRUSH hbr = CreateSolidBrush(cr);
    if (hbr)
    {
        FillRect(hdc, &rc, hbr);
        DeleteObject(hbr);
    }
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

void CRenderer::CopyBackBuffer(HDC hdc, const ViewBox& dest)
{
    BitBlt(hdc, dest.x, dest.y, dest.width, dest.height, m_hdcBack, dest.x, dest.y, SRCCOPY);
}

LONG CRenderer::Draw(HDC hdc, const ViewBox& dest, ViewBox view)
{
    DWORD dwFlip = m_dwFlip;
    int nAngle = GetDrawingAngle();
    LONG bPanning = m_bPanning;
    m_bPanning = 0;

    // A half turn with both mirrors is no transformation at all.
    if (nAngle == 180 && (dwFlip & FLIP_BOTH) == FLIP_BOTH)
    {
        nAngle = 0;
        dwFlip = 0;
    }
    dwFlip &= FLIP_BOTH;
    if (nAngle == 0 && dwFlip == 0 && m_zoom == 1.0)
    {
        DrawPlain(hdc, dest, view);
        return 0;
    }

    ViewBox picture = {0, 0, 0, 0};
    PictureSize(&picture.width, &picture.height);
    ViewBox work = dest;
    LONG bChanged = ComputeView(picture, &work, &view, nAngle, m_zoom);
    if (work.width <= 0 || work.height <= 0 || view.width < 1 || view.height < 1 || !m_hdcBack)
        return -1;

    if (bChanged)
        FillBox(m_hdcBack, dest, m_crBackground);

    if (m_bFastPass)
    {
        // Sampled straight from memory when both bitmaps allow it: only the
        // visible pixels are read, where a stretch walks the whole picture.
        if (!SampleTransformed(m_hbmBack, work, view, nAngle, dwFlip, m_hbmPicture))
            DrawTransformed(m_hdcBack, work, view, nAngle, dwFlip, m_hbmPicture);
        CopyBackBuffer(hdc, dest);
        InterlockedIncrement(&m_counts.nFast);
        FirstPassDrawn();
    }

    if (m_bStopRequest || !m_bHighQuality || bPanning || m_zoom == 1.0)
        return 0;

    // Resampled in the picture's orientation, then mirrored and turned 1:1.
    int32_t nTargetWidth = work.width, nTargetHeight = work.height;
    if (IsQuarterTurn(nAngle))
    {
        nTargetWidth = work.height;
        nTargetHeight = work.width;
    }
    HBITMAP hbmQuality = Resample(m_hbmPicture, nTargetWidth, nTargetHeight, &view, &m_nAbort);
    if (hbmQuality && !m_bStopRequest)
    {
        if (nAngle > 0 || dwFlip)
        {
            ViewBox source = {0, 0, nTargetWidth, nTargetHeight};
            DrawTransformed(m_hdcBack, work, source, nAngle, dwFlip, hbmQuality);
        }
        else
        {
            BlitBitmap(m_hdcBack, work, hbmQuality);
        }
    }
    if (hbmQuality)
        DeleteObject(hbmQuality);
    if (m_bStopRequest)
        return 0;
    CopyBackBuffer(hdc, dest);
    if (hbmQuality)
        InterlockedIncrement(&m_counts.nQuality);
    return 0;
}

void CRenderer::DrawPlain(HDC hdc, const ViewBox& dest, ViewBox view)
{
    ViewBox picture = {0, 0, 0, 0};
    PictureSize(&picture.width, &picture.height);
    ViewBox work = dest;
    LONG bChanged = ComputeView(picture, &work, &view, 0, 1.0);
    if (work.width <= 0 || work.height <= 0 || view.width < 1 || view.height < 1)
        return;

    HDC hdcPicture = CreateCompatibleDC(hdc);
    if (!hdcPicture)
        return;
    HGDIOBJ hOld = SelectObject(hdcPicture, m_hbmPicture);
    if (bChanged && m_hdcBack)
    {
        // Margins and picture go on the screen in one copy, so the picture
        // never flashes white.
        FillBox(m_hdcBack, dest, m_crBackground);
        BitBlt(m_hdcBack, work.x, work.y, work.width, work.height, hdcPicture, view.x, view.y, SRCCOPY);
        CopyBackBuffer(hdc, dest);
    }
    else
    {
        BitBlt(hdc, work.x, work.y, work.width, work.height, hdcPicture, view.x, view.y, SRCCOPY);
    }
    SelectObject(hdcPicture, hOld);
    DeleteDC(hdcPicture);
    InterlockedIncrement(&m_counts.nFast);
}

void CRenderer::DrawMessage()
{
    RECT rc;
    if (!m_hwnd || !m_hdcBack || !GetClientRect(m_hwnd, &rc))
        return;
    HDC hdc = GetDC(m_hwnd);
    if (!hdc)
        return;
    HBRUSH hbrWhite = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));

    FillRect(m_hdcBack, &rc, hbrWhite);
    COLORREF crOldText = SetTextColor(m_hdcBack, RGB(0, 0, 0));
    int nOldMode = SetBkMode(m_hdcBack, TRANSPARENT);
    HGDIOBJ hOldFont = SelectObject(m_hdcBack, GetStockObject(DEFAULT_GUI_FONT));
    int cyText = DrawTextW(m_hdcBack, m_szMessage, -1, &rc, DT_CENTER | DT_WORDBREAK);
    SelectObject(m_hdcBack, hOldFont);
    SetBkMode(m_hdcBack, nOldMode);
    SetTextColor(m_hdcBack, crOldText);

    FillRect(hdc, &rc, hbrWhite);
    int cxClient = rc.right - rc.left, cyClient = rc.bottom - rc.top;
    BitBlt(hdc, rc.left, (cyClient - cyText) / 2, cxClient, cyText, m_hdcBack, 0, 0, SRCCOPY);
    ReleaseDC(m_hwnd, hdc);
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
