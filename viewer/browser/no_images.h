// The "NoImages" placeholder shown in place of an empty file list.
#pragma once

#include <windows.h>

LRESULT CALLBACK NoImagesWndProc(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
