#include "viewer/imaging/view/view_geometry.h"

#include <stdint.h>

// Integer part of v, held inside the 32-bit range: a tiny zoom or a huge
// picture must not wrap a size around to a negative number.
static int32_t TruncToInt(double v)
{
    if (!(v == v))
        return 0;
    if (v >= 2147483647.0)
        return INT32_MAX;
    if (v <= -2147483648.0)
        return INT32_MIN;
    return (int32_t)v;
}

static void Swap(int32_t* pa, int32_t* pb)
{
    int32_t t = *pa;
    *pa = *pb;
    *pb = t;
}

static void SwapAxes(ViewBox* pBox)
{
    Swap(&pBox->x, &pBox->y);
    Swap(&pBox->width, &pBox->height);
}

int32_t NormalizeAngle(int32_t nAngle)
{
    int32_t r = nAngle % 360;
    return r < 0 ? r + 360 : r;
}

// One axis of ComputeView: clamps the origin, or marks the picture as
// narrower than the window.
static bool FitAxis(int32_t nPictureStart, int32_t nPictureLength, int32_t* pStart, int32_t* pLength)
{
    if (*pLength > nPictureLength)
    {
        *pStart = nPictureStart;
        *pLength = nPictureLength;
        return true;
    }
    if (*pStart < 0)
        *pStart = 0;
    if (*pStart + *pLength > nPictureLength)
        *pStart = nPictureLength - *pLength;
    return false;
}

// Centres a picture that does not fill the destination on one axis.
static bool CentreAxis(bool bNarrower, int32_t nViewLength, double zoom, int32_t* pDestStart, int32_t* pDestLength)
{
    if (zoom == 1.0)
    {
        if (*pDestLength <= nViewLength)
            return false;
        *pDestStart += (*pDestLength - nViewLength) / 2;
        *pDestLength = nViewLength;
        return true;
    }
    if (!bNarrower)
        return false;
    int32_t nNewLength = TruncToInt(nViewLength * zoom);
    *pDestStart += (*pDestLength - nNewLength) / 2;
    *pDestLength = nNewLength;
    return true;
}

int32_t ComputeView(const ViewBox& picture, ViewBox* pDest, ViewBox* pView, int32_t nAngle, double zoom)
{
    const bool bQuarter = IsQuarterTurn(nAngle);
    if (bQuarter)
        SwapAxes(pDest);

    if (zoom != 1.0)
    {
        pView->width = TruncToInt(pDest->width / zoom);
        pView->height = TruncToInt(pDest->height / zoom);
    }
    else
    {
        pView->width = pDest->width;
        pView->height = pDest->height;
    }

    bool bNarrower = FitAxis(picture.x, picture.width, &pView->x, &pView->width);
    bool bLower = FitAxis(picture.y, picture.height, &pView->y, &pView->height);

    int32_t changed = 0;
    if (CentreAxis(bNarrower, pView->width, zoom, &pDest->x, &pDest->width))
        changed = 1;
    if (CentreAxis(bLower, pView->height, zoom, &pDest->y, &pDest->height))
        changed = 1;

    if (bQuarter)
        SwapAxes(pDest);
    return changed;
}

double StepZoom(int32_t nPictureWidth, int32_t nPictureHeight, double zoom, double step)
{
    int32_t m = nPictureWidth > nPictureHeight ? nPictureWidth : nPictureHeight;
    if (m <= 0)
        return zoom * step;
    double t = m * zoom * step;
    if (t < 1.0)
        t = 1.0;
    return t / m;
}

double ZoomInStep(int32_t nPictureWidth, int32_t nPictureHeight, double zoom)
{
    if (zoom > 3.0)
        return zoom + 1.0;
    if (zoom >= 1.0)
        return zoom + 0.5;
    return StepZoom(nPictureWidth, nPictureHeight, zoom, 1.11);
}

double ZoomOutStep(int32_t nPictureWidth, int32_t nPictureHeight, double zoom)
{
    double z;
    if (zoom > 3.0)
        z = zoom - 1.0;
    else if (zoom > 1.5)
        z = zoom - 0.5;
    else
        z = StepZoom(nPictureWidth, nPictureHeight, zoom, 0.9);
    return z < ZOOM_OUT_FLOOR ? ZOOM_OUT_FLOOR : z;
}

