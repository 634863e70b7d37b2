// CImageDecoder: both routes, pixel values checked. Platform-route pixels
// come at the screen's depth (16 on the test display), so expectations are
// quantised with Quantised().
#include <gtest/gtest.h>

#include <windows.h>

#include <thread>

#include "tests/imaging/fixtures.h"
#include "tests/imaging/test_pictures.h"
#include "viewer/common/image_error.h"
#include "viewer/imaging/image_decoder.h"

namespace {

const uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF, kWhite = 0xFFFFFF;

DecodeOptions Options(DWORD flags = 0, LONG type = PICTYPE_BY_EXTENSION, LONG reduceMode = 0)
{
    DecodeOptions o = {};
    o.flags = flags;
    o.type = type;
    o.reduceMode = reduceMode;
    return o;
}

SIZE SizeOf(HBITMAP hbm)
{
    BITMAP bm = {};
    GetObjectW(hbm, sizeof(bm), &bm);
    return SIZE{bm.bmWidth, bm.bmHeight};
}

int ScreenDepth()
{
    HDC hdc = GetDC(NULL);
    const int n = GetDeviceCaps(hdc, BITSPIXEL);
    ReleaseDC(NULL, hdc);
    return n;
}

// Four quadrants: red, green / blue, white.
uint32_t Quadrants(int x, int y, int w, int h)
{
    if (y < h / 2)
        return x < w / 2 ? kRed : kGreen;
    return x < w / 2 ? kBlue : kWhite;
}

class DecoderTest : public ::testing::Test
{
protected:
    // Writes the file, decodes it on the platform route and compares every
    // pixel, at the screen's depth, with want.
    void ExpectPlatformPicture(const wchar_t* name, const Bytes& data, LONG type, int w, int h, const PixelFn& want,
                               int nTolerance = 0)
    {
        const std::string trace(name, name + wcslen(name));
        SCOPED_TRACE(trace);
        auto path = temp.Write(name, data);
        DecodeOptions o = Options();
        HBITMAP hbm = decoder.LoadNow(path.c_str(), &o);
        ASSERT_NE(hbm, nullptr);
        EXPECT_EQ(o.type, type);
        BITMAP bm;
        GetObjectW(hbm, sizeof(bm), &bm);
        EXPECT_EQ(bm.bmBitsPixel, ScreenDepth());
        EXPECT_EQ(bm.bmWidth, w);
        EXPECT_EQ(bm.bmHeight, h);
        for (int y = 0; y < h; y++)
            for (int x = 0; x < w; x++)
                EXPECT_TRUE(Near(PixelAt(hbm, x, y), Quantised(hbm, want(x, y)), nTolerance))
                    << x << "," << y << std::hex << " got " << PixelAt(hbm, x, y) << " want "
                    << Quantised(hbm, want(x, y));
        DeleteObject(hbm);
        EXPECT_TRUE(FileIsClosed(path));
    }

    TempFolder temp;
    CImageDecoder decoder;
};

} // namespace

TEST(TypeFromExtension, NamesAndCases)
{
    EXPECT_EQ(CImageDecoder::TypeFromExtension(L"photo.JPG"), PICTYPE_JPG);
    EXPECT_EQ(CImageDecoder::TypeFromExtension(L"a.b.jpeg"), PICTYPE_JPEG);
    EXPECT_EQ(CImageDecoder::TypeFromExtension(L"y.2BP"), PICTYPE_BMP);
    EXPECT_EQ(CImageDecoder::TypeFromExtension(L"z.Png"), PICTYPE_PNG);
    EXPECT_EQ(CImageDecoder::TypeFromExtension(L"nodot"), PICTYPE_UNKNOWN);
    EXPECT_EQ(CImageDecoder::TypeFromExtension(L"pic."), PICTYPE_UNKNOWN);
    EXPECT_EQ(CImageDecoder::TypeFromExtension(nullptr), PICTYPE_UNKNOWN);
}

TEST_F(DecoderTest, NullArgumentsSetTheNullObjectCode)
{
    ClearImageError();
    DecodeOptions o = Options();
    EXPECT_EQ(decoder.Load(nullptr, &o), nullptr);
    EXPECT_EQ(GetImageError(), IMGERR_NULL_OBJECT);
    ClearImageError();
    EXPECT_EQ(decoder.Load(L"x.jpg", nullptr), nullptr);
    EXPECT_EQ(GetImageError(), IMGERR_NULL_OBJECT);
}

