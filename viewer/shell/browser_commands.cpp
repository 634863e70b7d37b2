#include "viewer/shell/browser_commands.h"

#include <commctrl.h>
#include <stdio.h>
#include <wchar.h>

#include "platform/aygshell/aygshell.h"
#include "viewer/browser/dir_tree.h"
#include "viewer/browser/file_list.h"
#include "viewer/browser/picture_list.h"
#include "viewer/browser/thumb_cache.h"
#include "viewer/browser/thumb_view.h"
#include "viewer/browser/thumb_worker.h"
#include "viewer/common/path_parts.h"
#include "viewer/common/picture_entry.h"
#include "viewer/common/shared_paths.h"
#include "viewer/imaging/renderer.h"
#include "viewer/resources/resource.h"
#include "viewer/shell/main_window.h"
#include "viewer/common/main_window_data.h"
#include "viewer/shell/open_picture.h"
#include "viewer/shell/screen_chrome.h"

#define ROW_TEXT_CHARS 255

// The record's current entry points into the picture list, which a re-read
// frees: it is looked up again by name when the same folder was read, and
// dropped otherwise, so that nothing keeps a freed entry.
struct CurrentEntryName
{
    WCHAR szFolder[MAX_PATH];
    WCHAR szName[MAX_PATH];
};

static CurrentEntryName RememberCurrentEntry(const MainWindowData* pData)
{
    CurrentEntryName saved = {};
    if (pData->pCurrentEntry)
    {
        FolderPart(g_szPicturePath, saved.szFolder, MAX_PATH);
        wcscpy_s(saved.szName, MAX_PATH, pData->pCurrentEntry->szName);
    }
    return saved;
}

static void RestoreCurrentEntry(MainWindowData* pData, const CurrentEntryName& saved)
{
    WCHAR szFolder[MAX_PATH];
    FolderPart(g_szPicturePath, szFolder, MAX_PATH);
    bool bSameFolder = saved.szName[0] && _wcsicmp(szFolder, saved.szFolder) == 0;
    pData->pCurrentEntry = bSameFolder ? PictureByName(saved.szName) : NULL;
}

static void ReadFolderKeepingCurrent(MainWindowData* pData)
{
    CurrentEntryName saved = RememberCurrentEntry(pData);
    pData->pCurrentEntry = NULL;
    ReadFolder(g_szPicturePath, pData->nSortKey);
    RestoreCurrentEntry(pData, saved);
}

// ---- Notifications ---------------------------------------------------------

static void ShowContextMenu(HWND hwndFrame, POINT ptScreen)
{
    HMENU hmenu = CreatePopupMenu();
    if (!hmenu)
        return;
    AppendMenuW(hmenu, MF_STRING, IDM_DELETE, L"Delete");
    AppendMenuW(hmenu, MF_STRING, IDM_INFORMATION, L"File Info");
    TrackPopupMenuEx(hmenu, 0, ptScreen.x, ptScreen.y, hwndFrame, NULL);
    DestroyMenu(hmenu);
}

// The entry becomes the current one and its picture opens in the viewer.
static void OpenEntry(MainWindowData* pData, PictureEntry* pEntry, const WCHAR* pszPath)
{
    wcscpy_s(g_szPicturePath, MAX_PATH, pszPath);
    pData->pCurrentEntry = pEntry;
    if (pData->pRenderer)
        pData->pRenderer->SetBitmap(NULL);
    ShowViewer(pData);
    OpenPicture(pData, pszPath);
}

static void OpenFromList(MainWindowData* pData, const NMITEMACTIVATE* pInfo)
{
    StopThumbWorker();
    WCHAR szText[ROW_TEXT_CHARS + 1] = L"";
    ListView_GetItemText(pInfo->hdr.hwndFrom, pInfo->iItem, 0, szText, ROW_TEXT_CHARS + 1);
    if (!szText[0])
        return;
    WCHAR szPath[MAX_PATH];
    if (_snwprintf_s(szPath, MAX_PATH, _TRUNCATE, L"%ls%ls", g_szBrowsePath, szText) < 0)
        return; // a cut path would name another file
    OpenEntry(pData, PictureByName(szText), szPath);
}

void OpenFromThumbnails(PictureEntry* pEntry, LPCWSTR pszPath)
{
    MainWindowData* pData = GetMainWindowData();
    if (pData && pszPath)
        OpenEntry(pData, pEntry, pszPath);
}

