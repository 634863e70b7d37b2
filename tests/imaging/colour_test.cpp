// Pictures whose files declare their colours (ProPhoto RGB, Adobe RGB, a
// profile that swaps red and green, a CMYK one) come out in sRGB through the
// decoder; damaged or cut-off profiles leave the stored numbers. The readers
// find the profile in every format that carries one, and the kept
// transforms' fast path agrees with lcms2.
#include <gtest/gtest.h>
#include <lcms2.h>
#include <string.h>
#include "tests/support/fixtures.h"
#include "viewer/imaging/colour/picture_colour.h"
#include "viewer/imaging/decode/image_decoder.h"

namespace {

// The fixtures' sRGB quarters.
const uint32_t kQuad[4] = {0xC83C28, 0x3CA050, 0x3246BE, 0xE6E6E6};
const std::wstring kIccFolder = L"Z:\\usr\\share\\color\\icc\\colord\\";
const std::wstring kFixtures = OMBRIX_FIXTURE_DIR;

HBITMAP Decode(const std::wstring& path, DWORD flags)
{
    CImageDecoder decoder;
    DecodeOptions options = {flags, PICTYPE_BY_EXTENSION};
    return decoder.LoadNow(path.c_str(), &options);
}

uint32_t Centre(const std::wstring& path, DWORD flags)
{
    HBITMAP hbm = Decode(path, flags);
    const uint32_t rgb = hbm ? PixelAt(hbm, BitmapSize(hbm).first / 2, BitmapSize(hbm).second / 2) : 0xBAD;
    DeleteObject(hbm);
    return rgb;
}

Bytes Saved(cmsHPROFILE h)
{
    cmsUInt32Number cb = 0;
    cmsSaveProfileToMem(h, NULL, &cb);
    Bytes bytes(cb);
    cmsSaveProfileToMem(h, bytes.data(), &cb);
    cmsCloseProfile(h);
    return bytes;
}

// sRGB with the red and green primaries swapped: a red number shows green.
Bytes SwapProfile()
{
    const cmsCIExyY white = {0.3127, 0.3290, 1};
    const cmsCIExyYTRIPLE primaries = {{0.30, 0.60, 1}, {0.64, 0.33, 1}, {0.15, 0.06, 1}};
    const cmsFloat64Number srgb[5] = {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045};
    cmsToneCurve* pCurve = cmsBuildParametricToneCurve(NULL, 4, srgb);
    cmsToneCurve* curves[3] = {pCurve, pCurve, pCurve};
    cmsHPROFILE h = cmsCreateRGBProfile(&white, &primaries, curves);
    cmsFreeToneCurve(pCurve);
    return Saved(h);
}

// CMYK as the plain conversion shows it, but with red and green swapped.
int SampleSwappedCmyk(const cmsUInt16Number in[], cmsUInt16Number out[], void* pTransform)
{
    const double k = 1 - in[3] / 65535.0;
    const double rgb[3] = {(1 - in[1] / 65535.0) * k, (1 - in[0] / 65535.0) * k, (1 - in[2] / 65535.0) * k};
    cmsCIELab lab;
    cmsDoTransform(pTransform, rgb, &lab, 1);
    cmsFloat2LabEncoded(out, &lab);
    return TRUE;
}

Bytes SwappedCmykProfile()
{
    cmsHPROFILE hSrgb = cmsCreate_sRGBProfile(), hLab = cmsCreateLab4Profile(NULL);
    cmsHTRANSFORM hToLab = cmsCreateTransform(hSrgb, TYPE_RGB_DBL, hLab, TYPE_Lab_DBL, INTENT_RELATIVE_COLORIMETRIC, 0);
    cmsHPROFILE h = cmsCreateProfilePlaceholder(NULL);
    cmsSetProfileVersion(h, 4.3);
    cmsSetDeviceClass(h, cmsSigOutputClass);
    cmsSetColorSpace(h, cmsSigCmykData);
    cmsSetPCS(h, cmsSigLabData);
    cmsPipeline* pLut = cmsPipelineAlloc(NULL, 4, 3);
    cmsStage* pClut = cmsStageAllocCLut16bit(NULL, 9, 4, 3, NULL);
    cmsStageSampleCLut16bit(pClut, SampleSwappedCmyk, hToLab, 0);
    // Version 4 writes a table only between curves: identity ones.
    cmsPipelineInsertStage(pLut, cmsAT_END, cmsStageAllocToneCurves(NULL, 4, NULL));
    cmsPipelineInsertStage(pLut, cmsAT_END, pClut);
    cmsPipelineInsertStage(pLut, cmsAT_END, cmsStageAllocToneCurves(NULL, 3, NULL));
    cmsWriteTag(h, cmsSigAToB0Tag, pLut);
    cmsPipelineFree(pLut);
    cmsDeleteTransform(hToLab);
    cmsCloseProfile(hSrgb);
    cmsCloseProfile(hLab);
    return Saved(h);
}

// The JPEG with the profile in nCount APP2 chunks after SOI, those of the
// sequence numbers given, in that order.
Bytes WithIcc(const Bytes& jpeg, const Bytes& icc, std::initializer_list<int> order, int nCount)
{
    const size_t cbChunk = (icc.size() + nCount - 1) / nCount;
    Bytes out(jpeg.begin(), jpeg.begin() + 2);
    for (int nSeq : order)
    {
        const size_t nAt = (nSeq - 1) * cbChunk, cb = std::min(cbChunk, icc.size() - nAt);
        const uint8_t head[] = {0xFF, 0xE2, uint8_t((cb + 16) >> 8), uint8_t(cb + 16)};
        out.insert(out.end(), head, head + 4);
        out.insert(out.end(), "ICC_PROFILE", "ICC_PROFILE" + 12);
        out.push_back(uint8_t(nSeq));
        out.push_back(uint8_t(nCount));
        out.insert(out.end(), icc.begin() + nAt, icc.begin() + nAt + cb);
    }
    out.insert(out.end(), jpeg.begin() + 2, jpeg.end());
    return out;
}

} // namespace

