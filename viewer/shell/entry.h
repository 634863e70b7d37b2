// Program entry, start-up and the message loop.
#pragma once

#include <windows.h>

// The whole program: start-up, message loop; returns the exit code.
int ViewerMain(HINSTANCE hInstance, int nCmdShow);

BOOL InitInstance(HINSTANCE hInstance, int nCmdShow);
int RunMessageLoop(HINSTANCE hInstance);
