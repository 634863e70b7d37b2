// Helpers of the window tests beyond the shared input helpers.
#pragma once

#include <functional>
#include <string>
#include <windows.h>
#include "../platform/input_helpers.h"

// Runs send() while another thread waits up to dwMs for find() to give a
// visible window (a modal box) and hands it to act(); whether it came.
bool WhileWindowShows(const std::function<HWND()>& find, const std::function<void(HWND)>& act,
                      const std::function<void()>& send, DWORD dwMs = 5000);

// Polls a condition from any thread (no messages served); false on timeout.
bool PollUntil(const std::function<bool()>& done, DWORD dwMs = 5000);

// A pixel read through the window's own DC (the screen's copy may lag).
COLORREF WindowPixel(HWND hwnd, int x, int y);
bool ColoursNear(COLORREF a, COLORREF b, int nTolerance);

// A 24-bit bottom-up BMP file of w x h pixels of one colour.
void WriteSolidBmp(const std::wstring& path, int w, int h, COLORREF cr);
// Makes or pads a file to cb bytes (sparse past 4 GiB); sets a local write time.
void SetFileSize(const std::wstring& path, ULONGLONG cb);
void SetLocalWriteTime(const std::wstring& path, WORD wYear, WORD wMonth, WORD wDay, WORD wHour = 12,
                       WORD wMinute = 0, WORD wSecond = 0);
