// The order of the listed pictures for a column. It is an exchange sort:
// position by position, each later entry that comes before the one in place
// trades places with it. Its order among equal keys is not a stable one, and
// users see it, so a faster sort must give exactly that order.
#pragma once

#include <stddef.h>

#include "viewer/common/picture_entry.h"

// Sort keys
#define SORT_BY_NAME 0
#define SORT_BY_TYPE 1
#define SORT_BY_SIZE 2
#define SORT_BY_DATE 3

// _wcsicmp's order of two names: A to Z fold to a to z; past ASCII the
// runtime's own comparison decides. Its call looks the locale up each time,
// which under Wine costs more than all the rest of a sort by name.
int CompareNamesNoCase(const WCHAR* pszA, const WCHAR* pszB);

// Whether q comes before c for the key in the direction (0: A to Z, JPEG
// first, largest and newest first; 1: the reverse). Dates compare by their
// upper 32 bits only.
bool ComesBefore(const PictureEntry* q, const PictureEntry* c, int nKey, int nDirection);

// Orders the n entry pointers as the exchange sort would order the entries,
// in O(n log n), with the keys taken once. False, with nothing moved, when
// the memory for its work cannot be had or the key is none of the four.
bool OrderPictures(PictureEntry** rgpEntries, size_t n, int nKey, int nDirection);