// The JPEG route: upright 24-bit rows padded to four bytes, grey spread to
// three channels, CMYK by the multiplication rule, progressive scans.
TEST_F(DecoderTest, JpegRouteGivesUprightBgr24)
{
    // CMYK samples (c, m, y, k) = (200, 100, 50, 128): red = 200*128/255 = 100,
    // green = 100*128/255 = 50, blue = 50*128/255 = 25.
    auto halves = [](int, int y) { return y < 8 ? kRed : kBlue; };
    std::vector<POINT> oddRows;
    for (int y : {0, 3, 12, 15})
        for (int x = 0; x < 5; x++)
            oddRows.push_back({x, y});
    struct Case
    {
        const wchar_t* name;
        int w, h;
        JpegKind kind;
        bool bProgressive;
        PixelFn source, want;
        std::vector<POINT> at;
        int nTolerance;
        LONG type;
    } cases[] = {
        {L"q.jpg", 64, 48, JPEG_RGB, false, [](int x, int y) { return Quadrants(x, y, 64, 48); },
         [](int x, int y) { return Quadrants(x, y, 64, 48); }, {{8, 8}, {56, 8}, {8, 40}, {56, 40}}, 6, PICTYPE_JPG},
        {L"p.jpg", 40, 40, JPEG_RGB, true, [](int x, int y) { return Quadrants(x, y, 40, 40); },
         [](int x, int y) { return Quadrants(x, y, 40, 40); }, {{5, 5}, {35, 35}}, 6, PICTYPE_JPG},
        {L"g.jpeg", 20, 10, JPEG_GREY, false, [](int x, int) { return x < 10 ? 40u : 200u; },
         [](int x, int) { return (x < 10 ? 40u : 200u) * 0x010101u; }, {{2, 5}, {17, 5}}, 4, PICTYPE_JPEG},
        {L"c.jpg", 16, 16, JPEG_CMYK, false, [](int, int) { return 0xC8643280u; },
         [](int, int) { return 0x643219u; }, {{8, 8}}, 3, PICTYPE_JPG},
        // Width 5: 15 bytes of pixels, rows padded to 16.
        {L"odd.jpg", 5, 16, JPEG_RGB, false, halves, halves, oddRows, 12, PICTYPE_JPG},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(std::string(c.name, c.name + wcslen(c.name)));
        auto path = temp.Write(c.name, MakeJpeg(c.w, c.h, c.kind, c.source, c.bProgressive, 100));
        DecodeOptions o = Options();
        HBITMAP hbm = decoder.Load(path.c_str(), &o);
        ASSERT_NE(hbm, nullptr);
        EXPECT_EQ(o.type, c.type);
        DIBSECTION ds;
        ASSERT_EQ(GetObjectW(hbm, sizeof(ds), &ds), (int)sizeof(ds));
        EXPECT_EQ(ds.dsBm.bmBitsPixel, 24);
        EXPECT_EQ(ds.dsBmih.biCompression, (DWORD)BI_RGB);
        EXPECT_EQ(ds.dsBm.bmWidth, c.w);
        EXPECT_EQ(ds.dsBm.bmHeight, c.h);
        EXPECT_EQ(ds.dsBm.bmWidthBytes, (c.w * 3 + 3) & ~3);
        for (const POINT& pt : c.at)
            EXPECT_TRUE(Near(PixelAt(hbm, pt.x, pt.y), c.want(pt.x, pt.y), c.nTolerance))
                << pt.x << "," << pt.y << std::hex << " " << PixelAt(hbm, pt.x, pt.y);
        DeleteObject(hbm);
    }
}

TEST_F(DecoderTest, TruncatedJpegStillGivesABitmap)
{
    // Noisy enough that the scan, not the tables, makes most of the file.
    Bytes jpeg = MakeJpeg(64, 64, JPEG_RGB, [](int x, int y) {
        return y < 32 ? (kGreen | ((x * 37 + y * 11) & 0x1F)) : kRed; }, false, 100);
    jpeg.resize(jpeg.size() * 2 / 3);
    auto path = temp.Write(L"t.jpg", jpeg);
    DecodeOptions o = Options();
    HBITMAP hbm = decoder.Load(path.c_str(), &o);
    ASSERT_NE(hbm, nullptr);
    EXPECT_EQ(SizeOf(hbm).cx, 64);
    const uint32_t p = PixelAt(hbm, 10, 4);   // the rows before the cut are there
    EXPECT_GT((p >> 8) & 0xFF, 200u) << std::hex << p;
    EXPECT_LT((p >> 16) & 0xFF, 60u) << std::hex << p;
    DeleteObject(hbm);
    EXPECT_TRUE(FileIsClosed(path));
}

