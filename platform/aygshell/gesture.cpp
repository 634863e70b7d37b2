#include "platform/aygshell/aygshell.h"

namespace {

enum class Outcome
{
    Hold,      // the stylus stayed down long enough
    Released,  // released, moved away, or the wait was broken off
};

bool MovedTooFar(const MSG& msg, POINT ptDown, HWND hwnd)
{
    POINT pt = {static_cast<short>(LOWORD(msg.lParam)), static_cast<short>(HIWORD(msg.lParam))};
    if (msg.hwnd != hwnd)
        MapWindowPoints(msg.hwnd, hwnd, &pt, 1);
    return abs(pt.x - ptDown.x) > GetSystemMetrics(SM_CXDRAG) || abs(pt.y - ptDown.y) > GetSystemMetrics(SM_CYDRAG);
}

// Serves the thread's messages until the hold time passes or the stylus
// lets go. Mouse messages that end the wait stay queued for the window.
Outcome WaitForHold(HWND hwnd, POINT ptDown, DWORD dwHoldMs)
{
    DWORD dwStart = GetTickCount();
    for (;;)
    {
        if (GetCapture() != hwnd)
            return Outcome::Released;
        MSG msg;
        while (PeekMessageW(&msg, nullptr, WM_MOUSEFIRST, WM_MOUSELAST, PM_NOREMOVE))
        {
            bool bMove = msg.message == WM_MOUSEMOVE;
            if (!bMove || MovedTooFar(msg, ptDown, hwnd))
                return Outcome::Released;
            PeekMessageW(&msg, nullptr, msg.message, msg.message, PM_REMOVE);  // a tremble
        }
        // Paints, timers and sent messages go on while the stylus is held.
        while (PeekMessageW(&msg, nullptr, 0, WM_MOUSEFIRST - 1, PM_REMOVE) ||
               PeekMessageW(&msg, nullptr, WM_MOUSELAST + 1, 0xFFFFFFFF, PM_REMOVE))
        {
            if (msg.message == WM_QUIT)
            {
                PostQuitMessage(static_cast<int>(msg.wParam));
                return Outcome::Released;
            }
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        DWORD dwElapsed = GetTickCount() - dwStart;
        if (dwElapsed >= dwHoldMs)
            return Outcome::Hold;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, dwHoldMs - dwElapsed, QS_ALLINPUT);
    }
}

void Notify(const SHRGINFO* shrg)
{
    HWND hwndTarget = (shrg->dwFlags & SHRG_NOTIFYPARENT) ? GetParent(shrg->hwndClient) : shrg->hwndClient;
    if (!hwndTarget)
        return;
    NMRGINFO info = {};
    info.hdr.hwndFrom = shrg->hwndClient;
    info.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(shrg->hwndClient));
    info.hdr.code = GN_CONTEXTMENU;
    info.ptAction = shrg->ptDown;
    ClientToScreen(shrg->hwndClient, &info.ptAction);
    info.dwItemSpec = 0;
    SendMessageW(hwndTarget, WM_NOTIFY, info.hdr.idFrom, reinterpret_cast<LPARAM>(&info));
}

} // namespace

extern "C" DWORD SHRecognizeGesture(SHRGINFO* shrg)
{
    if (!shrg || shrg->cbSize < sizeof(SHRGINFO) || !IsWindow(shrg->hwndClient))
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    // A desktop mouse has a button for the context menu: no need to wait.
    bool bRightButton = GetKeyState(VK_RBUTTON) < 0 && GetKeyState(VK_LBUTTON) >= 0;
    if (!bRightButton)
    {
        if (GetKeyState(VK_LBUTTON) >= 0)
            return 0;  // already released
        DWORD dwHoldMs = (shrg->dwFlags & SHRG_LONGDELAY) ? 2 * OMBRIX_HOLD_MS : OMBRIX_HOLD_MS;
        HWND hwndOldCapture = SetCapture(shrg->hwndClient);
        Outcome outcome = WaitForHold(shrg->hwndClient, shrg->ptDown, dwHoldMs);
        if (GetCapture() == shrg->hwndClient)
            ReleaseCapture();
        if (hwndOldCapture && IsWindow(hwndOldCapture) && outcome == Outcome::Released)
            SetCapture(hwndOldCapture);
        if (outcome != Outcome::Hold)
            return 0;
    }
    if (!(shrg->dwFlags & SHRG_RETURNCMD))
        Notify(shrg);
    return GN_CONTEXTMENU;
}
