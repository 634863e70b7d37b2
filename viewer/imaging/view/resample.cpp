// Resample: source box arithmetic and the choice of kernel.
#include "viewer/imaging/view/resample.h"

#include "viewer/imaging/decode/decode_window.h"

// How the source section stores its pixels. 16-bit BI_RGB is 5-5-5; 32 bits
// (desktop displays) are plain blue, green, red, x unless other masks are
// given.
static PixelFormat SourceFormat(const DIBSECTION& ds)
{
    const bool bFields = ds.dsBmih.biCompression == BI_BITFIELDS &&
                         (ds.dsBitfields[0] | ds.dsBitfields[1] | ds.dsBitfields[2]) != 0;
    if (ds.dsBm.bmBitsPixel == 16)
        return MaskedFormat(PIXELS_MASKED16,
                            bFields ? MakeChannelMasks(ds.dsBitfields[0], ds.dsBitfields[1], ds.dsBitfields[2])
                                    : MakeChannelMasks(0x7C00, 0x03E0, 0x001F));
    if (ds.dsBm.bmBitsPixel == 32)
    {
        if (!bFields || (ds.dsBitfields[0] == 0xFF0000 && ds.dsBitfields[1] == 0xFF00 && ds.dsBitfields[2] == 0xFF))
            return PlainFormat(PIXELS_BGRX32);
        return MaskedFormat(PIXELS_MASKED32,
                            MakeChannelMasks32(ds.dsBitfields[0], ds.dsBitfields[1], ds.dsBitfields[2]));
    }
    return PlainFormat(PIXELS_RGB24);
}

HBITMAP Resample(HBITMAP hbmSource, int tw, int th, const ViewBox* pBox, volatile int32_t* pAbort,
                 bool* pbComplete)
{
    if (pbComplete)
        *pbComplete = false;
    if (!pBox)
        return NULL;
    DIBSECTION ds;
    if (!hbmSource || GetObjectW(hbmSource, sizeof(ds), &ds) != sizeof(ds) || !ds.dsBm.bmBits)
        return NULL;
    const ViewBox box = *pBox;
    // One pass either shrinks or enlarges; mixed directions are refused.
    if ((box.width > tw && box.height < th) || (box.width < tw && box.height > th))
        return NULL;
    // The kernels trust the box: one outside the picture would read outside
    // the pixel memory.
    const int sw = ds.dsBm.bmWidth, sh = ds.dsBm.bmHeight;
    if (tw <= 0 || th <= 0 || box.width <= 0 || box.height <= 0 || box.x < 0 || box.y < 0 ||
        box.width > sw - box.x || box.height > sh - box.y)
        return NULL;
    const int nBits = ds.dsBm.bmBitsPixel;
    if (nBits != 16 && nBits != 24 && nBits != 32)
        return NULL;   // palette depths have no reader

    HBITMAP hbmTarget = CreateDibOnDecodeWindow(tw, th);
    BITMAP bmTarget;
    if (!hbmTarget || !GetObjectW(hbmTarget, sizeof(bmTarget), &bmTarget) || !bmTarget.bmBits)
    {
        if (hbmTarget)
            DeleteObject(hbmTarget);
        return NULL;
    }

    // The memory row that holds the box's bottom display row; rows are then
    // walked upwards. Every bitmap of the program is bottom-up (GetObjectW
    // does not report top-down rows reliably: Wine gives a positive height).
    const ptrdiff_t stride = ds.dsBm.bmWidthBytes;
    const uint8_t* pSrc = static_cast<const uint8_t*>(ds.dsBm.bmBits) +
                          static_cast<ptrdiff_t>(sh - box.y - box.height) * stride + (nBits / 8) * box.x;
    uint8_t* pDst = static_cast<uint8_t*>(bmTarget.bmBits);
    const ptrdiff_t dstStride = bmTarget.bmWidthBytes;
    const bool bShrink = box.width >= tw && box.height >= th;

    const PixelFormat format = SourceFormat(ds);
    const bool bComplete =
        bShrink ? ShrinkPixels(format, pSrc, box.width, box.height, stride, pDst, tw, th, dstStride, pAbort)
                : EnlargePixels(format, pSrc, box.width, box.height, stride, pDst, tw, th, dstStride, pAbort);
    if (pbComplete)
        *pbComplete = bComplete;
    return hbmTarget;
}
