// The JPEG writer: quality 70, baseline, from a 24-bit image.
#include <string.h>

#include "viewer/common/image_error.h"
#include "viewer/extras/image_writers.h"
#include "viewer/common/jpeg_recovery.h"
#include "viewer/extras/raster_image.h"

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

int WriteJpegStream(const RasterImage* pImage, FILE* pFile)
{
    jpeg_compress_struct info;
    JpegRecovery recovery;
    memset(&info, 0, sizeof(info));
    info.err = InitJpegRecovery(&recovery);
    if (setjmp(recovery.recoveryPoint))
    {
        // A compression or write error (a full disk) ends here, not the process.
        jpeg_destroy_compress(&info);
        SetImageError(IMGERR_WRITE_FILE);
        return -1;
    }

    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, pFile);
    info.image_width = (JDIMENSION)pImage->width;
    info.image_height = (JDIMENSION)pImage->height;
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 70, TRUE);
    jpeg_start_compress(&info, TRUE);

    JSAMPARRAY ppRow = (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE,
                                                  (JDIMENSION)pImage->stride + 8, 1);
    while (info.next_scanline < info.image_height)
    {
        BYTE* pRow = ppRow[0];
        memcpy(pRow, GetImageRow(pImage, (LONG)info.next_scanline), (size_t)pImage->stride);
        if (pImage->paletteCount == 0)
        {
            for (LONG x = 0; x + 2 < pImage->stride; x += 3)
            {
                BYTE b = pRow[x];
                pRow[x] = pRow[x + 2];
                pRow[x + 2] = b;
            }
        }
        jpeg_write_scanlines(&info, ppRow, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return 0;
}
