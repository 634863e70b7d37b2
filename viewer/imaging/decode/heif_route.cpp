// The HEIF route: HEIC (HEVC) and AVIF (AV1) pictures through libheif. The
// library turns, mirrors and crops a picture by its own irot, imir and clap
// properties, so the picture comes upright from it and the EXIF
// orientation phones also write is never applied on top. Thumbnails come
// from the embedded thumbnail when it can stand in for the picture; a
// picture over the budget shows the largest embedded thumbnail that fits.
#include "viewer/imaging/decode/heif_route.h"

#include <math.h>

#include <libheif/heif.h>

#include "viewer/imaging/decode/decode_window.h"
#include "viewer/imaging/decode/exif_info.h"
#include "viewer/imaging/decode/heif_file.h"
#include "viewer/imaging/decode/picture_budget.h"

namespace {

// Thumbnails listed per picture; files carry one or two.
const int kMaxThumbs = 8;
// What one pixel costs while it decodes: the library's planes (up to
// 4:4:4 at 16 bits a sample), its 8-bit interleaved RGBA copy and our
// bitmap.
const uint64_t kBytesPerPixelDecoding = 6 + 4 + 3;

uint64_t DecodingBytes(int w, int h)
{
    const uint64_t cbDib = DibBytes(w, h, 24);
    return cbDib == UINT64_MAX || cbDib > UINT64_MAX / kBytesPerPixelDecoding ? UINT64_MAX
                                                                                : cbDib / 3 * kBytesPerPixelDecoding;
}

// The library refuses a file with any picture wider or higher than this,
// before it allocates one: the side of a 4:1 picture that fits the budget,
// at most the library's own limit.
int SideLimit(uint64_t cbBudget)
{
    // L x L / 4 pixels at kBytesPerPixelDecoding each within the budget.
    const double side = sqrt(4.0 * static_cast<double>(cbBudget) / static_cast<double>(kBytesPerPixelDecoding));
    return side < 1 ? 1 : side > 32768 ? 32768 : static_cast<int>(side);
}

// Whether a tw x th thumbnail can stand in for a w x h picture in a
// thumbnail cell: the same shape within 2 % and at least as many pixels
// as the picture's fitted size in the box.
bool ThumbCoversBox(int tw, int th, int w, int h)
{
    if (tw <= 0 || th <= 0 || w <= 0 || h <= 0)
        return false;
    const long long nSkew = static_cast<long long>(tw) * h - static_cast<long long>(th) * w;
    if ((nSkew < 0 ? -nSkew : nSkew) * 50 > static_cast<long long>(th) * w)
        return false;
    long long fw = w, fh = h;
    if (fw > DECODE_THUMB_BOX_WIDTH || fh > DECODE_THUMB_BOX_HEIGHT)
    {
        const bool bWide = static_cast<long long>(w) * DECODE_THUMB_BOX_HEIGHT >= static_cast<long long>(h) * DECODE_THUMB_BOX_WIDTH;
        fw = bWide ? DECODE_THUMB_BOX_WIDTH : w * DECODE_THUMB_BOX_HEIGHT / h;
        fh = bWide ? h * DECODE_THUMB_BOX_WIDTH / w : DECODE_THUMB_BOX_HEIGHT;
    }
    return tw >= fw && th >= fh;
}

// The embedded thumbnail to decode instead of the picture, or null: for a
// thumbnail request the smallest that covers the box, for a picture over
// the budget the largest that fits it.
heif_image_handle* ChooseThumb(heif_image_handle* pPrimary, bool bThumbnail, uint64_t cbBudget)
{
    heif_item_id ids[kMaxThumbs];
    const int nThumbs = heif_image_handle_get_list_of_thumbnail_IDs(pPrimary, ids, kMaxThumbs);
    const int w = heif_image_handle_get_width(pPrimary), h = heif_image_handle_get_height(pPrimary);
    heif_image_handle* pBest = NULL;
    long long nBest = 0;
    for (int i = 0; i < nThumbs; i++)
    {
        heif_image_handle* pThumb = NULL;
        if (heif_image_handle_get_thumbnail(pPrimary, ids[i], &pThumb).code != heif_error_Ok || !pThumb)
            continue;
        const int tw = heif_image_handle_get_width(pThumb), th = heif_image_handle_get_height(pThumb);
        const long long nPixels = static_cast<long long>(tw) * th;
        const bool bTakes = bThumbnail ? ThumbCoversBox(tw, th, w, h) && (!pBest || nPixels < nBest)
                                       : DecodingBytes(tw, th) <= cbBudget && nPixels > nBest;
        if (bTakes && DecodingBytes(tw, th) <= cbBudget)
        {
            if (pBest)
                heif_image_handle_release(pBest);
            pBest = pThumb;
            nBest = nPixels;
        }
        else
            heif_image_handle_release(pThumb);
    }
    return pBest;
}

// A channel of a pixel with alpha a, over white.
inline unsigned int OverWhite(unsigned int c, unsigned int a)
{
    return (c * a + 255 * (255 - a) + 127) / 255;
}

// A bitmap at least this large has its pages touched while the library
// decodes (see TouchPages).
const uint64_t kTouchAheadBytes = 4 * 1024 * 1024;

struct NewBitmap
{
    HBITMAP hbm;
    BITMAP bm;
};

// A new 24-bit bitmap of w x h; false, with nothing held, when it cannot be
// made.
bool MakeBitmap(int w, int h, NewBitmap* pOut)
{
    pOut->hbm = CreateDibOnDecodeWindow(w, h);
    if (pOut->hbm && GetObjectW(pOut->hbm, sizeof(pOut->bm), &pOut->bm) == sizeof(pOut->bm) && pOut->bm.bmBits)
        return true;
    if (pOut->hbm)
        DeleteObject(pOut->hbm);
    pOut->hbm = NULL;
    return false;
}

// Writes one byte of each page of a new bitmap. The system's first touch of
// a 12-megapixel bitmap's pages costs about 100 ms under Wine; done on a
// thread of its own while the library decodes, it takes a core the decode
// leaves free instead of adding to the wait.
DWORD WINAPI TouchPages(void* pv)
{
    const BITMAP* pbm = static_cast<const BITMAP*>(pv);
    volatile BYTE* pb = static_cast<volatile BYTE*>(pbm->bmBits);
    const size_t cb = static_cast<size_t>(pbm->bmWidthBytes) * static_cast<size_t>(pbm->bmHeight);
    for (size_t i = 0; i < cb; i += 4096)
        pb[i] = 0;
    return 0;
}

// The decoded picture's interleaved RGB(A) rows into a 24-bit bitmap, d x d
// pixels averaged into one, transparent parts over white: into *pReady when
// it has the size (the caller's then), else into a new one.
HBITMAP CopyToDib(const heif_image* pImage, int nChannels, unsigned int d, NewBitmap* pReady)
{
    int nStride = 0;
    const uint8_t* pPlane = heif_image_get_plane_readonly(pImage, heif_channel_interleaved, &nStride);
    const int w = heif_image_get_width(pImage, heif_channel_interleaved);
    const int h = heif_image_get_height(pImage, heif_channel_interleaved);
    if (!pPlane || w <= 0 || h <= 0 || nStride < w * nChannels)
        return NULL;
    const int ow = static_cast<int>((w + d - 1) / d), oh = static_cast<int>((h + d - 1) / d);
    NewBitmap out;
    if (pReady->hbm && pReady->bm.bmWidth == ow && pReady->bm.bmHeight == oh)
    {
        out = *pReady;
        pReady->hbm = NULL;
    }
    else if (!MakeBitmap(ow, oh, &out))
        return NULL;
    HBITMAP hbm = out.hbm;
    const BITMAP& bm = out.bm;
    if (d == 1)
    {
        // The common case, one pass: RGB to BGR, bottom-up; with alpha, an
        // opaque pixel (most of them) is copied as it is.
        for (int y = 0; y < h; y++)
        {
            const uint8_t* p = pPlane + static_cast<ptrdiff_t>(y) * nStride;
            BYTE* pOut = static_cast<BYTE*>(bm.bmBits) + static_cast<ptrdiff_t>(h - 1 - y) * bm.bmWidthBytes;
            for (int x = 0; x < w; x++, p += nChannels, pOut += 3)
            {
                const unsigned int a = nChannels == 4 ? p[3] : 255;
                if (a == 255)
                {
                    pOut[0] = p[2];
                    pOut[1] = p[1];
                    pOut[2] = p[0];
                }
                else
                {
                    pOut[0] = static_cast<BYTE>(OverWhite(p[2], a));
                    pOut[1] = static_cast<BYTE>(OverWhite(p[1], a));
                    pOut[2] = static_cast<BYTE>(OverWhite(p[0], a));
                }
            }
        }
        return hbm;
    }
    for (int oy = 0; oy < oh; oy++)
    {
        BYTE* pOut = static_cast<BYTE*>(bm.bmBits) + static_cast<ptrdiff_t>(oh - 1 - oy) * bm.bmWidthBytes;
        const int y0 = oy * static_cast<int>(d), y1 = y0 + static_cast<int>(d) < h ? y0 + static_cast<int>(d) : h;
        for (int ox = 0; ox < ow; ox++, pOut += 3)
        {
            const int x0 = ox * static_cast<int>(d), x1 = x0 + static_cast<int>(d) < w ? x0 + static_cast<int>(d) : w;
            unsigned int sum[3] = {0, 0, 0};
            for (int y = y0; y < y1; y++)
            {
                const uint8_t* p = pPlane + static_cast<ptrdiff_t>(y) * nStride + x0 * nChannels;
                for (int x = x0; x < x1; x++, p += nChannels)
                {
                    const unsigned int a = nChannels == 4 ? p[3] : 255;
                    for (int c = 0; c < 3; c++)
                        sum[c] += OverWhite(p[c], a);
                }
            }
            const unsigned int n = static_cast<unsigned int>((y1 - y0) * (x1 - x0));
            for (int c = 0; c < 3; c++)
                pOut[2 - c] = static_cast<BYTE>((sum[c] + n / 2) / n);
        }
    }
    return hbm;
}

HBITMAP DecodeHandle(heif_image_handle* pHandle, unsigned int d, const volatile LONG* pCancel)
{
    const bool bAlpha = heif_image_handle_has_alpha_channel(pHandle) != 0;
    heif_decoding_options* pOptions = heif_decoding_options_alloc();
    if (!pOptions)
        return NULL;
    // 10- and 12-bit pictures show at 8 bits.
    pOptions->convert_hdr_to_8bit = 1;
    // A full-size picture's bitmap is made first, from the size the file
    // declares (upright), so that its pages are touched during the decode.
    NewBitmap ready = {};
    HANDLE hTouch = NULL;
    const int w = heif_image_handle_get_width(pHandle), h = heif_image_handle_get_height(pHandle);
    if (d == 1 && DibBytes(w, h, 24) >= kTouchAheadBytes && MakeBitmap(w, h, &ready))
        hTouch = CreateThread(NULL, 0, TouchPages, &ready.bm, 0, NULL);
    heif_image* pImage = NULL;
    const bool bDecoded = heif_decode_image(pHandle, &pImage, heif_colorspace_RGB,
                                            bAlpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB,
                                            pOptions)
                              .code == heif_error_Ok;
    if (hTouch)
    {
        WaitForSingleObject(hTouch, INFINITE);
        CloseHandle(hTouch);
    }
    HBITMAP hbm = bDecoded && pImage && !*pCancel ? CopyToDib(pImage, bAlpha ? 4 : 3, d, &ready) : NULL;
    if (ready.hbm)
        DeleteObject(ready.hbm);
    if (pImage)
        heif_image_release(pImage);
    heif_decoding_options_free(pOptions);
    return hbm;
}

void ReportHeader(heif_image_handle* pPrimary, DecodeOptions* pOptions)
{
    const int w = heif_image_handle_get_width(pPrimary), h = heif_image_handle_get_height(pPrimary);
    if ((pOptions->flags & DECODE_SIZE_TEST) && (w > DECODE_LARGE_SIDE || h > DECODE_LARGE_SIDE))
        pOptions->largeFlag = 1;
    if (pOptions->flags & DECODE_HEADER_ONLY)
    {
        const int nBits = heif_image_handle_get_luma_bits_per_pixel(pPrimary);
        pOptions->info.biWidth = w;
        pOptions->info.biHeight = h;
        pOptions->info.biPlanes = 1;
        pOptions->info.biBitCount =
            static_cast<WORD>((nBits > 0 ? nBits : 8) * (heif_image_handle_has_alpha_channel(pPrimary) ? 4 : 3));
    }
}

HBITMAP DecodePrimary(heif_context* pContext, DecodeOptions* pOptions, uint64_t cbBudget,
                      const volatile LONG* pCancel)
{
    heif_image_handle* pPrimary = NULL;
    if (heif_context_get_primary_image_handle(pContext, &pPrimary).code != heif_error_Ok || !pPrimary)
        return NULL;
    ReportHeader(pPrimary, pOptions);
    HBITMAP hbm = NULL;
    const int w = heif_image_handle_get_width(pPrimary), h = heif_image_handle_get_height(pPrimary);
    if (!(pOptions->flags & DECODE_HEADER_ONLY) && w > 0 && h > 0)
    {
        const bool bThumbnail = (pOptions->flags & DECODE_REDUCE) && pOptions->reduceMode == 1;
        const bool bFits = DecodingBytes(w, h) <= cbBudget;
        heif_image_handle* pThumb = bThumbnail || !bFits ? ChooseThumb(pPrimary, bThumbnail, cbBudget) : NULL;
        if (pThumb)
        {
            hbm = DecodeHandle(pThumb, 1, pCancel);
            heif_image_handle_release(pThumb);
        }
        // A thumbnail that does not decode leaves the picture itself.
        if (!hbm && bFits && !*pCancel)
            hbm = DecodeHandle(pPrimary, bThumbnail ? ThumbnailDenominator(static_cast<uint32_t>(w)) : 1, pCancel);
    }
    heif_image_handle_release(pPrimary);
    return hbm;
}

// A context over the open file, with the library's size limit from the
// budget; null when the file is not one the library takes. The file stays
// open for as long as the context lives.
heif_context* OpenContext(const WCHAR* pszPath, uint64_t cbBudget, HeifFile* pFile)
{
    if (!OpenHeifFile(pszPath, pFile))
        return NULL;
    heif_context* pContext = heif_context_alloc();
    if (!pContext)
        return NULL;
    heif_context_set_maximum_image_size_limit(pContext, SideLimit(cbBudget));
    if (heif_context_read_from_reader(pContext, &kHeifFileReader, pFile, NULL).code == heif_error_Ok)
        return pContext;
    heif_context_free(pContext);
    return NULL;
}

void CloseContext(heif_context* pContext, HeifFile* pFile)
{
    if (pContext)
        heif_context_free(pContext);
    CloseHeifFile(pFile);
}

} // namespace

