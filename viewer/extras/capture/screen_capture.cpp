// Grabbing the screen and writing it to the next free numbered file.
#include "viewer/extras/capture/screen_capture.h"

#include <stdio.h>

#include "viewer/common/image_error.h"
#include "viewer/extras/imagefile/raster_image.h"
#include "viewer/common/main_window_data.h"
#include "viewer/common/path_parts.h"
#include "viewer/common/settings.h"
#include "viewer/imaging/view/bitmap_transform.h"

BOOL NextCaptureFileName(MainWindowData* pData, WCHAR* pszName)
{
    WCHAR szFolder[MAX_PATH];
    GetScreenCaptureSaveFolder(szFolder);
    // The counter only grows; a name that exists is passed over.
    do
    {
        WCHAR szFile[24];
        const int nLength =
            _snwprintf_s(szFile, ARRAYSIZE(szFile), _TRUNCATE, L"om%05d.bmp", (int)pData->nCaptureCount);
        ++pData->nCaptureCount;
        // A cut name would be another file: no capture at all instead.
        if (nLength < 0 || !JoinPath(szFolder, szFile, pszName, MAX_PATH))
            return FALSE;
    } while (GetFileAttributesW(pszName) != INVALID_FILE_ATTRIBUTES && pData->nCaptureCount > 0);
    return TRUE;
}

HBITMAP GrabScreen(void)
{
    const int cx = GetSystemMetrics(SM_CXSCREEN);
    const int cy = GetSystemMetrics(SM_CYSCREEN);
    HDC hdcScreen = CreateDCW(L"DISPLAY", NULL, NULL, NULL);
    if (!hdcScreen)
        return NULL;
    HDC hdcMem = CreateCompatibleDC(hdcScreen);

    BITMAPINFO bmi = {};
    bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bmi.bmiHeader.biWidth = cx;
    bmi.bmiHeader.biHeight = cy;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 24;
    bmi.bmiHeader.biCompression = BI_RGB;
    void* pvBits = NULL;
    HBITMAP hbm = CreateDIBSection(hdcScreen, &bmi, DIB_RGB_COLORS, &pvBits, NULL, 0);
    if (hbm && hdcMem)
    {
        HGDIOBJ hOld = SelectObject(hdcMem, hbm);
        BitBlt(hdcMem, 0, 0, cx, cy, hdcScreen, 0, 0, SRCCOPY);
        SelectObject(hdcMem, hOld);
    }
    else if (hbm)
    {
        DeleteObject(hbm);
        hbm = NULL;
    }
    if (hdcMem)
        DeleteDC(hdcMem);
    DeleteDC(hdcScreen);
    return hbm;
}

// Copies the grabbed bitmap into the image's own DIB section and writes it.
static int SaveGrab(MainWindowData* pData, HBITMAP hbmGrab, const WCHAR* pszName)
{
    BITMAP bm = {};
    GetObjectW(hbmGrab, sizeof(bm), &bm);
    RasterImage* pImage = CreateImage(bm.bmWidth, bm.bmHeight, 24, 0);
    if (!pImage)
        return -1;

    HDC hdcWindow = GetDC(pData->hwndMain);
    HBITMAP hbmImage = AttachDibSection(pImage, hdcWindow);
    HDC hdcDest = CreateCompatibleDC(hdcWindow);
    ReleaseDC(pData->hwndMain, hdcWindow);

    int nResult = -1;
    if (hbmImage && pImage->pixels && hdcDest)
    {
        HGDIOBJ hOldDest = SelectObject(hdcDest, hbmImage);
        const ViewBox whole = {0, 0, bm.bmWidth, bm.bmHeight};
        BlitBitmap(hdcDest, whole, hbmGrab);
        SelectObject(hdcDest, hOldDest);
        GdiFlush();
        nResult = SaveNewImage(pImage, pszName);
    }
    if (hdcDest)
        DeleteDC(hdcDest);
    // Freeing clears the error code; a failed save keeps its code for
    // whoever reads it next.
    int nError = GetImageError();
    FreeImage(pImage); // before the section whose bits it borrows
    if (hbmImage)
        DeleteObject(hbmImage);
    if (nResult != 0)
        SetImageError(nError);
    return nResult;
}

BOOL CaptureScreen(MainWindowData* pData)
{
    if (!pData)
        return FALSE;
    HBITMAP hbmGrab = GrabScreen();
    if (!hbmGrab)
        return FALSE;

    // A file that appears between the name check and the write is never
    // replaced: the next name is taken instead.
    int nResult;
    int nTries = 0;
    do
    {
        WCHAR szName[MAX_PATH];
        if (!NextCaptureFileName(pData, szName))
        {
            SetImageError(IMGERR_WRITE_FILE);
            nResult = -1;
            break;
        }
        nResult = SaveGrab(pData, hbmGrab, szName);
    } while (nResult == SAVE_IMAGE_EXISTS && ++nTries < 100);

    DeleteObject(hbmGrab);
    return nResult == 0;
}
