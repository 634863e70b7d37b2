// The memory budget of decoded pictures: the pure rules, then tiny files
// whose headers claim huge sizes, through both decoder routes.
#include <gtest/gtest.h>

#include <windows.h>

#include "tests/support/fixtures.h"
#include "tests/support/pictures.h"
#include "viewer/imaging/decode/image_decoder.h"
#include "viewer/imaging/decode/picture_budget.h"

namespace {

const uint64_t kMiB = 1024 * 1024;

uint32_t Grey(int, int) { return 0x808080; }

void PutBe16(Bytes* p, size_t at, uint32_t v)
{
    (*p)[at] = static_cast<uint8_t>(v >> 8);
    (*p)[at + 1] = static_cast<uint8_t>(v);
}

void PutLe(Bytes* p, size_t at, uint32_t v, int cb)
{
    for (int i = 0; i < cb; ++i)
        (*p)[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

// Rewrites the frame header's size of a JPEG made by our encoder.
void PatchJpegSize(Bytes* p, uint32_t w, uint32_t h)
{
    size_t i = 2;
    while (i + 9 <= p->size() && (*p)[i] == 0xFF)
    {
        const uint8_t marker = (*p)[i + 1];
        if (marker == 0xC0 || marker == 0xC1 || marker == 0xC2)
        {
            PutBe16(p, i + 5, h);
            PutBe16(p, i + 7, w);
            return;
        }
        i += 2 + (((*p)[i + 2] << 8) | (*p)[i + 3]);
    }
    FAIL() << "no frame header";
}

Bytes HugeBmp(uint32_t w, uint32_t h)
{
    Bytes bmp = MakeBmp(40, 4, 4, 24, 0, {}, nullptr, BmpRows(4, 4, 24, Grey));
    PutLe(&bmp, 18, w, 4);
    PutLe(&bmp, 22, h, 4);
    return bmp;
}

Bytes HugePng(uint32_t w, uint32_t h)
{
    Bytes png = ReadFixture(L"quad.png"); // IHDR comes first
    PutBe16(&png, 16, w >> 16);
    PutBe16(&png, 18, w);
    PutBe16(&png, 20, h >> 16);
    PutBe16(&png, 22, h);
    return png;
}

Bytes HugeGif(uint32_t w, uint32_t h)
{
    Bytes gif = ReadFixture(L"frame.gif");
    PutLe(&gif, 6, w, 2);
    PutLe(&gif, 8, h, 2);
    return gif;
}

uint64_t BitmapBytes(HBITMAP hbm)
{
    BITMAP bm = {};
    GetObjectW(hbm, sizeof(bm), &bm);
    return static_cast<uint64_t>(bm.bmWidthBytes) * bm.bmHeight;
}

DecodeOptions Options(DWORD flags)
{
    DecodeOptions o = {};
    o.flags = flags;
    o.type = PICTYPE_BY_EXTENSION;
    return o;
}

} // namespace

TEST(PictureBudget, QuarterOfPhysicalMemoryAtMost512MiB)
{
    EXPECT_EQ(512 * kMiB, PictureBudget(24ull * 1024 * kMiB));
    EXPECT_EQ(512 * kMiB, PictureBudget(2048 * kMiB));
    EXPECT_EQ(256 * kMiB, PictureBudget(1024 * kMiB));
    EXPECT_EQ(16 * kMiB, PictureBudget(64 * kMiB));
}

TEST(PictureBudget, BitmapSizesNeverWrap)
{
    // 24-bit rows are padded to 4 bytes.
    EXPECT_EQ(12u * 3, DibBytes(3, 3, 24));
    EXPECT_EQ(196500ull * 65500, DibBytes(65500, 65500, 24));   // 12.9 GB, far past 32 bits
    EXPECT_EQ(262000ull * 65500, DibBytes(65500, 65500, 32));
    EXPECT_EQ(UINT64_MAX, DibBytes(INT32_MAX, INT32_MAX, 64));
    EXPECT_EQ(UINT64_MAX, DibBytes(0, 10, 24));
    EXPECT_EQ(UINT64_MAX, DibBytes(10, -1, 24));
    EXPECT_EQ(UINT64_MAX, DibBytes(4294967295ll, 1, 24));
}

TEST(PictureBudget, JpegScaleIsTheLargestThatFits)
{
    EXPECT_EQ(1u, JpegDenominatorWithin(4000, 3000, 512 * kMiB));
    EXPECT_EQ(2u, JpegDenominatorWithin(20000, 20000, 512 * kMiB));
    EXPECT_EQ(4u, JpegDenominatorWithin(20000, 20000, 256 * kMiB));
    EXPECT_EQ(8u, JpegDenominatorWithin(65500, 65500, 512 * kMiB));
    EXPECT_EQ(0u, JpegDenominatorWithin(65500, 65500, 128 * kMiB));
    // The library rounds scaled sides up: 10001 x 10001 at one half.
    EXPECT_EQ(2u, JpegDenominatorWithin(20001, 20001, DibBytes(10001, 10001, 24)));
    EXPECT_EQ(4u, JpegDenominatorWithin(20001, 20001, DibBytes(10001, 10001, 24) - 1));
}

TEST(PictureBudget, SquareBoundOfUnknownSizes)
{
    EXPECT_EQ(11585, SquareSideWithin(512 * kMiB, 32));   // 11585^2 x 4 <= 512 MiB < 11586^2 x 4
    EXPECT_EQ(16384, SquareSideWithin(512 * kMiB, 16));   // exactly 512 MiB
    EXPECT_EQ(0, SquareSideWithin(3, 24));
}

TEST(PictureBudget, SizesFromTheHeadersOfMadeFiles)
{
    int64_t w = 0, h = 0;
    Bytes jpeg = MakeJpeg(16, 16, JPEG_RGB, Grey);
    PatchJpegSize(&jpeg, 20000, 12345);
    // Top-down BMP rows keep a positive height.
    const struct { const char* what; Bytes file; int64_t w, h; } cases[] = {
        {"top-down BMP", MakeBmp(40, 7, 5, 24, 0, {}, nullptr, BmpRows(7, 5, 24, Grey, true), true), 7, 5},
        {"OS/2 BMP", MakeBmp(12, 9, 6, 24, 0, {}, nullptr, BmpRows(9, 6, 24, Grey)), 9, 6},
        {"PNG", HugePng(70000, 3), 70000, 3},
        {"GIF", HugeGif(65500, 2), 65500, 2},
        {"JPEG", jpeg, 20000, 12345},
    };
    for (const auto& c : cases)
    {
        w = h = 0;
        EXPECT_TRUE(PictureSizeFromHeader(c.file.data(), c.file.size(), &w, &h)) << c.what;
        EXPECT_TRUE(w == c.w && h == c.h) << c.what << ": " << w << " x " << h;
    }
    // A frame header beyond the bytes given is unknown, not guessed.
    EXPECT_FALSE(PictureSizeFromHeader(jpeg.data(), 30, &w, &h));
    const uint8_t text[] = "plain text, no picture";
    EXPECT_FALSE(PictureSizeFromHeader(text, sizeof(text), &w, &h));
}

class HugeHeaders : public ::testing::Test
{
protected:
    TempFolder temp;
    CImageDecoder decoder;
    const uint64_t cbBudget = CImageDecoder::PictureBudgetBytes();
};

// A few hundred bytes claiming 20000 x 20000 (1.2 GB at full size), or the
// largest size a header can state, decode at the largest scale within the
// budget (none on a machine too small for one eighth); the header still
// tells the truth.
TEST_F(HugeHeaders, JpegDecodesReducedWithinTheBudget)
{
    for (uint32_t side : {20000u, 65500u})
    {
        SCOPED_TRACE(side);
        Bytes jpeg = MakeJpeg(16, 16, JPEG_RGB, Grey);
        ASSERT_LT(jpeg.size(), 1000u);
        PatchJpegSize(&jpeg, side, side);
        const auto path = temp.Write(L"huge.jpg", jpeg);

        DecodeOptions header = Options(DECODE_HEADER_ONLY);
        EXPECT_EQ(nullptr, decoder.LoadNow(path.c_str(), &header));
        EXPECT_EQ(static_cast<LONG>(side), header.info.biWidth);
        EXPECT_EQ(static_cast<LONG>(side), header.info.biHeight);

        const unsigned int d = JpegDenominatorWithin(side, side, cbBudget);
        DecodeOptions view = Options(0);
        HBITMAP hbm = decoder.LoadNow(path.c_str(), &view);
        if (d == 0)
        {
            EXPECT_EQ(nullptr, hbm);
            continue;
        }
        ASSERT_NE(nullptr, hbm);
        EXPECT_GT(d, 1u);
        const LONG scaled = static_cast<LONG>((side + d - 1) / d);
        EXPECT_EQ(Dims(scaled, scaled), BitmapSize(hbm));
        EXPECT_LE(BitmapBytes(hbm), cbBudget);
        DeleteObject(hbm);
    }
}

// A camera picture that must be turned leaves room in the budget for the
// turned copy: both bitmaps together fit, for shapes whose turned rows pad
// more than the stored ones, and for a huge header that must be reduced.
TEST_F(HugeHeaders, UprightJpegLeavesRoomForItsTurn)
{
    // The least budget whose share for the decode admits w x h; short wide
    // pictures turn into rows that pad far more than theirs.
    for (const auto& wh : {std::pair<int64_t, int64_t>{65535, 1}, {65535, 3}, {4001, 3000}})
    {
        const uint64_t cbStored = DibBytes(wh.first, wh.second, 24);
        const uint64_t cbLeast = 2 * cbStored + 3 * 65535;
        ASSERT_LE(cbStored, BudgetBesideTurn(cbLeast));
        EXPECT_LE(cbStored + DibBytes(wh.second, wh.first, 24), cbLeast) << wh.first << " x " << wh.second;
    }
    EXPECT_EQ(0u, BudgetBesideTurn(1000));

    Bytes jpeg = ReadFixture(L"cam6.jpg");
    PatchJpegSize(&jpeg, 20000, 18000);
    const auto path = temp.Write(L"huge_camera.jpg", jpeg);
    DecodeOptions header = Options(DECODE_HEADER_ONLY | DECODE_UPRIGHT);
    decoder.LoadNow(path.c_str(), &header);
    EXPECT_EQ(18000, header.info.biWidth);
    EXPECT_EQ(20000, header.info.biHeight);

    const unsigned int d = JpegDenominatorWithin(20000, 18000, BudgetBesideTurn(cbBudget));
    DecodeOptions view = Options(DECODE_UPRIGHT);
    HBITMAP hbm = decoder.LoadNow(path.c_str(), &view);
    if (d == 0)
    {
        EXPECT_EQ(nullptr, hbm);
        return;
    }
    ASSERT_NE(nullptr, hbm);
    const Dims size = BitmapSize(hbm);
    EXPECT_EQ(Dims((18000 + d - 1) / d, (20000 + d - 1) / d), size);
    EXPECT_LE(DibBytes(size.first, size.second, 24) * 2 + 3 * 65535, cbBudget);
    DeleteObject(hbm);
}

// A progressive picture keeps every coefficient of the full size in the
// library's memory whatever the scale: 20000 x 20000 cannot fit and fails.
TEST_F(HugeHeaders, ProgressiveJpegPastTheBudgetIsRefused)
{
    Bytes jpeg = MakeJpeg(16, 16, JPEG_RGB, Grey, true);
    PatchJpegSize(&jpeg, 20000, 20000);
    const auto path = temp.Write(L"progressive.jpg", jpeg);
    DecodeOptions view = Options(0);
    HBITMAP hbm = decoder.LoadNow(path.c_str(), &view);
    EXPECT_EQ(nullptr, hbm);
    if (hbm)
        DeleteObject(hbm);
    EXPECT_TRUE(FileIsClosed(path));
}

// Platform-decoded pictures past the budget are refused before the decoder
// runs; a header-only request reports their true size.
TEST_F(HugeHeaders, PlatformPicturesPastTheBudgetAreRefused)
{
    const struct
    {
        const wchar_t* name;
        Bytes data;
    } files[] = {
        {L"huge.bmp", HugeBmp(65500, 65500)},
        {L"huge.png", HugePng(65500, 65500)},
        {L"huge.gif", HugeGif(65500, 65500)},
    };
    for (const auto& f : files)
    {
        SCOPED_TRACE(std::string(f.name, f.name + wcslen(f.name)));
        const auto path = temp.Write(f.name, f.data);
        DecodeOptions view = Options(0);
        HBITMAP hbm = decoder.LoadNow(path.c_str(), &view);
        EXPECT_EQ(nullptr, hbm);
        if (hbm)
            DeleteObject(hbm);

        DecodeOptions header = Options(DECODE_HEADER_ONLY);
        EXPECT_EQ(nullptr, decoder.LoadNow(path.c_str(), &header));
        EXPECT_EQ(65500, header.info.biWidth);
        EXPECT_EQ(65500, header.info.biHeight);
        EXPECT_NE(0, header.info.biBitCount);
        EXPECT_TRUE(FileIsClosed(path));
    }
}
