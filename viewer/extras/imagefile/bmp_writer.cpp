// The BMP writer: a 54-byte header, the palette, then the pixel buffer
// exactly as stored (rows in memory order, padding included).
#include <string.h>

#include "viewer/common/image_error.h"
#include "viewer/extras/imagefile/image_writers.h"
#include "viewer/extras/imagefile/raster_image.h"

bool WritePiece(FILE* pFile, const void* pv, size_t cb)
{
    if (cb == 0)
        return true;
    if (fwrite(pv, 1, cb, pFile) != cb || ferror(pFile))
    {
        SetImageError(IMGERR_WRITE_FILE);
        return false;
    }
    return true;
}

static void PutWord(BYTE* p, WORD w)
{
    p[0] = (BYTE)w;
    p[1] = (BYTE)(w >> 8);
}

static void PutDword(BYTE* p, DWORD dw)
{
    PutWord(p, (WORD)dw);
    PutWord(p + 2, (WORD)(dw >> 16));
}

int CheckBmpImage(const RasterImage* pImage)
{
    if (!pImage)
    {
        SetImageError(IMGERR_NULL_OBJECT);
        return -1;
    }
    if (!pImage->pixels && pImage->imageSize > 0)
    {
        SetImageError(IMGERR_NULL_OBJECT);
        return -1;
    }
    return 0;
}

int WriteBmpStream(const RasterImage* pImage, FILE* pFile)
{
    const DWORD cbPalette = (DWORD)GetPaletteBytes(pImage);
    BYTE header[54] = {};
    header[0] = 'B';
    header[1] = 'M';
    PutDword(header + 2, 54 + cbPalette + (DWORD)pImage->imageSize);
    PutDword(header + 10, 54 + cbPalette);
    PutDword(header + 14, 40);
    PutDword(header + 18, (DWORD)pImage->width);
    PutDword(header + 22, (DWORD)pImage->height);
    PutWord(header + 26, 1);
    PutWord(header + 28, pImage->bitsPerPixel);
    PutDword(header + 34, (DWORD)pImage->imageSize);

    if (!WritePiece(pFile, header, sizeof(header)))
        return -1;
    if (cbPalette && !WritePiece(pFile, pImage->palette, cbPalette))
        return -1;
    if (!WritePiece(pFile, pImage->pixels, (size_t)pImage->imageSize))
        return -1;
    return 0;
}
