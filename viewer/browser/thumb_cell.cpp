#include "viewer/browser/thumb_cell.h"

#include "viewer/browser/picture_selection.h"
#include "viewer/browser/thumb_fit.h"
#include "viewer/browser/thumb_grid.h"
#include "viewer/common/view_box.h"
#include "viewer/imaging/view/bitmap_transform.h"
#include "viewer/resources/resource.h"

#define CAPTION_FONT_HEIGHT (-10)
#define CAPTION_CHARS 32

void MakeCellFont(ThumbCellArt* pArt)
{
    LOGFONTW lf = {};
    GetObjectW(GetStockObject(SYSTEM_FONT), sizeof(lf), &lf);
    lf.lfHeight = CAPTION_FONT_HEIGHT;
    pArt->hfontCaption = CreateFontIndirectW(&lf);
}

// Copies a bitmap of its own size to (x, y).
static void CopyBitmap(HDC hdc, HBITMAP hbm, int x, int y)
{
    BITMAP bm;
    if (!hbm || !GetObjectW(hbm, sizeof(bm), &bm))
        return;
    const ViewBox dest = {x, y, bm.bmWidth, bm.bmHeight};
    BlitBitmap(hdc, dest, hbm);
}

// The pending and failed art, loaded on first use rather than on every
// paint; the view's destruction frees them. Only used under the paint lock.
static HBITMAP CellArt(HBITMAP* phbm, int nId)
{
    if (!*phbm)
        *phbm = LoadBitmapW(GetModuleHandleW(NULL), MAKEINTRESOURCEW(nId));
    return *phbm;
}

void FreeCellArt(ThumbCellArt* pArt)
{
    if (pArt->hfontCaption)
        DeleteObject(pArt->hfontCaption);
    pArt->hfontCaption = NULL;
    HBITMAP* rgphbm[] = {&pArt->hbmPending, &pArt->hbmFailed};
    for (HBITMAP* phbm : rgphbm)
    {
        if (*phbm)
            DeleteObject(*phbm);
        *phbm = NULL;
    }
}

static void CopyResourceBitmap(HDC hdc, HBITMAP hbm, int xBox, int yBox, bool bFitInBox)
{
    if (!hbm)
        return;
    int x = xBox, y = yBox;
    BITMAP bm;
    if (bFitInBox && GetObjectW(hbm, sizeof(bm), &bm))
    {
        ViewBox fit = {};
        FitRect(bm.bmWidth, bm.bmHeight, &fit);
        x += fit.x;
        y += fit.y;
    }
    CopyBitmap(hdc, hbm, x, y);
}

void PaintCell(HDC hdc, const PictureEntry* pEntry, LONG nScrollOffset, ThumbCellArt* pArt)
{
    if (!hdc || !pEntry || pEntry->nIndex < 0 || !pArt)
        return;
    const LONG i = pEntry->nIndex;
    const int x0 = (int)(i % THUMB_COLUMNS * THUMB_PITCH_X);
    const int y0 = (int)(ThumbRowTop(i) - nScrollOffset);
    LONG nSelected;
    const bool bSelected = GetPictureSelection(&nSelected) && i == nSelected;

    HGDIOBJ hOldBrush = SelectObject(hdc, GetSysColorBrush(bSelected ? COLOR_HIGHLIGHT : COLOR_BTNFACE));
    Rectangle(hdc, x0 + 5, y0 + 5, x0 + 75, y0 + 85);
    SelectObject(hdc, hOldBrush);

    WCHAR szCaption[CAPTION_CHARS];
    FormatThumbCaption(pEntry->szName, szCaption, CAPTION_CHARS);
    RECT rcCaption = {x0 + 7, y0 + 70, x0 + 73, y0 + 85};
    HGDIOBJ hOldFont = pArt->hfontCaption ? SelectObject(hdc, pArt->hfontCaption) : NULL;
    const int nOldMode = SetBkMode(hdc, TRANSPARENT);
    const COLORREF crOld = SetTextColor(hdc, GetSysColor(bSelected ? COLOR_HIGHLIGHTTEXT : COLOR_BTNTEXT));
    DrawTextW(hdc, szCaption, -1, &rcCaption, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    SetTextColor(hdc, crOld);
    SetBkMode(hdc, nOldMode);
    if (hOldFont)
        SelectObject(hdc, hOldFont);

    const int xBox = x0 + 8, yBox = y0 + 8;
    if (!pEntry->bProcessed)
        CopyResourceBitmap(hdc, CellArt(&pArt->hbmPending, IDB_THUMB_PENDING), x0 + 35, y0 + 33, false);
    else if (pEntry->hbmThumb)
        CopyBitmap(hdc, pEntry->hbmThumb, xBox + pEntry->xThumb, yBox + pEntry->yThumb);
    else
        CopyResourceBitmap(hdc, CellArt(&pArt->hbmFailed, IDB_THUMB_FAILED), xBox, yBox, true);
}
