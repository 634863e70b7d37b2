#include "viewer/common/message_box.h"

#include <wchar.h>

namespace {

// The hook of the calling thread's box that waits for its first
// activation. Per thread: a box without owner may come from a worker.
thread_local HHOOK t_hPlaceHook = NULL;

// A box wider than the area after its text was wrapped is so for its row
// of buttons (OK and Cancel on a small screen): it is narrowed to the area,
// its text keeps its place within the new width, and the buttons close up,
// centred, with equal gaps.
void NarrowToArea(HWND hwnd)
{
    RECT rc, rcClient;
    const RECT rcArea = AreaBetweenBars();
    if (!GetWindowRect(hwnd, &rc) || rc.right - rc.left <= rcArea.right - rcArea.left)
        return;
    SetWindowPos(hwnd, NULL, 0, 0, rcArea.right - rcArea.left, rc.bottom - rc.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    GetClientRect(hwnd, &rcClient);
    HWND rgButtons[8];
    int nButtons = 0;
    LONG cxButtons = 0;
    for (HWND h = GetWindow(hwnd, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT))
    {
        WCHAR szClass[16];
        RECT rcChild;
        if (!IsWindowVisible(h) || !GetClassNameW(h, szClass, 16) || !GetWindowRect(h, &rcChild))
            continue;
        MapWindowPoints(NULL, hwnd, reinterpret_cast<POINT*>(&rcChild), 2);
        if (_wcsicmp(szClass, L"Button") == 0 && nButtons < 8)
        {
            rgButtons[nButtons++] = h;
            cxButtons += rcChild.right - rcChild.left;
        }
        else if (rcChild.right > rcClient.right)
            SetWindowPos(h, NULL, 0, 0, rcClient.right - rcChild.left, rcChild.bottom - rcChild.top,
                         SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    const LONG cxGap = (rcClient.right - cxButtons) / (nButtons + 1);
    LONG x = cxGap > 0 ? cxGap : 0;
    for (int i = 0; i < nButtons; ++i)
    {
        RECT rcButton;
        GetWindowRect(rgButtons[i], &rcButton);
        MapWindowPoints(NULL, hwnd, reinterpret_cast<POINT*>(&rcButton), 2);
        SetWindowPos(rgButtons[i], NULL, x, rcButton.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        x += rcButton.right - rcButton.left + (cxGap > 0 ? cxGap : 0);
    }
}

LONG Into(LONG nStart, LONG nSize, LONG nMin, LONG nMax)
{
    if (nStart + nSize > nMax)
        nStart = nMax - nSize;
    return nStart < nMin ? nMin : nStart;
}

// What a message box takes beside its text: its frame, and with an icon the
// icon and three margins (before the icon, between icon and text, after the
// text), else two. A margin is eight dialog units, two average characters;
// one more character covers the rounding of the box's own layout.
int BoxOverhead(UINT uType, int cxAverage)
{
    const int cxMargin = 2 * cxAverage;
    const int cxIcon = (uType & MB_ICONMASK) ? GetSystemMetrics(SM_CXICON) + cxMargin : 0;
    return 2 * GetSystemMetrics(SM_CXFIXEDFRAME) + 2 * cxMargin + cxIcon + cxAverage;
}

struct Output
{
    WCHAR* psz;
    size_t cch;
    size_t n;
};

bool Put(Output* pOut, const WCHAR* psz, size_t cch)
{
    if (pOut->n + cch >= pOut->cch)
        return false;
    wmemcpy(pOut->psz + pOut->n, psz, cch);
    pOut->n += cch;
    pOut->psz[pOut->n] = 0;
    return true;
}

// How much of a line goes before a break when cchFit units fit: up to the
// last space that fits (*pcchSkip 1: the break takes its place), else up to
// and with the last backslash (a path), else what fits, at least one unit.
size_t BreakAt(const WCHAR* psz, size_t cchFit, size_t* pcchSkip)
{
    *pcchSkip = 1;
    for (size_t i = cchFit; i > 0; --i)
        if (psz[i] == L' ')
            return i;
    *pcchSkip = 0;
    for (size_t i = cchFit; i > 1; --i)
        if (psz[i - 1] == L'\\')
            return i;
    return cchFit > 0 ? cchFit : 1;
}

// Each line of the text broken into lines of at most cxMax pixels in the
// font of hdc; the text's own breaks are kept as they are.
bool WrapLines(HDC hdc, const WCHAR* pszText, int cxMax, Output* pOut)
{
    const WCHAR* p = pszText;
    while (*p)
    {
        size_t cchLine = wcscspn(p, L"\r\n");
        while (cchLine > 0)
        {
            int nFit = 0;
            SIZE extent;
            if (!GetTextExtentExPointW(hdc, p, static_cast<int>(cchLine), cxMax, &nFit, NULL, &extent))
                return false;
            size_t cchSkip = 0;
            const size_t cchPart = static_cast<size_t>(nFit) >= cchLine ? cchLine : BreakAt(p, nFit, &cchSkip);
            if (!Put(pOut, p, cchPart))
                return false;
            p += cchPart + cchSkip;
            cchLine -= cchPart + cchSkip;
            if (cchLine > 0 && !Put(pOut, L"\r\n", 2))
                return false;
        }
        const size_t cchBreaks = wcsspn(p, L"\r\n");
        if (!Put(pOut, p, cchBreaks))
            return false;
        p += cchBreaks;
    }
    return true;
}

// The text broken for a message box of this type, in the message font that
// message boxes use; false (nothing to change) when it cannot be measured or
// does not fit the buffer.
bool WrapForBox(const WCHAR* pszText, UINT uType, WCHAR* pszOut, size_t cchOut)
{
    NONCLIENTMETRICSW ncm = {};
    ncm.cbSize = sizeof(ncm);
    if (!pszText || !SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(ncm), &ncm, 0))
        return false;
    const HFONT hFont = CreateFontIndirectW(&ncm.lfMessageFont);
    const HDC hdc = GetDC(NULL);
    bool bWrapped = false;
    if (hFont && hdc)
    {
        const HGDIOBJ hOldFont = SelectObject(hdc, hFont);
        TEXTMETRICW tm;
        const RECT rcArea = AreaBetweenBars();
        Output out = {pszOut, cchOut, 0};
        if (GetTextMetricsW(hdc, &tm))
        {
            const int cxText = rcArea.right - rcArea.left - BoxOverhead(uType, tm.tmAveCharWidth);
            bWrapped = cxText > 0 && WrapLines(hdc, pszText, cxText, &out);
        }
        SelectObject(hdc, hOldFont);
    }
    if (hdc)
        ReleaseDC(NULL, hdc);
    if (hFont)
        DeleteObject(hFont);
    return bWrapped;
}

LRESULT CALLBACK PlaceBoxHook(int nCode, WPARAM wParam, LPARAM lParam)
{
    const HHOOK hHook = t_hPlaceHook;
    const LRESULT lResult = CallNextHookEx(hHook, nCode, wParam, lParam);
    if (nCode == HCBT_ACTIVATE && hHook)
    {
        // The first window the call activates is the box, laid out and about
        // to show; the hook goes at once, so no other window is touched.
        t_hPlaceHook = NULL;
        UnhookWindowsHookEx(hHook);
        NarrowToArea(reinterpret_cast<HWND>(wParam));
        KeepBetweenBars(reinterpret_cast<HWND>(wParam));
    }
    return lResult;
}

} // namespace

RECT AreaBetweenBars(void)
{
    RECT rc = {0, SCREEN_BAR_HEIGHT, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN) - SCREEN_BAR_HEIGHT};
    return rc;
}

void KeepBetweenBars(HWND hwnd)
{
    RECT rc;
    if (!hwnd || !GetWindowRect(hwnd, &rc))
        return;
    const RECT rcArea = AreaBetweenBars();
    const LONG x = Into(rc.left, rc.right - rc.left, rcArea.left, rcArea.right);
    const LONG y = Into(rc.top, rc.bottom - rc.top, rcArea.top, rcArea.bottom);
    if (x != rc.left || y != rc.top)
        SetWindowPos(hwnd, NULL, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

int ShowMessageBox(HWND hwndOwner, LPCWSTR pszText, LPCWSTR pszCaption, UINT uType)
{
    WCHAR szWrapped[1024];
    const WCHAR* pszShown = WrapForBox(pszText, uType, szWrapped, _countof(szWrapped)) ? szWrapped : pszText;
    // A box opened while another waits for its activation (never seen) goes
    // without a hook rather than take the other's.
    const bool bHook = !t_hPlaceHook;
    if (bHook)
        t_hPlaceHook = SetWindowsHookExW(WH_CBT, PlaceBoxHook, NULL, GetCurrentThreadId());
    const int nResult = MessageBoxW(hwndOwner, pszShown, pszCaption, uType);
    // A box that never came to be activated leaves its hook behind.
    if (bHook && t_hPlaceHook)
    {
        UnhookWindowsHookEx(t_hPlaceHook);
        t_hPlaceHook = NULL;
    }
    return nResult;
}
