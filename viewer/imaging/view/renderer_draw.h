// The drawing of one render: free functions over a plain record that the
// renderer fills and hands down. A render is a fast pass (nearest pixels
// sampled from memory, or GDI blits) and, with high quality on, a resampled
// pass; both go through the back buffer. These functions know nothing of the
// renderer: what they need is in the record, what they did is their result.
#pragma once

#include <windows.h>
#include <stdint.h>

#include "viewer/common/view_box.h"

// What one render draws, and into what.
struct RenderPass
{
    HBITMAP hbmPicture; // not owned; must not be selected into a context
    ViewBox picture;    // (0, 0, picture width, picture height)
    HDC hdcBack;        // the back buffer, hbmBack selected; may be null
    HBITMAP hbmBack;
    COLORREF crBackground; // fills what the picture leaves uncovered
    ViewBox dest;          // where the render goes in the target context
    ViewBox view;          // the part of the picture shown, in picture pixels
    ViewBox work;          // the part of dest the picture covers (LayOutPass)
    int32_t nAngle;        // 0, 90, 180 or 270, counter-clockwise
    DWORD dwFlip;          // FLIP_LEFT_RIGHT, FLIP_TOP_BOTTOM
    double zoom;
};

// Sets the pass's turn and mirrors. A half turn with both mirrors is no
// transformation at all; flag bits other than the two mirrors are dropped.
void SetPassTurn(RenderPass* pPass, int32_t nAngle, DWORD dwFlip);

// Zoom 1.0, no turn, no mirror: the picture is copied as it is.
bool IsPlainPass(const RenderPass& pass);
// The plain pass, straight from the picture to hdc (through the back buffer
// only when margins show, so the picture never flashes white). Whether
// anything was drawn.
bool DrawPlainPass(HDC hdc, const RenderPass& pass);

// Clamps the view to the picture, finds the part of dest it covers (work)
// and fills the back buffer's dest with the background when the picture
// leaves part of it uncovered. false, with nothing drawn, when the view is
// empty or there is no back buffer.
bool LayOutPass(RenderPass* pPass);
// The fast pass of a laid-out pass: drawn into the back buffer, then copied
// to hdc.
void DrawFastPass(HDC hdc, const RenderPass& pass);
// The high-quality pass of a laid-out pass: the view resampled to the size
// it covers on the screen, mirrored and turned 1:1, copied to hdc. A stop
// (*pStop) seen after the resampling leaves hdc as it was; *pAbort cuts the
// resampling short. Whether a resampled picture reached hdc; without one
// the fast pass stays.
bool DrawQualityPass(HDC hdc, const RenderPass& pass, const volatile LONG* pStop, volatile int32_t* pAbort);

// The text, centred both ways on white in hwnd's client area; laid out in
// the back buffer first.
void DrawMessageText(HWND hwnd, HDC hdcBack, const WCHAR* pszText);
