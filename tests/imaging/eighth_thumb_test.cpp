// One-eighth thumbnail decodes against the library's full one-eighth decode
// of the same file: progressive JPEGs, which stop after the first scans, and
// baseline JPEGs, made from their DC data with the AC data stepped over.
#include <gtest/gtest.h>
#include <windows.h>

#include <stdlib.h>

#include <jpeglib.h>

#include "tests/support/fixtures.h"
#include "viewer/imaging/decode/image_decoder.h"
#include "viewer/imaging/decode/jpeg_dc_scan.h"

namespace {

std::vector<uint32_t> FullEighth(const Bytes& data, int* pWidth, int* pHeight)
{
    return LibraryDecode(data, 8, false, pWidth, pHeight);
}

// Per channel, the mean and the largest absolute difference.
struct Difference
{
    double mean[3];
    int largest;
};

Difference Compare(const std::vector<uint32_t>& got, const std::vector<uint32_t>& want)
{
    Difference d = {{}, 0};
    if (got.size() != want.size() || want.empty())
        return {{}, 256};
    for (size_t i = 0; i < want.size(); i++)
        for (int c = 0; c < 3; c++)
        {
            const int diff = abs(static_cast<int>((got[i] >> 8 * c) & 0xFF) - static_cast<int>((want[i] >> 8 * c) & 0xFF));
            d.mean[c] += diff;
            d.largest = diff > d.largest ? diff : d.largest;
        }
    for (double& m : d.mean)
        m /= static_cast<double>(want.size());
    return d;
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
        const Difference d = Compare(PixelsOf(hbm), want);
        DeleteObject(hbm);
        for (double m : d.mean)
            EXPECT_LE(m, 2.0);
    }
}

// A file cut short, inside its first scan or later, still gives its
// thumbnail at full size.
TEST_F(ProgressiveThumbTest, ACutFileStillGivesItsThumbnail)
{
    const Bytes intact = ReadFixture(L"prog_420.jpg");
    const size_t firstScan = FindMarker(intact, 0xDA, 0xDA);
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

// Baseline pictures, the DC route. Sharp colour edges over noise-like
// detail: chroma and luma both carry plenty of AC data to step over.
uint32_t Busy(int x, int y)
{
    if ((x / 7 + y / 5) % 3 == 0)
        return 0xE02010;
    if ((x * y) % 3 == 0)
        return 0x1040C0;
    return static_cast<uint32_t>((x * 37 + y * 11) & 0xFF) << 16 | static_cast<uint32_t>((x * 3) & 0xFF) << 8 |
           static_cast<uint32_t>(y & 0xFF);
}

// The DC route on its own, the rest of the file handed over as the decoder
// hands it; pixels as 0x00RRGGBB rows.
DcScanResult DcEighth(const Bytes& data, std::vector<uint32_t>* pPixels, int* pWidth, int* pHeight,
                      long nCancel = 0)
{
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, data.data(), static_cast<unsigned long>(data.size()));
    jpeg_read_header(&cinfo, TRUE);
    DcScanResult result = DC_SCAN_NOT_TAKEN;
    if (DcScanSuits(cinfo))
    {
        const size_t cbRest = cinfo.src->bytes_in_buffer;
        std::vector<uint8_t> rest(cinfo.src->next_input_byte, cinfo.src->next_input_byte + cbRest);
        rest.resize(cbRest + DC_SCAN_PADDING);
        *pWidth = static_cast<int>(DcScanWidth(cinfo));
        *pHeight = static_cast<int>(DcScanHeight(cinfo));
        std::vector<uint8_t> bgr(static_cast<size_t>(*pWidth) * *pHeight * 3);
        const volatile long cancel = nCancel;
        result = DecodeDcScan(cinfo, rest.data(), cbRest, bgr.data(), *pWidth * 3, &cancel);
        pPixels->clear();
        for (size_t i = 0; i + 2 < bgr.size(); i += 3)
            pPixels->push_back(static_cast<uint32_t>(bgr[i + 2] << 16 | bgr[i + 1] << 8 | bgr[i]));
    }
    jpeg_destroy_decompress(&cinfo);
    return result;
}

