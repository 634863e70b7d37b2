// Standing pictures upright by their EXIF orientation: in memory, and camera
// pictures through the decoder, as stored without DECODE_UPRIGHT.
#include <gtest/gtest.h>
#include <windows.h>

#include "tests/support/fixtures.h"
#include "viewer/imaging/decode/image_decoder.h"
#include "viewer/imaging/decode/picture_orientation.h"

namespace {

// The quarters of the 320 x 240 scene every cam<N>.jpg holds once upright.
const uint32_t kScene[4] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};

// A colour unique to each pixel that survives storing at nBits.
uint32_t Code(int x, int y, int nBits)
{
    const uint32_t v = static_cast<uint32_t>(x * 1000 + y);
    if (nBits != 16)
        return v;
    const uint32_t w = v & 0xFFFF;
    return ((w >> 11) << 19) | (((w >> 5) & 63) << 10) | ((w & 31) << 3);
}

// The stored pixel that upright pixel (x, y) shows: the tag names the side
// the stored first row and first column belong on.
void ExpectedSource(int o, int w, int h, int x, int y, int* psx, int* psy)
{
    const int ux = o >= 5 ? y : x, uy = o >= 5 ? x : y;   // transposed for 5 to 8
    const bool bMirrorX = o == 2 || o == 3 || o == 7 || o == 8, bMirrorY = o == 3 || o == 4 || o == 6 || o == 7;
    *psx = bMirrorX ? w - 1 - ux : ux;
    *psy = bMirrorY ? h - 1 - uy : uy;
}

bool IsGone(HBITMAP hbm)
{
    BITMAP bm;
    return GetObjectW(hbm, sizeof(bm), &bm) == 0;
}

// Stands a w x h picture at nBits up as orientation o says and checks every
// pixel; the format stays.
void ExpectStoodUp(int w, int h, int nBits, int o)
{
    SCOPED_TRACE(testing::Message() << w << " x " << h << ", " << nBits << " bits, orientation " << o);
    HBITMAP hbm = MakePicture(w, h, nBits, [=](int x, int y) { return Code(x, y, nBits); });
    ASSERT_NE(hbm, nullptr);
    HBITMAP hbmUp = OrientBitmap(hbm, o);
    ASSERT_NE(hbmUp, nullptr);
    EXPECT_TRUE(hbmUp == hbm || IsGone(hbm)) << "the stored picture is freed once turned";

    DIBSECTION ds;
    ASSERT_EQ(static_cast<int>(sizeof(ds)), GetObjectW(hbmUp, sizeof(ds), &ds));
    const LONG wUp = o >= 5 ? h : w, hUp = o >= 5 ? w : h;
    EXPECT_TRUE(ds.dsBm.bmWidth == wUp && ds.dsBm.bmHeight == hUp && ds.dsBm.bmBitsPixel == nBits);
    EXPECT_TRUE(nBits != 16 || ds.dsBitfields[1] == 0x07E0u);

    int nWrong = 0;
    for (int y = 0; y < hUp; ++y)
        for (int x = 0; x < wUp; ++x)
        {
            int sx, sy;
            ExpectedSource(o, w, h, x, y, &sx, &sy);
            if (PixelAt(hbmUp, x, y) != Code(sx, sy, nBits) && nWrong++ < 3)
                ADD_FAILURE() << "(" << x << ", " << y << ") should show (" << sx << ", " << sy << ")";
        }
    EXPECT_EQ(0, nWrong);
    DeleteObject(hbmUp);
}

} // namespace

// At each depth the decoder makes: a picture whose tiles cross the copy's
// tile edges both ways, odd high, and a small one with an odd width.
TEST(PictureOrientation, EveryOrientationMovesEachPixelWhereTheCornersSay)
{
    for (const SIZE size : {SIZE{70, 131}, SIZE{7, 4}})
        for (int nBits : {16, 24, 32})
            for (int o = 1; o <= 8; ++o)
                ExpectStoodUp(size.cx, size.cy, nBits, o);
}

// Stood up for viewing, as a thumbnail and in the header; as stored without
// the flag.
TEST(UprightDecode, EachOrientationStandsUpForViewingThumbnailsAndHeaders)
{
    CImageDecoder decoder;
    for (int o = 1; o <= 8; ++o)
    {
        SCOPED_TRACE(testing::Message() << "orientation " << o);
        const std::wstring path = std::wstring(OMBRIX_FIXTURE_DIR) + L"cam" + std::to_wstring(o) + L".jpg";
        const Dims upright(320, 240), stored = o >= 5 ? Dims(240, 320) : upright;
        const struct { DWORD flags; Dims size; } kinds[] = {
            {DECODE_UPRIGHT, upright}, {DECODE_UPRIGHT | DECODE_REDUCE | DECODE_SIZE_TEST, Dims(80, 60)},
            {DECODE_UPRIGHT | DECODE_HEADER_ONLY, upright}, {0, stored}, {DECODE_HEADER_ONLY, stored}};
        for (const auto& k : kinds)
        {
            DecodeOptions d = {k.flags, PICTYPE_BY_EXTENSION, 1};
            HBITMAP hbm = decoder.LoadNow(path.c_str(), &d);
            const bool bHeader = k.flags & DECODE_HEADER_ONLY;
            EXPECT_EQ(k.size, bHeader ? Dims(d.info.biWidth, d.info.biHeight) : BitmapSize(hbm)) << k.flags;
            EXPECT_TRUE(!bHeader || !hbm);
            EXPECT_EQ(k.flags & DECODE_SIZE_TEST ? 1u : 0u, d.largeFlag);
            EXPECT_EQ("", (k.flags & DECODE_UPRIGHT) && !bHeader ? QuartersOff(hbm, kScene, 40) : "");
            DeleteObject(hbm);
        }
        EXPECT_TRUE(FileIsClosed(path));
    }
}
