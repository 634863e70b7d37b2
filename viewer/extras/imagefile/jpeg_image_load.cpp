// Loading a JPEG file into a 24-bit bottom-up image with an all-visible mask.
#include <limits.h>
#include <stdio.h>
#include <string.h>

#include "viewer/common/image_error.h"
#include "viewer/imaging/codec/jpeg_recovery.h"
#include "viewer/extras/imagefile/raster_image.h"

// Writes one decoded scanline into a destination row of the image.
static void StoreScanline(const jpeg_decompress_struct& info, const JSAMPLE* pSource, BYTE* pDest, LONG cbDest)
{
    const JDIMENSION cx = info.output_width;
    if (info.output_components == 4 && !info.quantize_colors)
    {
        // Four samples (cyan, magenta, yellow, black) give three bytes, each
        // colour scaled by black.
        LONG cbOut = 0;
        for (JDIMENSION x = 0; x < cx && cbOut + 3 <= cbDest; ++x, cbOut += 3)
        {
            const JSAMPLE* p = pSource + 4 * x;
            unsigned k = p[3];
            pDest[cbOut] = (BYTE)(p[2] * k / 255);
            pDest[cbOut + 1] = (BYTE)(p[1] * k / 255);
            pDest[cbOut + 2] = (BYTE)(p[0] * k / 255);
        }
    }
    else if (info.out_color_space == JCS_GRAYSCALE && info.output_components == 1)
    {
        for (JDIMENSION x = 0; x < cx && (LONG)(3 * x + 3) <= cbDest; ++x)
            pDest[3 * x] = pDest[3 * x + 1] = pDest[3 * x + 2] = pSource[x];
    }
    else
    {
        LONG cbRow = (LONG)(info.output_components * cx);
        memcpy(pDest, pSource, (size_t)(cbRow < cbDest ? cbRow : cbDest));
    }
}

static void SwapRedAndBlue(RasterImage* pImage)
{
    for (LONG y = 0; y < pImage->height; ++y)
    {
        BYTE* pRow = GetImageRow(pImage, y);
        for (LONG x = 0; x < pImage->width; ++x)
        {
            BYTE b = pRow[3 * x];
            pRow[3 * x] = pRow[3 * x + 2];
            pRow[3 * x + 2] = b;
        }
    }
}

// The decompressor and its error manager. They live in LoadJpegImage's
// frame, above the function that sets the recovery point, so they are still
// valid after the library jumps back, and one place releases them.
struct JpegLoad
{
    jpeg_decompress_struct info;
    JpegRecovery recovery;
};

static int DecodeJpegStream(JpegLoad* pLoad, RasterImage* pImage, FILE* pFile)
{
    jpeg_decompress_struct& info = pLoad->info;
    info.err = InitJpegRecovery(&pLoad->recovery);
    if (setjmp(pLoad->recovery.recoveryPoint))
    {
        SetImageError(IMGERR_READ_FILE);
        return -1;
    }

    jpeg_create_decompress(&info);
    jpeg_stdio_src(&info, pFile);
    jpeg_read_header(&info, TRUE);
    info.dct_method = JDCT_IFAST;
    jpeg_start_decompress(&info);

    if (info.output_width > (JDIMENSION)LONG_MAX || info.output_height > (JDIMENSION)LONG_MAX
        || ResetImage(pImage, (LONG)info.image_width, (LONG)info.image_height, 24, RIF_HAS_MASK | RIF_BOTTOM_UP) != 0
        || !pImage->pixels)
        return -1;
    memset(pImage->maskImage->pixels, 0xFF, (size_t)pImage->maskImage->imageSize);

    const JDIMENSION cbRow = info.output_width * (JDIMENSION)info.output_components;
    JSAMPARRAY ppRow = (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE, cbRow, 1);
    while (info.output_scanline < info.output_height)
    {
        LONG y = (LONG)info.output_scanline;
        jpeg_read_scanlines(&info, ppRow, 1);
        BYTE* pDest = GetImageRow(pImage, y);
        if (pDest)
            StoreScanline(info, ppRow[0], pDest, pImage->stride);
    }
    jpeg_finish_decompress(&info);
    if (info.output_components == 3)
        SwapRedAndBlue(pImage);
    return 0;
}

int LoadJpegImage(RasterImage* pImage, LPCWSTR pszPath)
{
    FILE* pFile = pszPath ? _wfopen(pszPath, L"rb") : NULL;
    if (!pFile)
    {
        SetImageError(IMGERR_READ_FILE);
        return -1;
    }
    JpegLoad load;
    memset(&load, 0, sizeof(load));
    int nResult = DecodeJpegStream(&load, pImage, pFile);
    // Also safe when the decompressor was never made: the record is zeroed.
    // The row buffer goes with it.
    jpeg_destroy_decompress(&load.info);
    fclose(pFile);
    return nResult;
}
