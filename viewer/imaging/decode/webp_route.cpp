// The WebP route: libwebp decodes straight into the DIB section, scaled
// while decoding for thumbnails and for pictures over the budget, and fed
// in pieces so that a cancel stops it between them. An animation shows its
// first frame on its canvas; transparent parts show white, as a PNG's do.
#include "viewer/imaging/decode/webp_route.h"

#include <string.h>

#include <webp/decode.h>
#include <webp/demux.h>

#include "viewer/imaging/decode/decode_upright.h"
#include "viewer/imaging/decode/decode_window.h"
#include "viewer/imaging/decode/exif_info.h"
#include "viewer/imaging/decode/file_bytes.h"
#include "viewer/imaging/decode/picture_budget.h"

namespace {

// Bytes handed to the decoder between two looks at the cancel flag.
const size_t kFeedBytes = 256 * 1024;
// The smallest scale a picture over the budget is shown at.
const int kMaxDenominator = 64;

struct WebpFrame
{
    int nCanvasWidth, nCanvasHeight;
    WebPIterator it;       // the first frame: its bytes, place and size
    int nOrientation;      // EXIF, when the request asks to stand upright
};

// The canvas, the first frame and the orientation; false for a file
// libwebp's demuxer does not take whole (corrupt or truncated).
bool ReadFrame(WebPDemuxer* pDemux, const DecodeOptions* pOptions, WebpFrame* pFrame)
{
    pFrame->nCanvasWidth = static_cast<int>(WebPDemuxGetI(pDemux, WEBP_FF_CANVAS_WIDTH));
    pFrame->nCanvasHeight = static_cast<int>(WebPDemuxGetI(pDemux, WEBP_FF_CANVAS_HEIGHT));
    pFrame->nOrientation = EXIF_ORIENTATION_UPRIGHT;
    WebPChunkIterator chunk;
    if ((pOptions->flags & DECODE_UPRIGHT) && WebPDemuxGetChunk(pDemux, "EXIF", 1, &chunk))
    {
        ExifInfo info;
        if (ParseExifTiff(chunk.chunk.bytes, chunk.chunk.size, &info))
            pFrame->nOrientation = info.nOrientation;
        WebPDemuxReleaseChunkIterator(&chunk);
    }
    return pFrame->nCanvasWidth > 0 && pFrame->nCanvasHeight > 0 && WebPDemuxGetFrame(pDemux, 1, &pFrame->it);
}

// The denominator the picture is decoded at: by width for a thumbnail,
// else the smallest whose bitmap fits the budget; 0 when none does.
int ChooseDenominator(const WebpFrame& frame, int nBits, bool bThumbnail, uint64_t cbBudget)
{
    const int nFirst = bThumbnail ? static_cast<int>(ThumbnailDenominator(static_cast<uint32_t>(frame.nCanvasWidth))) : 1;
    for (int d = nFirst; d <= kMaxDenominator; d *= 2)
        if (DibBytes((frame.nCanvasWidth + d - 1) / d, (frame.nCanvasHeight + d - 1) / d, nBits) <= cbBudget)
            return d;
    return 0;
}

// Decodes the frame's bytes into the region of the bottom-up bitmap that
// the frame covers, in pieces; false on bad data or a cancel.
bool DecodeInto(const WebpFrame& frame, const BITMAP& bm, int d, bool bThumbnail, const volatile LONG* pCancel)
{
    const int nBytesPerPixel = bm.bmBitsPixel / 8;
    // The frame's place at the decoded scale, kept inside the canvas.
    const int x = frame.it.x_offset / d, y = frame.it.y_offset / d;
    int w = d == 1 ? frame.it.width : (frame.it.width + d - 1) / d;
    int h = d == 1 ? frame.it.height : (frame.it.height + d - 1) / d;
    w = w < bm.bmWidth - x ? w : bm.bmWidth - x;
    h = h < bm.bmHeight - y ? h : bm.bmHeight - y;
    if (w <= 0 || h <= 0)
        return false;

    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config))
        return false;
    // Bottom-up rows: the picture's first row goes into the region's last
    // memory row. The loop filter runs on a second thread; a thumbnail
    // shows nothing of it and skips it.
    config.options.flip = 1;
    config.options.use_threads = 1;
    config.options.bypass_filtering = bThumbnail;
    if (w != frame.it.width || h != frame.it.height)
    {
        config.options.use_scaling = 1;
        config.options.scaled_width = w;
        config.options.scaled_height = h;
    }
    // Premultiplied: over white each channel is then c + 255 - alpha.
    config.output.colorspace = nBytesPerPixel == 4 ? MODE_bgrA : MODE_BGR;
    config.output.is_external_memory = 1;
    BYTE* pRegion = static_cast<BYTE*>(bm.bmBits) + static_cast<ptrdiff_t>(bm.bmHeight - y - h) * bm.bmWidthBytes +
                    static_cast<ptrdiff_t>(x) * nBytesPerPixel;
    config.output.u.RGBA.rgba = pRegion;
    config.output.u.RGBA.stride = bm.bmWidthBytes;
    config.output.u.RGBA.size = static_cast<size_t>(bm.bmWidthBytes) * (h - 1) + static_cast<size_t>(w) * nBytesPerPixel;

    WebPIDecoder* pDecoder = WebPIDecode(NULL, 0, &config);
    if (!pDecoder)
        return false;
    VP8StatusCode status = VP8_STATUS_SUSPENDED;
    for (size_t cbFed = 0; cbFed < frame.it.fragment.size && status == VP8_STATUS_SUSPENDED && !*pCancel;)
    {
        const size_t cbRest = frame.it.fragment.size - cbFed;
        cbFed += cbRest < kFeedBytes ? cbRest : kFeedBytes;
        status = WebPIUpdate(pDecoder, frame.it.fragment.bytes, cbFed);
    }
    WebPIDelete(pDecoder);
    WebPFreeDecBuffer(&config.output);
    return status == VP8_STATUS_OK && !*pCancel;
}