TEST_F(DecoderTest, CorruptAndEmptyJpegGiveNullAndCloseTheFile)
{
    Bytes jpeg = MakeJpeg(32, 32, JPEG_RGB, [](int, int) { return kRed; });
    Bytes corrupt = jpeg;
    for (size_t i = 2; i < 40 && i < corrupt.size(); i++)
        corrupt[i] = 0x5A;   // header segments destroyed
    auto pathCorrupt = temp.Write(L"bad.jpg", corrupt);
    auto pathEmpty = temp.Write(L"empty.jpg", Bytes());
    Bytes sof = jpeg;
    // An unsupported precision in SOF0 makes the library fail after the
    // header was accepted in part.
    for (size_t i = 0; i + 4 < sof.size(); i++)
        if (sof[i] == 0xFF && sof[i + 1] == 0xC0) { sof[i + 4] = 3; break; }
    auto pathSof = temp.Write(L"sof.jpg", sof);
    for (const auto& path : {pathCorrupt, pathEmpty, pathSof})
    {
        const size_t before = CommittedBytes();
        DecodeOptions o = Options();
        EXPECT_EQ(decoder.Load(path.c_str(), &o), nullptr);
        EXPECT_TRUE(FileIsClosed(path));
        EXPECT_LT(CommittedBytes(), before + (4u << 20));
    }
}

TEST_F(DecoderTest, JpegHeaderOnlyReportsComponentsAndNoBitmap)
{
    struct { JpegKind kind; WORD bits; } cases[] = {{JPEG_RGB, 24}, {JPEG_GREY, 8}, {JPEG_CMYK, 32}};
    for (const auto& c : cases)
    {
        auto path = temp.Write(L"h.jpg", MakeJpeg(300, 17, c.kind, [](int, int) { return 0x80808080u; }));
        DecodeOptions o = Options(DECODE_HEADER_ONLY | DECODE_SIZE_TEST);
        EXPECT_EQ(decoder.Load(path.c_str(), &o), nullptr);
        EXPECT_EQ(o.info.biWidth, 300);
        EXPECT_EQ(o.info.biHeight, 17);
        EXPECT_EQ(o.info.biPlanes, 1);
        EXPECT_EQ(o.info.biBitCount, c.bits);
        EXPECT_EQ(o.info.biSize, 0u);
        EXPECT_EQ(o.largeFlag, 1u);
        EXPECT_TRUE(FileIsClosed(path));
    }
}

TEST_F(DecoderTest, ThumbnailScaleIsChosenByWidthOnly)
{
    struct { int w, h, outW; } cases[] = {{383, 500, 96}, {384, 10, 48}, {64, 300, 64}, {65, 8, 33}, {192, 8, 96}, {193, 8, 49}};
    for (const auto& c : cases)
    {
        auto path = temp.Write(L"s.jpg", MakeJpeg(c.w, c.h, JPEG_RGB, [](int, int) { return kBlue; }));
        DecodeOptions o = Options(DECODE_REDUCE, PICTYPE_BY_EXTENSION, 1);
        HBITMAP hbm = decoder.LoadNow(path.c_str(), &o);
        ASSERT_NE(hbm, nullptr) << c.w;
        EXPECT_EQ(SizeOf(hbm).cx, c.outW) << c.w;
        DeleteObject(hbm);
        // reduceMode other than 1: no reduction.
        DecodeOptions full = Options(DECODE_REDUCE, PICTYPE_BY_EXTENSION, 0);
        hbm = decoder.LoadNow(path.c_str(), &full);
        ASSERT_NE(hbm, nullptr);
        EXPECT_EQ(SizeOf(hbm).cx, c.w);
        DeleteObject(hbm);
    }
}

