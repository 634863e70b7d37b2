// WebP, HEIC and AVIF through the decoder's front door, against the
// reference decoders' pixels (dwebp, heif-convert) written beside the
// pictures at build time by make_modern_fixtures.py.
#include <gtest/gtest.h>
#include <windows.h>
#include <math.h>
#include <stdio.h>
#include <string.h>
#include "tests/support/fixtures.h"
#include "tests/support/pictures.h"
#include "viewer/common/path_parts.h"
#include "viewer/imaging/decode/exif_info.h"
#include "viewer/imaging/decode/image_decoder.h"

namespace {

const uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF, kWhite = 0xFFFFFF;
const uint32_t kQuad[4] = {kRed, kGreen, kBlue, kWhite};

std::wstring Fixture(const wchar_t* pszName)
{
    return std::wstring(OMBRIX_FIXTURE_DIR) + pszName;
}

// A picture decoded by the front door, deleted with the object.
struct Picture
{
    HBITMAP hbm;
    DecodeOptions o;
    explicit Picture(const std::wstring& path, DWORD flags = 0) : o()
    {
        o.flags = flags;
        o.type = PICTYPE_BY_EXTENSION;
        o.reduceMode = 1;
        CImageDecoder decoder;
        hbm = decoder.LoadNow(path.c_str(), &o);
    }
    ~Picture() { if (hbm) DeleteObject(hbm); }
    Picture(const Picture&) = delete;
    Picture& operator=(const Picture&) = delete;
};

// Every pixel of the bitmap against a binary PPM of the same size.
void ExpectPixelsOf(HBITMAP hbm, const wchar_t* pszPpm, int nTolerance)
{
    const Bytes ppm = ReadFixture(pszPpm);
    int w = 0, h = 0, nMax = 0, nHeader = 0;
    ASSERT_EQ(sscanf(reinterpret_cast<const char*>(ppm.data()), "P6 %d %d %d%n", &w, &h, &nMax, &nHeader), 3);
    ASSERT_EQ(BitmapSize(hbm), Dims(w, h));
    const uint8_t* p = ppm.data() + nHeader + 1;
    int nOff = 0;
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++, p += 3)
            nOff += !Near(PixelAt(hbm, x, y), (uint32_t(p[0]) << 16) | (p[1] << 8) | p[2], nTolerance);
    EXPECT_EQ(nOff, 0) << "pixels off the reference";
}

} // namespace

// The names: types, the sort after the older types, the name without its
// extension whatever its length.
TEST(ModernFormats, TypesNamesAndSortPlaces)
{
    EXPECT_EQ(CImageDecoder::TypeFromExtension(L"a.WebP"), PICTYPE_WEBP);
    EXPECT_EQ(CImageDecoder::TypeFromExtension(L"\\x\\IMG_1.HEIC"), PICTYPE_HEIC);
    EXPECT_EQ(CImageDecoder::TypeFromExtension(L"b.heif"), PICTYPE_HEIF);
    EXPECT_EQ(CImageDecoder::TypeFromExtension(L"c.avif"), PICTYPE_AVIF);
    EXPECT_EQ(CImageDecoder::TypeFromExtension(L"c.avif.txt"), PICTYPE_UNKNOWN);
    const int order[] = {PICTYPE_JPEG, PICTYPE_JPG, PICTYPE_PNG, PICTYPE_GIF, PICTYPE_BMP,
                         PICTYPE_WEBP, PICTYPE_HEIC, PICTYPE_HEIF, PICTYPE_AVIF, PICTYPE_UNKNOWN};
    for (size_t i = 1; i < sizeof(order) / sizeof(order[0]); i++)
        EXPECT_GT(PictureTypeSortRank(order[i - 1]), PictureTypeSortRank(order[i])) << i;
    const std::pair<const wchar_t*, const wchar_t*> names[] = {
        {L"\\d\\IMG_0001.HEIC", L"IMG_0001"}, {L"a.b.webp", L"a.b"}, {L"x.avif", L"x"},
        {L"p.heif", L"p"}, {L"q.JPEG", L"q"}, {L"r.jpg", L"r"}, {L"s.2bp", L"s"}};
    for (const auto& name : names)
    {
        wchar_t sz[MAX_PATH];
        FileNamePart(name.first, 1, sz, MAX_PATH);
        EXPECT_STREQ(sz, name.second);
    }
}

