// Standing pictures upright by their EXIF orientation: in memory, and camera
// pictures through the decoder, where DECODE_UPRIGHT stands each of the
// eight orientations up and without it the picture comes as stored.
#include <gtest/gtest.h>
#include <windows.h>

#include "tests/support/fixtures.h"
#include "viewer/imaging/decode/image_decoder.h"
#include "viewer/imaging/decode/picture_orientation.h"

namespace {

// The scene every cam<N>.jpg holds once upright: 320 x 240, red and green
// quarters over blue and white ones.
const uint32_t kScene[4] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};

enum Corner { TL, TR, BL, BR };

// Where the stored picture's top-left, top-right and bottom-left corners
// land once upright, for orientations 1 to 8: the tag names the side the
// stored first row and first column belong on.
const Corner kLanding[9][3] = {
    {TL, TR, BL},                                                    // unused
    {TL, TR, BL}, {TR, TL, BR}, {BR, BL, TR}, {BL, BR, TL},
    {TL, BL, TR}, {TR, BR, TL}, {BR, TR, BL}, {BL, TL, BR},
};

void CornerPoint(Corner c, int w, int h, int* px, int* py)
{
    *px = (c == TR || c == BR) ? w - 1 : 0;
    *py = (c == BL || c == BR) ? h - 1 : 0;
}

// A colour that survives storing at nBits and reading back with PixelAt,
// unique for each pixel of a picture of fewer than 65536 pixels.
uint32_t Code(int x, int y, int nBits)
{
    const uint32_t v = static_cast<uint32_t>(x * 1000 + y);
    if (nBits != 16)
        return v;
    const uint32_t w = v & 0xFFFF;
    return ((w >> 11) << 19) | (((w >> 5) & 63) << 10) | ((w & 31) << 3);
}

// The stored pixel that upright pixel (x, y) must show, found from where
// the three corners land: the stored picture's axes run along the lines
// between them.
void ExpectedSource(int nOrientation, int w, int h, int x, int y, int* psx, int* psy)
{
    const bool bQuarter = nOrientation >= 5;
    const int wUp = bQuarter ? h : w, hUp = bQuarter ? w : h;
    int x0, y0, xr, yr, xd, yd;
    CornerPoint(kLanding[nOrientation][0], wUp, hUp, &x0, &y0);
    CornerPoint(kLanding[nOrientation][1], wUp, hUp, &xr, &yr);  // end of the stored first row
    CornerPoint(kLanding[nOrientation][2], wUp, hUp, &xd, &yd);  // end of the stored first column
    // Upright offset from the stored origin, projected on each stored axis.
    const int dx = x - x0, dy = y - y0;
    *psx = (xr != x0) ? dx * (xr > x0 ? 1 : -1) : dy * (yr > y0 ? 1 : -1);
    *psy = (xd != x0) ? dx * (xd > x0 ? 1 : -1) : dy * (yd > y0 ? 1 : -1);
}

bool IsGone(HBITMAP hbm)
{
    BITMAP bm;
    return GetObjectW(hbm, sizeof(bm), &bm) == 0;
}

