// The thumbnail grid of the browser: the "Thumb" window, which starts and
// steers the thumbnail worker and follows the selection it shares with the
// file list.
#pragma once

#include <windows.h>

#include "viewer/common/picture_entry.h"

#define IDC_THUMB_VIEW 1004
#define IDC_THUMB_SCROLLBAR 1002

LRESULT CALLBACK ThumbViewWndProc(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam);

// Creates the hidden view in the frame where the file list lies: at the
// top left, as wide as the frame and 25 pixels less tall. False on failure.
BOOL CreateThumbView(HWND hwndFrame);
void DestroyThumbView(void);
HWND GetThumbViewWindow(void);

// Repaints the visible view at once, scrollbar included.
void RedrawThumbView(void);

// The cell of the entry lies in the visible rows or the row above.
BOOL IsThumbVisible(const PictureEntry* pEntry);
// Paints one cell on the device context at its place for the scroll offset.
void PaintThumbCell(HDC hdc, const PictureEntry* pEntry);

// The lower pane's height value, set by the browser's layout code.
void SetThumbViewHeight(LONG nHeight);
LONG GetThumbScrollOffset(void);
LONG GetThumbMaxScrollOffset(void);
// Sets the offset and the scrollbar's position; does not repaint.
void SetThumbScrollOffset(LONG nOffset);
LONG GetLastTappedThumb(void);
HWND GetThumbScrollBar(void);

// How a double-tapped thumbnail is opened: the shell registers it, as the
// browser cannot reach the viewer face itself.
typedef void (*ThumbOpenHandler)(PictureEntry* pEntry, LPCWSTR pszPath);
void SetThumbOpenHandler(ThumbOpenHandler pfnOpen);
