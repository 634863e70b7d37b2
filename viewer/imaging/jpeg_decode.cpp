// The JPEG route of CImageDecoder: libjpeg v62,
// fast integer IDCT, thumbnail reduction by width, recovery point with a
// stage counter.
#include "viewer/imaging/image_decoder.h"
#include "viewer/imaging/decode_window.h"

#include <setjmp.h>
#include <stdio.h>
#include <string.h>

#include "viewer/common/jpeg_recovery.h"

namespace {

// Denominator of the thumbnail reduction, chosen by width only.
unsigned int ThumbnailDenominator(JDIMENSION width)
{
    if (width >= 384)
        return 8;
    if (width >= 193)
        return 4;
    if (width >= 65)
        return 2;
    return 1;
}

// Full-size bitmap first; then 1/2, 1/4 and 1/8 for devices short of memory.
HBITMAP CreateLargestDib(JDIMENSION width, JDIMENSION height, unsigned int* pDenom)
{
    static const unsigned int kDenoms[] = {1, 2, 4, 8};
    for (unsigned int d : kDenoms)
    {
        const int w = static_cast<int>(width / d), h = static_cast<int>(height / d);
        if (w <= 0 || h <= 0)
            break;
        HBITMAP hbm = CreateDibOnDecodeWindow(w, h);
        if (hbm)
        {
            *pDenom = d;
            return hbm;
        }
    }
    return NULL;
}

} // namespace

HBITMAP CImageDecoder::LoadJpeg(const WCHAR* pszPath, DecodeOptions* pOptions)
{
    if (!pszPath || !pOptions)
        return NULL;
    const bool bThumbnail = (pOptions->flags & DECODE_REDUCE) && pOptions->reduceMode == 1;
    pOptions->largeFlag = 0;
    memset(&pOptions->info, 0, sizeof(pOptions->info));

    FILE* const pFile = _wfopen(pszPath, L"rb");
    if (!pFile)
        return NULL;

    jpeg_decompress_struct cinfo;
    JpegRecovery err;
    // Changed after the recovery point is set, so kept out of registers.
    volatile int nStage = 0;
    HBITMAP volatile hbm = NULL;
    volatile bool bCancelled = false;

    cinfo.err = InitJpegRecovery(&err);
    if (setjmp(err.recoveryPoint))
    {
        // Library error: never finished on this path.
        if (nStage >= 1)
            jpeg_destroy_decompress(&cinfo);
        fclose(pFile);
        if (hbm)
            DeleteObject(hbm);
        return NULL;
    }
    jpeg_CreateDecompress(&cinfo, JPEG_LIB_VERSION, sizeof(cinfo));
    nStage = 1;
    jpeg_stdio_src(&cinfo, pFile);
    jpeg_read_header(&cinfo, TRUE);

    if ((pOptions->flags & DECODE_SIZE_TEST) && (cinfo.image_width > 256 || cinfo.image_height > 256))
        pOptions->largeFlag = 1;

    if (pOptions->flags & DECODE_HEADER_ONLY)
    {
        pOptions->info.biWidth = static_cast<LONG>(cinfo.image_width);
        pOptions->info.biHeight = static_cast<LONG>(cinfo.image_height);
        pOptions->info.biPlanes = 1;
        pOptions->info.biBitCount = static_cast<WORD>(8 * cinfo.num_components);
        jpeg_destroy_decompress(&cinfo);
        fclose(pFile);
        return NULL;
    }

    cinfo.dct_method = JDCT_IFAST;
    cinfo.scale_denom = 1;
    unsigned int nDenom = 1;
    if (bThumbnail)
    {
        cinfo.scale_num = 1;
        cinfo.scale_denom = ThumbnailDenominator(cinfo.image_width);
        // A 64-pixel thumbnail shows no difference from smooth chroma
        // upsampling, and the merged upsampler saves a pass per row.
        cinfo.do_fancy_upsampling = FALSE;
    }
    else
    {
        hbm = CreateLargestDib(cinfo.image_width, cinfo.image_height, &nDenom);
        if (!hbm)
        {
            // Not even 1/8 fits: null meets every caller (the callers expect it).
            jpeg_destroy_decompress(&cinfo);
            fclose(pFile);
            return NULL;
        }
        cinfo.scale_denom = nDenom;
    }

    jpeg_start_decompress(&cinfo);
    nStage = 2;

    // The library rounds scaled sizes up: make the bitmap at the output size.
    if (bThumbnail || nDenom != 1)
    {
        if (hbm)
            DeleteObject(hbm);
        hbm = CreateDibOnDecodeWindow(static_cast<int>(cinfo.output_width), static_cast<int>(cinfo.output_height));
    }
    BITMAP bm;
    if (!hbm || GetObjectW(hbm, sizeof(bm), &bm) != sizeof(bm) || !bm.bmBits)
    {
        jpeg_destroy_decompress(&cinfo);
        fclose(pFile);
        if (hbm)
            DeleteObject(hbm);
        return NULL;
    }

    const int nComponents = cinfo.output_components;
    const bool bRgb = nComponents == 3 && !cinfo.quantize_colors;
    // 3 components decode straight into the bitmap's row (the "copy" of the
    // written algorithm without the extra pass); others through one row.
    JSAMPARRAY pRow = NULL;
    if (!bRgb)
        pRow = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
                                          cinfo.output_width * nComponents, 1);

    const ptrdiff_t cbStride = bm.bmWidthBytes;
    BYTE* pDst = static_cast<BYTE*>(bm.bmBits) + (bm.bmHeight - 1) * cbStride;   // last row in memory
    const JDIMENSION nWidth = cinfo.output_width < static_cast<JDIMENSION>(bm.bmWidth)
                                  ? cinfo.output_width : static_cast<JDIMENSION>(bm.bmWidth);
    while (cinfo.output_scanline < cinfo.output_height)
    {
        if (m_bCancel)
        {
            bCancelled = true;
            break;
        }
        if (bRgb)
        {
            JSAMPROW pOut = pDst;
            jpeg_read_scanlines(&cinfo, &pOut, 1);
            // RGB to BGR in place, while the row is in the cache. Done per
            // scanline instead of in a second pass over the whole bitmap;
            // the result and the per-row cancel poll are the same.
            for (JDIMENSION x = 0; x < nWidth; x++)
            {
                const BYTE r = pDst[3 * x];
                pDst[3 * x] = pDst[3 * x + 2];
                pDst[3 * x + 2] = r;
            }
        }
        else
        {
            jpeg_read_scanlines(&cinfo, pRow, 1);
            const JSAMPLE* s = pRow[0];
            BYTE* d = pDst;
            if (nComponents == 4)
            {
                for (JDIMENSION x = 0; x < nWidth; x++, s += 4, d += 3)
                {
                    d[0] = static_cast<BYTE>(s[2] * s[3] / 255);
                    d[1] = static_cast<BYTE>(s[1] * s[3] / 255);
                    d[2] = static_cast<BYTE>(s[0] * s[3] / 255);
                }
            }
            else if (nComponents == 1)
            {
                for (JDIMENSION x = 0; x < nWidth; x++, s++, d += 3)
                    d[0] = d[1] = d[2] = *s;
            }
        }
        pDst -= cbStride;
    }

    if (bCancelled)
    {
        jpeg_destroy_decompress(&cinfo);
        fclose(pFile);
        DeleteObject(hbm);
        return NULL;
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    fclose(pFile);
    if (m_bCancel)
    {
        DeleteObject(hbm);
        return NULL;
    }
    return hbm;
}
