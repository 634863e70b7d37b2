// viewer.exe: the command line is not used.
#include <windows.h>

#include "viewer/shell/entry.h"

int WINAPI wWinMain(HINSTANCE hInstance, HINSTANCE, LPWSTR, int nCmdShow)
{
    return ViewerMain(hInstance, nCmdShow);
}
