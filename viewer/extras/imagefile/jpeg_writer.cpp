// The JPEG writer: quality 70, baseline, from a 24-bit image.
#include "viewer/common/image_error.h"
#include "viewer/extras/imagefile/image_writers.h"
#include "viewer/imaging/codec/jpeg_encode.h"
#include "viewer/extras/imagefile/raster_image.h"

int CheckJpegImage(const RasterImage* pImage)
{
    // Three bytes a pixel are read from every row: other depths would be
    // read past their rows.
    if (!pImage || !pImage->pixels || pImage->bitsPerPixel != 24 || pImage->width <= 0 || pImage->height <= 0)
    {
        SetImageError(pImage ? IMGERR_WRITE_FILE : IMGERR_NULL_OBJECT);
        return -1;
    }
    return 0;
}

static const BYTE* ImageRow(const void* pContext, LONG nRow)
{
    return static_cast<const BYTE*>(GetImageRow(static_cast<const RasterImage*>(pContext), nRow));
}

int WriteJpegStream(const RasterImage* pImage, FILE* pFile)
{
    JpegRowsSpec rows = {};
    rows.nWidth = pImage->width;
    rows.nHeight = pImage->height;
    rows.cbRow = static_cast<size_t>(pImage->stride);
    rows.nQuality = 70;
    rows.bBlueFirst = pImage->paletteCount == 0;
    rows.pfnRow = ImageRow;
    rows.pContext = pImage;
    // A compression or write error (a full disk) ends here, not the process.
    if (!WriteJpegRows(pFile, rows))
    {
        SetImageError(IMGERR_WRITE_FILE);
        return -1;
    }
    return 0;
}