TEST_F(DecoderTest, SizeTestUsesThePicturesOwnSize)
{
    auto big = temp.Write(L"big.jpg", MakeJpeg(300, 200, JPEG_RGB, [](int, int) { return kRed; }));
    auto edge = temp.Write(L"edge.jpg", MakeJpeg(256, 256, JPEG_RGB, [](int, int) { return kRed; }));
    DecodeOptions o = Options(DECODE_SIZE_TEST | DECODE_REDUCE, PICTYPE_BY_EXTENSION, 1);
    HBITMAP hbm = decoder.LoadNow(big.c_str(), &o);
    ASSERT_NE(hbm, nullptr);
    EXPECT_EQ(o.largeFlag, 1u);
    EXPECT_EQ(SizeOf(hbm).cx, 75);   // reduced 1/4, flag from 300 x 200
    DeleteObject(hbm);
    o = Options(DECODE_SIZE_TEST);
    hbm = decoder.LoadNow(edge.c_str(), &o);
    ASSERT_NE(hbm, nullptr);
    EXPECT_EQ(o.largeFlag, 0u);
    DeleteObject(hbm);
    // The platform route applies the same test to the bitmap it got.
    auto bmp = temp.Write(L"big.bmp", MakeBmp(40, 257, 2, 24, 0, {}, nullptr, BmpRows(257, 2, 24, [](int, int) { return 0u; })));
    o = Options(DECODE_SIZE_TEST);
    hbm = decoder.LoadNow(bmp.c_str(), &o);
    ASSERT_NE(hbm, nullptr);
    EXPECT_EQ(o.largeFlag, 1u);
    DeleteObject(hbm);
}

TEST_F(DecoderTest, CancelledDecoderRefusesUntilCleared)
{
    auto path = temp.Write(L"c.jpg", MakeJpeg(8, 8, JPEG_RGB, [](int, int) { return kRed; }));
    decoder.SetCancel(1);
    EXPECT_EQ(decoder.IsCancelled(), 1u);
    DecodeOptions o = Options();
    EXPECT_EQ(decoder.Load(path.c_str(), &o), nullptr);
    HBITMAP hbm = decoder.LoadNow(path.c_str(), &o);
    EXPECT_NE(hbm, nullptr);
    EXPECT_EQ(decoder.IsCancelled(), 0u);
    DeleteObject(hbm);
}

// A cancel from another thread, once the bitmap (24 MB at 16 bits, 36 MB at
// 24) is being filled, ends either route with no bitmap, no open file and
// nothing left behind.
TEST_F(DecoderTest, CancelFromAnotherThreadReturnsNull)
{
    const int w = 4000, h = 3000;
    const std::wstring paths[] = {
        temp.Write(L"huge.jpg", MakeJpeg(w, h, JPEG_RGB, [](int x, int y) { return (x * 7 + y * 3) & 0xFFFFFF; },
                                         false, 90)),
        temp.Write(L"huge.bmp", MakeBmp(40, w, h, 24, 0, {}, nullptr,
                                        BmpRows(w, h, 24, [](int x, int) { return uint32_t(x); }))),
    };
    for (const std::wstring& path : paths)
    {
        SCOPED_TRACE(std::string(path.begin(), path.end()));
        const size_t before = CommittedBytes();
        HBITMAP result = reinterpret_cast<HBITMAP>(1);
        volatile LONG bDone = 0;
        std::thread worker([&] {
            DecodeOptions o = Options();
            result = decoder.LoadNow(path.c_str(), &o);
            bDone = 1;
        });
        while (!bDone && CommittedBytes() < before + (16u << 20))
            Sleep(0);
        ASSERT_FALSE(bDone) << "the decode ended before its bitmap showed";
        decoder.SetCancel(1);
        worker.join();
        EXPECT_EQ(result, nullptr);
        if (result)
            DeleteObject(result);
        EXPECT_TRUE(FileIsClosed(path));
        EXPECT_LT(CommittedBytes(), before + (8u << 20)) << "the bitmap was leaked";
    }
}

