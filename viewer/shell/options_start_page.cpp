// The "Start" page: the start mode and the initial view position, chosen on
// a 3 x 3 picker over the sample picture.
#include "viewer/shell/options_sheet.h"

#include <commctrl.h>
#include <windowsx.h>

#include "viewer/common/main_window_data.h"
#include "viewer/common/settings.h"
#include "viewer/common/settings_names.h"
#include "viewer/extras/imagefile/raster_image.h"
#include "viewer/resources/resource.h"

#define PICKER_SIDE 120
#define POSITION_FIRST 1
#define POSITION_LAST 9
#define BRIGHTNESS_DARKENED (-30)

// The picker the sheet handed to the page; null before WM_INITDIALOG.
static PositionPicker* PickerOf(HWND hwndPage)
{
    return reinterpret_cast<PositionPicker*>(GetWindowLongPtrW(hwndPage, DWLP_USER));
}

static void ReleasePicker(PositionPicker* pPicker)
{
    if (pPicker->hdcSample)
    {
        SelectObject(pPicker->hdcSample, pPicker->hbmSampleSaved);
        DeleteDC(pPicker->hdcSample);
    }
    if (pPicker->hdcDark)
    {
        SelectObject(pPicker->hdcDark, pPicker->hbmDarkSaved);
        DeleteDC(pPicker->hdcDark);
    }
    // The pictures borrow the sections' bits: free them first.
    FreeImage(pPicker->pSample);
    FreeImage(pPicker->pDark);
    if (pPicker->hbmSample)
        DeleteObject(pPicker->hbmSample);
    if (pPicker->hbmDark)
        DeleteObject(pPicker->hbmDark);
    *pPicker = PositionPicker();
}

// Black frame and lines at every third of w and h.
static void DrawGrid(HDC hdc, int w, int h)
{
    HGDIOBJ hOldPen = SelectObject(hdc, GetStockObject(BLACK_PEN));
    HGDIOBJ hOldBrush = SelectObject(hdc, GetStockObject(HOLLOW_BRUSH));
    Rectangle(hdc, 0, 0, w, h);
    const int dx = w / 3, dy = h / 3;
    // A picker smaller than 3 pixels would never leave the loop.
    for (int y = 0, x = 0; dx > 0 && dy > 0 && y < h; y += dy, x += dx)
    {
        MoveToEx(hdc, 0, y, NULL);
        LineTo(hdc, w, y);
        MoveToEx(hdc, x, 0, NULL);
        LineTo(hdc, x, h);
    }
    SelectObject(hdc, hOldBrush);
    SelectObject(hdc, hOldPen);
}

static HDC SelectIntoMemoryDC(HDC hdcPage, HBITMAP hbm, HGDIOBJ* phbmSaved)
{
    HDC hdc = CreateCompatibleDC(hdcPage);
    if (hdc)
        *phbmSaved = SelectObject(hdc, hbm);
    return hdc;
}

// Loads the sample and makes its darkened copy; on any failure the picker
// keeps a bare grid.
static void LoadPicker(PositionPicker* pPicker, HWND hwndPage, HWND hwndPicker)
{
    ReleasePicker(pPicker);
    WCHAR szPath[MAX_PATH];
    pPicker->pSample = CreateImage(0, 0, 24, RIF_BORROWED);
    if (!pPicker->pSample || !GetSamplePicturePath(szPath, MAX_PATH) || LoadJpegImage(pPicker->pSample, szPath) != 0)
    {
        ReleasePicker(pPicker);
        return;
    }
    RasterImage* pSample = pPicker->pSample;
    HDC hdcPage = GetDC(hwndPage);
    pPicker->hbmSample = AttachDibSection(pSample, hdcPage);
    pPicker->pDark = CreateImage(pSample->width, pSample->height, pSample->bitsPerPixel,
                                 pSample->flags & ~RIF_BORROWED);
    if (pPicker->pDark)
        pPicker->hbmDark = AttachDibSection(pPicker->pDark, hdcPage);
    if (pPicker->hbmSample && pPicker->hbmDark)
    {
        pPicker->hdcSample = SelectIntoMemoryDC(hdcPage, pPicker->hbmSample, &pPicker->hbmSampleSaved);
        pPicker->hdcDark = SelectIntoMemoryDC(hdcPage, pPicker->hbmDark, &pPicker->hbmDarkSaved);
    }
    ReleaseDC(hwndPage, hdcPage);
    if (!pPicker->hdcSample || !pPicker->hdcDark)
    {
        ReleasePicker(pPicker);
        return;
    }

    BitBlt(pPicker->hdcDark, 0, 0, pSample->width, pSample->height, pPicker->hdcSample, 0, 0, SRCCOPY);
    GdiFlush(); // the copy's bits are read directly next
    AdjustBrightness(pPicker->pDark, BRIGHTNESS_DARKENED);
    RECT rc;
    GetClientRect(hwndPicker, &rc);
    DrawGrid(pPicker->hdcDark, rc.right, rc.bottom);
}

static bool IsPosition(LONG nPosition)
{
    return nPosition >= POSITION_FIRST && nPosition <= POSITION_LAST;
}

// Positions run column by column: 1 left-top, 2 left-middle ... 9 right-bottom.
static void PositionCell(LONG nPosition, int cxCell, int cyCell, POINT* pptCell)
{
    const int i = nPosition - POSITION_FIRST;
    pptCell->x = (i / 3) * cxCell;
    pptCell->y = (i % 3) * cyCell;
}

