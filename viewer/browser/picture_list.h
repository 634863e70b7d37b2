// The listed folder's pictures: a singly linked list of PictureEntry records
// in display order, shared by the file list, the thumbnail view and the
// thumbnail worker, plus the texts the list shows for each entry.
#pragma once

#include <windows.h>

#include "viewer/browser/picture_sort.h"
#include "viewer/common/picture_entry.h"

// Empties the list, then lists the pictures of the folder part of the path
// (everything up to its last "\"). Entries come in reverse enumeration order
// until sorted. Returns the number of pictures found.
int EnumeratePictures(const WCHAR* pszEnumerationPath);
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
int CountUnprocessed(void);

// "1K" .. "1000K", then "1.00M"; and the date as "2003/7/5" in local time.
void FormatSizeText(DWORD nBytes, WCHAR* pszOut, size_t cchOut);
void FormatDateText(const FILETIME& ftWrite, WCHAR* pszOut, size_t cchOut);