static void OnListNotify(MainWindowData* pData, const NMHDR* pHeader)
{
    switch (pHeader->code)
    {
    case LVN_ITEMACTIVATE:
        OpenFromList(pData, reinterpret_cast<const NMITEMACTIVATE*>(pHeader));
        break;
    case LVN_COLUMNCLICK:
    {
        const NMLISTVIEW* pInfo = reinterpret_cast<const NMLISTVIEW*>(pHeader);
        pData->nSortKey = pInfo->iSubItem;
        SortByColumn(pInfo->iSubItem);
        break;
    }
    case LVN_ITEMCHANGED:
    {
        const NMLISTVIEW* pInfo = reinterpret_cast<const NMLISTVIEW*>(pHeader);
        const UINT uBoth = LVIS_SELECTED | LVIS_FOCUSED;
        if ((pInfo->uChanged & LVIF_STATE) && (pInfo->uNewState & uBoth) == uBoth && pInfo->iItem >= 0)
            SetThumbSelection(pInfo->iItem);
        break;
    }
    }
}

static void OnTreeNotify(MainWindowData* pData, const NMHDR* pHeader)
{
    switch (pHeader->code)
    {
    case TVN_ITEMEXPANDINGW:
        OnFolderExpanding(pHeader->hwndFrom, reinterpret_cast<const NMTREEVIEWW*>(pHeader));
        break;
    case TVN_SELCHANGEDW:
    {
        const NMTREEVIEWW* pInfo = reinterpret_cast<const NMTREEVIEWW*>(pHeader);
        CurrentEntryName saved = RememberCurrentEntry(pData);
        pData->pCurrentEntry = NULL;
        OnFolderChange(pHeader->hwndFrom, pInfo->itemNew.hItem, pData->nSortKey);
        RestoreCurrentEntry(pData, saved);
        break;
    }
    }
}

LRESULT OnBrowserNotify(HWND hwndFrame, const NMHDR* pHeader)
{
    MainWindowData* pData = GetMainWindowData();
    if (!pData || !pHeader)
        return 0;
    HWND hwndList = GetFileListWindow();
    HWND hwndThumb = GetThumbViewWindow();
    HWND hwndTree = GetDirectoryTreeWindow();
    if (pHeader->code == GN_CONTEXTMENU || pHeader->idFrom == IDC_THUMB_VIEW)
    {
        if (pHeader->hwndFrom == hwndList || pHeader->hwndFrom == hwndThumb)
        {
            POINT pt;
            if (pHeader->code == GN_CONTEXTMENU)
                pt = reinterpret_cast<const NMRGINFO*>(pHeader)->ptAction;
            else
                GetCursorPos(&pt);
            ShowContextMenu(hwndFrame, pt);
            return 0;
        }
        if (pHeader->hwndFrom == hwndTree)
            OnTreeNotify(pData, pHeader);
        return 0;
    }
    if (hwndList && pHeader->hwndFrom == hwndList)
        OnListNotify(pData, pHeader);
    else if (hwndTree && pHeader->hwndFrom == hwndTree)
        OnTreeNotify(pData, pHeader);
    return 0;
}

// ---- Tap-and-hold on the list ------------------------------------------------

static WNDPROC s_pfnListProc = NULL;

