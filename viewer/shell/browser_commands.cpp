#include "viewer/shell/browser_commands.h"

#include <commctrl.h>
#include <stdio.h>
#include <wchar.h>

#include "viewer/browser/file_list.h"
#include "viewer/browser/picture_list.h"
#include "viewer/browser/picture_selection.h"
#include "viewer/browser/thumb_cache.h"
#include "viewer/browser/thumb_view.h"
#include "viewer/browser/thumb_worker.h"
#include "viewer/common/main_window_data.h"
#include "viewer/common/message_box.h"
#include "viewer/common/path_parts.h"
#include "viewer/common/shared_paths.h"
#include "viewer/resources/resource.h"
#include "viewer/shell/current_entry.h"
#include "viewer/shell/screen_chrome.h"

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
    // Wine's owner-data list lays its rows out anew but repaints only the
    // first of them: the rest would show the other view's rows.
    InvalidateRect(hwndList, NULL, TRUE);
    pData->nViewMode = bSmall ? VIEW_MODE_SMALL_LIST : VIEW_MODE_REPORT;
    ShowPane(GetThumbViewWindow(), FALSE);
    if (ListView_GetItemCount(hwndList) > 0)
        ShowPane(hwndList, TRUE);
    UpdateMenuBar(pData);
}

void OnCmdThumbnailView(HWND, MainWindowData* pData, WPARAM, LPARAM)
{
    StopThumbWorker();
    HWND hwndList = GetFileListWindow();
    pData->nViewMode = VIEW_MODE_THUMBNAILS;
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
    ReadFolderKeepingCurrent(pData);
    RedrawThumbView();
}

// Deletes the file of a path; a file that cannot go (read-only, in use)
// stays where it is, and the first one of a command is remembered by name
// to be told. Whether it went is asked of the file system: Wine reports a
// file on read-only media deleted and leaves it there.
static void DeleteSelectedFile(const WCHAR* pszPath, WCHAR* pszFirstKept)
{
    DeleteFileW(pszPath);
    if (GetFileAttributesW(pszPath) != INVALID_FILE_ATTRIBUTES && !pszFirstKept[0])
        FileNamePart(pszPath, 0, pszFirstKept, MAX_PATH);
}

static void TellNotDeleted(HWND hwnd, const WCHAR* pszName)
{
    WCHAR szFormat[128], szText[128 + MAX_PATH];
    if (!pszName[0] || !LoadStringW(GetAppGlobals()->hInstance, IDS_DELETE_FAILED, szFormat, ARRAYSIZE(szFormat)))
        return;
    _snwprintf_s(szText, ARRAYSIZE(szText), _TRUNCATE, szFormat, pszName);
    ShowMessageBox(hwnd, szText, L"Delete", MB_OK | MB_ICONERROR);
}

// Whether the selection mark's row is selected and names this file.
static bool IsOnlySelectedRowNamed(const WCHAR* pszName)
{
    HWND hwndList = GetFileListWindow();
    const int nMark = ListView_GetSelectionMark(hwndList);
    const PictureEntry* pMark = PictureOfRow(nMark);
    return pMark && (ListView_GetItemState(hwndList, nMark, LVIS_SELECTED) & LVIS_SELECTED) &&
           wcscmp(pMark->szName, pszName) == 0;
}

void OnCmdDeleteFile(HWND hwnd, MainWindowData* pData, WPARAM, LPARAM)
{
    WCHAR szPath[MAX_PATH];
    if (!GetSelectedPicture(szPath, MAX_PATH, NULL))
        return;
    if (ShowMessageBox(hwnd, L"Remove selected file?", L"Delete", MB_OKCANCEL | MB_ICONQUESTION) != IDOK)
        return;
    StopThumbWorker();
    WCHAR szName[MAX_PATH], szKept[MAX_PATH] = L"";
    FileNamePart(szPath, 0, szName, MAX_PATH);
    DeleteSelectedFile(szPath, szKept);

    // The rows are the folder's entries read again after, so the deleted
    // files' rows go with that read and none is removed one by one; a file
    // that stayed keeps its row.
    HWND hwndThumb = GetThumbViewWindow();
    if (hwndThumb && IsWindowVisible(hwndThumb))
    {
        wcscpy_s(g_szPicturePath, MAX_PATH, g_szBrowsePath);
        ReadFolderKeepingCurrent(pData);
        RedrawThumbView();
        TellNotDeleted(hwnd, szKept);
        return;
    }

    // Every other selected row's file goes by its row's own entry, never by
    // a selection mark. The entries stay as they are until the read below.
    // Wine's list finds a selected row by looking at every row before it:
    // the search ends at the last selected row, and is not made when the
    // only one is the mark's, whose file went above.
    HWND hwndList = GetFileListWindow();
    int nLeft = hwndList ? (int)ListView_GetSelectedCount(hwndList) : 0;
    if (nLeft == 1 && IsOnlySelectedRowNamed(szName))
        nLeft = 0;
    int nRow = -1;
    while (nLeft-- > 0 && (nRow = ListView_GetNextItem(hwndList, nRow, LVNI_SELECTED)) >= 0)
    {
        const PictureEntry* pOther = PictureOfRow(nRow);
        WCHAR szOther[MAX_PATH];
        if (pOther && wcscmp(pOther->szName, szName) != 0 &&
            JoinPath(g_szBrowsePath, pOther->szName, szOther, MAX_PATH))
            DeleteSelectedFile(szOther, szKept);
    }
    wcscpy_s(g_szPicturePath, MAX_PATH, g_szBrowsePath);
    ReadFolderKeepingCurrent(pData);
    TellNotDeleted(hwnd, szKept);
}

void SelectCurrentEntry(MainWindowData* pData)
{
    if (!pData->pCurrentEntry)
        return;
    SelectPicture(IndexOfPicture(pData->pCurrentEntry));
}