HBITMAP HeifRoute(const DecodeRequest& request)
{
    if (*request.pCancel)
        return NULL;
    HeifFile file;
    heif_context* pContext = OpenContext(request.pszPath, request.cbBudget, &file);
    HBITMAP hbm = pContext ? DecodePrimary(pContext, request.pOptions, request.cbBudget, request.pCancel) : NULL;
    CloseContext(pContext, &file);
    if (hbm && *request.pCancel)
    {
        DeleteObject(hbm);
        hbm = NULL;
    }
    return hbm;
}

BOOL HeifExif(const WCHAR* pszPath, uint64_t cbMax, ExifInfo* pInfo)
{
    HeifFile file;
    heif_context* pContext = OpenContext(pszPath, cbMax, &file);
    heif_image_handle* pPrimary = NULL;
    BOOL bFound = FALSE;
    heif_item_id id = 0;
    if (pContext && heif_context_get_primary_image_handle(pContext, &pPrimary).code == heif_error_Ok &&
        heif_image_handle_get_list_of_metadata_block_IDs(pPrimary, "Exif", &id, 1) == 1)
    {
        const size_t cb = heif_image_handle_get_metadata_size(pPrimary, id);
        BYTE* pb = cb >= 4 && cb <= cbMax ? static_cast<BYTE*>(HeapAlloc(GetProcessHeap(), 0, cb)) : NULL;
        // The block starts with the offset of the TIFF header after it.
        if (pb && heif_image_handle_get_metadata(pPrimary, id, pb).code == heif_error_Ok)
        {
            const uint64_t cbSkip = 4 + ((uint64_t(pb[0]) << 24) | (uint64_t(pb[1]) << 16) | (uint64_t(pb[2]) << 8) | pb[3]);
            bFound = cbSkip < cb && ParseExifTiff(pb + cbSkip, cb - cbSkip, pInfo);
        }
        if (pb)
            HeapFree(GetProcessHeap(), 0, pb);
    }
    if (pPrimary)
        heif_image_handle_release(pPrimary);
    CloseContext(pContext, &file);
    return bFound;
}
