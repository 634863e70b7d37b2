// A whole picture file in memory, for the libraries that decode from a
// buffer (libwebp, libheif).
#pragma once

#include <windows.h>
#include <stdint.h>

struct FileBytes
{
    BYTE* pb;      // HeapAlloc'd; null when nothing was read
    size_t cb;
};

// Reads the file at pszPath whole; false, with nothing held, when it cannot
// be opened or read, is empty, or is larger than cbMax (a file larger than
// the picture budget cannot decode within it).
bool ReadFileBytes(const WCHAR* pszPath, uint64_t cbMax, FileBytes* pFile);
void FreeFileBytes(FileBytes* pFile);
