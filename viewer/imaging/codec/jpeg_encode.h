// Baseline JPEG encoding of 24-bit rows through libjpeg, shared by the image
// library's writer and the thumbnail files.
#pragma once

#include <windows.h>
#include <stdio.h>

// Hands over row nRow (0 = top) of the picture: at least cbRow bytes,
// three a pixel.
typedef const BYTE* (*JpegRowSource)(const void* pContext, LONG nRow);

struct JpegRowsSpec
{
    LONG nWidth;
    LONG nHeight;
    size_t cbRow;         // bytes copied from each row
    int nQuality;         // below 0: the library's default (75)
    bool bBlueFirst;      // rows in blue, green, red order, swapped for the encoder
    JpegRowSource pfnRow;
    const void* pContext;
};

// Writes the picture into the open file. False on any library error, a
// full disk included: it returns here instead of ending the process.
bool WriteJpegRows(FILE* pFile, const JpegRowsSpec& rows);
