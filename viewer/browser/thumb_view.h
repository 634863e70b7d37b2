// The thumbnail grid of the browser and the selection it shares with the
// file list.
#pragma once

#include <windows.h>

LRESULT CALLBACK ThumbViewWndProc(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam);

// Selects the entry of that index in the file list too.
void SelectThumb(LONG nIndex);
// Records the selection the file list reports.
void SetThumbSelection(LONG nIndex);
void ClearThumbSelection(void);
// False when nothing is selected.
BOOL GetThumbSelection(LONG* pnIndex);
void RedrawThumbView(void);
