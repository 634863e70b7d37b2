#include "viewer/browser/file_list.h"

#include <commctrl.h>
#include <stddef.h>
#include <stdio.h>
#include <wchar.h>

#include "viewer/browser/picture_list.h"
#include "viewer/browser/picture_selection.h"
#include "viewer/browser/thumb_worker.h"
#include "viewer/common/picture_type.h"
#include "viewer/common/path_parts.h"
#include "viewer/common/shared_paths.h"
#include "viewer/common/wait_cursor.h"
#include "viewer/resources/resource.h"

static HWND s_hwndList = NULL;
static HWND s_hwndNoImages = NULL;

// Icons of the image list, loaded in this order: BMP, GIF, JPEG, PNG, spare,
// WebP, HEIF (HEIC too), AVIF; picture_type.h gives each type its own.
#define FIRST_TYPE_ICON IDI_TYPE_BMP
#define TYPE_ICONS 8
// Rows and names are read up to this many characters.
#define ROW_TEXT_CHARS 255

struct ColumnSpec
{
    const WCHAR* pszTitle;
    int cx;
    int nFormat;
};

static const ColumnSpec s_rgColumns[] = {
    {L"Name", 130, LVCFMT_LEFT},
    {L"Type", 50, LVCFMT_CENTER},
    {L"Size", 50, LVCFMT_RIGHT},
    {L"Date", 90, LVCFMT_LEFT},
};

static BOOL AddColumns(HWND hwndList)
{
    for (int i = 0; i < (int)(sizeof(s_rgColumns) / sizeof(s_rgColumns[0])); ++i)
    {
        LVCOLUMNW col = {};
        col.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        col.fmt = s_rgColumns[i].nFormat;
        col.cx = s_rgColumns[i].cx;
        col.pszText = const_cast<WCHAR*>(s_rgColumns[i].pszTitle);
        col.iSubItem = i;
        if (SendMessageW(hwndList, LVM_INSERTCOLUMNW, i, (LPARAM)&col) == -1)
            return FALSE;
    }
    return TRUE;
}

static void AttachTypeIcons(HWND hwndList, HINSTANCE hInstance)
{
    HIMAGELIST himl = ImageList_Create(16, 16, ILC_COLORDDB | ILC_MASK, TYPE_ICONS, 1);
    if (!himl)
        return; // rows then show without icons
    for (int i = 0; i < TYPE_ICONS; ++i)
    {
        HICON hIcon = (HICON)LoadImageW(hInstance, MAKEINTRESOURCEW(FIRST_TYPE_ICON + i), IMAGE_ICON, 16, 16, 0);
        if (hIcon)
        {
            ImageList_AddIcon(himl, hIcon);
            DestroyIcon(hIcon);
        }
    }
    // The list destroys its image list with itself.
    ListView_SetImageList(hwndList, himl, LVSIL_SMALL);
}

BOOL CreateFileListView(HWND hwndFrame)
{
    ShowWaitCursor();
    HINSTANCE hInstance = (HINSTANCE)GetWindowLongPtrW(hwndFrame, GWLP_HINSTANCE);
    RECT rc;
    GetClientRect(hwndFrame, &rc);
    const int cy = rc.bottom - 25;
    s_hwndList = CreateWindowExW(0, WC_LISTVIEWW, L"FileView", WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SHOWSELALWAYS,
                                 0, 0, rc.right, cy, hwndFrame, (HMENU)IDC_FILE_LIST, hInstance, NULL);
    BOOL bOk = s_hwndList && AddColumns(s_hwndList);
    if (bOk)
        AttachTypeIcons(s_hwndList, hInstance);
    SetListSelectionFollower(SelectRow);
    SetCursor(LoadCursorW(NULL, IDC_ARROW));
    return bOk;
}

