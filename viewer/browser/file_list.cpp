#include "viewer/browser/file_list.h"

#include <commctrl.h>
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
        // A missing icon still takes its place, or every later type would
        // show the icon of the one after it.
        HICON hIcon = (HICON)LoadImageW(hInstance, MAKEINTRESOURCEW(FIRST_TYPE_ICON + i), IMAGE_ICON, 16, 16, 0);
        ImageList_AddIcon(himl, hIcon ? hIcon : LoadIconW(NULL, IDI_APPLICATION));
        if (hIcon)
            DestroyIcon(hIcon);
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
    // The list holds no rows of its own: it asks for each one it shows, so
    // that a folder of 100,000 pictures is not 100,000 inserts.
    const DWORD dwStyle = WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SHOWSELALWAYS | LVS_OWNERDATA;
    s_hwndList = CreateWindowExW(0, WC_LISTVIEWW, L"FileView", dwStyle, 0, 0, rc.right, cy, hwndFrame,
                                 (HMENU)IDC_FILE_LIST, hInstance, NULL);
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

// Wine's list lays out its header and scroll bars anew, drawing the bars,
// at each new row count while it redraws: 15 to 40 ms whatever the count.
// Going through no rows with redraw off costs that once, when redraw comes
// back, not twice.
static void HoldNoRows(void)
{
    SendMessageW(s_hwndList, WM_SETREDRAW, FALSE, 0);
    SendMessageW(s_hwndList, LVM_DELETEALLITEMS, 0, 0);
}

static void GiveRows(void)
{
    SendMessageW(s_hwndList, LVM_SETITEMCOUNT, (WPARAM)CountPictures(), 0);
    SendMessageW(s_hwndList, WM_SETREDRAW, TRUE, 0);
    // The scroll position stays where it was while redraw was off.
    ListView_EnsureVisible(s_hwndList, 0, FALSE);
}

// Clears the selection where deselecting it is cheap: none, or the one
// row of the selection mark. Wine's list deselects every row of the list one
// by one otherwise, over a microsecond a row. Whether nothing is selected.
static bool DeselectCheaply(void)
{
    const UINT nSelected = ListView_GetSelectedCount(s_hwndList);
    if (nSelected == 0)
        return true;
    const int nMark = ListView_GetSelectionMark(s_hwndList);
    if (nSelected > 1 || nMark < 0 || !(ListView_GetItemState(s_hwndList, nMark, LVIS_SELECTED) & LVIS_SELECTED))
        return false;
    ListView_SetItemState(s_hwndList, nMark, 0, LVIS_SELECTED);
    return true;
}

void FillRows(void)
{
    if (!s_hwndList)
        return;
    // Nothing selected or focused, no selection mark and the top row in
    // view, as a list filled afresh; the owner-data list keeps its selection
    // across a new count. Where the selection goes cheaply that state is set
    // on the rows there are: a sort then costs the list no layout at all.
    if (!DeselectCheaply())
    {
        HoldNoRows();
        GiveRows();
        return;
    }
    const int nFocused = ListView_GetNextItem(s_hwndList, -1, LVNI_FOCUSED);
    if (nFocused >= 0)
        ListView_SetItemState(s_hwndList, nFocused, 0, LVIS_FOCUSED);
    ListView_SetSelectionMark(s_hwndList, -1);
    if (ListView_GetItemCount(s_hwndList) != CountPictures())
        SendMessageW(s_hwndList, LVM_SETITEMCOUNT, (WPARAM)CountPictures(), 0);
    ListView_EnsureVisible(s_hwndList, 0, FALSE);
    InvalidateRect(s_hwndList, NULL, TRUE);
}

PictureEntry* PictureOfRow(int nRow)
{
    // Past the rows the index table has nothing, and a look-up would walk
    // the whole list to say so.
    if (nRow < 0 || nRow >= CountPictures())
        return NULL;
    return PictureByIndex(nRow);
}

void FillRowText(NMLVDISPINFOW* pInfo)
{
    LVITEMW& item = pInfo->item;
    const PictureEntry* p = PictureOfRow(item.iItem);
    if (!p)
        return;
    if (item.mask & LVIF_IMAGE)
        item.iImage = PictureTypeIcon(p->nType);
    if (!(item.mask & LVIF_TEXT) || !item.pszText || item.cchTextMax <= 0)
        return;
    switch (item.iSubItem)
    {
    case 0:
        wcsncpy_s(item.pszText, (size_t)item.cchTextMax, p->szName, _TRUNCATE);
        break;
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

// Whether the row's name is the text sought: a prefix for the list's
// type-ahead, the whole name otherwise; case is ignored either way, as the
// list's own search over its texts does.
static bool NameMatches(const PictureEntry* p, const LVFINDINFOW& find, size_t cchFind)
{
    if (find.flags & LVFI_PARTIAL)
        return _wcsnicmp(p->szName, find.psz, cchFind) == 0;
    return _wcsicmp(p->szName, find.psz) == 0;
}

int FindRow(const NMLVFINDITEMW* pFind)
{
    const LVFINDINFOW& find = pFind->lvfi;
    const int nRows = CountPictures();
    // Rows are found by their names only: no row has item data.
    if (!(find.flags & (LVFI_STRING | LVFI_PARTIAL)) || !find.psz || nRows <= 0)
        return -1;
    const size_t cchFind = wcsnlen(find.psz, MAX_PATH);
    // The search starts at iStart and goes round to the rows above it when
    // asked to; a start outside the rows begins at the top.
    const int nStart = pFind->iStart >= 0 && pFind->iStart < nRows ? pFind->iStart : 0;
    const int nEnd = (find.flags & LVFI_WRAP) ? nStart + nRows : nRows;
    for (int i = nStart; i < nEnd; ++i)
    {
        const int nRow = i % nRows;
        const PictureEntry* p = PictureOfRow(nRow);
        if (p && NameMatches(p, find, cchFind))
            return nRow;
    }
    return -1;
}

int ReadFolder(const WCHAR* pszEnumerationPath, int nSortKey, SubfolderSink pfnSubfolder, void* pContext)
{
    // The rows stay while the entries are read again: nothing is served
    // meanwhile, and a row past the entries shows nothing.
    int nFound = EnumeratePictures(pszEnumerationPath, pfnSubfolder, pContext);
    SortPictures(nSortKey);
    RenumberPictures();
    FillRows();
    return nFound;
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
        return PictureOfRow(nRow);
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
