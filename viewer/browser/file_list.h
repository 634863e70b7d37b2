// The browser's lower pane: the list-view control that shows the listed
// folder's pictures in rows, the "NoImages" placeholder, and the texts of the
// selected picture.
#pragma once

#include <windows.h>

#include <commctrl.h>

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

// Re-reads the folder part of the enumeration path into the picture list,
// sorts it by nSortKey and fills the rows. Returns the number of pictures.
int ReadFolder(const WCHAR* pszEnumerationPath, int nSortKey);
// One row per entry, in list order; each row's item data is its entry's name
// (valid until the entries are freed or re-read; the rows are refilled then).
// A row holds its name and icon; the list asks for the type, size and date
// texts when it shows them (LVN_GETDISPINFO), and FillRowText answers.
void FillRows(void);
void FillRowText(NMLVDISPINFOW* pInfo);
void DeleteAllRows(void);
// Deletes the row of the entry with exactly that name; false when there is
// none (no such entry, or its row is already gone).
BOOL DeleteRowByName(const WCHAR* pszName);
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
