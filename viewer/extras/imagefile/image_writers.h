// The three file writers behind SaveImage. Each checks the image first
// (0, or -1 with the error code set), then writes a checked image to an open
// stream and returns 0, or -1 with the error code set.
#pragma once

#include <stdio.h>

struct RasterImage;

int CheckBmpImage(const RasterImage* pImage);
int CheckJpegImage(const RasterImage* pImage);
int CheckIconImage(const RasterImage* pImage);

int WriteBmpStream(const RasterImage* pImage, FILE* pFile);
int WriteJpegStream(const RasterImage* pImage, FILE* pFile);
int WriteIconStream(const RasterImage* pImage, FILE* pFile);

// One write of a whole piece; a short write sets code 6.
bool WritePiece(FILE* pFile, const void* pv, size_t cb);