// The row under a held stylus becomes the only selection, as the menu acts
// on the selected file.
static void SelectRowAt(HWND hwndList, POINT pt)
{
    LVHITTESTINFO hit = {};
    hit.pt = pt;
    int nRow = (int)SendMessageW(hwndList, LVM_HITTEST, 0, (LPARAM)&hit);
    if (nRow < 0)
        return;
    ListView_SetItemState(hwndList, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_SetItemState(hwndList, nRow, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_SetSelectionMark(hwndList, nRow);
}

static LRESULT OnListButtonDown(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    SHRGINFO shrg = {};
    shrg.cbSize = sizeof(shrg);
    shrg.hwndClient = hwnd;
    shrg.ptDown.x = (short)LOWORD(lParam);
    shrg.ptDown.y = (short)HIWORD(lParam);
    shrg.dwFlags = SHRG_RETURNCMD;
    if (SHRecognizeGesture(&shrg) != GN_CONTEXTMENU)
    {
        if (uMsg == WM_RBUTTONDOWN)
            return 0; // no menu: the desktop list's own right-click handling stays out
        return CallWindowProcW(s_pfnListProc, hwnd, uMsg, wParam, lParam);
    }
    SelectRowAt(hwnd, shrg.ptDown);
    NMRGINFO info = {};
    info.hdr.hwndFrom = hwnd;
    info.hdr.idFrom = (UINT_PTR)GetDlgCtrlID(hwnd);
    info.hdr.code = GN_CONTEXTMENU;
    info.ptAction = shrg.ptDown;
    ClientToScreen(hwnd, &info.ptAction);
    SendMessageW(GetParent(hwnd), WM_NOTIFY, info.hdr.idFrom, (LPARAM)&info);
    return 0;
}

static LRESULT CALLBACK FileListSubclassProc(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    switch (uMsg)
    {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
        return OnListButtonDown(hwnd, uMsg, wParam, lParam);
    default:
        return CallWindowProcW(s_pfnListProc, hwnd, uMsg, wParam, lParam);
    }
}

void SubclassFileListForGestures(HWND hwndList)
{
    if (!hwndList)
        return;
    s_pfnListProc = (WNDPROC)SetWindowLongPtrW(hwndList, GWLP_WNDPROC, (LONG_PTR)FileListSubclassProc);
}

// ---- Commands ----------------------------------------------------------------

static void ShowPane(HWND hwnd, BOOL bShow)
{
    if (hwnd)
        ShowWindow(hwnd, bShow ? SW_SHOW : SW_HIDE);
}

void OnCmdListView(HWND, MainWindowData* pData, WPARAM wParam, LPARAM)
{
    StopThumbWorker();
    HWND hwndList = GetFileListWindow();
    if (!hwndList)
        return;
    const bool bSmall = LOWORD(wParam) == IDM_SMALL_LIST_VIEW;
    LONG_PTR lStyle = GetWindowLongPtrW(hwndList, GWL_STYLE);
    lStyle = (lStyle & ~(LONG_PTR)LVS_TYPEMASK) | (bSmall ? LVS_LIST : LVS_REPORT);
    SetWindowLongPtrW(hwndList, GWL_STYLE, lStyle);
    SetThumbnailMode(FALSE);
    pData->nViewMode = bSmall ? 1 : 0;
    ShowPane(GetThumbViewWindow(), FALSE);
    if (ListView_GetItemCount(hwndList) > 0)
        ShowPane(hwndList, TRUE);
    UpdateMenuBar(pData);
}

void OnCmdThumbnailView(HWND, MainWindowData* pData, WPARAM, LPARAM)
{
    StopThumbWorker();
    HWND hwndList = GetFileListWindow();
    SetThumbnailMode(TRUE);
    pData->nViewMode = 2;
    ShowPane(hwndList, FALSE);
    if (hwndList && ListView_GetItemCount(hwndList) > 0)
        ShowPane(GetThumbViewWindow(), TRUE);
    UpdateMenuBar(pData);
}

void OnCmdDeleteThumbnails(HWND, MainWindowData*, WPARAM, LPARAM)
{
    // The cache has no lock: the worker is its only other user.
    StopThumbWorker();
    ClearThumbCache();
}

void OnCmdRefreshFolder(HWND, MainWindowData* pData, WPARAM, LPARAM)
{
    StopThumbWorker();
    DeleteAllRows();
    ReadFolderKeepingCurrent(pData);
    RedrawThumbView();
}

// Deletes the file of a path; a file that cannot go (read-only, in use)
// stays where it is.
static void DeleteSelectedFile(const WCHAR* pszPath)
{
    DeleteFileW(pszPath);
}

void OnCmdDeleteFile(HWND hwnd, MainWindowData* pData, WPARAM, LPARAM)
{
    WCHAR szPath[MAX_PATH];
    if (!GetSelectedPicture(szPath, MAX_PATH, NULL))
        return;
    if (MessageBoxW(hwnd, L"Remove selected file?", L"Delete", MB_OKCANCEL | MB_ICONQUESTION) != IDOK)
        return;
    StopThumbWorker();
    WCHAR szName[MAX_PATH];
    FileNamePart(szPath, 0, szName, MAX_PATH);
    DeleteSelectedFile(szPath);

    HWND hwndThumb = GetThumbViewWindow();
    if (hwndThumb && IsWindowVisible(hwndThumb))
    {
        wcscpy_s(g_szPicturePath, MAX_PATH, g_szBrowsePath);
        ReadFolderKeepingCurrent(pData);
        DeleteRowByName(szName);
        RedrawThumbView();
        return;
    }

    // Every selected row goes by its own name, never by a selection mark
    // that the removal of a row may leave on another file.
    HWND hwndList = GetFileListWindow();
    DeleteRowByName(szName);
    int nRow;
    while (hwndList && (nRow = ListView_GetNextItem(hwndList, -1, LVNI_SELECTED)) >= 0)
    {
        WCHAR szText[ROW_TEXT_CHARS + 1] = L"";
        ListView_GetItemText(hwndList, nRow, 0, szText, ROW_TEXT_CHARS + 1);
        SendMessageW(hwndList, LVM_DELETEITEM, nRow, 0);
        WCHAR szOther[MAX_PATH];
        if (szText[0] && _snwprintf_s(szOther, MAX_PATH, _TRUNCATE, L"%ls%ls", g_szBrowsePath, szText) >= 0)
            DeleteSelectedFile(szOther);
    }
    wcscpy_s(g_szPicturePath, MAX_PATH, g_szBrowsePath);
    ReadFolderKeepingCurrent(pData);
}

void SelectCurrentEntry(MainWindowData* pData)
{
    if (!pData->pCurrentEntry)
        return;
    SelectThumb(IndexOfPicture(pData->pCurrentEntry));
}
