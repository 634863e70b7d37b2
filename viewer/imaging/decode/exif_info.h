// What a camera writes into a JPEG's EXIF block and the viewer uses: the
// orientation the picture must be turned by to stand upright, when it was
// taken, the camera that took it, and where its embedded JPEG preview lies.
#pragma once

#include <windows.h>

// EXIF orientation values: 1 is upright; 2 to 8 are the seven mirrored and
// turned ways a camera may store the picture.
enum { EXIF_ORIENTATION_UPRIGHT = 1, EXIF_ORIENTATION_MAX = 8 };

// Only this much of the file's start is read: cameras put the block first.
enum { EXIF_READ_LIMIT = 64 * 1024 };

struct ExifInfo
{
    int nOrientation;        // 1 to 8; 1 when absent or out of range
    BOOL bHasTaken;          // stTaken holds the date and time it was taken
    SYSTEMTIME stTaken;
    WCHAR szCamera[64];      // make and model, one space apart; empty when absent
    DWORD dwPreviewOffset;   // byte offset in the file of the embedded JPEG preview; 0 when none
    DWORD dwPreviewLength;   // its length in bytes, lying wholly inside the file
};

// Fills *pInfo from the EXIF block of the open file hFile, reading at most
// EXIF_READ_LIMIT bytes from its start; the file pointer is left at the
// start. FALSE, with *pInfo holding the defaults of a picture without EXIF
// (orientation 1, nothing else), when there is no usable block. Only the
// EXIF segment is parsed, under a memory cap tied to its size: a block that
// needs more counts as absent.
BOOL ReadExifInfo(HANDLE hFile, ExifInfo* pInfo);

// The same from the first cb bytes of a file already in memory.
BOOL ParseExifInfo(const BYTE* pb, DWORD cb, DWORD cbFile, ExifInfo* pInfo);

// The same from an EXIF block as WebP and HEIF files store it: the TIFF
// structure, with or without the "Exif\0\0" header before it. Only the
// first EXIF_READ_LIMIT bytes are read; no preview is reported.
BOOL ParseExifTiff(const BYTE* pb, size_t cb, ExifInfo* pInfo);
