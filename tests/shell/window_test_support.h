// Helpers of the tests that drive the real main window.
#pragma once

#include <string>
#include <windows.h>

// Dispatches the thread's messages for about dwMs milliseconds.
void Pump(DWORD dwMs);
// A 24-bit BMP file of w x h pixels of one colour.
void WriteBmp(const std::wstring& path, int w, int h, COLORREF cr);