TEST_F(DecoderTest, BmpVariantsThroughThePlatformRoute)
{
    const int w = 6, h = 4;
    auto quad = [&](int x, int y) { return Quadrants(x, y, w, h); };
    const std::vector<uint32_t> pal4 = {kRed, kGreen, kBlue, kWhite};
    std::vector<uint32_t> pal16 = pal4;
    pal16.resize(16, 0);
    auto idx = [&](int x, int y) -> uint32_t { return y < h / 2 ? (x < w / 2 ? 0 : 1) : (x < w / 2 ? 2 : 3); };
    const uint32_t m565[3] = {0xF800, 0x07E0, 0x001F};
    auto to565 = [&](int x, int y) -> uint32_t {
        const uint32_t c = quad(x, y);
        return ((c >> 8) & 0xF800) | ((c >> 5) & 0x07E0) | ((c >> 3) & 0x1F);
    };
    struct Case { const wchar_t* name; Bytes data; };
    std::vector<Case> cases = {
        {L"a24.bmp", MakeBmp(40, w, h, 24, 0, {}, nullptr, BmpRows(w, h, 24, quad))},
        {L"a24td.bmp", MakeBmp(40, w, h, 24, 0, {}, nullptr, BmpRows(w, h, 24, quad, true), true)},
        {L"a32.bmp", MakeBmp(124, w, h, 32, 0, {}, nullptr, BmpRows(w, h, 32, quad))},
        {L"a2.2bp", MakeBmp(40, w, h, 2, 0, pal4, nullptr, BmpRows(w, h, 2, idx))},
        // OS/2 1.x: always 2^bits palette entries of three bytes.
        {L"a4os2.bmp", MakeBmp(12, w, h, 4, 0, pal16, nullptr, BmpRows(w, h, 4, idx))},
        {L"a8v4.bmp", MakeBmp(108, w, h, 8, 0, pal4, nullptr, BmpRows(w, h, 8, idx))},
        {L"a565.bmp", MakeBmp(40, w, h, 16, 3, {}, m565, BmpRows(w, h, 16, to565))},
        {L"a565v3.bmp", MakeBmp(56, w, h, 16, 3, {}, m565, BmpRows(w, h, 16, to565))},
        {L"aos2v2.bmp", MakeBmp(64, w, h, 24, 0, {}, nullptr, BmpRows(w, h, 24, quad))},
        {L"aos2s.bmp", MakeBmp(16, w, h, 24, 0, {}, nullptr, BmpRows(w, h, 24, quad))},
        // An unknown extension goes to the platform route too.
        {L"pic.tif", MakeBmp(40, w, h, 24, 0, {}, nullptr, BmpRows(w, h, 24, quad))},
    };
    // RLE8: per row (bottom first) two runs of three, end of line; end of bitmap.
    Bytes rle8, rle4;
    for (int i = 0; i < h; i++)
    {
        const int y = h - 1 - i;
        const uint8_t a = static_cast<uint8_t>(idx(0, y)), b = static_cast<uint8_t>(idx(5, y));
        const uint8_t r8[] = {3, a, 3, b, 0, 0};
        rle8.insert(rle8.end(), r8, r8 + 6);
        // RLE4: absolute run of 3 then an encoded run of 3.
        const uint8_t r4[] = {0, 3, static_cast<uint8_t>((a << 4) | a), static_cast<uint8_t>(a << 4), 3,
                              static_cast<uint8_t>((b << 4) | b), 0, 0};
        rle4.insert(rle4.end(), r4, r4 + 8);
    }
    rle8.push_back(0); rle8.push_back(1);
    rle4.push_back(0); rle4.push_back(1);
    cases.push_back({L"rle8.bmp", MakeBmp(40, w, h, 8, 1, pal4, nullptr, rle8)});
    cases.push_back({L"rle4.bmp", MakeBmp(40, w, h, 4, 2, pal4, nullptr, rle4)});
    for (const auto& c : cases)
        ExpectPlatformPicture(c.name, c.data, wcsstr(c.name, L".tif") ? PICTYPE_UNKNOWN : PICTYPE_BMP, w, h, quad);
}

TEST_F(DecoderTest, BadBmpHeadersAreRejected)
{
    const int w = 4, h = 4;
    auto zero = [](int, int) { return 0u; };
    Bytes ok = MakeBmp(40, w, h, 24, 0, {}, nullptr, BmpRows(w, h, 24, zero));
    Bytes offset = ok;
    offset[10] = 20;   // pixels would start inside the header
    Bytes header = ok;
    header[14] = 41;   // no such header size
    Bytes truncated(ok.begin(), ok.end() - 10);
    Bytes tall = ok;
    tall[22] = 0;
    tall[23] = 0;
    tall[24] = 1;      // height 65536 rows of data that are not there
    Bytes depth = ok;
    depth[28] = 7;
    for (const Bytes& b : {offset, header, truncated, tall, depth})
    {
        auto path = temp.Write(L"bad.bmp", b);
        DecodeOptions o = Options();
        EXPECT_EQ(decoder.LoadNow(path.c_str(), &o), nullptr);
        EXPECT_TRUE(FileIsClosed(path));
    }
    auto empty = temp.Write(L"empty.png", Bytes());
    DecodeOptions o = Options();
    EXPECT_EQ(decoder.LoadNow(empty.c_str(), &o), nullptr);
    EXPECT_EQ(decoder.LoadNow((temp / L"missing.gif").c_str(), &o), nullptr);
}

