#include "viewer/shell/commands.h"

#include "viewer/extras/screen_capture.h"
#include "viewer/resources/resource.h"
#include "viewer/shell/main_window_data.h"

typedef void (*CommandHandler)(HWND hwnd, MainWindowData* pData, WPARAM wParam, LPARAM lParam);

struct CommandEntry
{
    WORD wCommand;
    CommandHandler pfnHandler;
};

// Ctrl+Q and the shell's OK button: pause whatever runs, then close.
static void OnCmdClose(HWND hwnd, MainWindowData*, WPARAM, LPARAM)
{
    SendMessageW(hwnd, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 0), 0);
    SendMessageW(hwnd, WM_CLOSE, 0, 0);
}

static void OnCmdExit(HWND hwnd, MainWindowData*, WPARAM, LPARAM)
{
    DestroyWindow(hwnd);
}

static void OnCmdScreenCapture(HWND, MainWindowData* pData, WPARAM, LPARAM)
{
    OpenCaptureWindow(pData);
}

static const CommandEntry s_rgCommands[] = {
    {IDOK, OnCmdClose},
    {IDC_CLOSE_ALT, OnCmdClose},
    {IDM_FILE_EXIT, OnCmdExit},
    {IDM_SCREEN_CAPTURE, OnCmdScreenCapture},
};

LRESULT OnMainCommand(HWND hwnd, MainWindowData* pData, WPARAM wParam, LPARAM lParam)
{
    WORD wCommand = LOWORD(wParam);
    for (const CommandEntry& entry : s_rgCommands)
    {
        if (entry.wCommand == wCommand)
        {
            entry.pfnHandler(hwnd, pData, wParam, lParam);
            return 0;
        }
    }
    return DefWindowProcW(hwnd, WM_COMMAND, wParam, lParam);
}
