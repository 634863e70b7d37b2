// The browser frame's splitter: the bar between the tree and the lower
// panes, its three arrow buttons, the drag that moves it, and the layout of
// the panes around it, kept at the bar's proportion of the main window. Its
// state is the frame window's own record.
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

// The frame's WM_NCCREATE: makes the frame's record, laid out from the
// RECT given as the frame's create parameter (the main window's client
// rectangle); false without memory, which fails the frame's creation.
BOOL AttachSplitter(HWND hwndFrame, const CREATESTRUCTW* pCreate);
// The frame's WM_NCDESTROY: frees the buttons' images and the record.
void DetachSplitter(HWND hwndFrame);

// The three owner-drawn buttons on the frame, hidden; false when one cannot
// be made.
BOOL CreateSplitterButtons(HWND hwndFrame, HINSTANCE hInstance);
// The first layout, from the record's rectangle at the ratio 0.29: the panes
// placed, the close and lowest buttons shown.
void StartSplitterLayout(HWND hwndFrame);

// The main window's size changed: the panes follow at the kept ratio.
void LayoutBrowserPanes(MainWindowData* pData);
// Places the splitter at p as a drag or a button does.
void PlaceSplitter(HWND hwndFrame, int nPosition, BOOL bFromLowestButton);
// The bar's place for a release at client y (taken as unsigned 16 bits).
int SplitterPositionForRelease(int y);
// The bar, in the frame's client coordinates.
RECT GetSplitterRect(HWND hwndFrame);
// Draws a splitter button's image in its item context.
void DrawSplitterButton(HWND hwndFrame, const DRAWITEMSTRUCT* pItem);

// The drag of the bar by the stylus, from the frame's stylus messages
// (client coordinates in lParam).
void BeginSplitterDrag(HWND hwndFrame, LPARAM lParam);
void MoveSplitterDrag(HWND hwndFrame, LPARAM lParam);
void EndSplitterDrag(HWND hwndFrame, LPARAM lParam);
