#include "viewer/browser/folder_dialog.h"

#include <algorithm>
#include <commctrl.h>
#include <new>
#include <stdio.h>
#include <wchar.h>

#include "platform/aygshell/aygshell.h"
#include "viewer/common/path_parts.h"
#include "viewer/common/wait_cursor.h"
#include "viewer/resources/resource.h"

// Posted to the dialog by a tap on a row: the row is opened after the list
// view has finished the notification, never while it is still inside it.
#define WM_OPEN_TAPPED_ROW (WM_APP + 1)

namespace {

const WCHAR kDefaultFolder[] = L"\\My Documents";
const WCHAR kParentRow[] = L"..";
const int kNameColumnWidth = 239;
const int kTitleRuleY = 24;
const int kFolderImage = 0;
const int kParentImage = 1;

struct FolderDialogState
{
    LPWSTR pszResult;  // the caller's buffer: start folder in, chosen folder out
    int cchResult;
    WCHAR szFolder[MAX_PATH];     // "" is the root; never a trailing "\" otherwise
    WCHAR szTappedRow[MAX_PATH];  // the row to open once the notification is over
    BOOL fOpenPosted;
    HWND hwndList;
    HFONT hfontTitle;
    BOOL fOwnTitleFont;  // FALSE when the stock font was bold already
};

FolderDialogState* GetState(HWND hwnd)
{
    return reinterpret_cast<FolderDialogState*>(GetWindowLongPtrW(hwnd, DWLP_USER));
}

bool MakePattern(const WCHAR* pszFolder, WCHAR* pszPattern, size_t cchPattern)
{
    return JoinPath(pszFolder, L"*.*", pszPattern, cchPattern);
}

// The desktop reports "." and ".." in every folder below a drive's root; the
// handheld reports neither, so they are never counted or listed.
bool FolderHasEntries(const WCHAR* pszFolder)
{
    WCHAR szPattern[MAX_PATH + 8];
    if (!MakePattern(pszFolder, szPattern, ARRAYSIZE(szPattern)))
        return false;
    WIN32_FIND_DATAW fd;
    HANDLE hFind = FindFirstFileW(szPattern, &fd);
    if (hFind == INVALID_HANDLE_VALUE)
        return false;
    bool fFound = false;
    do
        fFound = !IsDotName(fd.cFileName);
    while (!fFound && FindNextFileW(hFind, &fd));
    FindClose(hFind);
    return fFound;
}

// The caller's folder when it is a terminated path that holds something,
// else "\My Documents". Trailing backslashes go, so "\" is the root.
void ChooseStartFolder(FolderDialogState* pState)
{
    const size_t cchBuffer = static_cast<size_t>(pState->cchResult);
    size_t cch = wcsnlen(pState->pszResult, cchBuffer);
    if (cch < cchBuffer && cch < MAX_PATH)
    {
        wmemcpy(pState->szFolder, pState->pszResult, cch);
        pState->szFolder[cch] = L'\0';
        while (cch > 0 && pState->szFolder[cch - 1] == L'\\')
            pState->szFolder[--cch] = L'\0';
        if (FolderHasEntries(pState->szFolder))
            return;
    }
    wcscpy_s(pState->szFolder, MAX_PATH, kDefaultFolder);
}

void FreeRows(HWND hwndList)
{
    int nCount = static_cast<int>(SendMessageW(hwndList, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < nCount; ++i)
    {
        LVITEMW item = {};
        item.mask = LVIF_PARAM;
        item.iItem = i;
        if (SendMessageW(hwndList, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)))
            delete[] reinterpret_cast<WCHAR*>(item.lParam);
    }
    SendMessageW(hwndList, LVM_DELETEALLITEMS, 0, 0);
}

// Inserts a row at nRow; pszOwnedName, when given, becomes the row's item
// data and is freed with the row.
bool InsertRow(HWND hwndList, int nRow, const WCHAR* pszText, int nImage, WCHAR* pszOwnedName)
{
    LVITEMW item = {};
    item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
    item.iItem = nRow;
    item.pszText = const_cast<WCHAR*>(pszText);
    item.iImage = nImage;
    item.lParam = reinterpret_cast<LPARAM>(pszOwnedName);
    return SendMessageW(hwndList, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)) != -1;
}

