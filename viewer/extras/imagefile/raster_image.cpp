#include "viewer/extras/imagefile/raster_image.h"

#include <limits.h>
#include <string.h>

#include "viewer/common/image_error.h"
#include "viewer/common/zero_alloc.h"

// Sizes beyond this are refused rather than wrapped: image size is a 32-bit field.
static const long long kMaxImageBytes = INT_MAX;

static void SetFormat(RasterImage* pImage)
{
    switch (pImage->bitsPerPixel)
    {
    case 1:
    case 2:
    case 4:
    case 8:
        pImage->pixelFormat = RIPF_PALETTE;
        break;
    case 15:
        pImage->pixelFormat = RIPF_555;
        pImage->blueMask = 0x001F;
        pImage->greenMask = 0x03E0;
        pImage->redMask = 0x7C00;
        break;
    case 16:
        pImage->pixelFormat = RIPF_565;
        pImage->blueMask = 0x001F;
        pImage->greenMask = 0x07E0;
        pImage->redMask = 0xF800;
        break;
    case 24:
        pImage->pixelFormat = RIPF_24;
        pImage->blueMask = 0xFF;
        pImage->greenMask = 0xFF00;
        pImage->redMask = 0xFF0000;
        break;
    case 32:
        pImage->pixelFormat = RIPF_32;
        pImage->blueMask = 0xFF;
        pImage->greenMask = 0xFF00;
        pImage->redMask = 0xFF0000;
        pImage->alphaMask = 0xFF000000;
        break;
    default:
        pImage->pixelFormat = RIPF_NONE;
        break;
    }
}

static void InitImage(RasterImage* pImage, LONG width, LONG height, int bitsPerPixel, DWORD flags)
{
    if (!pImage)
    {
        SetImageError(IMGERR_NULL_OBJECT);
        return;
    }
    pImage->width = width;
    pImage->height = height;
    pImage->bitsPerPixel = (BYTE)bitsPerPixel;
    pImage->bytesPerPixel = (BYTE)((pImage->bitsPerPixel + 7) / 8);
    pImage->reserved[0] = pImage->reserved[1] = 0;
    pImage->blueMask = pImage->greenMask = pImage->redMask = pImage->alphaMask = 0;
    SetFormat(pImage);

    pImage->rowWidth = width;
    pImage->flags = flags;
    if (pImage->bitsPerPixel <= 8)
        pImage->paletteCount = 1L << pImage->bitsPerPixel;

    long long stride = ((long long)width * pImage->bitsPerPixel + 31) / 32 * 4;
    long long imageSize = stride * height;
    if (width < 0 || height < 0 || imageSize > kMaxImageBytes)
    {
        // Negative or overflowing sizes: no buffer, and the caller learns why.
        pImage->stride = 0;
        pImage->imageSize = 0;
        SetImageError(IMGERR_NO_MEMORY);
        return;
    }
    pImage->stride = (LONG)stride;
    pImage->imageSize = (LONG)imageSize;

    if (!(flags & RIF_BORROWED))
    {
        pImage->pixels = static_cast<BYTE*>(AllocZeroed((size_t)imageSize));
        if (!pImage->pixels)
            return;
    }
    if (flags & RIF_HAS_MASK)
    {
        pImage->maskImage = CreateImage(width, height, 1, (flags & RIF_BOTTOM_UP) ? RIF_BOTTOM_UP : 0);
        // A mask without pixels keeps its code 1 for the caller.
        if (!pImage->maskImage || !pImage->maskImage->pixels)
            return;
    }
    ClearImageError();
}

static void ReleaseContents(RasterImage* pImage)
{
    if (!(pImage->flags & RIF_BORROWED))
        FreeZeroed(pImage->pixels);
    FreeImage(pImage->maskImage);
    memset(pImage, 0, sizeof(*pImage));
    ClearImageError();
}

RasterImage* CreateImage(LONG width, LONG height, int bitsPerPixel, DWORD flags)
{
    RasterImage* pImage = AllocRecord<RasterImage>();
    if (!pImage)
        return NULL;
    InitImage(pImage, width, height, bitsPerPixel, flags);
    return pImage;
}

void FreeImage(RasterImage* pImage)
{
    if (!pImage)
        return;
    ReleaseContents(pImage);
    FreeZeroed(pImage);
}

int ResetImage(RasterImage* pImage, LONG width, LONG height, int bitsPerPixel, DWORD flags)
{
    if (pImage)
        ReleaseContents(pImage);
    InitImage(pImage, width, height, bitsPerPixel, flags);
    return GetImageError() != IMGERR_NONE ? -1 : 0;
}

