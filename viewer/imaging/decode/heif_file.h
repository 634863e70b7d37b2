// A HEIF file as libheif reads it, through our own handle.
#pragma once

#include <windows.h>
#include <stdint.h>

#include <libheif/heif.h>

// The file as the library reads it: through the handle, a box at a time,
// so that a thumbnail or a header costs its own bytes, not the file's. The
// library reads boxes in pieces of a few bytes and asks for its position
// between them: the pieces come from a window of the file kept here, and
// the position is kept here, so that neither costs a system call.
struct HeifFile
{
    HANDLE hFile;
    int64_t cbFile;
    int64_t nPos;          // where the library reads next
    BYTE* pWindow;         // a window of the file, HeapAlloc'd
    int64_t nWindowStart;  // the file offset of the window's first byte
    DWORD cbWindow;        // the bytes the window holds
};

// Opens the file at pszPath for kHeifFileReader; false when it cannot be
// opened or its window has no memory. CloseHeifFile releases it either way.
bool OpenHeifFile(const WCHAR* pszPath, HeifFile* pFile);
void CloseHeifFile(HeifFile* pFile);

extern const heif_reader kHeifFileReader;
