// The About box.
#pragma once

#include <windows.h>

#define IDD_ABOUT_NAME L"About"

void ShowAboutBox(HWND hwndOwner);
