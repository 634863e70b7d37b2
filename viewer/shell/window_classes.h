// The window classes registered at start-up.
#pragma once

#include <windows.h>

#define THUMB_CLASS L"Thumb"
#define NOIMAGES_CLASS L"NoImages"

// The main window class (named from the string table), "Thumb" and "NoImages".
BOOL RegisterViewerClasses(HINSTANCE hInstance, LPCWSTR pszMainClass);
