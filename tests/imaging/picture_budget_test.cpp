// The memory budget of decoded pictures: the rules, then tiny files whose
// headers claim huge sizes, through both decoder routes.
#include <gtest/gtest.h>
#include <windows.h>

#include "tests/support/fixtures.h"
#include "viewer/imaging/decode/image_decoder.h"
#include "viewer/imaging/decode/picture_budget.h"

namespace {

const uint64_t kMiB = 1024 * 1024;
const PixelFn kGrey = Plain(0x808080);

// The low cb bytes of v at a place of a file, most significant first when bBig.
void Put(Bytes* p, size_t at, uint32_t v, int cb, bool bBig)
{
    for (int i = 0; i < cb; ++i)
        (*p)[at + (bBig ? cb - 1 - i : i)] = static_cast<uint8_t>(v >> (8 * i));
}

// Rewrites the frame header's size of a JPEG made by our encoder.
Bytes WithJpegSize(Bytes jpeg, uint32_t w, uint32_t h)
{
    const size_t at = FindMarker(jpeg, 0xC0, 0xC2);
    EXPECT_NE(0u, at) << "no frame header";
    Put(&jpeg, at + 5, h, 2, true);
    Put(&jpeg, at + 7, w, 2, true);
    return jpeg;
}

// A small BMP, PNG (its IHDR first) or GIF whose header claims w x h.
Bytes Huge(const wchar_t* pszExtension, uint32_t w, uint32_t h)
{
    Bytes b;
    if (!wcscmp(pszExtension, L"bmp"))
        (b = Bmp24(4, 4, kGrey)), Put(&b, 18, w, 4, false), Put(&b, 22, h, 4, false);
    else if (!wcscmp(pszExtension, L"png"))
        (b = ReadFixture(L"quad.png")), Put(&b, 16, w, 4, true), Put(&b, 20, h, 4, true);
    else
        (b = ReadFixture(L"frame.gif")), Put(&b, 6, w, 2, false), Put(&b, 8, h, 2, false);
    return b;
}

} // namespace

// A quarter of the memory and at most 512 MiB; sizes never wrap; the largest
// JPEG scale that fits; the square bound of unknown sizes.
TEST(PictureBudget, BudgetBitmapSizesAndScalesFollowTheirRules)
{
    EXPECT_EQ(512 * kMiB, PictureBudget(24ull * 1024 * kMiB));
    EXPECT_EQ(512 * kMiB, PictureBudget(2048 * kMiB));
    EXPECT_EQ(256 * kMiB, PictureBudget(1024 * kMiB));
    EXPECT_EQ(16 * kMiB, PictureBudget(64 * kMiB));

    EXPECT_EQ(12u * 3, DibBytes(3, 3, 24));   // 24-bit rows are padded to 4 bytes
    EXPECT_EQ(196500ull * 65500, DibBytes(65500, 65500, 24));   // 12.9 GB, far past 32 bits
    EXPECT_EQ(262000ull * 65500, DibBytes(65500, 65500, 32));
    const struct { int64_t w, h; int nBits; } wrapping[] = {
        {INT32_MAX, INT32_MAX, 64}, {0, 10, 24}, {10, -1, 24}, {4294967295ll, 1, 24}};
    for (const auto& c : wrapping)
        EXPECT_EQ(UINT64_MAX, DibBytes(c.w, c.h, c.nBits)) << c.w << " x " << c.h;

    EXPECT_EQ(1u, JpegDenominatorWithin(4000, 3000, 512 * kMiB));
    EXPECT_EQ(2u, JpegDenominatorWithin(20000, 20000, 512 * kMiB));
    EXPECT_EQ(4u, JpegDenominatorWithin(20000, 20000, 256 * kMiB));
    EXPECT_EQ(8u, JpegDenominatorWithin(65500, 65500, 512 * kMiB));
    EXPECT_EQ(0u, JpegDenominatorWithin(65500, 65500, 128 * kMiB));
    // The library rounds scaled sides up: 10001 x 10001 at one half.
    EXPECT_EQ(2u, JpegDenominatorWithin(20001, 20001, DibBytes(10001, 10001, 24)));
    EXPECT_EQ(4u, JpegDenominatorWithin(20001, 20001, DibBytes(10001, 10001, 24) - 1));

    EXPECT_EQ(11585, SquareSideWithin(512 * kMiB, 32));   // 11585^2 x 4 <= 512 MiB < 11586^2 x 4
    EXPECT_EQ(16384, SquareSideWithin(512 * kMiB, 16));   // exactly 512 MiB
    EXPECT_EQ(0, SquareSideWithin(3, 24));
}