HBITMAP AttachDibSection(RasterImage* pImage, HDC hdc)
{
    if (!pImage)
        return NULL;
    pImage->flags |= RIF_BOTTOM_UP;

    struct
    {
        BITMAPINFOHEADER bmih;
        RGBQUAD rgbColors[256];
    } info = {};
    info.bmih.biSize = sizeof(BITMAPINFOHEADER);
    info.bmih.biWidth = pImage->rowWidth;
    info.bmih.biHeight = pImage->height;
    info.bmih.biPlanes = 1;
    info.bmih.biBitCount = pImage->bitsPerPixel;
    info.bmih.biCompression = BI_RGB;
    info.bmih.biSizeImage = (DWORD)pImage->imageSize;

    void* pvBits = NULL;
    HBITMAP hbm = CreateDIBSection(hdc, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &pvBits, NULL, 0);
    if (!hbm || !pvBits)
    {
        SetImageError(IMGERR_CREATE_GDI);
        return hbm;
    }

    DIBSECTION ds = {};
    GetObjectW(hbm, sizeof(ds), &ds);
    LONG cbSection = (LONG)ds.dsBmih.biSizeImage;
    if (pImage->pixels)
    {
        LONG cbCopy = pImage->imageSize < cbSection ? pImage->imageSize : cbSection;
        memcpy(pvBits, pImage->pixels, (size_t)cbCopy);
    }
    if (!(pImage->flags & RIF_BORROWED))
        FreeZeroed(pImage->pixels);
    pImage->pixels = static_cast<BYTE*>(pvBits);
    pImage->flags |= RIF_BORROWED;
    if (ds.dsBmih.biHeight > 0)
        pImage->stride = cbSection / ds.dsBmih.biHeight;

    ClearImageError();
    return hbm;
}

BYTE* GetImageRow(const RasterImage* pImage, LONG y)
{
    if (!pImage || !pImage->pixels || y < 0 || y >= pImage->height)
        return NULL;
    LONG nMemoryRow = (pImage->flags & RIF_BOTTOM_UP) ? pImage->height - 1 - y : y;
    return pImage->pixels + (size_t)nMemoryRow * (size_t)pImage->stride;
}

DWORD GetImagePixel(const RasterImage* pImage, LONG x, LONG y)
{
    const BYTE* pRow = GetImageRow(pImage, y);
    if (!pRow || x < 0 || x >= pImage->width)
        return 0;
    switch (pImage->bitsPerPixel)
    {
    case 1:
        return (pRow[x / 8] & (0x80 >> (x % 8))) ? 0xFFFFFF : 0;
    case 8:
        return pRow[x];
    case 15:
    case 16:
        return (DWORD)pRow[2 * x] | ((DWORD)pRow[2 * x + 1] << 8);
    case 24:
        return ((DWORD)pRow[3 * x] << 16) | ((DWORD)pRow[3 * x + 1] << 8) | pRow[3 * x + 2];
    case 32:
        return (DWORD)pRow[4 * x] | ((DWORD)pRow[4 * x + 1] << 8) | ((DWORD)pRow[4 * x + 2] << 16)
               | ((DWORD)pRow[4 * x + 3] << 24);
    default:
        return 0;
    }
}

BOOL IsImagePixelVisible(const RasterImage* pImage, LONG x, LONG y)
{
    if (!(pImage->flags & RIF_HAS_MASK) || !pImage->maskImage)
        return TRUE;
    return GetImagePixel(pImage->maskImage, x, y) != 0;
}

LONG GetPaletteBytes(const RasterImage* pImage)
{
    if (!pImage)
    {
        SetImageError(IMGERR_NULL_OBJECT);
        return 0;
    }
    return pImage->paletteCount < 1 ? 0 : pImage->paletteCount * 4;
}

int CountColors(const RasterImage* pImage, int nLimit)
{
    if (!pImage || nLimit > 256 || nLimit < 0)
        return 0;
    DWORD rgColors[256];
    int nUsed = 0;
    for (LONG y = 0; y < pImage->height; ++y)
    {
        for (LONG x = 0; x < pImage->width; ++x)
        {
            if (!IsImagePixelVisible(pImage, x, y))
                continue;
            if (nLimit == 0)
                return 1;
            DWORD dwColor = GetImagePixel(pImage, x, y);
            int i = 0;
            while (i < nUsed && rgColors[i] != dwColor)
                ++i;
            if (i < nUsed)
                continue;
            if (nUsed == nLimit)
                return nLimit + 1;
            rgColors[nUsed++] = dwColor;
        }
    }
    return nUsed;
}

void AdjustBrightness(RasterImage* pImage, int nPercent)
{
    if (!pImage || !pImage->pixels)
        return;
    const double dFactor = nPercent * 0.01 + 1.0;
    for (LONG i = 0; i < pImage->imageSize; ++i)
    {
        double dValue = pImage->pixels[i] * dFactor;
        pImage->pixels[i] = dValue <= 0.0 ? 0 : dValue >= 255.0 ? 255 : (BYTE)dValue;
    }
}
