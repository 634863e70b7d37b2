#include "platform/aygshell/aygshell.h"
#include "platform/aygshell/top_bar.h"

namespace {

const DWORD kSizingFlags = SHIDIF_SIZEDLG | SHIDIF_SIZEDLGFULLSCREEN | SHIDIF_FULLSCREENNOMENUBAR;

// A sized dialog is a page of the screen: the top bar carries its title
// and its done button, so the desktop's caption and frame go.
void MakePage(HWND hDlg, DWORD dwFlags)
{
    LONG_PTR style = GetWindowLongPtrW(hDlg, GWL_STYLE);
    style &= ~static_cast<LONG_PTR>(WS_CAPTION | WS_THICKFRAME | WS_DLGFRAME | WS_BORDER | WS_SYSMENU);
    SetWindowLongPtrW(hDlg, GWL_STYLE, style | WS_POPUP);
    LONG_PTR exStyle = GetWindowLongPtrW(hDlg, GWL_EXSTYLE);
    exStyle &= ~static_cast<LONG_PTR>(WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE | WS_EX_CLIENTEDGE);
    SetWindowLongPtrW(hDlg, GWL_EXSTYLE, exStyle);

    int cx = GetSystemMetrics(SM_CXSCREEN);
    int cy = GetSystemMetrics(SM_CYSCREEN);
    int nBottom = (dwFlags & (SHIDIF_SIZEDLGFULLSCREEN | SHIDIF_FULLSCREENNOMENUBAR)) ? cy : cy - OMBRIX_BAR_HEIGHT;
    SetWindowPos(hDlg, nullptr, 0, OMBRIX_BAR_HEIGHT, cx, nBottom - OMBRIX_BAR_HEIGHT,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

} // namespace

extern "C" BOOL SHInitDialog(PSHINITDLGINFO pshidi)
{
    if (!pshidi || !(pshidi->dwMask & SHIDIM_FLAGS) || !IsWindow(pshidi->hDlg))
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    HWND hDlg = pshidi->hDlg;
    DWORD dwFlags = pshidi->dwFlags;
    if (dwFlags & kSizingFlags)
        MakePage(hDlg, dwFlags);
    SetDoneButton(hDlg, (dwFlags & SHIDIF_DONEBUTTON) != 0);
    // The dialog usually becomes the foreground window only after this call;
    // the top bar catches up then.
    RefreshTopBar(hDlg);
    return TRUE;
}