void AddFolderRow(HWND hwndList, const WCHAR* pszName)
{
    WCHAR* pszCopy = new (std::nothrow) WCHAR[MAX_PATH];
    if (!pszCopy)
        return;
    wcsncpy_s(pszCopy, MAX_PATH, pszName, _TRUNCATE);
    if (!InsertRow(hwndList, INT_MAX, pszCopy, kFolderImage, pszCopy))
        delete[] pszCopy;
}

int CALLBACK CompareRowNames(LPARAM lParam1, LPARAM lParam2, LPARAM)
{
    return _wcsicmp(reinterpret_cast<const WCHAR*>(lParam1), reinterpret_cast<const WCHAR*>(lParam2));
}

void Refill(HWND hwnd, FolderDialogState* pState)
{
    const bool fRoot = pState->szFolder[0] == L'\0';
    SetDlgItemTextW(hwnd, IDC_FOLDER_PATH, fRoot ? L"\\" : pState->szFolder);
    HWND hwndList = pState->hwndList;
    FreeRows(hwndList);

    WCHAR szPattern[MAX_PATH + 8];
    WIN32_FIND_DATAW fd;
    HANDLE hFind = MakePattern(pState->szFolder, szPattern, ARRAYSIZE(szPattern)) ? FindFirstFileW(szPattern, &fd)
                                                                                   : INVALID_HANDLE_VALUE;
    if (hFind != INVALID_HANDLE_VALUE)
    {
        ShowWaitCursor();
        do
        {
            if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !IsDotName(fd.cFileName))
                AddFolderRow(hwndList, fd.cFileName);
        } while (FindNextFileW(hFind, &fd));
        FindClose(hFind);
        SendMessageW(hwndList, LVM_SORTITEMS, 0, reinterpret_cast<LPARAM>(CompareRowNames));
        RestoreCursor();
    }
    if (!fRoot)
        InsertRow(hwndList, 0, kParentRow, kParentImage, NULL);
}

// Cuts the folder at its last backslash; false at the root, above which
// nothing goes.
bool GoUp(WCHAR* pszFolder)
{
    if (pszFolder[0] == L'\0')
        return false;
    WCHAR* pszSlash = wcsrchr(pszFolder, L'\\');
    *(pszSlash ? pszSlash : pszFolder) = L'\0';
    return true;
}

void OpenRow(HWND hwnd, FolderDialogState* pState, const WCHAR* pszRow)
{
    if (wcscmp(pszRow, kParentRow) == 0)
    {
        if (!GoUp(pState->szFolder))
            return;
    }
    else
    {
        // A path cut to fit would name another folder: stay where we are,
        // and clear the selection so that the next tap is heard again.
        WCHAR szChild[MAX_PATH];
        if (!JoinPath(pState->szFolder, pszRow, szChild, MAX_PATH))
        {
            MessageBeep(MB_ICONEXCLAMATION);
            LVITEMW item = {};
            item.stateMask = LVIS_SELECTED;
            SendMessageW(pState->hwndList, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&item));
            return;
        }
        wcscpy_s(pState->szFolder, MAX_PATH, szChild);
    }
    Refill(hwnd, pState);
}

