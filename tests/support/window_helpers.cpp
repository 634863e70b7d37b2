#include "tests/support/window_helpers.h"

#include <algorithm>
#include <atomic>
#include <thread>

void PumpFor(DWORD ms)
{
    for (DWORD dwStart = GetTickCount(), dwElapsed;; )
    {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if ((dwElapsed = GetTickCount() - dwStart) >= ms)
            return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - dwElapsed, QS_ALLINPUT);
    }
}

bool PumpUntil(const std::function<bool()>& done, DWORD msTimeout)
{
    for (DWORD dwStart = GetTickCount(); !done(); PumpFor(10))
        if (GetTickCount() - dwStart > msTimeout)
            return false;
    return true;
}

bool PollUntil(const std::function<bool()>& done, DWORD dwMs)
{
    for (DWORD dwStart = GetTickCount(); !done(); Sleep(5))
        if (GetTickCount() - dwStart > dwMs)
            return false;
    return true;
}

bool WhileWindowShows(const std::function<HWND()>& find, const std::function<void(HWND)>& act,
                      const std::function<void()>& send, DWORD dwMs)
{
    std::atomic<bool> bSeen{false}, bDone{false};
    std::thread watcher([&] {
        HWND hwnd = NULL;
        if (PollUntil([&] { return (hwnd = find()) != NULL && IsWindowVisible(hwnd); }, dwMs))
        {
            bSeen = true;
            act(hwnd);
        }
        bDone = true;
    });
    send();
    PumpUntil([&] { return bDone.load(); }, dwMs + 5000);
    watcher.join();
    return bSeen;
}

std::wstring WindowText(HWND hwnd)
{
    WCHAR sz[512] = L"";
    GetWindowTextW(hwnd, sz, 512);
    return sz;
}

HWND VisibleDialog(DWORD dwThread, int nItem)
{
    struct Search { int nItem; HWND hwnd; } search = {nItem, NULL};
    EnumThreadWindows(dwThread, [](HWND hwnd, LPARAM lParam) -> BOOL {
        Search* p = reinterpret_cast<Search*>(lParam);
        WCHAR sz[16];
        if (IsWindowVisible(hwnd) && GetClassNameW(hwnd, sz, 16) && !wcscmp(sz, L"#32770") &&
            (!p->nItem || GetDlgItem(hwnd, p->nItem)))
            p->hwnd = hwnd;
        return !p->hwnd;
    }, reinterpret_cast<LPARAM>(&search));
    return search.hwnd;
}

void SendKey(WORD vk, bool bUp)
{
    INPUT in = {INPUT_KEYBOARD};
    in.ki = {vk, static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC)), DWORD(bUp ? KEYEVENTF_KEYUP : 0)};
    SendInput(1, &in, sizeof(in));
}

void PressKey(WORD vk) { SendKey(vk, false), SendKey(vk, true); }
void MouseMoveTo(int x, int y) { SetCursorPos(x, y); }

void MouseButton(bool bRight, bool bUp)
{
    INPUT in = {INPUT_MOUSE};
    in.mi.dwFlags = bRight ? (bUp ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_RIGHTDOWN)
                           : (bUp ? MOUSEEVENTF_LEFTUP : MOUSEEVENTF_LEFTDOWN);
    SendInput(1, &in, sizeof(in));
}

void ClickAt(int x, int y, bool bRight)
{
    MouseMoveTo(x, y);
    PumpFor(30);
    MouseButton(bRight, false);
    MouseButton(bRight, true);
}

static LRESULT CALLBACK LoggingProc(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (uMsg == WM_NCCREATE)
        SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
    auto* pWindow = reinterpret_cast<LoggingWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!pWindow)
        return DefWindowProcW(hwnd, uMsg, wParam, lParam);
    pWindow->log.push_back({uMsg, wParam, lParam});
    LRESULT lResult = 0;
    if (pWindow->onMessage && pWindow->onMessage(hwnd, uMsg, wParam, lParam, &lResult))
        return lResult;
    return DefWindowProcW(hwnd, uMsg, wParam, lParam);
}

bool LoggingWindow::Create(const wchar_t* pszTitle, int x, int y, int cx, int cy, HWND hwndParent, int nId)
{
    WNDCLASSW wc = {0, LoggingProc, 0, 0, GetModuleHandleW(nullptr), nullptr, LoadCursorW(nullptr, IDC_ARROW),
                    static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)), nullptr, L"OmbrixLoggingWindow"};
    RegisterClassW(&wc);
    hwnd = CreateWindowExW(0, wc.lpszClassName, pszTitle, (hwndParent ? WS_CHILD : WS_POPUP) | WS_VISIBLE, x, y, cx,
                           cy, hwndParent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(nId)), wc.hInstance, this);
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
    return static_cast<int>(std::count_if(log.begin(), log.end(), [&](const LoggedMessage& m) { return m.uMsg == uMsg; }));
}

const LoggedMessage* LoggingWindow::Find(UINT uMsg) const
{
    auto it = std::find_if(log.begin(), log.end(), [&](const LoggedMessage& m) { return m.uMsg == uMsg; });
    return it == log.end() ? nullptr : &*it;
}

bool BringToFront(HWND hwnd)
{
    SetForegroundWindow(hwnd);
    SetActiveWindow(hwnd);
    SetFocus(hwnd);
    return PumpUntil([hwnd] { return GetForegroundWindow() == hwnd; }, 2000);
}
