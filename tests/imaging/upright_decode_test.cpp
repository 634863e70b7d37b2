// Camera pictures through the decoder: DECODE_UPRIGHT stands each of the
// eight orientations up; without it the picture comes as stored.
#include <gtest/gtest.h>
#include <windows.h>

#include "tests/imaging/fixtures.h"
#include "tests/imaging/test_pictures.h"
#include "viewer/imaging/image_decoder.h"

namespace {

// The scene every cam<N>.jpg holds once upright: 320 x 240, red and green
// quarters over blue and white ones.
const uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF, kWhite = 0xFFFFFF;

std::wstring CameraFixture(int nOrientation)
{
    return std::wstring(OMBRIX_FIXTURE_DIR) + L"cam" + std::to_wstring(nOrientation) + L".jpg";
}

SIZE SizeOf(HBITMAP hbm)
{
    BITMAP bm = {};
    GetObjectW(hbm, sizeof(bm), &bm);
    return SIZE{bm.bmWidth, bm.bmHeight};
}

// The quarters' colours at their centres, as fractions of the size.
void ExpectScene(HBITMAP hbm)
{
    const SIZE s = SizeOf(hbm);
    const struct { int x, y; uint32_t rgb; } probes[] = {
        {s.cx / 4, s.cy / 4, kRed}, {3 * s.cx / 4, s.cy / 4, kGreen},
        {s.cx / 4, 3 * s.cy / 4, kBlue}, {3 * s.cx / 4, 3 * s.cy / 4, kWhite},
    };
    for (const auto& p : probes)
        EXPECT_TRUE(Near(PixelAt(hbm, p.x, p.y), p.rgb, 40))
            << "(" << p.x << ", " << p.y << ") " << std::hex << PixelAt(hbm, p.x, p.y);
}

} // namespace

TEST(UprightDecode, EachOrientationStandsUpForViewingThumbnailsAndHeaders)
{
    CImageDecoder decoder;
    for (int o = 1; o <= 8; ++o)
    {
        SCOPED_TRACE(testing::Message() << "orientation " << o);
        const std::wstring path = CameraFixture(o);
        const LONG wStored = o >= 5 ? 240 : 320, hStored = o >= 5 ? 320 : 240;

        DecodeOptions view = {DECODE_UPRIGHT, PICTYPE_BY_EXTENSION};
        HBITMAP hbm = decoder.LoadNow(path.c_str(), &view);
        ASSERT_NE(nullptr, hbm);
        EXPECT_EQ(320, SizeOf(hbm).cx);
        EXPECT_EQ(240, SizeOf(hbm).cy);
        ExpectScene(hbm);
        DeleteObject(hbm);

        // Reduced as a thumbnail is, then stood up.
        DecodeOptions thumb = {DECODE_UPRIGHT | DECODE_REDUCE | DECODE_SIZE_TEST, PICTYPE_BY_EXTENSION, 1};
        hbm = decoder.LoadNow(path.c_str(), &thumb);
        ASSERT_NE(nullptr, hbm);
        EXPECT_EQ(80, SizeOf(hbm).cx);
        EXPECT_EQ(60, SizeOf(hbm).cy);
        EXPECT_EQ(1u, thumb.largeFlag);
        ExpectScene(hbm);
        DeleteObject(hbm);

        DecodeOptions header = {DECODE_UPRIGHT | DECODE_HEADER_ONLY, PICTYPE_BY_EXTENSION};
        EXPECT_EQ(nullptr, decoder.LoadNow(path.c_str(), &header));
        EXPECT_EQ(320, header.info.biWidth);
        EXPECT_EQ(240, header.info.biHeight);

        // Without the flag the tag is not looked at.
        DecodeOptions stored = {0, PICTYPE_BY_EXTENSION};
        hbm = decoder.LoadNow(path.c_str(), &stored);
        ASSERT_NE(nullptr, hbm);
        EXPECT_EQ(wStored, SizeOf(hbm).cx);
        EXPECT_EQ(hStored, SizeOf(hbm).cy);
        DeleteObject(hbm);
        DecodeOptions storedHeader = {DECODE_HEADER_ONLY, PICTYPE_BY_EXTENSION};
        decoder.LoadNow(path.c_str(), &storedHeader);
        EXPECT_EQ(wStored, storedHeader.info.biWidth);
        EXPECT_EQ(hStored, storedHeader.info.biHeight);
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
                                     return x < 24 ? kRed : kBlue;
                                 }));
    DecodeOptions o = {DECODE_UPRIGHT, PICTYPE_BY_EXTENSION};
    HBITMAP hbm = decoder.LoadNow(path.c_str(), &o);
    ASSERT_NE(nullptr, hbm);
    EXPECT_EQ(48, SizeOf(hbm).cx);
    EXPECT_TRUE(Near(PixelAt(hbm, 4, 16), kRed, 40));
    DeleteObject(hbm);
    EXPECT_TRUE(FileIsClosed(path));
}