BOOL CreateNoImagesWindow(HWND hwndFrame)
{
    s_hwndNoImages = CreateWindowExW(0, L"NoImages", L"NoImages", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, hwndFrame,
                                     (HMENU)IDC_NO_IMAGES, (HINSTANCE)GetWindowLongPtrW(hwndFrame, GWLP_HINSTANCE),
                                     NULL);
    return s_hwndNoImages != NULL;
}

void DestroyFileListView(void)
{
    SetListSelectionFollower(NULL);
    HWND* rgphwnd[] = {&s_hwndList, &s_hwndNoImages};
    for (HWND* phwnd : rgphwnd)
    {
        if (*phwnd)
            DestroyWindow(*phwnd);
        *phwnd = NULL;
    }
}

HWND GetFileListWindow(void)
{
    return s_hwndList;
}

HWND GetNoImagesWindow(void)
{
    return s_hwndNoImages;
}

void DeleteAllRows(void)
{
    if (s_hwndList)
        SendMessageW(s_hwndList, LVM_DELETEALLITEMS, 0, 0);
}

void FillRows(void)
{
    DeleteAllRows();
    if (!s_hwndList)
        return;
    // Each insert would otherwise repaint the list and its scroll bar: the
    // rows are drawn once, when all are in.
    SendMessageW(s_hwndList, WM_SETREDRAW, FALSE, 0);
    SendMessageW(s_hwndList, LVM_SETITEMCOUNT, (WPARAM)CountPictures(), 0);
    int nRows = 0;
    for (PictureEntry* p = FirstPicture(); p; p = NextPicture(p))
    {
        // The entry's own name: the rows are filled again after every change
        // that moves or frees entries, so each row's data names its entry.
        // The other columns' texts are asked for when a row is shown.
        LVITEMW item = {};
        item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
        item.iItem = nRows;
        item.pszText = p->szName;
        item.iImage = PictureTypeIcon(p->nType);
        item.lParam = (LPARAM)p->szName;
        if (SendMessageW(s_hwndList, LVM_INSERTITEMW, 0, (LPARAM)&item) >= 0)
            ++nRows;
    }
    SendMessageW(s_hwndList, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(s_hwndList, NULL, TRUE);
}

void FillRowText(NMLVDISPINFOW* pInfo)
{
    LVITEMW& item = pInfo->item;
    if (!(item.mask & LVIF_TEXT) || !item.pszText || item.cchTextMax <= 0 || !item.lParam)
        return;
    const PictureEntry* p = reinterpret_cast<const PictureEntry*>(
        reinterpret_cast<const BYTE*>(item.lParam) - offsetof(PictureEntry, szName));
    switch (item.iSubItem)
    {
    case 1:
        wcsncpy_s(item.pszText, (size_t)item.cchTextMax, PictureTypeName(p->nType, L"???"), _TRUNCATE);
        break;
    case 2:
        FormatSizeText(p->nFileSize, item.pszText, (size_t)item.cchTextMax);
        break;
    case 3:
        FormatDateText(p->ftLastWrite, item.pszText, (size_t)item.cchTextMax);
        break;
    }
}

int ReadFolder(const WCHAR* pszEnumerationPath, int nSortKey)
{
    // No row may name an entry while the entries are read again.
    DeleteAllRows();
    int nFound = EnumeratePictures(pszEnumerationPath);
    SortPictures(nSortKey);
    RenumberPictures();
    FillRows();
    return nFound;
}

// Rows are filled in list order, so the entry's index is its row until a
// row is deleted; past that the list finds the row by its data.
static int RowOfEntry(const PictureEntry* pEntry)
{
    LVITEMW item = {};
    item.mask = LVIF_PARAM;
    item.iItem = pEntry->nIndex;
    if (SendMessageW(s_hwndList, LVM_GETITEMW, 0, (LPARAM)&item) && item.lParam == (LPARAM)pEntry->szName)
        return item.iItem;
    LVFINDINFOW find = {};
    find.flags = LVFI_PARAM;
    find.lParam = (LPARAM)pEntry->szName;
    return (int)SendMessageW(s_hwndList, LVM_FINDITEMW, (WPARAM)-1, (LPARAM)&find);
}

BOOL DeleteRowByName(const WCHAR* pszName)
{
    if (!s_hwndList || !pszName)
        return FALSE;
    // The entry carries the name exactly (the list's own text search would
    // ignore case), and its row carries the entry's name as its data.
    const PictureEntry* pEntry = PictureByName(pszName);
    const int nRow = pEntry ? RowOfEntry(pEntry) : -1;
    if (nRow < 0)
        return FALSE;
    SendMessageW(s_hwndList, LVM_DELETEITEM, nRow, 0);
    return TRUE;
}

void SortByColumn(int nColumn)
{
    // Sorting moves entries' contents under a worker's feet.
    StopThumbWorker();
    FlipSortDirection();
    SortPictures(nColumn);
    RenumberPictures();
    FillRows();
}

void SelectRow(LONG nIndex)
{
    if (!s_hwndList)
        return;
    ListView_SetItemState(s_hwndList, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    if (nIndex < 0)
        return;
    ListView_SetItemState(s_hwndList, nIndex, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_SetSelectionMark(s_hwndList, nIndex);
    ListView_EnsureVisible(s_hwndList, nIndex, FALSE);
}

int CountSelectedRows(void)
{
    return s_hwndList ? (int)SendMessageW(s_hwndList, LVM_GETSELECTEDCOUNT, 0, 0) : 0;
}

static void FillDetails(const PictureEntry* pEntry, SelectedPictureInfo* pInfo)
{
    _snwprintf_s(pInfo->szSize, 16, _TRUNCATE, L"%lu", (unsigned long)pEntry->nFileSize);
    pInfo->nType = pEntry->nType;
    FILETIME ftLocal;
    SYSTEMTIME st = {};
    if (!FileTimeToLocalFileTime(&pEntry->ftLastWrite, &ftLocal) || !FileTimeToSystemTime(&ftLocal, &st))
    {
        pInfo->szDate[0] = pInfo->szTime[0] = L'\0';
        return;
    }
    _snwprintf_s(pInfo->szDate, 32, _TRUNCATE, L"%d-%d-%d", st.wYear, st.wMonth, st.wDay);
    const int nHour = st.wHour > 12 ? st.wHour - 12 : st.wHour;
    _snwprintf_s(pInfo->szTime, 32, _TRUNCATE, L"%s %d:%d:%d", st.wHour <= 12 ? L"AM" : L"PM", nHour, st.wMinute,
                 st.wSecond);
}

static const PictureEntry* SelectedEntry(void)
{
    if (s_hwndList && IsWindowVisible(s_hwndList))
    {
        // The mark is the row last tapped; a Ctrl+tap may have cleared its
        // selection, and a row that is not selected is never acted on.
        int nRow = ListView_GetSelectionMark(s_hwndList);
        if (nRow < 0 || !(ListView_GetItemState(s_hwndList, nRow, LVIS_SELECTED) & LVIS_SELECTED))
            nRow = ListView_GetNextItem(s_hwndList, -1, LVNI_SELECTED);
        if (nRow < 0)
            return NULL;
        WCHAR szText[ROW_TEXT_CHARS + 1] = L"";
        ListView_GetItemText(s_hwndList, nRow, 0, szText, ROW_TEXT_CHARS + 1);
        return PictureByName(szText);
    }
    LONG nIndex;
    if (!GetPictureSelection(&nIndex))
        return NULL;
    return PictureByIndex(nIndex);
}

int GetSelectedPicture(WCHAR* pszPath, size_t cchPath, SelectedPictureInfo* pInfo)
{
    const PictureEntry* pEntry = SelectedEntry();
    if (!pEntry || !pszPath)
        return 0;
    if (pInfo)
        FillDetails(pEntry, pInfo);
    // A path that would be cut names another file: better none.
    if (!JoinPath(g_szBrowsePath, pEntry->szName, pszPath, cchPath))
        return 0;
    return 1;
}
