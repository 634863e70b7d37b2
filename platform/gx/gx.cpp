#include "platform/gx/gx.h"

namespace {

// The hook belongs to the thread that opened input; the callback runs on
// that thread only, so plain thread-local state needs no lock.
thread_local HHOOK t_hook = nullptr;

// Key-message flags of a keyboard hook's lParam.
const LPARAM kAltDown = 1 << 29;
const LPARAM kWasDown = 1 << 30;
const LPARAM kKeyUp = static_cast<LPARAM>(1u << 31);

// Posted to the focus window for every F1 press, on Wine before the hook runs.
const UINT kWmKeyF1 = 0x004D;

bool IsModifierHeld()
{
    return GetKeyState(VK_CONTROL) < 0 || GetKeyState(VK_SHIFT) < 0 ||
           GetKeyState(VK_LWIN) < 0 || GetKeyState(VK_RWIN) < 0;
}

// The window that owns the buttons: the program's top-level window behind
// whatever of this thread has the focus, so a dialog or a child with the
// focus still routes the button to its main window.
HWND ButtonTarget()
{
    HWND hwnd = GetFocus();
    if (!hwnd)
        hwnd = GetActiveWindow();
    return hwnd ? GetAncestor(hwnd, GA_ROOTOWNER) : nullptr;
}

LRESULT CALLBACK KeyboardHook(int code, WPARAM vk, LPARAM flags)
{
    // Alt+F4 and friends stay the desktop's.
    bool isButton = code == HC_ACTION && vk >= VK_F1 && vk < VK_F1 + GX_APP_BUTTONS &&
                    !(flags & kAltDown) && !IsModifierHeld();
    if (!isButton)
        return CallNextHookEx(t_hook, code, vk, flags);

    bool keyUp = (flags & kKeyUp) != 0;
    if (vk == VK_F1 && !keyUp)
    {
        // Button 1 is no request for help.
        MSG msg;
        PeekMessageW(&msg, nullptr, kWmKeyF1, kWmKeyF1, PM_REMOVE | PM_NOYIELD);
    }
    if (!keyUp && !(flags & kWasDown))
    {
        HWND target = ButtonTarget();
        int n = static_cast<int>(vk - VK_F1);
        if (target)
            PostMessageW(target, WM_HOTKEY, GX_HOTKEY_APP1 + n, MAKELPARAM(0, VK_APP1 + n));
    }
    return 1;  // swallowed: the button never arrives as F1..F5
}

POINT Pt(int x, int y)
{
    POINT pt = {x, y};
    return pt;
}

}  // namespace

extern "C" int GXOpenInput(void)
{
    if (t_hook)
        return 1;
    t_hook = SetWindowsHookExW(WH_KEYBOARD, KeyboardHook, nullptr, GetCurrentThreadId());
    return t_hook ? 1 : 0;
}

extern "C" int GXCloseInput(void)
{
    if (!t_hook)
        return 0;
    UnhookWindowsHookEx(t_hook);
    t_hook = nullptr;
    return 1;
}

extern "C" struct GXKeyList GXGetDefaultKeys(int iOptions)
{
    // The device's keys sit in a row below the screen: A and B on the left,
    // the pad in the middle, C and Start on the right.
    int cx = GetSystemMetrics(SM_CXSCREEN);
    int cy = GetSystemMetrics(SM_CYSCREEN);
    int padX = cx / 2, padY = cy + 30;

    GXKeyList keys = {};
    keys.vkUp = VK_UP;       keys.ptUp = Pt(padX, padY - 12);
    keys.vkDown = VK_DOWN;   keys.ptDown = Pt(padX, padY + 12);
    keys.vkLeft = VK_LEFT;   keys.ptLeft = Pt(padX - 12, padY);
    keys.vkRight = VK_RIGHT; keys.ptRight = Pt(padX + 12, padY);
    keys.vkA = VK_APP1;      keys.ptA = Pt(24, padY);
    keys.vkB = VK_APP2;      keys.ptB = Pt(56, padY);
    keys.vkC = VK_APP3;      keys.ptC = Pt(cx - 56, padY);
    keys.vkStart = VK_APP4;  keys.ptStart = Pt(cx - 24, padY);

    if (iOptions == GX_LANDSCAPEKEYS)
    {
        // Turned a quarter to the left: the pad's right side now points up.
        keys.vkUp = VK_RIGHT;
        keys.vkRight = VK_DOWN;
        keys.vkDown = VK_LEFT;
        keys.vkLeft = VK_UP;
    }
    return keys;
}
