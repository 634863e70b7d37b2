// The listed folder's pictures: a singly linked list of PictureEntry records
// in display order, shared by the file list, the thumbnail view and the
// thumbnail worker, plus the texts the list shows for each entry.
#pragma once

#include <windows.h>

#include "viewer/browser/picture_sort.h"
#include "viewer/common/picture_entry.h"

// Given each sub-folder's name ("." and ".." left out) met while the
// pictures are listed, so that one enumeration of a folder serves the tree
// too.
typedef void (*SubfolderSink)(void* pContext, const WCHAR* pszName);

// Empties the list, then lists the pictures of the folder part of the path
// (everything up to its last "\"), handing sub-folders to the sink when one
// is given. Entries come in reverse enumeration order until sorted. Returns
// the number of pictures found.
int EnumeratePictures(const WCHAR* pszEnumerationPath, SubfolderSink pfnSubfolder = nullptr,
                      void* pContext = nullptr);
void FreePictures(void);

// Sorts by key in the current direction (0: A to Z, JPEG first, largest and
// newest first; 1: the reverse). Other keys leave the order unchanged. The
// entries are relinked: each keeps its contents and its address.
void SortPictures(int nKey);
void RenumberPictures(void);
int GetSortDirection(void);
void FlipSortDirection(void);
void ResetSortDirection(void);

PictureEntry* FirstPicture(void);
PictureEntry* LastPicture(void);
PictureEntry* NextPicture(const PictureEntry* pEntry);
PictureEntry* PreviousPicture(const PictureEntry* pEntry);
PictureEntry* PictureByIndex(LONG nIndex);
PictureEntry* PictureByName(const WCHAR* pszName);
LONG IndexOfPicture(const PictureEntry* pEntry);
int CountPictures(void);
// Kept as entries come, go and change, not counted on each call: the grid
// asks at every repaint.
int CountUnprocessed(void);
// Every change of an entry's processed flag goes through here, from the
// worker as from the user-interface thread (never both at once on one
// entry: the worker is stopped before the other thread writes).
void SetPictureProcessed(PictureEntry* pEntry, BOOL bProcessed);

// "1K" .. "1000K", then "1.00M"; and the date as "2003/7/5" in local time.
void FormatSizeText(DWORD nBytes, WCHAR* pszOut, size_t cchOut);
void FormatDateText(const FILETIME& ftWrite, WCHAR* pszOut, size_t cchOut);
