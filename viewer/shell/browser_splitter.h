// The browser frame's splitter: the bar between the tree and the lower
// panes, its three arrow buttons, and the layout of the panes around it,
// kept at the bar's proportion of the main window.
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

// The three owner-drawn buttons on the frame, hidden; false when one cannot
// be made.
BOOL CreateSplitterButtons(HWND hwndFrame, HINSTANCE hInstance);
void DestroySplitterButtons(void);
// The first layout, from the frame's client rectangle at the ratio 0.29:
// the panes placed, the close and lowest buttons shown.
void StartSplitterLayout(const RECT& rcClient);

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
// The bar, in the frame's client coordinates.
RECT GetSplitterRect(void);
// Draws a splitter button's image in its item context.
void DrawSplitterButton(const DRAWITEMSTRUCT* pItem);
