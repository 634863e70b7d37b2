#include "viewer/common/jpeg_encode.h"

#include <string.h>

#include "viewer/common/jpeg_recovery.h"

bool WriteJpegRows(FILE* pFile, const JpegRowsSpec& spec)
{
    if (!pFile || !spec.pfnRow || spec.nWidth <= 0 || spec.nHeight <= 0 ||
        spec.cbRow < static_cast<size_t>(spec.nWidth) * 3)
        return false;
    jpeg_compress_struct info;
    JpegRecovery recovery;
    memset(&info, 0, sizeof(info));
    info.err = InitJpegRecovery(&recovery);
    if (setjmp(recovery.recoveryPoint))
    {
        jpeg_destroy_compress(&info);
        return false;
    }
    jpeg_CreateCompress(&info, JPEG_LIB_VERSION, sizeof(info));
    jpeg_stdio_dest(&info, pFile);
    info.image_width = static_cast<JDIMENSION>(spec.nWidth);
    info.image_height = static_cast<JDIMENSION>(spec.nHeight);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    if (spec.nQuality >= 0)
        jpeg_set_quality(&info, spec.nQuality, TRUE);
    jpeg_start_compress(&info, TRUE);

    JSAMPARRAY ppRow = (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE,
                                                  static_cast<JDIMENSION>(spec.cbRow + 8), 1);
    while (info.next_scanline < info.image_height)
    {
        BYTE* pRow = ppRow[0];
        memcpy(pRow, spec.pfnRow(spec.pContext, static_cast<LONG>(info.next_scanline)), spec.cbRow);
        if (spec.bBlueFirst)
        {
            for (LONG x = 0; x < spec.nWidth; ++x)
            {
                const BYTE b = pRow[3 * x];
                pRow[3 * x] = pRow[3 * x + 2];
                pRow[3 * x + 2] = b;
            }
        }
        jpeg_write_scanlines(&info, ppRow, 1);
    }
    jpeg_finish_compress(&info); // flushes: a failed flush is an error too
    jpeg_destroy_compress(&info);
    return true;
}