// Stands a w x h picture at nBits up as orientation o says and checks every
// pixel against where the corners say it lands; the format stays.
void ExpectStoodUp(int w, int h, int nBits, int o)
{
    SCOPED_TRACE(testing::Message() << w << " x " << h << ", " << nBits << " bits, orientation " << o);
    HBITMAP hbm = MakePicture(w, h, nBits, [=](int x, int y) { return Code(x, y, nBits); });
    ASSERT_NE(hbm, nullptr);
    HBITMAP hbmUp = OrientBitmap(hbm, o);
    ASSERT_NE(hbmUp, nullptr);
    if (hbmUp != hbm)
    {
        EXPECT_TRUE(IsGone(hbm)) << "the stored picture is freed once turned";
    }

    DIBSECTION ds;
    ASSERT_EQ(static_cast<int>(sizeof(ds)), GetObjectW(hbmUp, sizeof(ds), &ds));
    const LONG wUp = o >= 5 ? h : w, hUp = o >= 5 ? w : h;
    EXPECT_EQ(wUp, ds.dsBm.bmWidth);
    EXPECT_EQ(hUp, ds.dsBm.bmHeight);
    EXPECT_EQ(nBits, ds.dsBm.bmBitsPixel);
    if (nBits == 16)
    {
        EXPECT_EQ(0x07E0u, ds.dsBitfields[1]);
    }

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
// tile edges both ways, with an odd height, and a small one with an odd
// width and an even height, whose middle column and row pairs the mirrors
// must handle.
TEST(PictureOrientation, EveryOrientationMovesEachPixelWhereTheCornersSay)
{
    for (const SIZE size : {SIZE{70, 131}, SIZE{7, 4}})
        for (int nBits : {16, 24, 32})
            for (int o = 1; o <= 8; ++o)
                ExpectStoodUp(size.cx, size.cy, nBits, o);
}

TEST(PictureOrientation, LeavesUprightPicturesAloneAndRefusesWhatItCannotTurn)
{
    HBITMAP hbm = MakePicture(3, 2, 24, [](int, int) { return 0x123456u; });
    for (int o : {0, 1, 9})
        EXPECT_EQ(hbm, OrientBitmap(hbm, o));
    EXPECT_EQ(nullptr, OrientBitmap(nullptr, 6));
    DeleteObject(hbm);

    // A palette picture is no format the decoder makes: null, and gone.
    HBITMAP hbm8 = MakeDib(3, 2, 8);
    ASSERT_NE(hbm8, nullptr);
    EXPECT_EQ(nullptr, OrientBitmap(hbm8, 6));
    EXPECT_TRUE(IsGone(hbm8));

    // A device-dependent bitmap has no bits to read.
    HDC hdc = GetDC(NULL);
    HBITMAP hbmDdb = CreateCompatibleBitmap(hdc, 3, 2);
    ReleaseDC(NULL, hdc);
    ASSERT_NE(hbmDdb, nullptr);
    EXPECT_EQ(nullptr, OrientBitmap(hbmDdb, 3));
    EXPECT_TRUE(IsGone(hbmDdb));
}

TEST(UprightDecode, EachOrientationStandsUpForViewingThumbnailsAndHeaders)
{
    CImageDecoder decoder;
    for (int o = 1; o <= 8; ++o)
    {
        SCOPED_TRACE(testing::Message() << "orientation " << o);
        const std::wstring path = std::wstring(OMBRIX_FIXTURE_DIR) + L"cam" + std::to_wstring(o) + L".jpg";
        const Dims stored = o >= 5 ? Dims(240, 320) : Dims(320, 240);

        DecodeOptions view = {DECODE_UPRIGHT, PICTYPE_BY_EXTENSION};
        HBITMAP hbm = decoder.LoadNow(path.c_str(), &view);
        EXPECT_EQ(Dims(320, 240), BitmapSize(hbm));
        EXPECT_EQ("", QuartersOff(hbm, kScene, 40));
        DeleteObject(hbm);

        // Reduced as a thumbnail is, then stood up.
        DecodeOptions thumb = {DECODE_UPRIGHT | DECODE_REDUCE | DECODE_SIZE_TEST, PICTYPE_BY_EXTENSION, 1};
        hbm = decoder.LoadNow(path.c_str(), &thumb);
        EXPECT_EQ(Dims(80, 60), BitmapSize(hbm));
        EXPECT_EQ(1u, thumb.largeFlag);
        EXPECT_EQ("", QuartersOff(hbm, kScene, 40));
        DeleteObject(hbm);

        DecodeOptions header = {DECODE_UPRIGHT | DECODE_HEADER_ONLY, PICTYPE_BY_EXTENSION};
        EXPECT_EQ(nullptr, decoder.LoadNow(path.c_str(), &header));
        EXPECT_EQ(Dims(320, 240), Dims(header.info.biWidth, header.info.biHeight));

        // Without the flag the tag is not looked at.
        DecodeOptions asStored = {0, PICTYPE_BY_EXTENSION};
        hbm = decoder.LoadNow(path.c_str(), &asStored);
        EXPECT_EQ(stored, BitmapSize(hbm));
        DeleteObject(hbm);
        DecodeOptions storedHeader = {DECODE_HEADER_ONLY, PICTYPE_BY_EXTENSION};
        decoder.LoadNow(path.c_str(), &storedHeader);
        EXPECT_EQ(stored, Dims(storedHeader.info.biWidth, storedHeader.info.biHeight));
        EXPECT_TRUE(FileIsClosed(path));
    }
}
