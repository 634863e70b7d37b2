#include "viewer/shell/browser_notify.h"

#include <commctrl.h>
#include <stdio.h>
#include <wchar.h>

#include "viewer/browser/dir_tree.h"
#include "viewer/browser/file_list.h"
#include "viewer/browser/picture_list.h"
#include "viewer/browser/picture_selection.h"
#include "viewer/browser/thumb_worker.h"
#include "viewer/common/main_window_data.h"
#include "viewer/common/picture_entry.h"
#include "viewer/common/path_parts.h"
#include "viewer/common/shared_paths.h"
#include "viewer/shell/current_entry.h"
#include "viewer/shell/open_picture.h"

// The entry becomes the current one and its picture opens in the viewer;
// the next one is decoded ahead.
static void OpenEntry(MainWindowData* pData, PictureEntry* pEntry, const WCHAR* pszPath)
{
    OpenEntryPicture(pData, pEntry, pszPath);
    PreloadNeighbour(pData, true);
}

// The activated row is the focused one, after a double tap as after the
// action key: Wine's list sends a key's activation as a bare header, so the
// notice's own row is read only when no row has the focus, which a key's
// activation always has.
static void OpenFromList(MainWindowData* pData, const NMHDR* pHeader)
{
    StopThumbWorker();
    int nRow = ListView_GetNextItem(pHeader->hwndFrom, -1, LVNI_FOCUSED);
    if (nRow < 0)
        nRow = reinterpret_cast<const NMITEMACTIVATE*>(pHeader)->iItem;
    PictureEntry* pEntry = PictureOfRow(nRow);
    if (!pEntry)
        return;
    WCHAR szPath[MAX_PATH];
    if (!JoinPath(g_szBrowsePath, pEntry->szName, szPath, MAX_PATH))
        return; // a cut path would name another file
    OpenEntry(pData, pEntry, szPath);
}

void OpenFromThumbnails(PictureEntry* pEntry, LPCWSTR pszPath)
{
    MainWindowData* pData = GetMainWindowData();
    if (pData && pszPath)
        OpenEntry(pData, pEntry, pszPath);
}

// The sort moves entries' contents, not the entries: the current entry is
// found again by its name, or it would name whichever file moved into it.
// The refilled rows have nothing selected, and the shared selection (an
// index) is cleared with them rather than left on another picture.
static void OnColumnClick(MainWindowData* pData, const NMLISTVIEW* pInfo)
{
    pData->nSortKey = pInfo->iSubItem;
    CurrentEntryName saved = ReleaseCurrentEntry(pData);
    SortByColumn(pInfo->iSubItem);
    ClearPictureSelection();
    RestoreCurrentEntry(pData, saved);
}

// Only a row that becomes both selected and focused moves the shared
// selection. The list also reports changes of every row at once (item -1)
// and ranges a shift extends (LVN_ODSTATECHANGED): those never give a row
// the focus, which comes in a notice of its own row.
static void OnListItemChanged(const NMLISTVIEW* pInfo)
{
    const UINT uBoth = LVIS_SELECTED | LVIS_FOCUSED;
    if ((pInfo->uChanged & LVIF_STATE) && (pInfo->uNewState & uBoth) == uBoth && pInfo->iItem >= 0)
        SelectPictureFromList(pInfo->iItem);
}

LRESULT OnFileListNotify(MainWindowData* pData, const NMHDR* pHeader)
{
    switch (pHeader->code)
    {
    case LVN_ITEMACTIVATE:
        OpenFromList(pData, pHeader);
        break;
    case LVN_COLUMNCLICK:
        OnColumnClick(pData, reinterpret_cast<const NMLISTVIEW*>(pHeader));
        break;
    case LVN_ITEMCHANGED:
        OnListItemChanged(reinterpret_cast<const NMLISTVIEW*>(pHeader));
        break;
    case LVN_GETDISPINFOW:
        FillRowText(reinterpret_cast<NMLVDISPINFOW*>(const_cast<NMHDR*>(pHeader)));
        break;
    case LVN_ODFINDITEMW:
        return FindRow(reinterpret_cast<const NMLVFINDITEMW*>(pHeader));
    case LVN_DELETEALLITEMS:
        return TRUE; // the rows own nothing: no notice for each of them
    }
    return 0;
}

static void OnFolderSelected(MainWindowData* pData, const NMTREEVIEWW* pInfo)
{
    DropPreload(pData);
    CurrentEntryName saved = ReleaseCurrentEntry(pData);
    OnFolderChange(pInfo->hdr.hwndFrom, pInfo->itemNew.hItem, pData->nSortKey, IsThumbnailMode());
    RestoreCurrentEntry(pData, saved);
}

void OnDirectoryTreeNotify(MainWindowData* pData, const NMHDR* pHeader)
{
    switch (pHeader->code)
    {
    case TVN_ITEMEXPANDINGW:
        OnFolderExpanding(pHeader->hwndFrom, reinterpret_cast<const NMTREEVIEWW*>(pHeader));
        break;
    case TVN_SELCHANGEDW:
        OnFolderSelected(pData, reinterpret_cast<const NMTREEVIEWW*>(pHeader));
        break;
    case TVN_GETDISPINFOW:
        OnFolderItemAsked(pHeader->hwndFrom, reinterpret_cast<NMTVDISPINFOW*>(const_cast<NMHDR*>(pHeader)));
        break;
    }
}