class HugeHeaders : public ::testing::Test
{
protected:
    // Decodes the file to view; what the header says goes to *pHeader.
    HBITMAP Decode(const std::wstring& path, DWORD flags, DecodeOptions* pHeader)
    {
        *pHeader = {flags | DECODE_HEADER_ONLY, PICTYPE_BY_EXTENSION};
        EXPECT_EQ(nullptr, decoder.LoadNow(path.c_str(), pHeader));
        DecodeOptions view = {flags, PICTYPE_BY_EXTENSION};
        return decoder.LoadNow(path.c_str(), &view);
    }

    TempFolder temp;
    CImageDecoder decoder;
    const uint64_t cbBudget = CImageDecoder::PictureBudgetBytes();
};

// A few hundred bytes claiming 20000 x 20000 or the largest size a header
// can state decode at the largest scale within the budget (none when even
// one eighth is too big); the header tells the truth. A picture to be turned
// leaves room for the turned copy.
TEST_F(HugeHeaders, JpegDecodesReducedWithinTheBudget)
{
    const struct { uint32_t w, h; DWORD flags; uint64_t cbShare; } cases[] = {
        {20000, 20000, 0, cbBudget}, {65500, 65500, 0, cbBudget}, {20000, 18000, DECODE_UPRIGHT, BudgetBesideTurn(cbBudget)}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(testing::Message() << c.w << " x " << c.h);
        const Bytes jpeg = c.flags ? ReadFixture(L"cam6.jpg") : MakeJpeg(16, 16, JPEG_RGB, kGrey);
        ASSERT_LT(jpeg.size(), 60000u);
        const auto path = temp.Write(L"huge.jpg", WithJpegSize(jpeg, c.w, c.h));
        const bool bTurned = c.flags != 0;   // cam6 stands on its side
        DecodeOptions header;
        HBITMAP hbm = Decode(path, c.flags, &header);
        EXPECT_EQ(Dims(bTurned ? c.h : c.w, bTurned ? c.w : c.h), Dims(header.info.biWidth, header.info.biHeight));
        const unsigned int d = JpegDenominatorWithin(c.w, c.h, c.cbShare);
        if (d == 0)
        {
            EXPECT_EQ(nullptr, hbm);
            continue;
        }
        ASSERT_NE(nullptr, hbm);
        EXPECT_GT(d, 1u);
        const Dims size = BitmapSize(hbm);
        const LONG w = (c.w + d - 1) / d, h = (c.h + d - 1) / d;
        EXPECT_EQ(Dims(bTurned ? h : w, bTurned ? w : h), size);
        EXPECT_LE(DibBytes(size.first, size.second, 24) * (bTurned ? 2 : 1) + (bTurned ? 3 * 65535 : 0), cbBudget);
        DeleteObject(hbm);
    }
    // Short wide pictures turn into rows that pad far more than theirs.
    for (const auto& wh : {std::pair<int64_t, int64_t>{65535, 1}, {65535, 3}, {4001, 3000}})
    {
        const uint64_t cbStored = DibBytes(wh.first, wh.second, 24);
        const uint64_t cbLeast = 2 * cbStored + 3 * 65535;
        ASSERT_LE(cbStored, BudgetBesideTurn(cbLeast));
        EXPECT_LE(cbStored + DibBytes(wh.second, wh.first, 24), cbLeast) << wh.first << " x " << wh.second;
    }
    EXPECT_EQ(0u, BudgetBesideTurn(1000));
}

// Refused past the budget, file closed: a progressive JPEG (the library keeps
// every coefficient) and platform pictures; the header tells the true size.
TEST_F(HugeHeaders, ProgressiveAndPlatformPicturesPastTheBudgetAreRefused)
{
    const struct { const wchar_t* name; Bytes data; } files[] = {
        {L"progressive.jpg", WithJpegSize(MakeJpeg(16, 16, JPEG_RGB, kGrey, true), 20000, 20000)},
        {L"huge.bmp", Huge(L"bmp", 65500, 65500)},
        {L"huge.png", Huge(L"png", 65500, 65500)},
        {L"huge.gif", Huge(L"gif", 65500, 65500)},
    };
    for (const auto& f : files)
    {
        SCOPED_TRACE(testing::PrintToString(std::wstring(f.name)));
        const auto path = temp.Write(f.name, f.data);
        DecodeOptions header;
        HBITMAP hbm = Decode(path, 0, &header);
        EXPECT_EQ(nullptr, hbm);
        DeleteObject(hbm);
        const LONG side = f.name[0] == L'p' ? 20000 : 65500;
        EXPECT_EQ(Dims(side, side), Dims(header.info.biWidth, header.info.biHeight));
        EXPECT_NE(0, header.info.biBitCount);
        EXPECT_TRUE(FileIsClosed(path));
    }
}
