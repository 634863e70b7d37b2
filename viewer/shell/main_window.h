// The main window: the viewer surface and the parent of the browser frame.
#pragma once

#include <windows.h>

LRESULT CALLBACK MainWndProc(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam);

// Creates the main window of the registered class; its creation handler
// builds every long-lived object. Null on failure.
HWND CreateMainWindow(HINSTANCE hInstance);