// Premultiplied BGRA over white, in place.
void OverWhite(const BITMAP& bm)
{
    for (LONG y = 0; y < bm.bmHeight; y++)
    {
        BYTE* p = static_cast<BYTE*>(bm.bmBits) + static_cast<ptrdiff_t>(y) * bm.bmWidthBytes;
        for (LONG x = 0; x < bm.bmWidth; x++, p += 4)
        {
            const int nClear = 255 - p[3];
            p[0] = static_cast<BYTE>(p[0] + nClear);
            p[1] = static_cast<BYTE>(p[1] + nClear);
            p[2] = static_cast<BYTE>(p[2] + nClear);
            p[3] = 0;
        }
    }
}

HBITMAP DecodeFrame(const WebpFrame& frame, DecodeOptions* pOptions, uint64_t cbBudget, const volatile LONG* pCancel)
{
    // Alpha, or a first frame that leaves part of the canvas clear, takes
    // 32 bits to show white behind it; everything else 24.
    const bool bCovers = frame.it.x_offset == 0 && frame.it.y_offset == 0 &&
                         frame.it.width == frame.nCanvasWidth && frame.it.height == frame.nCanvasHeight;
    const int nBits = frame.it.has_alpha || !bCovers ? 32 : 24;
    if (pOptions->flags & DECODE_HEADER_ONLY)
    {
        pOptions->info.biWidth = frame.nCanvasWidth;
        pOptions->info.biHeight = frame.nCanvasHeight;
        pOptions->info.biPlanes = 1;
        pOptions->info.biBitCount = static_cast<WORD>(nBits);
        return NULL;
    }
    const bool bThumbnail = (pOptions->flags & DECODE_REDUCE) && pOptions->reduceMode == 1;
    const int d = ChooseDenominator(frame, nBits, bThumbnail, DecodeBudget(cbBudget, frame.nOrientation));
    if (d == 0)
        return NULL;
    HBITMAP hbm = CreateDibOnDecodeWindow((frame.nCanvasWidth + d - 1) / d, (frame.nCanvasHeight + d - 1) / d, nBits);
    BITMAP bm;
    if (hbm && GetObjectW(hbm, sizeof(bm), &bm) == sizeof(bm) && bm.bmBits && DecodeInto(frame, bm, d, bThumbnail, pCancel))
    {
        if (nBits == 32)
            OverWhite(bm);
        return hbm;
    }
    if (hbm)
        DeleteObject(hbm);
    return NULL;
}

} // namespace

HBITMAP WebpRoute(const DecodeRequest& request)
{
    DecodeOptions* const pOptions = request.pOptions;
    FileBytes file;
    if (!ReadFileBytes(request.pszPath, request.cbBudget, &file))
        return NULL;
    const WebPData data = {file.pb, file.cb};
    WebPDemuxer* pDemux = WebPDemux(&data);
    WebpFrame frame;
    memset(&frame, 0, sizeof(frame));
    HBITMAP hbm = NULL;
    if (pDemux && ReadFrame(pDemux, pOptions, &frame))
    {
        if ((pOptions->flags & DECODE_SIZE_TEST) &&
            (frame.nCanvasWidth > DECODE_LARGE_SIDE || frame.nCanvasHeight > DECODE_LARGE_SIDE))
            pOptions->largeFlag = 1;
        hbm = DecodeFrame(frame, pOptions, request.cbBudget, request.pCancel);
        WebPDemuxReleaseIterator(&frame.it);
    }
    WebPDemuxDelete(pDemux);
    FreeFileBytes(&file);
    if (hbm && *request.pCancel)
    {
        DeleteObject(hbm);
        hbm = NULL;
    }
    return StandUpright(hbm, frame.nOrientation ? frame.nOrientation : EXIF_ORIENTATION_UPRIGHT, pOptions);
}

BOOL WebpExif(const WCHAR* pszPath, uint64_t cbMax, ExifInfo* pInfo)
{
    FileBytes file;
    if (!ReadFileBytes(pszPath, cbMax, &file))
        return FALSE;
    const WebPData data = {file.pb, file.cb};
    WebPDemuxer* pDemux = WebPDemux(&data);
    WebPChunkIterator chunk;
    BOOL bFound = FALSE;
    if (pDemux && WebPDemuxGetChunk(pDemux, "EXIF", 1, &chunk))
    {
        bFound = ParseExifTiff(chunk.chunk.bytes, chunk.chunk.size, pInfo);
        WebPDemuxReleaseChunkIterator(&chunk);
    }
    WebPDemuxDelete(pDemux);
    FreeFileBytes(&file);
    return bFound;
}
