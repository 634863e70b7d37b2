// Pictures whose files declare their colours (ProPhoto RGB, Adobe RGB, a
// profile that swaps red and green, a CMYK one) come out in sRGB through the
// decoder; damaged or cut-off profiles and the setting off leave the stored
// numbers. The readers find the profile in every format that carries one,
// and the kept transforms' fast path agrees with lcms2.
#include <gtest/gtest.h>
#include <lcms2.h>
#include <string.h>
#include "tests/support/fixtures.h"
#include "tests/support/registry_fixture.h"
#include "viewer/common/settings_names.h"
#include "viewer/imaging/colour/picture_colour.h"
#include "viewer/imaging/decode/image_decoder.h"
#include "viewer/imaging/load/image_loader.h"

namespace {

// The fixtures' sRGB quarters.
const uint32_t kQuad[4] = {0xC83C28, 0x3CA050, 0x3246BE, 0xE6E6E6};
const std::wstring kIccFolder = L"Z:\\usr\\share\\color\\icc\\colord\\";
const std::wstring kFixtures = OMBRIX_FIXTURE_DIR;

HBITMAP Decode(const std::wstring& path, DWORD flags)
{
    CImageDecoder decoder;
    DecodeOptions o = {flags, PICTYPE_BY_EXTENSION};
    return decoder.LoadNow(path.c_str(), &o);
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
                          std::make_pair(L"prophoto.png", 16), std::make_pair(L"prophoto.bmp", 16)})
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

TEST(ColourTest, ReadersFindTheProfileInEveryFormat)
{
    const std::string prophoto = ReadWholeFile(kIccFolder + L"ProPhotoRGB.icc");
    for (const wchar_t* pszName : {L"prophoto.jpg", L"prophoto.png", L"prophoto.bmp", L"prophoto.webp",
                                   L"prophoto.avif", L"display_p3.avif", L"colour_quad.png"})
    {
        SCOPED_TRACE(testing::Message() << pszName);
        EmbeddedColour colour;
        ASSERT_TRUE(ReadFileColour((kFixtures + pszName).c_str(), &colour));
        const EmbeddedKind expected = wcsstr(pszName, L"p3") ? EMBEDDED_DISPLAY_P3
                                      : wcsstr(pszName, L"quad") ? EMBEDDED_NONE : EMBEDDED_ICC;
        EXPECT_EQ(expected, colour.kind);
        const std::string icc = colour.pbIcc ? std::string(reinterpret_cast<char*>(colour.pbIcc), colour.cbIcc) : "";
        EXPECT_EQ(expected == EMBEDDED_ICC ? prophoto : "", icc);
        FreeEmbeddedColour(&colour);
    }
}

// A profile met again finds its transform kept; the fast path of
// matrix-shaper profiles is within a level of lcms2, Display P3's reds go
// further than sRGB's, and an sRGB profile needs no transform at all.
TEST(ColourTest, TransformsAreKeptAndAgreeWithLcms)
{
    const std::string bytes = ReadWholeFile(kIccFolder + L"ProPhotoRGB.icc");
    EmbeddedColour colour = {EMBEDDED_ICC, (uint8_t*)bytes.data(), (uint32_t)bytes.size()};
    ColourTransform* pFirst = AcquireColourTransform(colour, COLOUR_BGR24);
    const ColourCacheCounts before = GetColourCacheCounts();
    ColourTransform* pAgain = AcquireColourTransform(colour, COLOUR_BGR24);
    EXPECT_EQ(pFirst, pAgain);
    EXPECT_EQ(before.nBuilt, GetColourCacheCounts().nBuilt);
    EXPECT_EQ(before.nReused + 1, GetColourCacheCounts().nReused);
    Bytes grid, ours, lcms;
    for (int r = 0; r <= 10; ++r)
        for (int g = 0; g <= 10; ++g)
            for (int b = 0; b <= 10; ++b)
                for (int v : {b, g, r})
                    grid.push_back(uint8_t(255 * v / 10));
    ours.resize(grid.size());
    lcms.resize(grid.size());
    TransformRows(pFirst, grid.data(), 0, ours.data(), 0, int(grid.size() / 3), 1);
    cmsHPROFILE hIn = cmsOpenProfileFromMem(bytes.data(), bytes.size()), hOut = cmsCreate_sRGBProfile();
    cmsHTRANSFORM hRef = cmsCreateTransform(hIn, TYPE_BGR_8, hOut, TYPE_BGR_8, INTENT_PERCEPTUAL, 0);
    cmsDoTransform(hRef, grid.data(), lcms.data(), grid.size() / 3);
    for (size_t i = 0; i < grid.size(); ++i)
        ASSERT_LE(abs(ours[i] - lcms[i]), 1) << "byte " << i << " of " << int(grid[i - i % 3]) << ","
                                             << int(grid[i - i % 3 + 1]) << "," << int(grid[i - i % 3 + 2]);
    cmsDeleteTransform(hRef);
    cmsCloseProfile(hIn);
    cmsCloseProfile(hOut);
    ReleaseColourTransform(pFirst);
    ReleaseColourTransform(pAgain);

    const EmbeddedColour p3 = {EMBEDDED_DISPLAY_P3, NULL, 0};
    ColourTransform* pP3 = AcquireColourTransform(p3, COLOUR_BGRX32);
    ASSERT_NE(nullptr, pP3);
    uint8_t px[4] = {40, 60, 200, 77};
    TransformRows(pP3, px, 0, px, 0, 1, 1);
    EXPECT_TRUE(px[2] > 210 && px[1] < 55 && px[3] == 77) << int(px[2]) << "," << int(px[1]) << "," << int(px[3]);
    ReleaseColourTransform(pP3);
    const std::string srgb = ReadWholeFile(kIccFolder + L"sRGB.icc");
    EXPECT_EQ(nullptr, AcquireColourTransform({EMBEDDED_ICC, (uint8_t*)srgb.data(), (uint32_t)srgb.size()},
                                              COLOUR_BGR24));
}

// The viewer's options follow COLOR_MANAGE: 0 shows the stored numbers,
// anything else the managed colours.
TEST_F(SettingsTest, TheColourSettingOffShowsTheStoredNumbers)
{
    TempFolder folder;
    const std::wstring path = folder.Write(L"swap.jpg", WithIcc(MakeJpeg(32, 32, JPEG_RGB, Plain(0xC8321E)),
                                                                SwapProfile(), {1}, 1));
    for (const auto& c : {std::make_pair(0u, 0xC8321Eu), std::make_pair(7u, 0x32C81Eu), std::make_pair(1u, 0x32C81Eu)})
    {
        RawSetDword(SZ_COLOR_MANAGE, c.first);
        DecodeOptions options;
        ViewerDecodeOptions(&options);
        EXPECT_TRUE(Near(c.second, Centre(path, options.flags), 4)) << c.first;
    }
}