// Every layout, with and without restarts, coarse and fine, partial MCUs on
// both edges: within 2 levels of the library, a quarter on average.
TEST(BaselineThumbTest, DcRouteMatchesTheFullDecodeInEveryLayout)
{
    struct Layout
    {
        JpegKind kind;
        int h, v;
    };
    const Layout layouts[] = {{JPEG_RGB, 2, 2}, {JPEG_RGB, 2, 1}, {JPEG_RGB, 1, 2}, {JPEG_RGB, 1, 1}, {JPEG_GREY, 1, 1}};
    for (const Layout& layout : layouts)
        for (int nRestartRows : {0, 1, 3})
            for (int nQuality : {35, 92})
            {
                SCOPED_TRACE(testing::Message() << "kind " << layout.kind << ", " << layout.h << "x" << layout.v
                                                << ", restart " << nRestartRows << ", quality " << nQuality);
                const Bytes data = MakeJpeg(413, 203, layout.kind, Busy, false, nQuality, nRestartRows, layout.h,
                                            layout.v);
                int w = 0, h = 0, dw = 0, dh = 0;
                const std::vector<uint32_t> want = FullEighth(data, &w, &h);
                std::vector<uint32_t> got;
                ASSERT_EQ(DC_SCAN_DONE, DcEighth(data, &got, &dw, &dh));
                ASSERT_EQ(Dims(w, h), Dims(dw, dh));
                const Difference d = Compare(got, want);
                EXPECT_LE(d.largest, 2);
                for (double m : d.mean)
                    EXPECT_LE(m, 0.25);
            }
}

// The file with its first restart marker renumbered: the library resyncs and
// decodes on; the DC route declines.
Bytes MisnumberFirstRestart(Bytes data)
{
    const size_t at = FindMarker(data, 0xD0, 0xD0, 1, FindMarker(data, 0xDA, 0xDA));
    if (!at)
        return Bytes();
    data[at + 1] = 0xD3;
    return data;
}

// Left to the library: CMYK, progressive, a cut file (restarts out of order
// below); a cancel ends it.
TEST(BaselineThumbTest, DcRouteDeclinesWhatItDoesNotDecode)
{
    std::vector<uint32_t> pixels;
    int w = 0, h = 0;
    EXPECT_EQ(DC_SCAN_NOT_TAKEN, DcEighth(MakeJpeg(400, 40, JPEG_CMYK, Busy), &pixels, &w, &h));
    EXPECT_EQ(DC_SCAN_NOT_TAKEN, DcEighth(MakeJpeg(400, 40, JPEG_RGB, Busy, true), &pixels, &w, &h));
    const Bytes restarts = MakeJpeg(400, 40, JPEG_RGB, Busy, false, 90, 1);
    EXPECT_EQ(DC_SCAN_NOT_TAKEN,
              DcEighth(Bytes(restarts.begin(), restarts.begin() + restarts.size() * 2 / 3), &pixels, &w, &h));
    EXPECT_EQ(DC_SCAN_CANCELLED, DcEighth(restarts, &pixels, &w, &h, 1));
}

// Through the decoder: a plain file's thumbnail is the DC route's, pixel for
// pixel; one the route declines is the library's, as if the route had never
// read a byte of it; a cut one still gives its thumbnail.
TEST_F(ProgressiveThumbTest, BaselineThumbnailsTakeTheDcRouteOrTheLibrarys)
{
    const Bytes plain = MakeJpeg(413, 203, JPEG_RGB, Busy, false, 92, 2);
    int w = 0, h = 0;
    std::vector<uint32_t> route;
    ASSERT_EQ(DC_SCAN_DONE, DcEighth(plain, &route, &w, &h));
    ASSERT_NE(route, FullEighth(plain, &w, &h)) << "no pixel tells the two decodes apart";
    HBITMAP hbm = Thumbnail(temp.Write(L"plain.jpg", plain));
    ASSERT_EQ(Dims(w, h), BitmapSize(hbm));
    EXPECT_EQ(0, Compare(PixelsOf(hbm), route).largest);
    DeleteObject(hbm);

    const Bytes misnumbered = MisnumberFirstRestart(plain);
    ASSERT_FALSE(misnumbered.empty());
    const std::wstring path = temp.Write(L"misnumbered.jpg", misnumbered);
    hbm = Thumbnail(path);
    ASSERT_EQ(Dims(w, h), BitmapSize(hbm));
    EXPECT_EQ(0, Compare(PixelsOf(hbm), FullEighth(misnumbered, &w, &h)).largest);
    DeleteObject(hbm);
    EXPECT_TRUE(FileIsClosed(path));

    hbm = Thumbnail(temp.Write(L"cut.jpg", Bytes(plain.begin(), plain.begin() + plain.size() / 2)));
    EXPECT_EQ(Dims(w, h), BitmapSize(hbm));
    DeleteObject(hbm);
}

} // namespace
