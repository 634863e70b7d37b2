#include "input_helpers.h"

void PumpFor(DWORD ms)
{
    DWORD dwStart = GetTickCount();
    for (;;)
    {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        DWORD dwElapsed = GetTickCount() - dwStart;
        if (dwElapsed >= ms)
            return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - dwElapsed, QS_ALLINPUT);
    }
}

bool PumpUntil(const std::function<bool()>& done, DWORD msTimeout)
{
    DWORD dwStart = GetTickCount();
    while (!done())
    {
        if (GetTickCount() - dwStart > msTimeout)
            return false;
        PumpFor(10);
    }
    return true;
}

void SendKey(WORD vk, bool bUp)
{
    INPUT in = {};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
    in.ki.dwFlags = bUp ? KEYEVENTF_KEYUP : 0;
    SendInput(1, &in, sizeof(in));
}

void PressKey(WORD vk)
{
    SendKey(vk, false);
    SendKey(vk, true);
}

void MouseMoveTo(int x, int y)
{
    SetCursorPos(x, y);
}

void MouseButton(bool bRight, bool bUp)
{
    INPUT in = {};
    in.type = INPUT_MOUSE;
    if (bRight)
        in.mi.dwFlags = bUp ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_RIGHTDOWN;
    else
        in.mi.dwFlags = bUp ? MOUSEEVENTF_LEFTUP : MOUSEEVENTF_LEFTDOWN;
    SendInput(1, &in, sizeof(in));
}

void ClickAt(int x, int y, bool bRight)
{
    MouseMoveTo(x, y);
    PumpFor(30);
    MouseButton(bRight, false);
    MouseButton(bRight, true);
}

namespace {

const wchar_t kClass[] = L"OmbrixLoggingWindow";

LRESULT CALLBACK LoggingProc(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (uMsg == WM_NCCREATE)
    {
        auto* pcs = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(pcs->lpCreateParams));
    }
    auto* pWindow = reinterpret_cast<LoggingWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!pWindow)
        return DefWindowProcW(hwnd, uMsg, wParam, lParam);

    LoggedMessage m = {uMsg, wParam, lParam, 0, {}, nullptr, 0};
    if (uMsg == WM_NOTIFY)
    {
        auto* pHdr = reinterpret_cast<NMHDR*>(lParam);
        m.nNotifyCode = pHdr->code;
        m.hwndNotifyFrom = pHdr->hwndFrom;
        m.nNotifyId = pHdr->idFrom;
        if (pHdr->code == 1000)
            m.ptNotify = *reinterpret_cast<POINT*>(pHdr + 1);
    }
    pWindow->log.push_back(m);

    LRESULT lResult = 0;
    if (pWindow->onMessage && pWindow->onMessage(hwnd, uMsg, wParam, lParam, &lResult))
        return lResult;
    return DefWindowProcW(hwnd, uMsg, wParam, lParam);
}

} // namespace

bool LoggingWindow::Create(const wchar_t* pszTitle, int x, int y, int cx, int cy, HWND hwndParent, int nId)
{
    WNDCLASSW wc = {};
    wc.lpfnWndProc = LoggingProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = kClass;
    RegisterClassW(&wc);
    DWORD dwStyle = hwndParent ? WS_CHILD | WS_VISIBLE : WS_POPUP | WS_VISIBLE;
    hwnd = CreateWindowExW(0, kClass, pszTitle, dwStyle, x, y, cx, cy, hwndParent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(nId)), GetModuleHandleW(nullptr), this);
    return hwnd != nullptr;
}

LoggingWindow::~LoggingWindow()
{
    if (hwnd && IsWindow(hwnd))
    {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        DestroyWindow(hwnd);
    }
}

int LoggingWindow::Count(UINT uMsg) const
{
    int n = 0;
    for (const LoggedMessage& m : log)
        n += m.uMsg == uMsg;
    return n;
}

const LoggedMessage* LoggingWindow::Find(UINT uMsg) const
{
    for (const LoggedMessage& m : log)
        if (m.uMsg == uMsg)
            return &m;
    return nullptr;
}

bool BringToFront(HWND hwnd)
{
    SetForegroundWindow(hwnd);
    SetActiveWindow(hwnd);
    SetFocus(hwnd);
    return PumpUntil([hwnd] { return GetForegroundWindow() == hwnd; }, 2000);
}
