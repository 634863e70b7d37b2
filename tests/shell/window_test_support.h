// Helpers of the tests that drive real windows beyond the shared input
// helpers: watching a modal window from another thread, reading pixels, and
// one-colour picture files.
#pragma once

#include <functional>
#include <string>
#include <windows.h>

#include "../platform/input_helpers.h"

// Runs send() while another thread waits up to dwMs for find() to give a
// visible window (a modal box, a menu) and hands it to act(); messages are
// served until that thread ends. Whether the window came.
bool WhileWindowShows(const std::function<HWND()>& find, const std::function<void(HWND)>& act,
                      const std::function<void()>& send, DWORD dwMs = 5000);

// Polls a condition from any thread (no messages served); false on timeout.
bool PollUntil(const std::function<bool()>& done, DWORD dwMs = 5000);

// A pixel of a window, read through its own DC (the screen's copy may lag).
COLORREF WindowPixel(HWND hwnd, int x, int y);
// Whether every channel of two colours is within nTolerance.
bool ColoursNear(COLORREF a, COLORREF b, int nTolerance);

// A 24-bit bottom-up BMP file of w x h pixels of one colour.
void WriteSolidBmp(const std::wstring& path, int w, int h, COLORREF cr);
