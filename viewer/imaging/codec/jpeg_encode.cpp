#include "viewer/imaging/codec/jpeg_encode.h"

#include <string.h>

#include "viewer/imaging/codec/jpeg_recovery.h"

bool WriteJpegRows(FILE* pFile, const JpegRowsSpec& rows)
{
    if (!pFile || !rows.pfnRow || rows.nWidth <= 0 || rows.nHeight <= 0 ||
        rows.cbRow < static_cast<size_t>(rows.nWidth) * 3)
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
    info.image_width = static_cast<JDIMENSION>(rows.nWidth);
    info.image_height = static_cast<JDIMENSION>(rows.nHeight);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    if (rows.nQuality >= 0)
        jpeg_set_quality(&info, rows.nQuality, TRUE);
    jpeg_start_compress(&info, TRUE);

    JSAMPARRAY ppRow = (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE,
                                                  static_cast<JDIMENSION>(rows.cbRow + 8), 1);
    while (info.next_scanline < info.image_height)
    {
        BYTE* pRow = ppRow[0];
        memcpy(pRow, rows.pfnRow(rows.pContext, static_cast<LONG>(info.next_scanline)), rows.cbRow);
        if (rows.bBlueFirst)
        {
            for (LONG x = 0; x < rows.nWidth; ++x)
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
