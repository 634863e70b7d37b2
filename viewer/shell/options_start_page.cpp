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

// The picker's pictures: the sample and its darkened, gridded copy, each in
// a DIB section held by a memory DC. Lives from the page's start to its end.
struct PositionPicker
{
    RasterImage* pSample;
    RasterImage* pDark;
    HBITMAP hbmSample;
    HBITMAP hbmDark;
    HDC hdcSample;
    HDC hdcDark;
    HGDIOBJ hbmSampleSaved;
    HGDIOBJ hbmDarkSaved;
};
static PositionPicker s_picker;

static void ReleasePicker(void)
{
    if (s_picker.hdcSample)
    {
        SelectObject(s_picker.hdcSample, s_picker.hbmSampleSaved);
        DeleteDC(s_picker.hdcSample);
    }
    if (s_picker.hdcDark)
    {
        SelectObject(s_picker.hdcDark, s_picker.hbmDarkSaved);
        DeleteDC(s_picker.hdcDark);
    }
    // The pictures borrow the sections' bits: free them first.
    FreeImage(s_picker.pSample);
    FreeImage(s_picker.pDark);
    if (s_picker.hbmSample)
        DeleteObject(s_picker.hbmSample);
    if (s_picker.hbmDark)
        DeleteObject(s_picker.hbmDark);
    s_picker = PositionPicker();
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
static void LoadPicker(HWND hwndPage, HWND hwndPicker)
{
    ReleasePicker();
    WCHAR szPath[MAX_PATH];
    s_picker.pSample = CreateImage(0, 0, 24, RIF_BORROWED);
    if (!s_picker.pSample || !GetSamplePicturePath(szPath, MAX_PATH) || LoadJpegImage(s_picker.pSample, szPath) != 0)
    {
        ReleasePicker();
        return;
    }
    RasterImage* pSample = s_picker.pSample;
    HDC hdcPage = GetDC(hwndPage);
    s_picker.hbmSample = AttachDibSection(pSample, hdcPage);
    s_picker.pDark = CreateImage(pSample->width, pSample->height, pSample->bitsPerPixel,
                                 pSample->flags & ~RIF_BORROWED);
    if (s_picker.pDark)
        s_picker.hbmDark = AttachDibSection(s_picker.pDark, hdcPage);
    if (s_picker.hbmSample && s_picker.hbmDark)
    {
        s_picker.hdcSample = SelectIntoMemoryDC(hdcPage, s_picker.hbmSample, &s_picker.hbmSampleSaved);
        s_picker.hdcDark = SelectIntoMemoryDC(hdcPage, s_picker.hbmDark, &s_picker.hbmDarkSaved);
    }
    ReleaseDC(hwndPage, hdcPage);
    if (!s_picker.hdcSample || !s_picker.hdcDark)
    {
        ReleasePicker();
        return;
    }

    BitBlt(s_picker.hdcDark, 0, 0, pSample->width, pSample->height, s_picker.hdcSample, 0, 0, SRCCOPY);
    GdiFlush(); // the copy's bits are read directly next
    AdjustBrightness(s_picker.pDark, BRIGHTNESS_DARKENED);
    RECT rc;
    GetClientRect(hwndPicker, &rc);
    DrawGrid(s_picker.hdcDark, rc.right, rc.bottom);
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

static BOOL OnPickerDraw(const DRAWITEMSTRUCT* pItem)
{
    RECT rc;
    GetClientRect(pItem->hwndItem, &rc);
    const int w = rc.right, h = rc.bottom, cxCell = w / 3, cyCell = h / 3;
    HDC hdc = pItem->hDC;
    if (!s_picker.hdcDark)
    {
        // Without a sample the grid stands on the button face, where the
        // white outline of the current cell still shows.
        FillRect(hdc, &rc, GetSysColorBrush(COLOR_BTNFACE));
        DrawGrid(hdc, w, h);
    }
    else
    {
        BitBlt(hdc, 0, 0, w, h, s_picker.hdcDark, 0, 0, SRCCOPY);
    }
    MainWindowData* pData = GetMainWindowData();
    if (!pData || !IsPosition(pData->nInitialViewPosition))
        return TRUE;
    POINT ptCell;
    PositionCell(pData->nInitialViewPosition, cxCell, cyCell, &ptCell);
    if (s_picker.hdcSample)
        BitBlt(hdc, ptCell.x, ptCell.y, cxCell, cyCell, s_picker.hdcSample, ptCell.x, ptCell.y, SRCCOPY);
    HGDIOBJ hOldPen = SelectObject(hdc, GetStockObject(WHITE_PEN));
    HGDIOBJ hOldBrush = SelectObject(hdc, GetStockObject(HOLLOW_BRUSH));
    Rectangle(hdc, ptCell.x, ptCell.y, ptCell.x + cxCell, ptCell.y + cyCell);
    SelectObject(hdc, hOldBrush);
    SelectObject(hdc, hOldPen);
    return TRUE;
}

// A tap chooses the cell under it; new pictures use it at once.
static void OnPickerTap(HWND hwndPicker)
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
    const LONG cxCell = s_picker.pSample ? s_picker.pSample->width / 3 : rc.right / 3;
    const LONG cyCell = s_picker.pSample ? s_picker.pSample->height / 3 : rc.bottom / 3;
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

static void OnStartInit(HWND hwnd)
{
    CheckRadioButton(hwnd, IDC_START_BROWSER, IDC_START_VIEWER,
                     GetSetting(SZ_START_MODE, DEF_START_MODE) == 1 ? IDC_START_VIEWER : IDC_START_BROWSER);
    HWND hwndPicker = GetDlgItem(hwnd, IDC_VIEW_POSITION);
    SetWindowPos(hwndPicker, NULL, 0, 0, PICKER_SIDE, PICKER_SIDE, SWP_NOMOVE | SWP_NOZORDER);
    LoadPicker(hwnd, hwndPicker);
    FitOptionsPage(hwnd);
}

static void OnStartDestroy(HWND hwnd)
{
    SetSetting(SZ_START_MODE, IsDlgButtonChecked(hwnd, IDC_START_BROWSER) == BST_CHECKED ? 0 : 1);
    MainWindowData* pData = GetMainWindowData();
    if (pData)
        SetInitialViewPosition(pData->nInitialViewPosition);
    ReleasePicker();
}

INT_PTR CALLBACK StartPageProc(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    switch (uMsg)
    {
    case WM_INITDIALOG:
        OnStartInit(hwnd);
        return TRUE;
    case WM_DRAWITEM:
        return wParam == IDC_VIEW_POSITION ? OnPickerDraw(reinterpret_cast<DRAWITEMSTRUCT*>(lParam)) : FALSE;
    case WM_NOTIFY:
        RepaintSheetOnLeave(hwnd, reinterpret_cast<const NMHDR*>(lParam));
        return FALSE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDC_VIEW_POSITION && HIWORD(wParam) == BN_CLICKED)
            OnPickerTap(reinterpret_cast<HWND>(lParam));
        return FALSE;
    case WM_DESTROY:
        OnStartDestroy(hwnd);
        return FALSE;
    default:
        return FALSE;
    }
}
