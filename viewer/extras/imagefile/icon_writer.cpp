// The icon writer: one image with an 8-bit colour table built from the
// picture's visible colours, and its AND mask.
#include <stdlib.h>
#include <string.h>

#include "viewer/common/image_error.h"
#include "viewer/extras/imagefile/image_writers.h"
#include "viewer/extras/imagefile/raster_image.h"

// The colour table key of a pixel: bytes 2, 1 and 0 of its colour value,
// which for 24-bit pixels are its stored blue, green and red bytes.
static void KeyOf(DWORD dwColor, BYTE* pKey)
{
    pKey[0] = (BYTE)(dwColor >> 16);
    pKey[1] = (BYTE)(dwColor >> 8);
    pKey[2] = (BYTE)dwColor;
}

static LONG Row8(LONG width)
{
    return ((width * 8 + 31) & ~31) / 8;
}

// Bytes of the AND mask: the mask image's, or an all-visible one of the same
// shape when the image has none (readers expect one after the pixels).
static LONG MaskBytes(const RasterImage* pImage)
{
    if (pImage->maskImage)
        return pImage->maskImage->imageSize;
    return ((pImage->width + 31) / 32) * 4 * pImage->height;
}

int CheckIconImage(const RasterImage* pImage)
{
    if (!pImage)
    {
        SetImageError(IMGERR_NULL_OBJECT);
        return -1;
    }
    if ((DWORD)pImage->width > 255 || (DWORD)pImage->height > 255)
    {
        SetImageError(IMGERR_ICON_SIZE);
        return -1;
    }
    if (CountColors(pImage, 256) > 256)
    {
        SetImageError(IMGERR_ICON_COLORS);
        return -1;
    }
    return 0;
}

// An icon file: a 6-byte directory, one 16-byte entry, then the image as a
// BITMAPINFOHEADER, a 256-entry colour table, the pixels and the AND mask.
static const DWORD kIconDirBytes = 6;
static const DWORD kIconEntryBytes = 16;
static const DWORD kColorTableBytes = 256 * sizeof(RasterPaletteEntry);

static void BuildColorTable(const RasterImage* pImage, BYTE (*pTable)[4])
{
    memcpy(pTable, pImage->palette, kColorTableBytes);
    int nNext = 0;
    for (LONG y = 0; y < pImage->height; ++y)
    {
        for (LONG x = 0; x < pImage->width; ++x)
        {
            if (!IsImagePixelVisible(pImage, x, y))
                continue;
            BYTE key[3];
            KeyOf(GetImagePixel(pImage, x, y), key);
            bool bKnown = false;
            for (int i = 0; i < nNext && !bKnown; ++i)
                bKnown = memcmp(pTable[i], key, 3) == 0;
            if (!bKnown && nNext < 256)
                memcpy(pTable[nNext++], key, 3);
        }
    }
}

static BYTE IndexOf(BYTE (*pTable)[4], const BYTE* pKey)
{
    for (int i = 0; i < 256; ++i)
    {
        if (memcmp(pTable[i], pKey, 3) == 0)
            return (BYTE)i;
    }
    return 0;
}

// The directory, its one entry and the image's info header. The image is
// twice as high as the picture: the pixels and then the mask.
static void BuildIconHeader(const RasterImage* pImage, DWORD cbImage, BYTE* pHeader)
{
    pHeader[2] = 1; // type: icon
    pHeader[4] = 1; // one image
    BYTE* pEntry = pHeader + kIconDirBytes;
    pEntry[0] = (BYTE)pImage->width;
    pEntry[1] = (BYTE)pImage->height;
    pEntry[4] = 1;  // planes
    pEntry[6] = 8;  // bit count
    DWORD cbResource = cbImage + sizeof(BITMAPINFOHEADER) + kColorTableBytes;
    memcpy(pEntry + 8, &cbResource, 4);
    DWORD dwOffset = kIconDirBytes + kIconEntryBytes;
    memcpy(pEntry + 12, &dwOffset, 4);

    BITMAPINFOHEADER bmih = {};
    bmih.biSize = sizeof(bmih);
    bmih.biWidth = pImage->width;
    bmih.biHeight = pImage->height * 2;
    bmih.biPlanes = 1;
    bmih.biBitCount = 8;
    bmih.biSizeImage = cbImage;
    bmih.biClrUsed = 256;
    memcpy(pHeader + dwOffset, &bmih, sizeof(bmih));
}

// The pixels as colour-table indices, bottom row first, through pRow.
static bool WriteIconPixels(const RasterImage* pImage, BYTE (*pTable)[4], BYTE* pRow, LONG row8, FILE* pFile)
{
    bool bOk = true;
    for (LONG y = pImage->height - 1; bOk && y >= 0; --y)
    {
        memset(pRow, 0, (size_t)row8);
        for (LONG x = 0; x < pImage->width; ++x)
        {
            BYTE key[3];
            KeyOf(GetImagePixel(pImage, x, y), key);
            pRow[x] = IndexOf(pTable, key);
        }
        bOk = WritePiece(pFile, pRow, (size_t)row8);
    }
    return bOk;
}

// The AND mask, bottom row first, through pRow; a visible pixel gives a
// clear bit.
static bool WriteIconMask(const RasterImage* pImage, BYTE* pRow, LONG cbMaskRow, FILE* pFile)
{
    const RasterImage* pMask = pImage->maskImage;
    bool bOk = true;
    for (LONG y = pImage->height - 1; bOk && y >= 0; --y)
    {
        const BYTE* pSource = pMask ? GetImageRow(pMask, y) : NULL;
        for (LONG i = 0; i < cbMaskRow; ++i)
            pRow[i] = pSource ? (BYTE)~pSource[i] : 0;
        bOk = WritePiece(pFile, pRow, (size_t)cbMaskRow);
    }
    return bOk;
}

int WriteIconStream(const RasterImage* pImage, FILE* pFile)
{
    const LONG row8 = Row8(pImage->width);
    const LONG cbMaskRow = pImage->maskImage ? pImage->maskImage->stride : ((pImage->width + 31) / 32) * 4;
    const DWORD cbImage = (DWORD)(pImage->height * row8 + MaskBytes(pImage));

    BYTE header[kIconDirBytes + kIconEntryBytes + sizeof(BITMAPINFOHEADER)] = {};
    BuildIconHeader(pImage, cbImage, header);
    BYTE table[256][4];
    BuildColorTable(pImage, table);

    // One row buffer serves the pixels and then the mask.
    LONG cbRow = row8 > cbMaskRow ? row8 : cbMaskRow;
    if (cbRow < 1)
        cbRow = 1;
    BYTE* pRow = static_cast<BYTE*>(calloc(1, (size_t)cbRow));
    if (!pRow)
    {
        SetImageError(IMGERR_NO_MEMORY);
        return -1;
    }
    const bool bOk = WritePiece(pFile, header, sizeof(header)) && WritePiece(pFile, table, sizeof(table)) &&
                     WriteIconPixels(pImage, table, pRow, row8, pFile) &&
                     WriteIconMask(pImage, pRow, cbMaskRow, pFile);
    free(pRow);
    return bOk ? 0 : -1;
}