// ImageMagick's conversions of the sRGB quarters come back to them. The
// platform route decodes PNG and BMP at the display's 16 bits, whose steps
// the transform widens.
TEST(ColourTest, ProfiledPicturesShowTheirSrgbColoursInEveryFormat)
{
    for (const auto& c : {std::make_pair(L"prophoto.jpg", 6), std::make_pair(L"adobe.jpg", 6),
                          std::make_pair(L"prophoto.png", 16), std::make_pair(L"prophoto.bmp", 16),
                          std::make_pair(L"prophoto.webp", 6), std::make_pair(L"prophoto.avif", 12)})
    {
        SCOPED_TRACE(testing::Message() << c.first);
        HBITMAP hbm = Decode(kFixtures + c.first, DECODE_MANAGE_COLOUR);
        EXPECT_EQ("", QuartersOff(hbm, kQuad, c.second));
        DeleteObject(hbm);
        hbm = Decode(kFixtures + c.first, 0);
        EXPECT_NE("", QuartersOff(hbm, kQuad, c.second)) << "the stored numbers are not sRGB's";
        DeleteObject(hbm);
    }
}

// A profile in chunks out of order is joined; a missing chunk, a profile
// lcms2 cannot read and one cut off leave the picture as decoded without.
TEST(ColourTest, ChunksAreJoinedAndDamagedProfilesChangeNothing)
{
    TempFolder folder;
    const Bytes jpeg = MakeJpeg(32, 32, JPEG_RGB, Plain(0xC8321E));
    const Bytes swap = SwapProfile();
    const uint32_t stored = Centre(folder.Write(L"plain.jpg", jpeg), 0);
    EXPECT_TRUE(Near(0x32C81E, Centre(folder.Write(L"swap.jpg", WithIcc(jpeg, swap, {2, 3, 1}, 3)),
                                      DECODE_MANAGE_COLOUR), 4));
    Bytes broken = swap;
    memset(broken.data() + 128, 0xEE, broken.size() - 128);
    const Bytes cut(swap.begin(), swap.begin() + swap.size() / 2);
    for (const Bytes& damaged : {WithIcc(jpeg, swap, {1, 3}, 3), WithIcc(jpeg, swap, {1, 2, 2}, 3),
                                 WithIcc(jpeg, broken, {1}, 1), WithIcc(jpeg, cut, {1}, 1)})
        EXPECT_EQ(stored, Centre(folder.Write(L"damaged.jpg", damaged), DECODE_MANAGE_COLOUR));
}

