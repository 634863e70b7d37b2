// Game input library of the handheld, for the desktop build.
//
// GXOpenInput takes over the hardware buttons for the calling thread until
// GXCloseInput. On a desktop keyboard the arrow keys are the directional pad
// (they arrive as ordinary key messages) and F1 to F5 are application
// buttons 1 to 5:
//   - each press of F1..F5 (no Ctrl, Alt, Shift or Windows key held, first
//     key-down only, no auto-repeat) is posted as WM_HOTKEY to the top-level
//     owner of the thread's focus (or active) window: wParam = 193..197
//     (GX_HOTKEY_APP1 + n), lParam = MAKELPARAM(0, VK_APP1 + n);
//   - the F1..F5 key-down and key-up messages themselves are swallowed, so a
//     press runs its action once and DefWindowProc does not turn F1 into
//     WM_HELP.
// The translation uses a keyboard hook local to the opening thread, never a
// system-wide hot key: other threads and programs keep their F1..F5, and
// after GXCloseInput so does this thread.
#pragma once

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

// Orientation options of GXGetDefaultKeys.
#define GX_NORMALKEYS    0x02  // portrait: the pad as it is held
#define GX_LANDSCAPEKEYS 0x03  // screen turned a quarter to the left

// Application-button virtual keys (the handheld's VK_APP1..VK_APP6).
#ifndef VK_APP1
#define VK_APP1 0xC1
#define VK_APP2 0xC2
#define VK_APP3 0xC3
#define VK_APP4 0xC4
#define VK_APP5 0xC5
#define VK_APP6 0xC6
#endif

// Hot-key identifiers under which buttons 1..5 reach the window; the same
// numbers as the buttons' virtual keys.
#define GX_HOTKEY_APP1 193
#define GX_APP_BUTTONS 5

// One entry per hardware key: its virtual key and where the key sits,
// in screen pixels (below the screen, as on the device).
struct GXKeyList {
    short vkUp;    POINT ptUp;
    short vkDown;  POINT ptDown;
    short vkLeft;  POINT ptLeft;
    short vkRight; POINT ptRight;
    short vkA;     POINT ptA;
    short vkB;     POINT ptB;
    short vkC;     POINT ptC;
    short vkStart; POINT ptStart;
};

// Takes over the buttons for the calling thread. Returns 1, also when this
// thread already holds them; 0 if the hook cannot be installed.
int GXOpenInput(void);

// Gives the buttons back. Returns 1, or 0 when this thread does not hold them.
int GXCloseInput(void);

// The key list for an orientation. Portrait: up, down, left, right are the
// arrow keys; A, B, C and Start are application buttons 1 to 4. Landscape
// turns the pad a quarter so that "up" on the turned screen is the key that
// now points up (VK_RIGHT). Any other option gives the portrait list.
struct GXKeyList GXGetDefaultKeys(int iOptions);

#ifdef __cplusplus
}
#endif
