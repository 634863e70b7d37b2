// One picture file of the listed folder. The folder's entries form a singly
// linked list owned by the file list.
#pragma once

#include <windows.h>

#include "viewer/common/picture_type.h"

struct PictureEntry
{
    PictureEntry* pNext;
    LONG nIndex;            // 0-based position, renumbered after every sort
    LONG yThumb;            // top-left of the thumbnail inside its 64 x 60 box
    LONG xThumb;
    PictureType nType;
    LONG cchName;
    WCHAR szName[MAX_PATH]; // file name, no folder
    HBITMAP hbmThumb;       // owned, null until made
    LONG bProcessed;        // the worker has dealt with the entry
    LONG bDrawn;            // the worker has painted the entry's cell
    DWORD nFileSize;        // low 32 bits
    FILETIME ftLastWrite;
};
