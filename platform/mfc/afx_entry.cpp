// The program's entry belongs to the framework: an application supplies only
// its CWinApp object. Kept in a file of its own so that the library's link
// option can pull it in (the C runtime asks for WinMain only after the
// program's own libraries have been searched).
#include "platform/mfc/afxwin.h"

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nCmdShow)
{
    return AfxWinMain(hInstance, hPrevInstance, lpCmdLine, nCmdShow);
}
