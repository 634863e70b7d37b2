// The browser frame "FileBrowser": the directory tree above a splitter bar
// with three arrow buttons, and below it the file list, the thumbnail view
// or the "NoImages" placeholder on one rectangle. The frame routes each
// notification of its panes to the handler of its sender and owns the
// panes' context menu.
#pragma once

#include <windows.h>

struct MainWindowData;

// Registers the class and makes the hidden frame with the list, the
// thumbnail view, the tree, the placeholder and the splitter buttons, laid
// out at the ratio 0.29. False when a piece cannot be made.
BOOL CreateBrowserFrame(HWND hwndMain, MainWindowData* pData);
// Destroys the panes, the tree and the frame, in that order.
void DestroyBrowserFrame(MainWindowData* pData);

LRESULT CALLBACK BrowserFrameWndProc(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