// The desktop's stock font is larger than the handheld's, for which the
// title label was sized: the label grows to its text rather than cut it.
void FitLabelToText(HWND hwndLabel, HFONT hfont)
{
    WCHAR szText[64] = L"";
    int cchText = GetWindowTextW(hwndLabel, szText, ARRAYSIZE(szText));
    HDC hdc = GetDC(hwndLabel);
    if (!hdc)
        return;
    HGDIOBJ hfontOld = SelectObject(hdc, hfont);
    SIZE size = {};
    BOOL fMeasured = GetTextExtentPoint32W(hdc, szText, cchText, &size);
    SelectObject(hdc, hfontOld);
    ReleaseDC(hwndLabel, hdc);
    RECT rc;
    GetClientRect(hwndLabel, &rc);
    if (fMeasured && (size.cx > rc.right || size.cy > rc.bottom))
        SetWindowPos(hwndLabel, NULL, 0, 0, std::max<LONG>(size.cx, rc.right), std::max<LONG>(size.cy, rc.bottom),
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void SetBoldTitle(HWND hwnd, FolderDialogState* pState)
{
    HFONT hfontStock = static_cast<HFONT>(GetStockObject(SYSTEM_FONT));
    pState->hfontTitle = hfontStock;
    pState->fOwnTitleFont = FALSE;
    LOGFONTW lf;
    if (GetObjectW(hfontStock, sizeof(lf), &lf) && lf.lfWeight != FW_BOLD)
    {
        lf.lfWeight = FW_BOLD;
        HFONT hfontBold = CreateFontIndirectW(&lf);
        if (hfontBold)
        {
            pState->hfontTitle = hfontBold;
            pState->fOwnTitleFont = TRUE;
        }
    }
    HWND hwndTitle = GetDlgItem(hwnd, IDC_FOLDER_TITLE);
    SendMessageW(hwndTitle, WM_SETFONT, reinterpret_cast<WPARAM>(pState->hfontTitle), FALSE);
    FitLabelToText(hwndTitle, pState->hfontTitle);
}

void SetUpList(HWND hwnd, HWND hwndList)
{
    RECT rcClient, rcList;
    GetClientRect(hwnd, &rcClient);
    GetWindowRect(hwndList, &rcList);
    MapWindowPoints(NULL, hwnd, reinterpret_cast<POINT*>(&rcList), 2);
    int cy = rcClient.bottom - rcList.top;
    SetWindowPos(hwndList, NULL, 0, rcList.top, rcClient.right, cy > 0 ? cy : 0, SWP_NOZORDER | SWP_NOACTIVATE);

    // No wider than the list's inside: a column one pixel too wide only
    // brings a horizontal scroll bar that covers a row.
    RECT rcInside;
    GetClientRect(hwndList, &rcInside);
    LVCOLUMNW col = {};
    col.mask = LVCF_FMT | LVCF_TEXT | LVCF_WIDTH;
    col.fmt = LVCFMT_LEFT;
    col.cx = rcInside.right > 0 ? std::min(kNameColumnWidth, static_cast<int>(rcInside.right)) : kNameColumnWidth;
    col.pszText = const_cast<WCHAR*>(L"Name");
    SendMessageW(hwndList, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&col));
    // Not shared: the list view destroys the image list with itself.
    HINSTANCE hInstance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(hwnd, GWLP_HINSTANCE));
    HIMAGELIST himl = ImageList_LoadImageW(hInstance, MAKEINTRESOURCEW(IDB_FOLDER_DIALOG), 16, 1, RGB(255, 0, 255),
                                           IMAGE_BITMAP, 0);
    if (himl)
        SendMessageW(hwndList, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(himl));
}

void OnInitDialog(HWND hwnd, FolderDialogState* pState)
{
    SHINITDLGINFO shidi = {};
    shidi.dwMask = SHIDIM_FLAGS;
    shidi.hDlg = hwnd;
    shidi.dwFlags = SHIDIF_DONEBUTTON | SHIDIF_SIZEDLGFULLSCREEN | SHIDIF_SIPDOWN;
    SHInitDialog(&shidi);

    SetBoldTitle(hwnd, pState);
    pState->hwndList = GetDlgItem(hwnd, IDC_FOLDER_LIST);
    SetUpList(hwnd, pState->hwndList);
    ChooseStartFolder(pState);
    Refill(hwnd, pState);
}

void OnPaint(HWND hwnd)
{
    PAINTSTRUCT ps;
    HDC hdc = BeginPaint(hwnd, &ps);
    RECT rc;
    GetClientRect(hwnd, &rc);
    MoveToEx(hdc, 0, kTitleRuleY, NULL);
    LineTo(hdc, rc.right, kTitleRuleY);
    EndPaint(hwnd, &ps);
}

