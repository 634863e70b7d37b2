// CImageDecoder: both routes, pixel values checked. Platform-route pixels
// come at the screen's depth, so expectations are quantised.
#include <gtest/gtest.h>
#include <windows.h>
#include "tests/support/fixtures.h"
#include "tests/support/pictures.h"
#include "viewer/imaging/decode/image_decoder.h"

namespace {

const uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF, kWhite = 0xFFFFFF;

DecodeOptions Options() { return {0, PICTYPE_BY_EXTENSION}; }

class DecoderTest : public ::testing::Test
{
protected:
    // Decodes the file on the platform route and compares every pixel.
    void ExpectPlatformPicture(const wchar_t* name, const Bytes& data, LONG type, int w, int h, const PixelFn& want,
                               int nTolerance = 0)
    {
        SCOPED_TRACE(std::string(name, name + wcslen(name)));
        auto path = temp.Write(name, data);
        DecodeOptions o = Options();
        HBITMAP hbm = decoder.LoadNow(path.c_str(), &o);
        ASSERT_NE(hbm, nullptr);
        EXPECT_EQ(o.type, type);
        BITMAP bm = {};
        GetObjectW(hbm, sizeof(bm), &bm);
        HDC hdcScreen = GetDC(NULL);
        EXPECT_TRUE(bm.bmBitsPixel == GetDeviceCaps(hdcScreen, BITSPIXEL) && bm.bmWidth == w && bm.bmHeight == h);
        ReleaseDC(NULL, hdcScreen);
        for (int y = 0; y < h; y++)
            for (int x = 0; x < w; x++)
                EXPECT_TRUE(Near(PixelAt(hbm, x, y), Quantised(hbm, want(x, y)), nTolerance))
                    << x << "," << y << std::hex << " got " << PixelAt(hbm, x, y) << " want " << want(x, y);
        DeleteObject(hbm);
        EXPECT_TRUE(FileIsClosed(path));
    }

    TempFolder temp;
    CImageDecoder decoder;
};

} // namespace

// The JPEG route: upright 24-bit rows padded to four bytes, grey spread to
// three channels, CMYK by the multiplication rule, progressive scans (q.jpg).
TEST_F(DecoderTest, JpegRouteGivesUprightBgr24)
{
    // CMYK (200, 100, 50, 128): each of c, m, y times k / 255.
    const PixelFn halves = [](int, int y) { return y < 8 ? kRed : kBlue; };
    const struct { const wchar_t* name; int w, h; JpegKind kind; bool bProgressive; PixelFn source, want;
                   std::vector<POINT> at; int nTolerance; } cases[] = {
        {L"q.jpg", 64, 48, JPEG_RGB, true, Quadrants(64, 48), Quadrants(64, 48), {{8, 8}, {56, 8}, {8, 40}, {56, 40}}, 6},
        {L"g.jpeg", 20, 10, JPEG_GREY, false, [](int x, int) { return x < 10 ? 40u : 200u; },
         [](int x, int) { return (x < 10 ? 40u : 200u) * 0x010101u; }, {{2, 5}, {17, 5}}, 4},
        {L"c.jpg", 16, 16, JPEG_CMYK, false, [](int, int) { return 0xC8643280u; }, [](int, int) { return 0x643219u; },
         {{8, 8}}, 3},
        // Width 5: 15 bytes of pixels, rows padded to 16.
        {L"odd.jpg", 5, 16, JPEG_RGB, false, halves, halves, {{0, 0}, {4, 3}, {0, 12}, {4, 15}}, 12},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(std::string(c.name, c.name + wcslen(c.name)));
        auto path = temp.Write(c.name, MakeJpeg(c.w, c.h, c.kind, c.source, c.bProgressive, 100));
        DecodeOptions o = Options();
        HBITMAP hbm = decoder.Load(path.c_str(), &o);
        ASSERT_NE(hbm, nullptr);
        EXPECT_EQ(o.type, wcsstr(c.name, L"jpeg") ? PICTYPE_JPEG : PICTYPE_JPG);
        DIBSECTION ds;
        ASSERT_EQ(GetObjectW(hbm, sizeof(ds), &ds), (int)sizeof(ds));
        EXPECT_TRUE(ds.dsBm.bmBitsPixel == 24 && ds.dsBmih.biCompression == BI_RGB && ds.dsBm.bmWidth == c.w &&
                    ds.dsBm.bmHeight == c.h && ds.dsBm.bmWidthBytes == ((c.w * 3 + 3) & ~3));
        for (const POINT& pt : c.at)
            EXPECT_TRUE(Near(PixelAt(hbm, pt.x, pt.y), c.want(pt.x, pt.y), c.nTolerance))
                << pt.x << "," << pt.y << std::hex << " " << PixelAt(hbm, pt.x, pt.y);
        DeleteObject(hbm);
    }
}

