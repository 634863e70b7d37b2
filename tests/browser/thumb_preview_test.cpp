// Thumbnails made from a camera photo's embedded preview: used only when it
// matches the picture and decodes cleanly, placed as the picture's own
// thumbnail would be, and turned as the orientation tag says.
#include <gtest/gtest.h>
#include <windows.h>

#include "tests/support/files.h"
#include "tests/support/exif_blocks.h"
#include "tests/support/pictures.h"
#include "viewer/browser/thumb_maker.h"
#include "viewer/browser/thumb_preview.h"
#include "viewer/imaging/decode/image_decoder.h"

namespace {

const uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF, kWhite = 0xFFFFFF;

// A red picture of w x h whose EXIF block carries preview.
Bytes CameraPhoto(int w, int h, const Bytes& preview, int nOrientation = 1)
{
    ExifBlockBuilder b;
    b.Camera(nOrientation, "2022:03:04 05:06:07", "Maker", "Model");
    b.Preview(preview);
    const Bytes block = b.Block();
    EXPECT_LT(block.size(), 65533u) << "more than one segment holds";
    return WithApp1(MakeJpeg(w, h, JPEG_RGB, Plain(kRed)), block);
}

Bytes Preview(int w, int h, const PixelFn& rgb) { return MakeJpeg(w, h, JPEG_RGB, rgb, false, 90); }

class ThumbPreviewTest : public ::testing::Test
{
protected:
    // The thumbnail MakeThumbnail makes of the file (no cache open here).
    PictureEntry Thumb(const wchar_t* pszName, const Bytes& file)
    {
        temp.Write(pszName, file);
        PictureEntry e = {};
        wcscpy_s(e.szName, pszName);
        e.nType = CImageDecoder::TypeFromExtension(pszName);
        e.nFileSize = static_cast<DWORD>(file.size());
        MakeThumbnail(&decoder, &e, temp.Path().c_str());
        return e;
    }
    static uint32_t Centre(HBITMAP hbm)
    {
        return PixelAt(hbm, BitmapSize(hbm).first / 2, BitmapSize(hbm).second / 2);
    }

    TempFolder temp;
    CImageDecoder decoder;
};

TEST(PreviewMatchTest, ShapeWithinTwoPercentAndAtLeastTheThumbnailsPixels)
{
    const struct { LONG pw, ph, w, h, fw, fh; bool bMatch; } cases[] = {
        {160, 118, 4000, 3000, 64, 48, true},    // 1.7 % wider
        {160, 117, 4000, 3000, 64, 48, false},   // 2.6 % wider
        {160, 122, 4000, 3000, 64, 48, true},    // 1.6 % narrower
        {160, 123, 4000, 3000, 64, 48, false},   // 2.4 % narrower
        {64, 48, 4000, 3000, 64, 48, true},      // exactly the thumbnail
        {60, 45, 4000, 3000, 64, 48, false},     // fewer pixels than the thumbnail
        {160, 120, 0, 3000, 64, 48, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.bMatch, PreviewMatchesPicture(c.pw, c.ph, c.w, c.h, c.fw, c.fh))
            << c.pw << "x" << c.ph << " for " << c.w << "x" << c.h;
}

// The preview (green) stands in for the picture (red) only when it may; the
// thumbnail then takes the size and place the picture's own would.
TEST_F(ThumbPreviewTest, UsedWhenItMatchesRefusedWhenStaleSmallOrBroken)
{
    const PictureEntry own = Thumb(L"own.jpg", MakeJpeg(640, 480, JPEG_RGB, Plain(kRed)));
    ASSERT_TRUE(own.hbmThumb);
    EXPECT_TRUE(Near(Centre(own.hbmThumb), kRed, 40));

    const PictureEntry fromPreview = Thumb(L"camera.jpg", CameraPhoto(640, 480, Preview(160, 120, Plain(kGreen))));
    ASSERT_TRUE(fromPreview.hbmThumb);
    EXPECT_TRUE(Near(Centre(fromPreview.hbmThumb), kGreen, 40)) << std::hex << Centre(fromPreview.hbmThumb);
    EXPECT_EQ(BitmapSize(own.hbmThumb), BitmapSize(fromPreview.hbmThumb));
    EXPECT_EQ(own.xThumb, fromPreview.xThumb);
    EXPECT_EQ(own.yThumb, fromPreview.yThumb);

    Bytes cut = Preview(160, 120, Quadrants(160, 120));
    cut.resize(cut.size() / 2);
    Bytes notJpeg(2000, 0x5A);
    notJpeg[0] = 0xFF, notJpeg[1] = 0xD8;
    const struct { const wchar_t* pszName; Bytes file; } refused[] = {
        {L"stale.jpg", CameraPhoto(640, 480, Preview(160, 90, Plain(kGreen)))},   // a 16:9 crop
        {L"cut.jpg", CameraPhoto(640, 480, cut)},
        {L"garbage.jpg", CameraPhoto(640, 480, notJpeg)},
        {L"huge.jpg", CameraPhoto(640, 480, Preview(2000, 1500, Plain(kGreen)))},
    };
    for (const auto& c : refused)
    {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.pszName)));
        const PictureEntry e = Thumb(c.pszName, c.file);
        ASSERT_TRUE(e.hbmThumb);
        EXPECT_TRUE(Near(Centre(e.hbmThumb), kRed, 40)) << std::hex << Centre(e.hbmThumb);
        EXPECT_EQ(own.xThumb, e.xThumb);
        DeleteObject(e.hbmThumb);
    }
    DeleteObject(own.hbmThumb);
    DeleteObject(fromPreview.hbmThumb);
}

// A portrait shot stored on its side: upright, the thumbnail is the upright
// picture's (45 x 60, centred) with the preview's corners turned; as stored,
// it is the stored picture's.
TEST_F(ThumbPreviewTest, TurnedAsTheTagSaysOrKeptAsStored)
{
    const std::wstring path = temp.Write(L"portrait.jpg", CameraPhoto(640, 480, Preview(160, 120, Quadrants(160, 120)), 6));
    const struct { bool bUpright; LONG w, h, x, y; uint32_t quarters[4]; } cases[] = {
        {true, 45, 60, 9, 0, {kBlue, kRed, kWhite, kGreen}},
        {false, 64, 48, 0, 6, {kRed, kGreen, kBlue, kWhite}},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.bUpright);
        ViewBox fit = {};
        bool bLarge = false;
        volatile int32_t nStop = 0;
        HBITMAP hbm = ThumbFromPreview(path.c_str(), 6, c.bUpright, false, &fit, &bLarge, &nStop);
        EXPECT_EQ(Dims(c.w, c.h), BitmapSize(hbm));
        EXPECT_TRUE(bLarge);
        EXPECT_EQ(c.w, fit.width);
        EXPECT_EQ(c.x, fit.x);
        EXPECT_EQ(c.y, fit.y);
        EXPECT_EQ("", QuartersOff(hbm, c.quarters, 60));
        DeleteObject(hbm);
    }
    // A stop before the resampling: nothing, and nothing set.
    ViewBox fit = {1, 2, 3, 4};
    bool bLarge = false;
    volatile int32_t nStop = 1;
    EXPECT_EQ(nullptr, ThumbFromPreview(path.c_str(), 6, true, false, &fit, &bLarge, &nStop));
    EXPECT_EQ(3, fit.width);
}

} // namespace
