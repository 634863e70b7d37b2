// Screen capture: the whole screen saved as a numbered 24-bit BMP file in the
// capture folder, from a small floating "Screen Cap" window.
#pragma once

#include <windows.h>

struct MainWindowData;

// Timers of the capture window and the notice.
#define CAPTURE_TIMER_GRAB 100
#define CAPTURE_TIMER_RETURN 101
#define NOTICE_TIMER_HIDE 100

#define CAPTURE_DELAY_MS 200
#define CAPTURE_LONG_DELAY_MS 10000
#define CAPTURE_RETURN_MS 1000
#define NOTICE_SHOW_MS 1000

// Start-up: both windows, hidden, their handles kept in the record.
BOOL CreateCaptureWindows(MainWindowData* pData);
// Exit: both windows destroyed and their handles cleared.
void DestroyCaptureWindows(MainWindowData* pData);
// "&Screen Capture": a fresh capture window, centred, top-most, in front.
void OpenCaptureWindow(MainWindowData* pData);

// Centres a window on the screen as a top-most window and brings it forward.
void PlaceCaptureWindow(HWND hwnd);

// The next unused om%05d.bmp name in the capture folder (MAX_PATH units);
// the record's counter ends one past it. False when the name does not fit.
BOOL NextCaptureFileName(MainWindowData* pData, WCHAR* pszName);
// The screen as a 24-bit DIB section, or null.
HBITMAP GrabScreen(void);
// Grabs the screen and writes it to the next free name; true when written.
BOOL CaptureScreen(MainWindowData* pData);
// Tells the user that a capture could not be saved, naming the folder.
void ShowCaptureFailure(MainWindowData* pData);