// Corrupt, cut and empty files give no bitmap (the viewer says it could not
// open them) and are closed.
TEST_F(DecoderTest, CorruptFilesGiveNullAndAreClosed)
{
    Bytes corrupt = MakeJpeg(32, 32, JPEG_RGB, Quadrants(2, 2)), sof = corrupt;
    for (size_t i = 2; i < 40; i++)
        corrupt[i] = 0x5A;
    sof[FindMarker(sof, 0xC0, 0xC0) + 4] = 3;
    const Bytes ok = Bmp24(4, 4, Plain(0));
    Bytes offset = ok, header = ok, truncated(ok.begin(), ok.end() - 10), tall = ok, depth = ok;
    offset[10] = 20;
    header[14] = 41;
    memcpy(&tall[22], "\0\0\1\0", 4);   // 65536 rows
    depth[28] = 7;
    const std::pair<const wchar_t*, Bytes> cases[] = {
        {L"bad.jpg", corrupt}, {L"empty.jpg", Bytes()}, {L"sof.jpg", sof}, {L"offset.bmp", offset},
        {L"header.bmp", header}, {L"cut.bmp", truncated}, {L"tall.bmp", tall}, {L"depth.bmp", depth},
        {L"empty.png", Bytes()}};
    for (const auto& c : cases)
    {
        auto path = temp.Write(c.first, c.second);
        DecodeOptions o = Options();
        EXPECT_EQ(decoder.LoadNow(path.c_str(), &o), nullptr) << testing::PrintToString(std::wstring(c.first));
        EXPECT_TRUE(FileIsClosed(path));
    }
    DecodeOptions o = Options();
    EXPECT_EQ(decoder.LoadNow((temp / L"missing.gif").c_str(), &o), nullptr);
}

// BMP variants our own decoder reads, through the platform route.
TEST_F(DecoderTest, BmpVariantsThroughThePlatformRoute)
{
    const int w = 6, h = 4;
    const PixelFn quad = Quadrants(w, h);
    const std::vector<uint32_t> pal4 = {kRed, kGreen, kBlue, kWhite};
    std::vector<uint32_t> pal16 = pal4;   // OS/2 1.x: always 2^bits entries of three bytes
    pal16.resize(16, 0);
    auto idx = [&](int x, int y) -> uint32_t { return (y < h / 2 ? 0 : 2) + (x < w / 2 ? 0 : 1); };
    const uint32_t m565[3] = {0xF800, 0x07E0, 0x001F};
    auto to565 = [&](int x, int y) -> uint32_t {
        const uint32_t c = quad(x, y);
        return ((c >> 8) & 0xF800) | ((c >> 5) & 0x07E0) | ((c >> 3) & 0x1F);
    };
    // RLE4 per row (bottom first): an absolute run of three, then an encoded
    // run of three, end of line; end of bitmap.
    Bytes rle4;
    for (int y = h - 1; y >= 0; y--)
    {
        const uint8_t a = static_cast<uint8_t>(idx(0, y)), b = static_cast<uint8_t>(idx(5, y));
        rle4.insert(rle4.end(), {0, 3, uint8_t(a << 4 | a), uint8_t(a << 4), 3, uint8_t(b << 4 | b), 0, 0});
    }
    rle4.insert(rle4.end(), {0, 1});
    const std::pair<const wchar_t*, Bytes> cases[] = {
        {L"a24.bmp", Bmp24(w, h, quad)},
        {L"a32td.bmp", MakeBmp(124, w, h, 32, 0, {}, nullptr, BmpRows(w, h, 32, quad, true), true)},
        {L"a2.2bp", MakeBmp(40, w, h, 2, 0, pal4, nullptr, BmpRows(w, h, 2, idx))},
        {L"a4os2.bmp", MakeBmp(12, w, h, 4, 0, pal16, nullptr, BmpRows(w, h, 4, idx))},
        {L"a565v3.bmp", MakeBmp(56, w, h, 16, 3, {}, m565, BmpRows(w, h, 16, to565))},
        {L"rle4.bmp", MakeBmp(40, w, h, 4, 2, pal4, nullptr, rle4)},
    };
    for (const auto& c : cases)
        ExpectPlatformPicture(c.first, c.second, PICTYPE_BMP, w, h, quad);
}

// PNG through WIC's 32-bit BGRA (16 bits, palette, grey, interlaced, alpha
// over white), and a GIF's first frame composed on its screen.
TEST_F(DecoderTest, PngVariantsAndTheGifFirstFrame)
{
    const PixelFn quad = Quadrants(9, 7);
    auto grey = [](int x, int) -> uint32_t { return x * 25u * 0x010101u; };
    // Alpha over white: (0, 0, 255) at alpha 128 -> red/green 127, blue 255.
    auto alpha = [&](int x, int y) -> uint32_t { return x < 4 ? quad(x, y) : 0x7F7FFFu; };
    const struct { const wchar_t* name; PixelFn want; } cases[] = {
        {L"quad.png", quad}, {L"quad16.png", quad}, {L"quad_interlaced.png", quad}, {L"quad_palette.png", quad},
        {L"grey.png", grey}, {L"grey16_interlaced.png", grey}, {L"alpha.png", alpha},
    };
    for (const auto& c : cases)
        ExpectPlatformPicture(c.name, ReadFixture(c.name), PICTYPE_PNG, 9, 7, c.want, 1);

    // Screen 30 x 12; frame 20 x 10 at (2, 1) of rows red, green, blue with
    // every fourth column transparent: white around and through it.
    ExpectPlatformPicture(L"frame.gif", ReadFixture(L"frame.gif"), PICTYPE_GIF, 30, 12, [](int x, int y) {
        const int fx = x - 2, fy = y - 1;
        if (fx < 0 || fx >= 20 || fy < 0 || fy >= 10 || fx % 4 == 3)
            return kWhite;
        return fy % 3 == 0 ? kRed : fy % 3 == 1 ? kGreen : kBlue;
    });
}