void OnListItemChanged(HWND hwnd, FolderDialogState* pState, const NMLISTVIEW* pnmv)
{
    const UINT kTapped = LVIS_SELECTED | LVIS_FOCUSED;
    if (pnmv->iItem < 0 || !(pnmv->uChanged & LVIF_STATE) || (pnmv->uNewState & kTapped) != kTapped ||
        (pnmv->uOldState & kTapped) == kTapped)
        return;
    LVITEMW item = {};
    item.pszText = pState->szTappedRow;
    item.cchTextMax = MAX_PATH;
    pState->szTappedRow[0] = L'\0';
    SendMessageW(pState->hwndList, LVM_GETITEMTEXTW, pnmv->iItem, reinterpret_cast<LPARAM>(&item));
    if (pState->szTappedRow[0] && !pState->fOpenPosted)
        pState->fOpenPosted = PostMessageW(hwnd, WM_OPEN_TAPPED_ROW, 0, 0);
}

void OnNotify(HWND hwnd, FolderDialogState* pState, const NMHDR* pnmh)
{
    if (pnmh->idFrom == IDC_FOLDER_LIST && pnmh->code == LVN_ITEMCHANGED)
        OnListItemChanged(hwnd, pState, reinterpret_cast<const NMLISTVIEW*>(pnmh));
}

void OnOpenTappedRow(HWND hwnd, FolderDialogState* pState)
{
    pState->fOpenPosted = FALSE;
    OpenRow(hwnd, pState, pState->szTappedRow);
}

// A chosen path cut to fit the caller's buffer would name another folder:
// refuse it and keep the dialog up, so the user can pick another or cancel.
void OnSelect(HWND hwnd, FolderDialogState* pState)
{
    const WCHAR* pszChosen = pState->szFolder[0] ? pState->szFolder : L"\\";
    if (wcslen(pszChosen) >= static_cast<size_t>(pState->cchResult))
    {
        MessageBeep(MB_ICONEXCLAMATION);
        return;
    }
    wcscpy_s(pState->pszResult, static_cast<size_t>(pState->cchResult), pszChosen);
    EndDialog(hwnd, 0);
}

void OnCommand(HWND hwnd, FolderDialogState* pState, WORD wId)
{
    switch (wId)
    {
    case IDOK:
        OnSelect(hwnd, pState);
        break;
    case IDCANCEL:
        EndDialog(hwnd, -1);
        break;
    case IDC_FOLDER_UP:
        if (GoUp(pState->szFolder))
            Refill(hwnd, pState);
        break;
    default:
        break;
    }
}

void OnDestroy(FolderDialogState* pState)
{
    if (pState->fOwnTitleFont)
        DeleteObject(pState->hfontTitle);
    pState->hfontTitle = NULL;
    pState->fOwnTitleFont = FALSE;
    if (pState->hwndList)
        FreeRows(pState->hwndList);
}

INT_PTR CALLBACK FolderDlgProc(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    FolderDialogState* pState = GetState(hwnd);
    switch (uMsg)
    {
    case WM_INITDIALOG:
        SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
        OnInitDialog(hwnd, reinterpret_cast<FolderDialogState*>(lParam));
        // Focus on "Select" rather than on the read-only path, which would
        // come up all highlighted.
        SetFocus(GetDlgItem(hwnd, IDOK));
        return FALSE;
    case WM_PAINT:
        OnPaint(hwnd);
        return TRUE;
    case WM_NOTIFY:
        if (pState)
            OnNotify(hwnd, pState, reinterpret_cast<const NMHDR*>(lParam));
        return FALSE;
    case WM_OPEN_TAPPED_ROW:
        if (pState)
            OnOpenTappedRow(hwnd, pState);
        return TRUE;
    case WM_COMMAND:
        if (!pState)
            return FALSE;
        OnCommand(hwnd, pState, LOWORD(wParam));
        return TRUE;
    case WM_DESTROY:
        if (pState)
            OnDestroy(pState);
        return FALSE;
    default:
        return FALSE;
    }
}

} // namespace

int SelectFolderDialog(HWND hwndOwner, LPWSTR pszFolder, int cchFolder)
{
    if (!pszFolder || cchFolder <= 0)
        return -1;
    INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&icc);
    FolderDialogState state = {};
    state.pszResult = pszFolder;
    state.cchResult = cchFolder;
    INT_PTR nResult = DialogBoxParamW(GetModuleHandleW(NULL), MAKEINTRESOURCEW(IDD_SELECT_FOLDER), hwndOwner,
                                      FolderDlgProc, reinterpret_cast<LPARAM>(&state));
    return nResult == 0 ? 0 : -1;
}
