// The browser frame "FileBrowser": the directory tree above a splitter bar
// with three arrow buttons, and below it the file list, the thumbnail view
// or the "NoImages" placeholder on one rectangle.
#pragma once

#include <windows.h>

struct MainWindowData;

#define IDC_SPLIT_CLOSE 5303
#define IDC_SPLIT_MIDDLE 5304
#define IDC_SPLIT_LOWEST 5305

// The splitter's two fixed places.
#define SPLITTER_CLOSED (-2)
#define SPLITTER_LOWEST 260
#define SPLITTER_MIDDLE 86
#define SPLITTER_HEIGHT 9

// Registers the class and makes the hidden frame with the list, the
// thumbnail view, the tree, the placeholder and the splitter buttons, laid
// out at the ratio 0.29. False when a piece cannot be made.
BOOL CreateBrowserFrame(HWND hwndMain, MainWindowData* pData);
// Destroys the panes, the tree and the frame, in that order.
void DestroyBrowserFrame(MainWindowData* pData);

// The main window's size changed: the panes follow at the kept ratio.
void LayoutBrowserPanes(MainWindowData* pData);
// Places the splitter at p as a drag or a button does.
void PlaceSplitter(int nPosition, BOOL bFromLowestButton);
// The bar's place for a release at client y (taken as unsigned 16 bits).
int SplitterPositionForRelease(int y);
int GetSplitterPosition(void);
double GetSplitterRatio(void);
int GetLowerPaneHeight(void);
HWND GetSplitterButton(int nId);

// The keyboard focus goes to whichever of list and thumbnails is shown.
void FocusBrowserPane(void);

LRESULT CALLBACK BrowserFrameWndProc(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
