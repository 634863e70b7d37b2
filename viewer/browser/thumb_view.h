// The thumbnail grid of the browser.
#pragma once

#include <windows.h>

LRESULT CALLBACK ThumbViewWndProc(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
