#include "platform/aygshell/aygshell.h"
#include "platform/aygshell/shell_module.h"
#include "platform/aygshell/top_bar.h"

#include <new>
#include <strsafe.h>

namespace {

// Window properties recording each top-level window's wishes.
const wchar_t kHideTopBarProp[] = L"OmbrixShell.HideTopBar";
const wchar_t kDoneButtonProp[] = L"OmbrixShell.DoneButton";

// The foreground window is watched by polling: it can change in another
// thread or program, which sends this window nothing.
const UINT_PTR kWatchTimer = 1;
const UINT kWatchMs = 200;

const COLORREF kBarColour = RGB(0, 40, 120);
const COLORREF kTextColour = RGB(255, 255, 255);

// The one top bar of the process; only its own thread touches it after
// creation, other threads only read the handle.
HWND g_hwndTopBar = nullptr;
HWND g_hwndLastHint = nullptr;

struct TopBarState
{
    HWND hwndDone;  // dialog whose "ok" is shown, or null
};

bool IsOurs(HWND hwnd)
{
    DWORD dwPid = 0;
    return hwnd && GetWindowThreadProcessId(hwnd, &dwPid) && dwPid == GetCurrentProcessId();
}

// The top-level window whose wishes the bar follows now.
HWND ChooseTarget(HWND hwndHint)
{
    HWND hwndFore = GetForegroundWindow();
    if (IsOurs(hwndFore))
        return GetAncestor(hwndFore, GA_ROOT);
    return hwndHint && IsWindow(hwndHint) ? GetAncestor(hwndHint, GA_ROOT) : nullptr;
}

RECT DoneRect(HWND hwnd)
{
    RECT rc;
    GetClientRect(hwnd, &rc);
    rc.left = rc.right - OMBRIX_DONE_WIDTH;
    return rc;
}

void Update(HWND hwnd, TopBarState* pState)
{
    HWND hwndFore = GetForegroundWindow();
    wchar_t szTitle[128] = L"";
    if (hwndFore)
        GetWindowTextW(hwndFore, szTitle, ARRAYSIZE(szTitle));

    wchar_t szShown[128] = L"";
    GetWindowTextW(hwnd, szShown, ARRAYSIZE(szShown));
    if (lstrcmpW(szShown, szTitle) != 0)
    {
        SetWindowTextW(hwnd, szTitle);
        InvalidateRect(hwnd, nullptr, FALSE);
    }

    HWND hwndTarget = ChooseTarget(g_hwndLastHint);
    HWND hwndDone = hwndTarget && GetPropW(hwndTarget, kDoneButtonProp) ? hwndTarget : nullptr;
    if (hwndDone != pState->hwndDone)
    {
        pState->hwndDone = hwndDone;
        InvalidateRect(hwnd, nullptr, FALSE);
    }

    BOOL bWantShown = !(hwndTarget && GetPropW(hwndTarget, kHideTopBarProp));
    if (bWantShown != IsWindowVisible(hwnd))
        ShowWindow(hwnd, bWantShown ? SW_SHOWNA : SW_HIDE);
}

void PaintDoneButton(HDC hdc, const RECT& rcDone)
{
    RECT rc = rcDone;
    InflateRect(&rc, -3, -4);
    HPEN hPen = CreatePen(PS_SOLID, 1, kTextColour);
    HGDIOBJ hOldPen = SelectObject(hdc, hPen);
    HGDIOBJ hOldBrush = SelectObject(hdc, GetStockObject(NULL_BRUSH));
    Ellipse(hdc, rc.left, rc.top, rc.right, rc.bottom);
    SelectObject(hdc, hOldBrush);
    SelectObject(hdc, hOldPen);
    DeleteObject(hPen);
    DrawTextW(hdc, L"ok", -1, &rc, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

LRESULT OnPaint(HWND hwnd, TopBarState* pState)
{
    PAINTSTRUCT ps;
    HDC hdc = BeginPaint(hwnd, &ps);
    if (!hdc)
        return 0;
    RECT rc;
    GetClientRect(hwnd, &rc);
    HBRUSH hBrush = CreateSolidBrush(kBarColour);
    FillRect(hdc, &rc, hBrush);
    DeleteObject(hBrush);

    HGDIOBJ hOldFont = SelectObject(hdc, GetStockObject(DEFAULT_GUI_FONT));
    int nOldMode = SetBkMode(hdc, TRANSPARENT);
    COLORREF clrOld = SetTextColor(hdc, kTextColour);

    wchar_t szTitle[128] = L"";
    GetWindowTextW(hwnd, szTitle, ARRAYSIZE(szTitle));
    RECT rcText = rc;
    rcText.left += 6;
    rcText.right -= OMBRIX_DONE_WIDTH + 2;
    DrawTextW(hdc, szTitle, -1, &rcText, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
    if (pState->hwndDone)
        PaintDoneButton(hdc, DoneRect(hwnd));

    SetTextColor(hdc, clrOld);
    SetBkMode(hdc, nOldMode);
    SelectObject(hdc, hOldFont);
    EndPaint(hwnd, &ps);
    return 0;
}

LRESULT OnButtonUp(HWND hwnd, TopBarState* pState, LPARAM lParam)
{
    POINT pt = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    RECT rc = DoneRect(hwnd);
    if (pState->hwndDone && PtInRect(&rc, pt))
        PostMessageW(pState->hwndDone, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    return 0;
}

LRESULT OnCreate(HWND hwnd, LPARAM lParam)
{
    auto* pcs = reinterpret_cast<CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(pcs->lpCreateParams));
    SetTimer(hwnd, kWatchTimer, kWatchMs, nullptr);
    return 0;
}

LRESULT OnDestroy(HWND hwnd, TopBarState* pState)
{
    KillTimer(hwnd, kWatchTimer);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    delete pState;
    if (g_hwndTopBar == hwnd)
        g_hwndTopBar = nullptr;
    return 0;
}

void PlaceAcrossTop(HWND hwnd)
{
    SetWindowPos(hwnd, HWND_TOPMOST, 0, 0, GetSystemMetrics(SM_CXSCREEN), OMBRIX_BAR_HEIGHT,
                 SWP_NOACTIVATE);
}

LRESULT CALLBACK TopBarProc(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    auto* pState = reinterpret_cast<TopBarState*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    switch (uMsg)
    {
    case WM_CREATE:
        return OnCreate(hwnd, lParam);
    case WM_DESTROY:
        return OnDestroy(hwnd, pState);
    case WM_TIMER:
        if (pState)
            Update(hwnd, pState);
        return 0;
    case WM_PAINT:
        return pState ? OnPaint(hwnd, pState) : 0;
    case WM_LBUTTONUP:
        return pState ? OnButtonUp(hwnd, pState, lParam) : 0;
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE;  // the shell's bar never takes the focus
    case WM_DISPLAYCHANGE:
        PlaceAcrossTop(hwnd);
        return 0;
    default:
        return DefWindowProcW(hwnd, uMsg, wParam, lParam);
    }
}

} // namespace

HWND EnsureTopBar()
{
    if (g_hwndTopBar && IsWindow(g_hwndTopBar))
        return g_hwndTopBar;

    HINSTANCE hInst = ShellModule();
    WNDCLASSW wc = {};
    wc.lpfnWndProc = TopBarProc;
    wc.hInstance = hInst;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = OMBRIX_TOPBAR_CLASS;
    RegisterClassW(&wc);  // fails harmlessly when already registered

    auto* pState = new (std::nothrow) TopBarState();
    if (!pState)
        return nullptr;
    // WS_EX_NOACTIVATE and the answer to WM_MOUSEACTIVATE keep the focus with
    // the program's windows, as the handheld's bar did.
    HWND hwnd = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, OMBRIX_TOPBAR_CLASS, L"",
                                WS_POPUP, 0, 0, GetSystemMetrics(SM_CXSCREEN), OMBRIX_BAR_HEIGHT, nullptr,
                                nullptr, hInst, pState);
    if (!hwnd)
    {
        delete pState;
        return nullptr;
    }
    g_hwndTopBar = hwnd;
    Update(hwnd, pState);
    return hwnd;
}

void RefreshTopBar(HWND hwndHint)
{
    if (hwndHint)
        g_hwndLastHint = hwndHint;
    HWND hwnd = EnsureTopBar();
    auto* pState = hwnd ? reinterpret_cast<TopBarState*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA)) : nullptr;
    if (pState)
        Update(hwnd, pState);
}

