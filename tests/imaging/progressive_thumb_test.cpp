// Thumbnail decodes of progressive JPEGs, which stop after the first scans:
// their pixels against the library's full one-eighth decode of the same
// file, and proof that the later scans are never read.
#include <gtest/gtest.h>
#include <windows.h>

#include <stdlib.h>

#include <jpeglib.h>

#include "tests/imaging/fixtures.h"
#include "tests/imaging/test_pictures.h"
#include "viewer/imaging/image_decoder.h"

namespace {

// The library's one-eighth decode of every scan, with the thumbnail's
// settings, as 0x00RRGGBB rows from the top.
std::vector<uint32_t> FullEighth(const Bytes& data, int* pWidth, int* pHeight)
{
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, data.data(), static_cast<unsigned long>(data.size()));
    jpeg_read_header(&cinfo, TRUE);
    cinfo.scale_num = 1;
    cinfo.scale_denom = 8;
    cinfo.dct_method = JDCT_IFAST;
    cinfo.do_fancy_upsampling = FALSE;
    jpeg_start_decompress(&cinfo);
    *pWidth = static_cast<int>(cinfo.output_width);
    *pHeight = static_cast<int>(cinfo.output_height);
    const int n = cinfo.output_components;
    std::vector<JSAMPLE> row(static_cast<size_t>(*pWidth) * n);
    std::vector<uint32_t> pixels;
    while (cinfo.output_scanline < cinfo.output_height)
    {
        JSAMPROW p = row.data();
        jpeg_read_scanlines(&cinfo, &p, 1);
        for (int x = 0; x < *pWidth; x++)
        {
            const JSAMPLE* s = &row[static_cast<size_t>(x) * n];
            pixels.push_back(n == 1 ? s[0] * 0x010101u : static_cast<uint32_t>(s[0] << 16 | s[1] << 8 | s[2]));
        }
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return pixels;
}

class ProgressiveThumbTest : public ::testing::Test
{
protected:
    HBITMAP Thumbnail(const std::wstring& path)
    {
        DecodeOptions o = {DECODE_REDUCE | DECODE_SIZE_TEST, PICTYPE_BY_EXTENSION, 1};
        return decoder.LoadNow(path.c_str(), &o);
    }