// WebP: the reference decoder's pixels; transparent parts over white; an
// animation's first frame; the EXIF orientation applied only when asked;
// a thumbnail scaled while decoding.
TEST(ModernFormats, WebpPixelsAlphaAnimationOrientationAndScale)
{
    ExpectPixelsOf(Picture(Fixture(L"q.webp")).hbm, L"q_webp.ppm", 0);
    {
        const Picture alpha(Fixture(L"alpha.webp"));
        ASSERT_EQ(BitmapSize(alpha.hbm), Dims(64, 48));
        EXPECT_TRUE(Near(PixelAt(alpha.hbm, 10, 10), kRed, 0) && Near(PixelAt(alpha.hbm, 10, 40), kBlue, 0));
        EXPECT_TRUE(Near(PixelAt(alpha.hbm, 50, 10), kWhite, 0)) << std::hex << PixelAt(alpha.hbm, 50, 10);
        EXPECT_TRUE(Near(PixelAt(alpha.hbm, 50, 40), 0x7F7FFF, 1)) << std::hex << PixelAt(alpha.hbm, 50, 40);
        const Picture anim(Fixture(L"anim.webp"));
        EXPECT_EQ(BitmapSize(anim.hbm), Dims(40, 30));
        EXPECT_TRUE(Near(PixelAt(anim.hbm, 20, 15), kRed, 0));
    }
    const Picture header(Fixture(L"exif6.webp"), DECODE_HEADER_ONLY | DECODE_UPRIGHT);
    EXPECT_EQ(header.hbm, nullptr);
    EXPECT_EQ(Dims(header.o.info.biWidth, header.o.info.biHeight), Dims(48, 64));
    EXPECT_EQ(QuartersOff(Picture(Fixture(L"exif6.webp")).hbm, kQuad, 40), "");
    const uint32_t turned[4] = {kBlue, kRed, kWhite, kGreen};   // a quarter turn clockwise
    EXPECT_EQ(QuartersOff(Picture(Fixture(L"exif6.webp"), DECODE_UPRIGHT).hbm, turned, 40), "");

    const Picture thumb(Fixture(L"q640.webp"), DECODE_REDUCE | DECODE_SIZE_TEST);
    EXPECT_EQ(BitmapSize(thumb.hbm), Dims(80, 60));
    EXPECT_EQ(thumb.o.largeFlag, 1u);
    EXPECT_EQ(QuartersOff(thumb.hbm, kQuad, 40), "");
}

// HEIC and AVIF: the reference decoder's pixels; a picture stored turned
// (irot) with a stale EXIF orientation stands upright once, asked to or
// not; 10 bits show at 8; the size a header-only request reports.
TEST(ModernFormats, HeifPixelsOrientationAndDepth)
{
    ExpectPixelsOf(Picture(Fixture(L"q.heic")).hbm, L"q_heic.ppm", 1);
    for (DWORD flags : {0ul, static_cast<unsigned long>(DECODE_UPRIGHT)})
    {
        ExpectPixelsOf(Picture(Fixture(L"rot.avif"), flags).hbm, L"rot_avif.ppm", 1);
        const Picture header(Fixture(L"rot.avif"), flags | DECODE_HEADER_ONLY);
        EXPECT_EQ(Dims(header.o.info.biWidth, header.o.info.biHeight), Dims(48, 64));
        EXPECT_EQ(header.o.info.biBitCount, 24);
    }
    EXPECT_EQ(QuartersOff(Picture(Fixture(L"deep.avif")).hbm, kQuad, 24), "");
    EXPECT_EQ(Picture(Fixture(L"deep.avif"), DECODE_HEADER_ONLY).o.info.biBitCount, 30);
}

// A thumbnail comes from the embedded picture when it covers the box, and
// else from the picture reduced by its width.
TEST(ModernFormats, HeifThumbnailsFromTheEmbeddedPicture)
{
    const Picture embedded(Fixture(L"q.heic"), DECODE_REDUCE | DECODE_SIZE_TEST);
    EXPECT_EQ(BitmapSize(embedded.hbm), Dims(320, 240));
    EXPECT_EQ(embedded.o.largeFlag, 1u);
    EXPECT_EQ(QuartersOff(embedded.hbm, kQuad, 24), "");
    const Picture reduced(Fixture(L"small_thumb.heic"), DECODE_REDUCE);
    EXPECT_EQ(BitmapSize(reduced.hbm), Dims(80, 60));
    EXPECT_EQ(QuartersOff(reduced.hbm, kQuad, 24), "");
}