void SetDoneButton(HWND hwndDialog, BOOL bDone)
{
    if (bDone)
        SetPropW(hwndDialog, kDoneButtonProp, reinterpret_cast<HANDLE>(1));
    else
        RemovePropW(hwndDialog, kDoneButtonProp);
}

extern "C" HWND OmbrixTopBar(void)
{
    return EnsureTopBar();
}

extern "C" BOOL SHFullScreen(HWND hwnd, DWORD dwState)
{
    BOOL bShow = (dwState & SHFS_SHOWTASKBAR) != 0;
    BOOL bHide = (dwState & SHFS_HIDETASKBAR) != 0;
    const DWORD dwKnown = SHFS_SHOWTASKBAR | SHFS_HIDETASKBAR | SHFS_SHOWSIPBUTTON | SHFS_HIDESIPBUTTON |
                          SHFS_SHOWSTARTICON | SHFS_HIDESTARTICON;
    if (!IsWindow(hwnd) || !dwState || (dwState & ~dwKnown) || (bShow && bHide))
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    HWND hwndTop = GetAncestor(hwnd, GA_ROOT);
    if (bHide)
        SetPropW(hwndTop, kHideTopBarProp, reinterpret_cast<HANDLE>(1));
    else if (bShow)
        RemovePropW(hwndTop, kHideTopBarProp);
    RefreshTopBar(hwndTop);
    return TRUE;
}
