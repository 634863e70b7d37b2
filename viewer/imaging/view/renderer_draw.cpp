#include "viewer/imaging/view/renderer_draw.h"

#include "viewer/imaging/view/bitmap_transform.h"
#include "viewer/imaging/view/resample.h"
#include "viewer/imaging/view/view_geometry.h"

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

static void CopyBackBuffer(HDC hdc, const RenderPass& pass)
{
    const ViewBox& d = pass.dest;
    BitBlt(hdc, d.x, d.y, d.width, d.height, pass.hdcBack, d.x, d.y, SRCCOPY);
}

void SetPassTurn(RenderPass* pPass, int32_t nAngle, DWORD dwFlip)
{
    if (nAngle == 180 && (dwFlip & FLIP_BOTH) == FLIP_BOTH)
    {
        nAngle = 0;
        dwFlip = 0;
    }
    pPass->nAngle = nAngle;
    pPass->dwFlip = dwFlip & FLIP_BOTH;
}

bool IsPlainPass(const RenderPass& pass)
{
    return pass.nAngle == 0 && pass.dwFlip == 0 && pass.zoom == 1.0;
}

bool DrawPlainPass(HDC hdc, const RenderPass& pass)
{
    ViewBox view = pass.view;
    ViewBox work = pass.dest;
    LONG bChanged = ComputeView(pass.picture, &work, &view, 0, 1.0);
    if (work.width <= 0 || work.height <= 0 || view.width < 1 || view.height < 1)
        return false;

    HDC hdcPicture = CreateCompatibleDC(hdc);
    if (!hdcPicture)
        return false;
    HGDIOBJ hOld = SelectObject(hdcPicture, pass.hbmPicture);
    if (bChanged && pass.hdcBack)
    {
        // Margins and picture go on the screen in one copy.
        FillBox(pass.hdcBack, pass.dest, pass.crBackground);
        BitBlt(pass.hdcBack, work.x, work.y, work.width, work.height, hdcPicture, view.x, view.y, SRCCOPY);
        CopyBackBuffer(hdc, pass);
    }
    else
    {
        BitBlt(hdc, work.x, work.y, work.width, work.height, hdcPicture, view.x, view.y, SRCCOPY);
    }
    SelectObject(hdcPicture, hOld);
    DeleteDC(hdcPicture);
    return true;
}

bool LayOutPass(RenderPass* pPass)
{
    pPass->work = pPass->dest;
    LONG bChanged = ComputeView(pPass->picture, &pPass->work, &pPass->view, pPass->nAngle, pPass->zoom);
    const ViewBox& work = pPass->work;
    if (work.width <= 0 || work.height <= 0 || pPass->view.width < 1 || pPass->view.height < 1 || !pPass->hdcBack)
        return false;
    if (bChanged)
        FillBox(pPass->hdcBack, pPass->dest, pPass->crBackground);
    return true;
}

void DrawFastPass(HDC hdc, const RenderPass& pass)
{
    // Sampled straight from memory when both bitmaps allow it: only the
    // visible pixels are read, where a stretch walks the whole picture.
    if (!SampleTransformed(pass.hbmBack, pass.work, pass.view, pass.nAngle, pass.dwFlip, pass.hbmPicture))
        DrawTransformed(pass.hdcBack, pass.work, pass.view, pass.nAngle, pass.dwFlip, pass.hbmPicture);
    CopyBackBuffer(hdc, pass);
}

bool DrawQualityPass(HDC hdc, const RenderPass& pass, const volatile LONG* pStop, volatile int32_t* pAbort)
{
    // Resampled in the picture's orientation, then mirrored and turned 1:1.
    int32_t nTargetWidth = pass.work.width, nTargetHeight = pass.work.height;
    if (IsQuarterTurn(pass.nAngle))
    {
        nTargetWidth = pass.work.height;
        nTargetHeight = pass.work.width;
    }
    HBITMAP hbmQuality = Resample(pass.hbmPicture, nTargetWidth, nTargetHeight, &pass.view, pAbort);
    if (hbmQuality && !*pStop)
    {
        if (pass.nAngle > 0 || pass.dwFlip)
        {
            ViewBox source = {0, 0, nTargetWidth, nTargetHeight};
            DrawTransformed(pass.hdcBack, pass.work, source, pass.nAngle, pass.dwFlip, hbmQuality);
        }
        else
        {
            BlitBitmap(pass.hdcBack, pass.work, hbmQuality);
        }
    }
    if (hbmQuality)
        DeleteObject(hbmQuality);
    if (*pStop)
        return false;
    CopyBackBuffer(hdc, pass);
    return hbmQuality != NULL;
}

void DrawMessageText(HWND hwnd, HDC hdcBack, const WCHAR* pszText)
{
    RECT rc;
    if (!hwnd || !hdcBack || !GetClientRect(hwnd, &rc))
        return;
    HDC hdc = GetDC(hwnd);
    if (!hdc)
        return;
    HBRUSH hbrWhite = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));

    FillRect(hdcBack, &rc, hbrWhite);
    COLORREF crOldText = SetTextColor(hdcBack, RGB(0, 0, 0));
    int nOldMode = SetBkMode(hdcBack, TRANSPARENT);
    HGDIOBJ hOldFont = SelectObject(hdcBack, GetStockObject(DEFAULT_GUI_FONT));
    int cyText = DrawTextW(hdcBack, pszText, -1, &rc, DT_CENTER | DT_WORDBREAK);
    SelectObject(hdcBack, hOldFont);
    SetBkMode(hdcBack, nOldMode);
    SetTextColor(hdcBack, crOldText);

    FillRect(hdc, &rc, hbrWhite);
    int cxClient = rc.right - rc.left, cyClient = rc.bottom - rc.top;
    BitBlt(hdc, rc.left, (cyClient - cyText) / 2, cxClient, cyText, hdcBack, 0, 0, SRCCOPY);
    ReleaseDC(hwnd, hdc);
}