TEST_F(DecoderTest, PngVariantsAndTheGifFirstFrame)
{
    const int w = 9, h = 7;
    auto quad = [&](int x, int y) { return Quadrants(x, y, w, h); };
    auto grey = [](int x, int) -> uint32_t { return x * 25u * 0x010101u; };
    // Alpha over white: (0, 0, 255) at alpha 128 -> red/green 127, blue 255.
    auto alpha = [&](int x, int y) -> uint32_t { return x < w / 2 ? quad(x, y) : 0x7F7FFFu; };
    const struct { const wchar_t* name; PixelFn want; } cases[] = {
        {L"quad.png", quad}, {L"quad16.png", quad}, {L"quad_interlaced.png", quad}, {L"quad_palette.png", quad},
        {L"grey.png", grey}, {L"grey16_interlaced.png", grey}, {L"alpha.png", alpha},
    };
    for (const auto& c : cases)
        ExpectPlatformPicture(c.name, ReadFixture(c.name), PICTYPE_PNG, w, h, c.want, 1);

    // Screen 30 x 12; frame 20 x 10 at (2, 1) of rows red, green, blue with
    // every fourth column transparent: white around and through it.
    ExpectPlatformPicture(L"frame.gif", ReadFixture(L"frame.gif"), PICTYPE_GIF, 30, 12, [](int x, int y) {
        const int fx = x - 2, fy = y - 1;
        if (fx < 0 || fx >= 20 || fy < 0 || fy >= 10 || fx % 4 == 3)
            return kWhite;
        return fy % 3 == 0 ? kRed : fy % 3 == 1 ? kGreen : kBlue;
    });
}

TEST_F(DecoderTest, PlatformHeaderOnlyReportsTheBitmapItStartedToMake)
{
    struct Case { const wchar_t* name; Bytes data; int w, h; };
    Case cases[] = {
        {L"h.gif", ReadFixture(L"noise.gif"), 200, 150},
        {L"h.png", ReadFixture(L"noise.png"), 160, 120},
        {L"h.bmp", MakeBmp(40, 600, 50, 24, 0, {}, nullptr, BmpRows(600, 50, 24, [](int, int) { return 0u; })), 600, 50},
    };    for (const auto& c : cases)
    {
        auto path = temp.Write(c.name, c.data);
        DecodeOptions o = Options(DECODE_HEADER_ONLY | DECODE_SIZE_TEST);
        EXPECT_EQ(decoder.LoadNow(path.c_str(), &o), nullptr);
        EXPECT_EQ(o.info.biWidth, c.w);
        EXPECT_EQ(o.info.biHeight, c.h);
        EXPECT_EQ(o.info.biBitCount, ScreenDepth());
        EXPECT_EQ(o.largeFlag, 0u) << "the capture is taken before the size test";
        EXPECT_EQ(o.flags, DWORD(DECODE_HEADER_ONLY | DECODE_SIZE_TEST));
        EXPECT_TRUE(FileIsClosed(path));
    }
}

TEST_F(DecoderTest, TwoThreadsDecodeHeaderOnlyAtOnce)
{
    auto a = temp.Write(L"a.png", ReadFixture(L"noise.png"));
    auto b = temp.Write(L"b.gif", ReadFixture(L"frame.gif"));
    CImageDecoder other;
    bool ok = true;
    std::thread t([&] {
        for (int i = 0; i < 30; i++)
        {
            DecodeOptions o = Options(DECODE_HEADER_ONLY);
            other.LoadNow(b.c_str(), &o);
            ok = ok && o.info.biWidth == 30 && o.info.biHeight == 12;
        }
    });
    for (int i = 0; i < 30; i++)
    {
        DecodeOptions o = Options(DECODE_HEADER_ONLY);
        decoder.LoadNow(a.c_str(), &o);
        EXPECT_EQ(o.info.biWidth, 160);
        EXPECT_EQ(o.info.biHeight, 120);
    }
    t.join();
    EXPECT_TRUE(ok);
}
