#include <gtest/gtest.h>

#include <stdio.h>
#include <string>
#include <vector>
#include <windows.h>

#include <jpeglib.h>

#include "temp_folder.h"
#include "tests/imaging/test_pictures.h"
#include "viewer/common/image_error.h"
#include "viewer/extras/raster_image.h"

namespace {

// The samples libjpeg itself decodes, with the same fast DCT.
std::vector<BYTE> DecodeRaw(const std::wstring& path, int* pComponents)
{
    std::vector<BYTE> out;
    FILE* pFile = _wfopen(path.c_str(), L"rb");
    if (!pFile)
        return out;
    jpeg_decompress_struct info;
    jpeg_error_mgr err;
    info.err = jpeg_std_error(&err);
    jpeg_create_decompress(&info);
    jpeg_stdio_src(&info, pFile);
    jpeg_read_header(&info, TRUE);
    info.dct_method = JDCT_IFAST;
    jpeg_start_decompress(&info);
    *pComponents = info.output_components;
    size_t cbRow = (size_t)info.output_width * info.output_components;
    out.resize(cbRow * info.output_height);
    while (info.output_scanline < info.output_height)
    {
        JSAMPROW row = &out[cbRow * info.output_scanline];
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    fclose(pFile);
    return out;
}

// Sample i of a made-up picture.
BYTE Sample(size_t i)
{
    return (BYTE)((i * 37) ^ (i >> 3));
}

void ExpectAllVisible(const RasterImage* p)
{
    ASSERT_NE(nullptr, p->maskImage);
    for (LONG y = 0; y < p->height; ++y)
        for (LONG x = 0; x < p->width; ++x)
            ASSERT_TRUE(IsImagePixelVisible(p, x, y));
}

} // namespace

// Colour, grey and CMYK pictures come out as libjpeg's own samples in
// bottom-up blue, green, red rows padded to four bytes: grey copied to all
// three, CMYK colours scaled by black.
TEST(JpegLoad, PixelsAreTheDecodedSamplesAsBlueGreenRed)
{
    TempFolder folder;
    const struct
    {
        JpegKind kind;
        int w, h, n;
    } cases[] = {{JPEG_RGB, 7, 5, 3}, {JPEG_GREY, 9, 3, 1}, {JPEG_CMYK, 6, 2, 4}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.n);
        auto pixel = [&](int x, int y) {
            uint32_t v = 0;
            for (int k = 0; k < c.n; ++k)
                v = (v << 8) | Sample((size_t)(y * c.w + x) * c.n + k);
            return v;
        };
        std::wstring path = folder.Write(L"p.jpg", MakeJpeg(c.w, c.h, c.kind, pixel));
        int nComponents = 0;
        std::vector<BYTE> raw = DecodeRaw(path, &nComponents);
        ASSERT_EQ(c.n, nComponents);

        RasterImage* p = CreateImage(1, 1, 8, 0);
        ASSERT_EQ(0, LoadJpegImage(p, path.c_str()));
        EXPECT_EQ(c.w, p->width);
        EXPECT_EQ(c.h, p->height);
        EXPECT_EQ(24, p->bitsPerPixel);
        EXPECT_EQ((c.w * 3 + 3) & ~3, p->stride);
        EXPECT_EQ(RIF_HAS_MASK | RIF_BOTTOM_UP, p->flags);
        for (LONG y = 0; y < c.h; ++y)
            for (LONG x = 0; x < c.w; ++x)
            {
                const BYTE* s = &raw[(size_t)(y * c.w + x) * c.n];
                const int k = c.n == 4 ? s[3] : 255;
                const BYTE want[3] = {BYTE(s[c.n == 1 ? 0 : 2] * k / 255), BYTE(s[c.n == 1 ? 0 : 1] * k / 255),
                                      BYTE(s[0] * k / 255)};
                const BYTE* px = GetImageRow(p, y) + 3 * x;
                ASSERT_EQ(want[0], px[0]) << x << "," << y;
                ASSERT_EQ(want[1], px[1]) << x << "," << y;
                ASSERT_EQ(want[2], px[2]) << x << "," << y;
            }
        ExpectAllVisible(p);
        FreeImage(p);
    }
}

TEST(JpegLoad, BadFilesFailWithoutLeaking)
{
    TempFolder folder;
    RasterImage* p = CreateImage(1, 1, 24, 0);
    ClearImageError();
    EXPECT_EQ(-1, LoadJpegImage(p, (folder / L"absent.jpg").c_str()));
    EXPECT_EQ(IMGERR_READ_FILE, GetImageError());

    std::wstring path = folder.Write(L"junk.jpg", std::string("this is not a picture at all"));
    ClearImageError();
    EXPECT_EQ(-1, LoadJpegImage(p, path.c_str()));
    EXPECT_NE(0, GetImageError());

    // A file cut after its header still loads: the missing rows are grey.
    Bytes data = MakeJpeg(64, 64, JPEG_RGB, [](int x, int y) { return Sample(x * 64 + y) * 0x010203u; });
    data.resize(data.size() / 2);
    folder.Write(L"cut.jpg", data);
    EXPECT_EQ(0, LoadJpegImage(p, (folder / L"cut.jpg").c_str()));
    EXPECT_EQ(64, p->width);

    // Loading many times neither leaks handles nor keeps the files open.
    DWORD dwHandles = 0, dwAfter = 0;
    GetProcessHandleCount(GetCurrentProcess(), &dwHandles);
    for (int i = 0; i < 50; ++i)
        LoadJpegImage(p, path.c_str());
    GetProcessHandleCount(GetCurrentProcess(), &dwAfter);
    EXPECT_LE(dwAfter, dwHandles + 2);
    EXPECT_TRUE(DeleteFileW(path.c_str())) << "the file is still open";
    FreeImage(p);
}
