// The viewer's own input: stylus drags, the directional pad, the hardware
// application buttons and their key actions, and the four full-screen buttons.
#pragma once

#include <windows.h>

struct MainWindowData;

// Key action numbers, as stored for Key1 to Key5.
#define KEY_ACTION_NONE 0
#define KEY_ACTION_LAST 14

// Application buttons 1 to 5 arrive with these key and hot-key identifiers.
#define APP_BUTTON_FIRST 0xC1
#define APP_BUTTON_LAST 0xC5

// Sends the command of a key action to the main window; 0 and unknown
// numbers do nothing.
void RunKeyAction(MainWindowData* pData, LONG nAction);
// The command a key action sends, or 0.
WORD KeyActionCommand(const MainWindowData* pData, LONG nAction);

LRESULT OnStylusDown(HWND hwnd, MainWindowData* pData);
LRESULT OnStylusMove(HWND hwnd, MainWindowData* pData);
LRESULT OnStylusUp(HWND hwnd, MainWindowData* pData);
LRESULT OnViewerKeyUp(HWND hwnd, MainWindowData* pData, WPARAM vk);
LRESULT OnViewerHotKey(HWND hwnd, MainWindowData* pData, WPARAM nId);
LRESULT OnFullScreenButtonDraw(MainWindowData* pData, const DRAWITEMSTRUCT* pItem);

// The four owner-drawn buttons, created hidden on the main window.
BOOL CreateFullScreenButtons(HWND hwndMain);
void DestroyFullScreenButtons(void);
void ShowFullScreenButtons(BOOL bShow);
HWND GetFullScreenButton(int nId);

// Whether a slideshow is showing pictures now.
BOOL IsSlideshowRunning(const MainWindowData* pData);
