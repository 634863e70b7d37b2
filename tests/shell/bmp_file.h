// Picture files made by the tests.
#pragma once

#include <string>
#include <windows.h>

// A 24-bit bottom-up BMP file of w x h pixels of one colour.
void WriteSolidBmp(const std::wstring& path, int w, int h, COLORREF cr);
