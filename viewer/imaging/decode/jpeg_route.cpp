// The JPEG route: libjpeg with the fast integer IDCT, thumbnails reduced by
// the library's own scaling (a progressive one from its first scans alone),
// and a recovery point so that a corrupt file fails the load instead of
// ending the process.
#include "viewer/imaging/decode/jpeg_route.h"
#include "viewer/imaging/decode/decode_upright.h"
#include "viewer/imaging/decode/decode_window.h"

#include <limits.h>
#include <setjmp.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <jerror.h>

#include "viewer/imaging/codec/jpeg_recovery.h"
#include "viewer/imaging/colour/picture_colour.h"
#include "viewer/imaging/decode/jpeg_dc_scan.h"
#include "viewer/imaging/decode/picture_budget.h"

namespace {

// Everything one decode acquires. It lives in LoadJpeg's frame, above the
// function that sets the recovery point, so its values are still valid after
// the library jumps back; LoadJpeg releases it in one place on every path.
struct JpegDecode
{
    jpeg_decompress_struct cinfo;
    JpegRecovery err;
    FILE* pFile;
    HBITMAP hbm;
    bool bDataEnded;                       // the file ran out before the picture did
    void (*pfnEmitMessage)(j_common_ptr, int);
    const WCHAR* pszPath;
    // A CMYK picture's own profile, when it is to be managed and has one:
    // the samples go through it instead of the plain multiplication.
    ColourTransform* pCmyk;
};

// Notes the library's warning that the picture's data ended early (the
// file ended, or a marker came first that the library will not read past),
// then passes it on. The cast holds: the decompressor
// is the record's first member.
void NoteEndOfData(j_common_ptr pInfo, int nLevel)
{
    JpegDecode* pJob = reinterpret_cast<JpegDecode*>(pInfo);
    const int nMarker = pJob->cinfo.unread_marker;
    // With restart intervals the library resynchronises at the next restart
    // point past a restart marker or a marker below SOF0 (0xC0), which no
    // file may hold, and stops only at the other markers.
    const bool bRestartMarker = nMarker >= JPEG_RST0 && nMarker <= JPEG_RST0 + 7;
    const bool bResyncs = pJob->cinfo.restart_interval != 0 && (bRestartMarker || nMarker < 0xC0);
    if (nLevel < 0 && (pInfo->err->msg_code == JWRN_JPEG_EOF || (pInfo->err->msg_code == JWRN_HIT_MARKER && !bResyncs)))
        pJob->bDataEnded = true;
    pJob->pfnEmitMessage(pInfo, nLevel);
}

// The largest bitmap from denominator nFirst on; smaller ones (up to 1/8)
// for devices short of memory.
HBITMAP CreateLargestDib(JDIMENSION width, JDIMENSION height, unsigned int nFirst, unsigned int* pDenom)
{
    static const unsigned int kDenoms[] = {1, 2, 4, 8};
    for (unsigned int d : kDenoms)
    {
        if (d < nFirst)
            continue;
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

// The size test and, for a header-only request, the picture's description.
void ReportHeader(const jpeg_decompress_struct& cinfo, DecodeOptions* pOptions)
{
    if ((pOptions->flags & DECODE_SIZE_TEST) &&
        (cinfo.image_width > DECODE_LARGE_SIDE || cinfo.image_height > DECODE_LARGE_SIDE))
        pOptions->largeFlag = 1;
    if (pOptions->flags & DECODE_HEADER_ONLY)
    {
        pOptions->info.biWidth = static_cast<LONG>(cinfo.image_width);
        pOptions->info.biHeight = static_cast<LONG>(cinfo.image_height);
        pOptions->info.biPlanes = 1;
        pOptions->info.biBitCount = static_cast<WORD>(8 * cinfo.num_components);
    }
}

// Sets the decompression scale. A thumbnail's scale follows its width and
// its bitmap waits for the output size; a picture to view gets the largest
// bitmap that fits the memory budget and can be made, and the scale follows
// that. Both are checked against the budget from the header alone, before
// anything is allocated. False when not even the one-eighth bitmap fits or
// can be made: null meets every caller.
bool ChooseScale(JpegDecode* pJob, bool bThumbnail, uint64_t cbBudget)
{
    jpeg_decompress_struct& cinfo = pJob->cinfo;
    cinfo.dct_method = JDCT_IFAST;
    cinfo.scale_denom = 1;
    if (bThumbnail)
    {
        cinfo.scale_num = 1;
        cinfo.scale_denom = ThumbnailDenominator(cinfo.image_width);
        // A 64-pixel thumbnail shows no difference from smooth chroma
        // upsampling, and the merged upsampler saves a pass per row.
        cinfo.do_fancy_upsampling = FALSE;
        const unsigned int nFits = JpegDenominatorWithin(cinfo.image_width, cinfo.image_height, cbBudget);
        return nFits != 0 && nFits <= cinfo.scale_denom;
    }
    const unsigned int nFirst = JpegDenominatorWithin(cinfo.image_width, cinfo.image_height, cbBudget);
    if (nFirst == 0)
        return false;
    unsigned int nDenom = nFirst;
    pJob->hbm = CreateLargestDib(cinfo.image_width, cinfo.image_height, nFirst, &nDenom);
    cinfo.scale_denom = nDenom;
    return pJob->hbm != NULL;
}

// The bitmap the scanlines go into, described in *pbm. The library rounds
// scaled sizes up, so a reduced bitmap is made (again) at the output size.
bool PrepareOutputBitmap(JpegDecode* pJob, bool bAtOutputSize, BITMAP* pbm)
{
    const jpeg_decompress_struct& cinfo = pJob->cinfo;
    if (bAtOutputSize)
    {
        if (pJob->hbm)
            DeleteObject(pJob->hbm);
        pJob->hbm = CreateDibOnDecodeWindow(static_cast<int>(cinfo.output_width), static_cast<int>(cinfo.output_height));
    }
    return pJob->hbm && GetObjectW(pJob->hbm, sizeof(*pbm), pbm) == sizeof(*pbm) && pbm->bmBits;
}

// How far a DC coefficient still missing its low bits may lie from its full
// value, in output levels, for a one-eighth picture made from it.
const int kDcLevelsMissing = 2;

// True when the scans read so far hold what a one-eighth picture shows.
// A one-eighth block is its DC coefficient alone, so every component's DC
// must be there, at most kDcLevelsMissing levels short of its full
// precision: the first DC scan usually lacks only the lowest bit, and its
// refinement comes after most of the AC data. Subsampled chroma that the
// library scales up by a larger transform (2 x 2 for 4:2:0) also shows its
// first AC coefficients (zigzag positions 1 and 2): without them its colour
// runs flat over a whole MCU, several levels from the full decode at colour
// edges.
bool HasWhatAnEighthShows(const jpeg_decompress_struct& cinfo)
{
    if (!cinfo.coef_bits)
        return false;
    for (int ci = 0; ci < cinfo.num_components; ci++)
    {
        const int* pBits = cinfo.coef_bits[ci]; // -1 before a coefficient's first scan
        const jpeg_component_info& comp = cinfo.comp_info[ci];
        if (pBits[0] < 0)
            return false;
        if (comp.DCT_scaled_size > 1 && (pBits[1] < 0 || pBits[2] < 0))
            return false;
        if (pBits[0] == 0)
            continue;
        if (!comp.quant_table || pBits[0] >= 15)
            return false;
        // The missing bits truncate the coefficient; one level of a 1 x 1
        // output block is eight units of the dequantised DC.
        if (((1 << pBits[0]) - 1) * comp.quant_table->quantval[0] > 8 * kDcLevelsMissing)
            return false;
    }
    return true;
}

// Reads scans until they hold what a one-eighth picture shows, or the file
// ends. Checked only between scans: a scan's progression counts from its
// header on. False when the cancel flag stopped it.
bool ConsumeFirstScans(jpeg_decompress_struct* pInfo, const volatile LONG* pCancel)
{
    for (;;)
    {
        if (*pCancel)
            return false;
        const int nResult = jpeg_consume_input(pInfo);
        if (nResult == JPEG_REACHED_EOI || nResult == JPEG_SUSPENDED)
            return true;
        if (nResult == JPEG_SCAN_COMPLETED && HasWhatAnEighthShows(*pInfo))
            return true;
    }
}

// RGB to BGR in place, while the row is still in the cache.
void SwapRedAndBlue(BYTE* pRow, JDIMENSION nWidth)
{
    for (JDIMENSION x = 0; x < nWidth; x++)
    {
        const BYTE r = pRow[3 * x];
        pRow[3 * x] = pRow[3 * x + 2];
        pRow[3 * x + 2] = r;
    }
}

// One row of CMYK or grey samples into blue, green, red bytes. Other
// component counts leave the row as it is.
void ConvertRow(const JSAMPLE* s, BYTE* d, JDIMENSION nWidth, int nComponents)
{
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

// Decodes every scanline into the bottom-up bitmap, the first picture row
// into the last memory row. False when the cancel flag stopped it.
//
// Once a single-scan file has run out of data, the library makes every
// later row the same uniform grey; a header claiming a huge picture over a
// few bytes would keep the thread busy for seconds decoding nothing. So
// three block rows past the end (the one being decoded, and the one smooth
// upsampling reads ahead) the last row is copied into the rest, and *pbCut
// says the decode was left unfinished.
bool ReadScanlines(jpeg_decompress_struct* pInfo, const BITMAP& bm, ColourTransform* pCmyk,
                   const volatile LONG* pCancel, const bool* pbDataEnded, bool* pbCut)
{
    const int nComponents = pInfo->output_components;
    // Three components decode straight into the bitmap's row; the others
    // need one row of samples to convert from.
    const bool bRgb = nComponents == 3 && !pInfo->quantize_colors;
    JSAMPARRAY pRow = NULL;
    if (!bRgb)
        pRow = (*pInfo->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(pInfo), JPOOL_IMAGE,
                                           pInfo->output_width * nComponents, 1);

    const ptrdiff_t cbStride = bm.bmWidthBytes;
    BYTE* pDst = static_cast<BYTE*>(bm.bmBits) + (bm.bmHeight - 1) * cbStride;
    const JDIMENSION nWidth = pInfo->output_width < static_cast<JDIMENSION>(bm.bmWidth)
                                  ? pInfo->output_width : static_cast<JDIMENSION>(bm.bmWidth);
    const bool bSingleScan = !jpeg_has_multiple_scans(pInfo);
    const JDIMENSION nBlockRows = static_cast<JDIMENSION>(pInfo->max_v_samp_factor * pInfo->min_DCT_scaled_size);
    JDIMENSION nCopyFrom = 0;
    while (pInfo->output_scanline < pInfo->output_height)
    {
        // A plain read: the flag only goes from 0 to 1 during a decode.
        if (*pCancel)
            return false;
        if (bSingleScan && *pbDataEnded && nCopyFrom == 0)
            nCopyFrom = pInfo->output_scanline + 3 * nBlockRows;
        if (nCopyFrom && pInfo->output_scanline >= nCopyFrom)
        {
            const JDIMENSION nRows = static_cast<JDIMENSION>(bm.bmHeight) < pInfo->output_height
                                         ? static_cast<JDIMENSION>(bm.bmHeight) : pInfo->output_height;
            for (JDIMENSION y = pInfo->output_scanline; y < nRows; ++y, pDst -= cbStride)
                memcpy(pDst, pDst + cbStride, nWidth * 3);
            *pbCut = true;
            return true;
        }
        if (bRgb)
        {
            JSAMPROW pOut = pDst;
            jpeg_read_scanlines(pInfo, &pOut, 1);
            SwapRedAndBlue(pDst, nWidth);
        }
        else
        {
            jpeg_read_scanlines(pInfo, pRow, 1);
            if (pCmyk && nComponents == 4)
                TransformRows(pCmyk, pRow[0], 0, pDst, 0, static_cast<int>(nWidth), 1);
            else
                ConvertRow(pRow[0], pDst, nWidth, nComponents);
        }
        pDst -= cbStride;
    }
    return true;
}

// The most scan data read into memory for the DC route; a larger file
// takes libjpeg's, which reads it piece by piece.
const long kDcScanMaxBytes = 64L * 1024 * 1024;

// How many bytes follow the header read, when the DC route may take the
// file: a baseline one-eighth thumbnail in a layout it decodes, whose data
// fits in memory. -1 otherwise; the file is left where it was.
long DcScanBytes(JpegDecode* pJob, uint64_t cbBudget)
{
    if (!DcScanSuits(pJob->cinfo))
        return -1;
    const long nHere = ftell(pJob->pFile);
    if (nHere < 0 || fseek(pJob->pFile, 0, SEEK_END) != 0)
        return -1;
    const long nEnd = ftell(pJob->pFile);
    if (fseek(pJob->pFile, nHere, SEEK_SET) != 0 || nEnd < nHere)
        return -1;
    const long nRest = nEnd - nHere;
    return nRest <= kDcScanMaxBytes && static_cast<uint64_t>(nRest) <= cbBudget / 4 ? nRest : -1;
}

// The thumbnail through the DC route: the rest of the file (nRest bytes
// from DcScanBytes) is read into memory and decoded into a new bitmap.
// DC_SCAN_NOT_TAKEN leaves no bitmap, and the file and the decompressor
// to be started again.
DcScanResult DecodeThumbFromDc(JpegDecode* pJob, long nRest, const volatile LONG* pCancel)
{
    jpeg_decompress_struct* const pInfo = &pJob->cinfo;
    const size_t cbBuffered = pInfo->src->bytes_in_buffer;
    const size_t cbData = cbBuffered + static_cast<size_t>(nRest);
    uint8_t* pData = static_cast<uint8_t*>(malloc(cbData + DC_SCAN_PADDING));
    if (!pData)
        return DC_SCAN_NOT_TAKEN;
    memcpy(pData, pInfo->src->next_input_byte, cbBuffered);
    const size_t cbRead = fread(pData + cbBuffered, 1, static_cast<size_t>(nRest), pJob->pFile);

    DcScanResult result = DC_SCAN_NOT_TAKEN;
    const int nWidth = static_cast<int>(DcScanWidth(*pInfo)), nHeight = static_cast<int>(DcScanHeight(*pInfo));
    BITMAP bm;
    HBITMAP hbm = cbRead == static_cast<size_t>(nRest) ? CreateDibOnDecodeWindow(nWidth, nHeight) : NULL;
    if (hbm && GetObjectW(hbm, sizeof(bm), &bm) == sizeof(bm) && bm.bmBits)
    {
        // Bottom-up: the picture's first row is the bitmap's last.
        uint8_t* pFirstRow = static_cast<uint8_t*>(bm.bmBits) + static_cast<ptrdiff_t>(bm.bmHeight - 1) * bm.bmWidthBytes;
        result = DecodeDcScan(*pInfo, pData, cbData, pFirstRow, -static_cast<ptrdiff_t>(bm.bmWidthBytes), pCancel);
    }
    free(pData);
    if (result == DC_SCAN_DONE)
        pJob->hbm = hbm;
    else if (hbm)
        DeleteObject(hbm);
    return result;
}

// Back to the start of the file with the header read again, for libjpeg's
// own decode after the DC route declined. False when that is not possible.
bool RestartAtHeader(JpegDecode* pJob, bool bThumbnail, uint64_t cbBudget)
{
    jpeg_decompress_struct* const pInfo = &pJob->cinfo;
    jpeg_abort_decompress(pInfo);
    if (fseek(pJob->pFile, 0, SEEK_SET) != 0)
        return false;
    jpeg_stdio_src(pInfo, pJob->pFile);
    jpeg_read_header(pInfo, TRUE);
    return ChooseScale(pJob, bThumbnail, cbBudget);
}

// The decode itself. True when pJob->hbm holds the whole picture; false on a
// library error, a header-only request, no bitmap, or a cancel. What was
// acquired stays in pJob for the caller to release.
bool DecodeJpeg(JpegDecode* pJob, DecodeOptions* pOptions, const volatile LONG* pCancel, uint64_t cbBudget)
{
    const bool bThumbnail = (pOptions->flags & DECODE_REDUCE) && pOptions->reduceMode == 1;
    jpeg_decompress_struct* const pInfo = &pJob->cinfo;
    pInfo->err = InitJpegRecovery(&pJob->err);
    pJob->pfnEmitMessage = pInfo->err->emit_message;
    pInfo->err->emit_message = NoteEndOfData;
    // After the jump no local of this frame is read: only pJob, which is
    // never changed here.
    if (setjmp(pJob->err.recoveryPoint))
        return false;
    jpeg_CreateDecompress(pInfo, JPEG_LIB_VERSION, sizeof(*pInfo));
    // The library's own whole-image buffers (progressive and multi-scan
    // pictures keep every coefficient) obey the same budget: beyond it the
    // library asks for a backing store, which fails the decode.
    pInfo->mem->max_memory_to_use = static_cast<long>(cbBudget < LONG_MAX ? cbBudget : LONG_MAX);
    jpeg_stdio_src(pInfo, pJob->pFile);
    jpeg_read_header(pInfo, TRUE);

    ReportHeader(*pInfo, pOptions);
    if (pOptions->flags & DECODE_HEADER_ONLY)
        return false;
    if (!ChooseScale(pJob, bThumbnail, cbBudget))
        return false;
    const long nDcScanBytes = bThumbnail && pInfo->scale_denom == 8 ? DcScanBytes(pJob, cbBudget) : -1;
    if (nDcScanBytes >= 0)
    {
        const DcScanResult result = DecodeThumbFromDc(pJob, nDcScanBytes, pCancel);
        if (result != DC_SCAN_NOT_TAKEN)
            return result == DC_SCAN_DONE;
        if (!RestartAtHeader(pJob, bThumbnail, cbBudget))
            return false;
    }
    const bool bReduced = bThumbnail || pInfo->scale_denom != 1;
    // A one-eighth thumbnail of a progressive file needs only its first
    // scans: the library buffers them, and the rest is never read.
    const bool bFirstScans = bThumbnail && pInfo->progressive_mode && pInfo->scale_denom == 8;
    if (bFirstScans)
    {
        pInfo->buffered_image = TRUE;
        // Smoothing guesses AC coefficients (and, with no AC yet, moves the
        // DC): nothing a one-eighth picture shows, and it would stray from
        // the full decode.
        pInfo->do_block_smoothing = FALSE;
    }
    jpeg_start_decompress(pInfo);
    if (bFirstScans)
    {
        if (!ConsumeFirstScans(pInfo, pCancel))
            return false;
        jpeg_start_output(pInfo, pInfo->input_scan_number);
    }

    // Adobe's marker says the samples are stored inverted, 255 for no ink.
    if ((pOptions->flags & DECODE_MANAGE_COLOUR) && pInfo->output_components == 4)
        pJob->pCmyk = AcquireCmykTransform(pJob->pszPath, pInfo->saw_Adobe_marker != FALSE);
    BITMAP bm;
    bool bCut = false;
    if (!PrepareOutputBitmap(pJob, bReduced, &bm) ||
        !ReadScanlines(pInfo, bm, pJob->pCmyk, pCancel, &pJob->bDataEnded, &bCut))
        return false;   // abandoned: never finished
    // Not jpeg_finish_output: it reads on to the next scan's header. The
    // scans not read are dropped with the decompressor, and so is the rest
    // of a file whose data ended early.
    if (!bFirstScans && !bCut)
        jpeg_finish_decompress(pInfo);
    return true;
}

} // namespace

HBITMAP JpegRoute(const DecodeRequest& request)
{
    DecodeOptions* const pOptions = request.pOptions;
    JpegDecode job;
    memset(&job, 0, sizeof(job));
    job.pszPath = request.pszPath;
    job.pFile = _wfopen(request.pszPath, L"rb");
    // The library asks for 4 KB at a time, and each refill of the C
    // library's default buffer is a system call: a 64 KB buffer reads a large
    // file three to five times faster under Wine. Should it not be had, the
    // default buffer serves.
    if (job.pFile)
        setvbuf(job.pFile, NULL, _IOFBF, 64 * 1024);
    const int nOrientation = OrientationToApply(job.pFile, pOptions);
    const bool bDecoded =
        job.pFile && DecodeJpeg(&job, pOptions, request.pCancel, DecodeBudget(request.cbBudget, nOrientation));

    // Also after a failure inside the creation itself: the record starts
    // zeroed, and destroying one without a memory manager does nothing.
    jpeg_destroy_decompress(&job.cinfo);
    ReleaseColourTransform(job.pCmyk);
    if (job.pFile)
        fclose(job.pFile);
    // A cancel that came while the file was being released still counts.
    if ((!bDecoded || *request.pCancel) && job.hbm)
    {
        DeleteObject(job.hbm);
        job.hbm = NULL;
    }
    return StandUpright(job.hbm, nOrientation, pOptions);
}
