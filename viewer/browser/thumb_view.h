// The thumbnail grid of the browser and the selection it shares with the
// file list.
#pragma once

#include <windows.h>

#include "viewer/common/picture_entry.h"

#define IDC_THUMB_SCROLLBAR 1002

LRESULT CALLBACK ThumbViewWndProc(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam);

// Selects the entry of that index in the file list too, and scrolls its row
// into view when it is not visible.
void SelectThumb(LONG nIndex);
// The file list's selection moved to that index.
void SetThumbSelection(LONG nIndex);
void ClearThumbSelection(void);
// False when nothing is selected.
BOOL GetThumbSelection(LONG* pnIndex);
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
