// The main window: the viewer surface and the parent of the browser frame.
#pragma once

#include <windows.h>

struct MainWindowData;

LRESULT CALLBACK MainWndProc(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam);

// Creates the main window of the registered class; its creation handler
// builds every long-lived object. Null on failure.
HWND CreateMainWindow(HINSTANCE hInstance);

// Creation handler and teardown.
LRESULT OnMainCreate(HWND hwnd, MainWindowData* pData);
void OnMainDestroy(HWND hwnd, MainWindowData* pData);

// Whether the browser frame covers the window (the browser face).
BOOL IsBrowserVisible(const MainWindowData* pData);

// The two faces of the program.
void ShowBrowser(MainWindowData* pData);
void ShowViewer(MainWindowData* pData);
