// A JPEG whose data ends early: the decoder stops once nothing is left to
// read, and the picture is still exactly the library's. A restart marker met
// early ends only its own segment: later rows are real again.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/support/pictures.h"
#include "viewer/imaging/decode/image_decoder.h"

namespace {

uint32_t Texture(int x, int y)
{
    return static_cast<uint32_t>((x * 13) ^ (y * 7)) * 0x010305u;
}

class JpegDataEndTest : public ::testing::Test
{
protected:
    void ExpectSameAsLibrary(const Bytes& file, bool bThumbnail, const char* pszCase)
    {
        SCOPED_TRACE(pszCase);
        const std::wstring path = temp.Write(L"cut.jpg", file);
        DecodeOptions o = {bThumbnail ? DWORD(DECODE_REDUCE) : 0u, PICTYPE_BY_EXTENSION, bThumbnail ? 1 : 0};
        CImageDecoder decoder;
        HBITMAP hbm = decoder.LoadNow(path.c_str(), &o);
        ASSERT_NE(hbm, nullptr);
        int w = 0, h = 0;
        const unsigned nDenom = bThumbnail ? 4 : 1;   // the pictures are 200 to 383 wide
        const std::vector<uint32_t> want = LibraryDecode(file, nDenom, !bThumbnail, &w, &h), got = PixelsOf(hbm);
        const Dims size = BitmapSize(hbm);
        DeleteObject(hbm);
        ASSERT_EQ(Dims(w, h), size);
        const auto first = std::mismatch(got.begin(), got.end(), want.begin(), want.end()).first;
        EXPECT_TRUE(first == got.end()) << "first differing row " << (first - got.begin()) / w << " of " << h;
    }
    TempFolder temp;
};

TEST_F(JpegDataEndTest, PicturesCutShortMatchTheLibrary)
{
    const Bytes colour = MakeJpeg(200, 300, JPEG_RGB, Texture, false, 90);
    const Bytes grey = MakeJpeg(210, 160, JPEG_GREY, Texture, false, 90);
    for (bool bThumbnail : {false, true})
    {
        // The file ends a third of the way in; or a stray end marker comes there.
        Bytes cut(colour.begin(), colour.begin() + colour.size() / 3);
        ExpectSameAsLibrary(cut, bThumbnail, "colour, file ends");
        cut.insert(cut.end(), {0xFF, 0xD9});
        ExpectSameAsLibrary(cut, bThumbnail, "colour, end marker");
        ExpectSameAsLibrary(Bytes(grey.begin(), grey.begin() + grey.size() / 2), bThumbnail, "grey, file ends");
        ExpectSameAsLibrary(colour, bThumbnail, "whole file");
    }
}

TEST_F(JpegDataEndTest, AnEarlyRestartMarkerEndsOnlyItsSegment)
{
    Bytes file = MakeJpeg(208, 240, JPEG_RGB, Texture, false, 75, 1);
    // Drop the last bytes of the data before the third restart marker: the
    // decoder meets that marker early, and the rows after it are real again.
    const size_t at = FindMarker(file, 0xD0, 0xD7, 3);
    ASSERT_GT(at, 40u);
    Bytes stray = file;
    file.erase(file.begin() + static_cast<ptrdiff_t>(at) - 30, file.begin() + static_cast<ptrdiff_t>(at));
    ExpectSameAsLibrary(file, false, "restart");
    // A marker the library does not know (FF 05) inside an interval: it skips
    // it at the next restart point and goes on, so later rows are real too.
    stray.insert(stray.begin() + static_cast<ptrdiff_t>(at) - 30, {0xFF, 0x05});
    ExpectSameAsLibrary(stray, false, "unknown marker");
}

} // namespace
