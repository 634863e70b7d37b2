// The options sheet: a full-screen property sheet with the pages "Start",
// "Key" and "Etc". There is no cancel: each page that was shown writes its
// values to the settings store and the live objects when the sheet closes.
#pragma once

#include <windows.h>

struct MainWindowData;

// Runs the sheet modally over the main window's normal layout, with the
// empty menu bar below it; then shows the face that was shown before.
void ShowOptions(HWND hwndOwner);

// The sample picture beside the program, shown by the position picker.
#define OPTIONS_SAMPLE_NAME L"initial_data0.pvx"
// The full path of the sample picture; false when it does not fit.
bool GetSamplePicturePath(LPWSTR pszPath, int cchPath);

struct RasterImage;

// The Start page's position picker: the sample picture and its darkened,
// gridded copy, each in a DIB section held by a memory DC. The sheet keeps
// it and hands it to the page in its PROPSHEETPAGE.lParam; the page fills it
// when it starts and releases what it holds when it goes.
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

// The page procedures.
INT_PTR CALLBACK StartPageProc(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK KeyPageProc(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK EtcPageProc(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam);

// Pages fill the sheet's display area (the desktop sheet sizes itself from
// its page templates otherwise).
void FitOptionsPage(HWND hwndPage);
// The Start and Key pages repaint the whole sheet when they are applied or
// left, so no trace of the page stays behind on the shared tab area.
// Called with each notification the page gets.
void RepaintSheetOnLeave(HWND hwndPage, const NMHDR* pHeader);

// Selects nValue in a drop-down list, or nFallback when the list has no such
// entry (an odd stored value would otherwise show no selection).
void SelectListEntry(HWND hwndList, LONG nValue, LONG nFallback);
// Fills a drop-down list with texts, in order.
void FillList(HWND hwndList, const LPCWSTR* rgpszTexts, int cTexts);
