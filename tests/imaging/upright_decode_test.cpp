// Camera pictures through the decoder: DECODE_UPRIGHT stands each of the
// eight orientations up; without it the picture comes as stored.
#include <gtest/gtest.h>
#include <windows.h>

#include "tests/imaging/fixtures.h"
#include "tests/imaging/test_pictures.h"
#include "viewer/imaging/decode/image_decoder.h"

namespace {

// The scene every cam<N>.jpg holds once upright: 320 x 240, red and green
// quarters over blue and white ones.
const uint32_t kScene[4] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};

} // namespace

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
        EXPECT_TRUE(QuartersNear(hbm, kScene, 40));
        DeleteObject(hbm);

        // Reduced as a thumbnail is, then stood up.
        DecodeOptions thumb = {DECODE_UPRIGHT | DECODE_REDUCE | DECODE_SIZE_TEST, PICTYPE_BY_EXTENSION, 1};
        hbm = decoder.LoadNow(path.c_str(), &thumb);
        EXPECT_EQ(Dims(80, 60), BitmapSize(hbm));
        EXPECT_EQ(1u, thumb.largeFlag);
        EXPECT_TRUE(QuartersNear(hbm, kScene, 40));
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

// Looking for the tag in a file without EXIF must leave the file where the
// library starts reading: the picture decodes, as stored.
TEST(UprightDecode, PicturesWithoutTheTagComeAsStored)
{
    TempFolder temp;
    CImageDecoder decoder;
    const auto path = temp.Write(L"plain.jpg", MakeJpeg(48, 32, JPEG_RGB, [](int x, int) {
                                     return x < 24 ? 0xFF0000u : 0x0000FFu;
                                 }));
    DecodeOptions o = {DECODE_UPRIGHT, PICTYPE_BY_EXTENSION};
    HBITMAP hbm = decoder.LoadNow(path.c_str(), &o);
    EXPECT_EQ(Dims(48, 32), BitmapSize(hbm));
    EXPECT_TRUE(Near(PixelAt(hbm, 4, 16), 0xFF0000, 40));
    DeleteObject(hbm);
    EXPECT_TRUE(FileIsClosed(path));
}