// A HEIF too large to decode within the budget shows its largest embedded
// thumbnail that fits, and nothing when none does. The sizes its ispe boxes
// declare become a square of a quarter of the budget in pixels: over the
// budget at the bytes a pixel takes while it decodes, yet within the
// library's side limit, so the file itself is still read.
TEST(ModernFormats, HeifOverTheBudgetFallsBackToItsThumbnail)
{
    const uint32_t side = static_cast<uint32_t>(sqrt(CImageDecoder::PictureBudgetBytes() / 4.0));
    const auto declare = [side](Bytes data, uint32_t w, uint32_t h) {
        const uint8_t old[8] = {uint8_t(w >> 24), uint8_t(w >> 16), uint8_t(w >> 8), uint8_t(w),
                                uint8_t(h >> 24), uint8_t(h >> 16), uint8_t(h >> 8), uint8_t(h)};
        for (size_t i = 0; i + 16 <= data.size(); i++)
            if (memcmp(&data[i], "ispe", 4) == 0 && memcmp(&data[i + 8], old, 8) == 0)
                for (int k = 0; k < 8; k++)
                    data[i + 8 + k] = static_cast<uint8_t>(side >> (24 - 8 * (k % 4)));
        return data;
    };
    TempFolder temp;
    const Bytes big = declare(ReadFixture(L"q.heic"), 640, 480);
    const std::wstring bigPath = temp.Write(L"big.heic", big);
    EXPECT_EQ(Picture(bigPath, DECODE_HEADER_ONLY).o.info.biWidth, static_cast<LONG>(side));
    const Picture fallback(bigPath);
    EXPECT_EQ(BitmapSize(fallback.hbm), Dims(320, 240));
    EXPECT_EQ(QuartersOff(fallback.hbm, kQuad, 24), "");
    EXPECT_EQ(Picture(temp.Write(L"none.heic", declare(big, 320, 240))).hbm, nullptr);
}

// Truncated, corrupt and mislabelled files give no picture, and every file
// is closed again; a WebP whose header claims 16384 x 16384 over a few
// bytes reports its size and leaves no memory behind.
TEST(ModernFormats, BadFilesGiveNoPictureAndHugeHeadersStayWithinTheBudget)
{
    TempFolder temp;
    Bytes corrupt = ReadFixture(L"q.heic");
    for (size_t i = corrupt.size() / 2; i < corrupt.size(); i += 7)
        corrupt[i] ^= 0x5A;
    const std::pair<const wchar_t*, Bytes> bad[] = {
        {L"cut.webp", ReadFixture(L"cut_q.webp")}, {L"cut.heic", ReadFixture(L"cut_q.heic")},
        {L"jpeg.heic", MakeJpeg(8, 8, JPEG_RGB, Plain(kRed))}, {L"empty.avif", Bytes()},
        {L"png.webp", ReadFixture(L"q.png")}};
    for (const auto& file : bad)
    {
        const std::wstring path = temp.Write(file.first, file.second);
        EXPECT_EQ(Picture(path).hbm, nullptr);
        EXPECT_TRUE(FileIsClosed(path));
    }
    // Libde265 decodes damaged data as best it can: a picture or none, but
    // no fault.
    const Picture damaged(temp.Write(L"corrupt.heic", corrupt));

    // VP8L: signature, 14-bit width - 1 and height - 1, then 32 bytes of nothing.
    Bytes huge = {'R', 'I', 'F', 'F', 52, 0, 0, 0, 'W', 'E', 'B', 'P', 'V', 'P', '8', 'L', 40, 0, 0, 0,
                  0x2F, 0xFF, 0xFF, 0xFF, 0x0F};
    huge.resize(60, 0);
    const std::wstring hugePath = temp.Write(L"huge.webp", huge);
    const Picture header(hugePath, DECODE_HEADER_ONLY);
    EXPECT_EQ(Dims(header.o.info.biWidth, header.o.info.biHeight), Dims(16384, 16384));
    EXPECT_EQ(Picture(hugePath).hbm, nullptr);
}

// What the file information shows from the EXIF block these files carry.
TEST(ModernFormats, CameraFactsFromWebpAndAvif)
{
    for (const wchar_t* pszName : {L"camera.avif", L"exif6.webp"})
    {
        ExifInfo info = {};
        const std::wstring path = Fixture(pszName);
        ASSERT_TRUE(CImageDecoder::ReadCameraFacts(path.c_str(), CImageDecoder::TypeFromExtension(pszName), &info));
        EXPECT_EQ(info.nOrientation, 6);
        EXPECT_TRUE(info.bHasTaken && info.stTaken.wYear == 2024 && info.stTaken.wDay == 17 &&
                    info.stTaken.wMinute == 30);
        EXPECT_STREQ(info.szCamera, L"Ombrix Phone 7");
    }
    ExifInfo info = {};
    EXPECT_FALSE(CImageDecoder::ReadCameraFacts(Fixture(L"q.heic").c_str(), PICTYPE_HEIC, &info));
    EXPECT_FALSE(CImageDecoder::ReadCameraFacts(Fixture(L"q.png").c_str(), PICTYPE_PNG, &info));
}