// A CMYK JPEG's samples go through its CMYK profile; without one they keep
// the plain conversion. Cyan ink (stored inverted, as Adobe's marker says).
TEST(ColourTest, CmykJpegsGoThroughTheirProfile)
{
    TempFolder folder;
    const Bytes jpeg = MakeJpeg(32, 32, JPEG_CMYK, Plain(0x00FFFFFF));
    const std::wstring withProfile = folder.Write(L"cmyk.jpg", WithIcc(jpeg, SwappedCmykProfile(), {1}, 1));
    EXPECT_TRUE(Near(0xFF00FF, Centre(withProfile, DECODE_MANAGE_COLOUR), 6));
    EXPECT_TRUE(Near(0x00FFFF, Centre(withProfile, 0), 2));
    EXPECT_TRUE(Near(0x00FFFF, Centre(folder.Write(L"plain.jpg", jpeg), DECODE_MANAGE_COLOUR), 2));
}

// The pictures above show their profiles were read; here the nclx box naming
// Display P3, and a PNG without a profile.
TEST(ColourTest, ReadersTellDisplayP3AndNoProfile)
{
    for (const auto& c : {std::make_pair(L"display_p3.avif", EMBEDDED_DISPLAY_P3),
                          std::make_pair(L"colour_quad.png", EMBEDDED_NONE)})
    {
        EmbeddedColour colour;
        ASSERT_TRUE(ReadFileColour((kFixtures + c.first).c_str(), &colour));
        EXPECT_EQ(c.second, colour.kind) << c.first;
        EXPECT_EQ(nullptr, colour.pbIcc);
        FreeEmbeddedColour(&colour);
    }
}

// A profile met again finds its transform kept, whose fast path is within
// a level of lcms2; Display P3's red goes beyond sRGB's (the fourth byte
// stays); an sRGB profile needs no transform at all.
TEST(ColourTest, TransformsAreKeptAndAgreeWithLcms)
{
    const std::string icc = ReadWholeFile(kIccFolder + L"ProPhotoRGB.icc"), srgb = ReadWholeFile(kIccFolder + L"sRGB.icc");
    const EmbeddedColour colour = {EMBEDDED_ICC, (uint8_t*)icc.data(), (uint32_t)icc.size()};
    ColourTransform* pTransform = AcquireColourTransform(colour, COLOUR_BGR24);
    EXPECT_EQ(pTransform, AcquireColourTransform(colour, COLOUR_BGR24));
    Bytes grid, ours(3 * 1331), lcms(3 * 1331);
    for (int i = 0; i < 3 * 1331; ++i)
        grid.push_back(uint8_t(255 * (i % 3 == 0 ? i / 3 % 11 : i % 3 == 1 ? i / 33 % 11 : i / 363) / 10));
    TransformRows(pTransform, grid.data(), 0, ours.data(), 0, 1331, 1);
    cmsHPROFILE hIn = cmsOpenProfileFromMem(icc.data(), icc.size()), hOut = cmsCreate_sRGBProfile();
    cmsHTRANSFORM hLcms = cmsCreateTransform(hIn, TYPE_BGR_8, hOut, TYPE_BGR_8, INTENT_PERCEPTUAL, 0);
    cmsDoTransform(hLcms, grid.data(), lcms.data(), 1331);
    for (size_t i = 0; i < grid.size(); ++i)
        ASSERT_LE(abs(ours[i] - lcms[i]), 1) << "byte " << i;
    cmsDeleteTransform(hLcms);
    cmsCloseProfile(hIn);
    cmsCloseProfile(hOut);
    ReleaseColourTransform(pTransform);
    ReleaseColourTransform(pTransform);

    ColourTransform* pP3 = AcquireColourTransform({EMBEDDED_DISPLAY_P3, NULL, 0}, COLOUR_BGRX32);
    uint8_t px[4] = {40, 60, 200, 77};
    TransformRows(pP3, px, 0, px, 0, 1, 1);
    EXPECT_TRUE(pP3 && px[2] > 210 && px[1] < 55 && px[3] == 77) << int(px[2]) << "," << int(px[1]);
    ReleaseColourTransform(pP3);
    EXPECT_EQ(nullptr, AcquireColourTransform({EMBEDDED_ICC, (uint8_t*)srgb.data(), (uint32_t)srgb.size()},
                                              COLOUR_BGR24));
}