static BOOL OnPickerDraw(const PositionPicker* pPicker, const DRAWITEMSTRUCT* pItem)
{
    RECT rc;
    GetClientRect(pItem->hwndItem, &rc);
    const int w = rc.right, h = rc.bottom, cxCell = w / 3, cyCell = h / 3;
    HDC hdc = pItem->hDC;
    if (!pPicker->hdcDark)
    {
        // Without a sample the grid stands on the button face, where the
        // white outline of the current cell still shows.
        FillRect(hdc, &rc, GetSysColorBrush(COLOR_BTNFACE));
        DrawGrid(hdc, w, h);
    }
    else
    {
        BitBlt(hdc, 0, 0, w, h, pPicker->hdcDark, 0, 0, SRCCOPY);
    }
    MainWindowData* pData = GetMainWindowData();
    if (!pData || !IsPosition(pData->nInitialViewPosition))
        return TRUE;
    POINT ptCell;
    PositionCell(pData->nInitialViewPosition, cxCell, cyCell, &ptCell);
    if (pPicker->hdcSample)
        BitBlt(hdc, ptCell.x, ptCell.y, cxCell, cyCell, pPicker->hdcSample, ptCell.x, ptCell.y, SRCCOPY);
    HGDIOBJ hOldPen = SelectObject(hdc, GetStockObject(WHITE_PEN));
    HGDIOBJ hOldBrush = SelectObject(hdc, GetStockObject(HOLLOW_BRUSH));
    Rectangle(hdc, ptCell.x, ptCell.y, ptCell.x + cxCell, ptCell.y + cyCell);
    SelectObject(hdc, hOldBrush);
    SelectObject(hdc, hOldPen);
    return TRUE;
}

// A tap chooses the cell under it; new pictures use it at once.
static void OnPickerTap(const PositionPicker* pPicker, HWND hwndPicker)
{
    MainWindowData* pData = GetMainWindowData();
    if (!pData)
        return;
    DWORD dwPos = GetMessagePos();
    POINT pt = {GET_X_LPARAM(dwPos), GET_Y_LPARAM(dwPos)};
    ScreenToClient(hwndPicker, &pt);
    // Cells follow the sample; without one, the picker's own size, as drawn.
    RECT rc;
    GetClientRect(hwndPicker, &rc);
    const LONG cxCell = pPicker->pSample ? pPicker->pSample->width / 3 : rc.right / 3;
    const LONG cyCell = pPicker->pSample ? pPicker->pSample->height / 3 : rc.bottom / 3;
    for (LONG nPosition = POSITION_FIRST; nPosition <= POSITION_LAST; ++nPosition)
    {
        POINT ptCell;
        PositionCell(nPosition, cxCell, cyCell, &ptCell);
        if (pt.x >= ptCell.x && pt.x < ptCell.x + cxCell && pt.y >= ptCell.y && pt.y < ptCell.y + cyCell)
        {
            pData->nInitialViewPosition = nPosition;
            break;
        }
    }
    InvalidateRect(hwndPicker, NULL, FALSE);
}

static void OnStartInit(HWND hwnd, PositionPicker* pPicker)
{
    CheckRadioButton(hwnd, IDC_START_BROWSER, IDC_START_VIEWER,
                     GetSetting(SZ_START_MODE, DEF_START_MODE) == 1 ? IDC_START_VIEWER : IDC_START_BROWSER);
    HWND hwndPicker = GetDlgItem(hwnd, IDC_VIEW_POSITION);
    SetWindowPos(hwndPicker, NULL, 0, 0, PICKER_SIDE, PICKER_SIDE, SWP_NOMOVE | SWP_NOZORDER);
    LoadPicker(pPicker, hwnd, hwndPicker);
    FitOptionsPage(hwnd);
}

static void OnStartDestroy(HWND hwnd, PositionPicker* pPicker)
{
    SetSetting(SZ_START_MODE, IsDlgButtonChecked(hwnd, IDC_START_BROWSER) == BST_CHECKED ? 0 : 1);
    MainWindowData* pData = GetMainWindowData();
    if (pData)
        SetInitialViewPosition(pData->nInitialViewPosition);
    ReleasePicker(pPicker);
}

INT_PTR CALLBACK StartPageProc(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (uMsg == WM_INITDIALOG)
    {
        auto* pPicker = reinterpret_cast<PositionPicker*>(reinterpret_cast<const PROPSHEETPAGEW*>(lParam)->lParam);
        if (!pPicker)
            return TRUE;
        SetWindowLongPtrW(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(pPicker));
        OnStartInit(hwnd, pPicker);
        return TRUE;
    }
    PositionPicker* pPicker = PickerOf(hwnd);
    if (!pPicker)
        return FALSE;
    switch (uMsg)
    {
    case WM_DRAWITEM:
        return wParam == IDC_VIEW_POSITION ? OnPickerDraw(pPicker, reinterpret_cast<DRAWITEMSTRUCT*>(lParam)) : FALSE;
    case WM_NOTIFY:
        RepaintSheetOnLeave(hwnd, reinterpret_cast<const NMHDR*>(lParam));
        return FALSE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDC_VIEW_POSITION && HIWORD(wParam) == BN_CLICKED)
            OnPickerTap(pPicker, reinterpret_cast<HWND>(lParam));
        return FALSE;
    case WM_DESTROY:
        OnStartDestroy(hwnd, pPicker);
        SetWindowLongPtrW(hwnd, DWLP_USER, 0);
        return FALSE;
    default:
        return FALSE;
    }
}