    TempFolder temp;
    CImageDecoder decoder;
};

// Mean absolute difference per channel from the full decode: at most 2 levels.
TEST_F(ProgressiveThumbTest, StaysWithinTwoLevelsOfTheFullDecode)
{
    for (const wchar_t* pszName : {L"prog_420.jpg", L"prog_422.jpg", L"prog_444.jpg", L"prog_grey.jpg",
                                   L"prog_dc_apart.jpg"})
    {
        SCOPED_TRACE(testing::PrintToString(std::wstring(pszName)));
        const Bytes data = ReadFixture(pszName);
        ASSERT_FALSE(data.empty());
        int w = 0, h = 0;
        const std::vector<uint32_t> want = FullEighth(data, &w, &h);
        HBITMAP hbm = Thumbnail(std::wstring(OMBRIX_FIXTURE_DIR) + pszName);
        ASSERT_EQ(Dims(w, h), BitmapSize(hbm));
        double sum[3] = {};
        for (int y = 0; y < h; y++)
            for (int x = 0; x < w; x++)
            {
                const uint32_t got = PixelAt(hbm, x, y), exp = want[static_cast<size_t>(y) * w + x];
                for (int c = 0; c < 3; c++)
                    sum[c] += abs(static_cast<int>((got >> 8 * c) & 0xFF) - static_cast<int>((exp >> 8 * c) & 0xFF));
            }
        DeleteObject(hbm);
        for (double s : sum)
            EXPECT_LE(s / (static_cast<double>(w) * h), 2.0);
    }
}

// The file with the header of scan k made invalid.
Bytes BreakScan(Bytes data, size_t k)
{
    size_t nSos = 0;
    for (size_t i = 0; i + 6 < data.size(); i++)
        if (data[i] == 0xFF && data[i + 1] == 0xDA && ++nSos == k)
        {
            const size_t ss = i + 5 + 2 * static_cast<size_t>(data[i + 4]);
            if (ss + 1 < data.size())
            {
                data[ss] = 9;     // a band from 9 to 2: no such band
                data[ss + 1] = 2;
                return data;
            }
        }
    return Bytes();
}

bool SamePixels(HBITMAP a, HBITMAP b)
{
    const Dims size = BitmapSize(a);
    if (!a || !b || size != BitmapSize(b))
        return false;
    for (int y = 0; y < size.second; y++)
        for (int x = 0; x < size.first; x++)
            if (PixelAt(a, x, y) != PixelAt(b, x, y))
                return false;
    return true;
}

// One scan's header made invalid, which a full decode fails on. Broken
// past the scans a thumbnail needs (the DC for 4:2:2; for 4:2:0 also both
// chroma's first AC scans, the 3rd and 4th), the thumbnail is the intact
// file's, pixel for pixel; broken within them, it fails.
TEST_F(ProgressiveThumbTest, ReadsTheScansItNeedsAndNoFurther)
{
    const struct
    {
        const wchar_t* pszName;
        size_t nBrokenScan;
        bool bNeeded;
    } cases[] = {{L"prog_422.jpg", 2, false}, {L"prog_420.jpg", 5, false}, {L"prog_420.jpg", 4, true}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.pszName)) + " scan " + std::to_string(c.nBrokenScan));
        const Bytes intact = ReadFixture(c.pszName), broken = BreakScan(intact, c.nBrokenScan);
        ASSERT_FALSE(broken.empty()) << "no such scan";
        const std::wstring intactPath = temp.Write(L"intact.jpg", intact);
        const std::wstring brokenPath = temp.Write(L"broken.jpg", broken);
        DecodeOptions whole = {0, PICTYPE_BY_EXTENSION};
        HBITMAP hbmWhole = decoder.LoadNow(brokenPath.c_str(), &whole);
        EXPECT_EQ(hbmWhole, nullptr) << "the broken scan went unnoticed";
        DeleteObject(hbmWhole);

        HBITMAP hbmIntact = Thumbnail(intactPath), hbmBroken = Thumbnail(brokenPath);
        ASSERT_NE(hbmIntact, nullptr);
        if (c.bNeeded)
            EXPECT_EQ(hbmBroken, nullptr) << "stopped before a scan it needs";
        else
            EXPECT_TRUE(SamePixels(hbmIntact, hbmBroken)) << "read a scan it does not need";
        DeleteObject(hbmIntact);
        DeleteObject(hbmBroken);
        EXPECT_TRUE(FileIsClosed(brokenPath));
    }
}

// A file cut short, inside its first scan or later, still gives its
// thumbnail, at full size, as a cut baseline file does: what arrived, the
// rest filled in.
TEST_F(ProgressiveThumbTest, ACutFileStillGivesItsThumbnail)
{
    const Bytes intact = ReadFixture(L"prog_420.jpg");
    size_t firstScan = 0;
    for (size_t i = 0; i + 1 < intact.size() && !firstScan; i++)
        if (intact[i] == 0xFF && intact[i + 1] == 0xDA)
            firstScan = i;
    ASSERT_NE(firstScan, 0u);
    for (size_t cut : {firstScan + 200, intact.size() / 2})
    {
        SCOPED_TRACE(cut);
        const std::wstring path = temp.Write(L"cut.jpg", Bytes(intact.begin(), intact.begin() + cut));
        HBITMAP hbm = Thumbnail(path);
        EXPECT_EQ(Dims(101, 76), BitmapSize(hbm));
        DeleteObject(hbm);
        EXPECT_TRUE(FileIsClosed(path));
    }
}

} // namespace