double SmallestZoom(int32_t nPictureWidth, int32_t nPictureHeight)
{
    if (nPictureWidth <= 0 || nPictureHeight <= 0)
        return 0.0;
    double rx = 1.0 / nPictureWidth;
    double ry = 1.0 / nPictureHeight;
    return rx > ry ? rx : ry;
}

double FitZoom(int32_t nPictureWidth, int32_t nPictureHeight, int32_t nClientWidth, int32_t nClientHeight,
               int32_t nAngle)
{
    if (nPictureWidth <= 0 || nPictureHeight <= 0)
        return 0.0;
    if (IsQuarterTurn(NormalizeAngle(nAngle)))
        Swap(&nPictureWidth, &nPictureHeight);
    double rx = (double)nClientWidth / nPictureWidth;
    double ry = (double)nClientHeight / nPictureHeight;
    return ry < rx ? ry : rx;
}

double FillZoom(int32_t nPictureWidth, int32_t nPictureHeight, int32_t nClientWidth, int32_t nClientHeight)
{
    if (nPictureWidth <= 0 || nPictureHeight <= 0)
        return 0.0;
    double rx = (double)nClientWidth / nPictureWidth;
    double ry = (double)nClientHeight / nPictureHeight;
    return ry > rx ? ry : rx;
}

void ZoomOrigin(const ViewBox& clampedView, int32_t nClientWidth, int32_t nClientHeight, double newZoom,
                int32_t* px, int32_t* py)
{
    int32_t cx = clampedView.x + clampedView.width / 2;
    int32_t cy = clampedView.y + clampedView.height / 2;
    int32_t x = cx - TruncToInt(nClientWidth * (1.0 / newZoom)) / 2;
    int32_t y = cy - TruncToInt(nClientHeight * (1.0 / newZoom)) / 2;
    *px = x < 0 ? 0 : x;
    *py = y < 0 ? 0 : y;
}

void ScreenToPictureDelta(int32_t x, int32_t y, double zoom, int32_t nAngle, uint32_t flips, int32_t* pdx,
                          int32_t* pdy)
{
    int32_t sx = TruncToInt(x * (1.0 / zoom));
    int32_t sy = TruncToInt(y * (1.0 / zoom));
    int32_t dx = sx, dy = sy;
    switch (NormalizeAngle(nAngle))
    {
    case 90:
        dx = -sy;
        dy = sx;
        break;
    case 180:
        dx = -sx;
        dy = -sy;
        break;
    case 270:
        dx = sy;
        dy = -sx;
        break;
    default:
        break;
    }
    // Mirrors are drawn in the picture's orientation, before the turn, at
    // every zoom alike; so a mirror reverses its own picture axis and nothing
    // else, also for turned views at zoom 1.0.
    if (flips & FLIP_LEFT_RIGHT)
        dx = -dx;
    if (flips & FLIP_TOP_BOTTOM)
        dy = -dy;
    *pdx = dx;
    *pdy = dy;
}

// Offsets of one axis: near side, centre, far side, in screen pixels.
static int32_t AxisOffset(int32_t nScaled, int32_t nClient, int32_t nChoice)
{
    int32_t nNear = 0;
    if ((int64_t)3 * nClient < nScaled)
        nNear = (nScaled / 3 - nClient) / 2;
    if (nChoice == 0)
        return nNear;
    if (nChoice == 1)
        return nScaled / 2 - nClient / 2;
    return (nScaled - nClient) - nNear;
}

void InitialOrigin(int32_t nPictureWidth, int32_t nPictureHeight, double zoom, int32_t nClientWidth,
                   int32_t nClientHeight, int32_t nPosition, int32_t* px, int32_t* py)
{
    if (nPosition < 1 || nPosition > 9)
        nPosition = 1;
    if (!(zoom > 0.0))
        zoom = 1.0;
    int32_t p = nPosition - 1;
    int32_t w = TruncToInt(nPictureWidth * zoom);
    int32_t h = TruncToInt(nPictureHeight * zoom);
    *px = TruncToInt(AxisOffset(w, nClientWidth, p / 3) / zoom);
    *py = TruncToInt(AxisOffset(h, nClientHeight, p % 3) / zoom);
}
