// The browser's lower pane: the list-view control that shows the listed
// folder's pictures in rows, the "NoImages" placeholder, and the texts of the
// selected picture.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include "viewer/browser/picture_list.h"

#define IDC_FILE_LIST 1000
#define IDC_NO_IMAGES 1009

// Creates the list (four columns, the type icons) inside the frame, 25
// pixels less tall than it, following the shared selection. False when the
// list or a column cannot be made.
BOOL CreateFileListView(HWND hwndFrame);
// The placeholder shown while the folder has no pictures.
BOOL CreateNoImagesWindow(HWND hwndFrame);
void DestroyFileListView(void);

HWND GetFileListWindow(void);
HWND GetNoImagesWindow(void);

// Re-reads the folder part of the enumeration path into the picture list
// (sub-folders met on the way go to the sink when one is given), sorts it by
// nSortKey and shows its rows. Returns the number of pictures.
int ReadFolder(const WCHAR* pszEnumerationPath, int nSortKey, SubfolderSink pfnSubfolder = nullptr,
               void* pContext = nullptr);
// The list asks for its rows: row n is the entry numbered n (the entries are
// numbered again after every sort and read). FillRows gives the list the
// number of entries, with nothing selected, as after a fresh fill.
void FillRows(void);
void DeleteAllRows(void);
// The row's entry; null for a row the list does not have.
PictureEntry* PictureOfRow(int nRow);
// Answers the list's requests: a row's texts and type icon
// (LVN_GETDISPINFO), and the row of a name (LVN_ODFINDITEM, type-ahead
// included), or -1.
void FillRowText(NMLVDISPINFOW* pInfo);
int FindRow(const NMLVFINDITEMW* pFind);
// A column click: direction flipped, sorted by the column, rows refilled.
void SortByColumn(int nColumn);
// Selects and focuses the row of the entry with that index, alone.
void SelectRow(LONG nIndex);
int CountSelectedRows(void);

// Details of the selected picture for the information dialog.
struct SelectedPictureInfo
{
    WCHAR szSize[16];
    WCHAR szDate[32];
    WCHAR szTime[32];
    int nType;
};

// Browse path plus the selected picture's name into pszPath (cchPath
// units); details into pInfo when given. The shown list's selection mark
// counts, otherwise the shared selection. 0 when nothing is selected, the
// name is no longer listed or the path does not fit.
int GetSelectedPicture(WCHAR* pszPath, size_t cchPath, SelectedPictureInfo* pInfo);
