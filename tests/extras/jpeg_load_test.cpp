#include <gtest/gtest.h>

#include <stdio.h>
#include <string>
#include <vector>
#include <windows.h>

#include <jpeglib.h>

#include "temp_folder.h"
#include "viewer/common/image_error.h"
#include "viewer/extras/raster_image.h"

namespace {

// Writes a JPEG of the given colour space from interleaved samples.
void WriteTestJpeg(const std::wstring& path, int width, int height, int components, J_COLOR_SPACE space,
                   const std::vector<BYTE>& samples)
{
    FILE* pFile = _wfopen(path.c_str(), L"wb");
    ASSERT_NE(nullptr, pFile);
    jpeg_compress_struct info;
    jpeg_error_mgr err;
    info.err = jpeg_std_error(&err);
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, pFile);
    info.image_width = width;
    info.image_height = height;
    info.input_components = components;
    info.in_color_space = space;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 95, TRUE);
    jpeg_start_compress(&info, TRUE);
    for (int y = 0; y < height; ++y)
    {
        JSAMPROW row = const_cast<JSAMPROW>(&samples[(size_t)y * width * components]);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    fclose(pFile);
}

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

std::vector<BYTE> Pattern(size_t cb)
{
    std::vector<BYTE> v(cb);
    for (size_t i = 0; i < cb; ++i)
        v[i] = (BYTE)((i * 37) ^ (i >> 3));
    return v;
}

void ExpectAllVisible(const RasterImage* p)
{
    ASSERT_NE(nullptr, p->maskImage);
    for (LONG y = 0; y < p->height; ++y)
        for (LONG x = 0; x < p->width; ++x)
            ASSERT_TRUE(IsImagePixelVisible(p, x, y));
}

} // namespace

TEST(JpegLoad, ColourPicturesLoadAsBlueGreenRed)
{
    TempFolder folder;
    const int w = 7, h = 5; // 21 bytes a row: padded to 24
    std::wstring path = folder / L"rgb.jpg";
    WriteTestJpeg(path, w, h, 3, JCS_RGB, Pattern(w * h * 3));
    int nComponents = 0;
    std::vector<BYTE> raw = DecodeRaw(path, &nComponents);
    ASSERT_EQ(3, nComponents);

    RasterImage* p = CreateImage(1, 1, 8, 0);
    ASSERT_EQ(0, LoadJpegImage(p, path.c_str()));
    EXPECT_EQ(w, p->width);
    EXPECT_EQ(24, p->bitsPerPixel);
    EXPECT_EQ(24, p->stride);
    EXPECT_EQ(RIF_HAS_MASK | RIF_BOTTOM_UP, p->flags);
    for (LONG y = 0; y < h; ++y)
    {
        const BYTE* pRow = GetImageRow(p, y);
        for (LONG x = 0; x < w; ++x)
        {
            const BYTE* r = &raw[(size_t)(y * w + x) * 3];
            ASSERT_EQ(r[2], pRow[3 * x]);
            ASSERT_EQ(r[1], pRow[3 * x + 1]);
            ASSERT_EQ(r[0], pRow[3 * x + 2]);
        }
    }
    ExpectAllVisible(p);
    FreeImage(p);
}

TEST(JpegLoad, GreyGivesThreeEqualBytes)
{
    TempFolder folder;
    const int w = 9, h = 3;
    std::wstring path = folder / L"grey.jpg";
    WriteTestJpeg(path, w, h, 1, JCS_GRAYSCALE, Pattern(w * h));
    int nComponents = 0;
    std::vector<BYTE> raw = DecodeRaw(path, &nComponents);
    ASSERT_EQ(1, nComponents);

    RasterImage* p = CreateImage(1, 1, 24, 0);
    ASSERT_EQ(0, LoadJpegImage(p, path.c_str()));
    for (LONG y = 0; y < h; ++y)
    {
        const BYTE* pRow = GetImageRow(p, y);
        for (LONG x = 0; x < w; ++x)
        {
            BYTE g = raw[(size_t)y * w + x];
            ASSERT_EQ(g, pRow[3 * x]);
            ASSERT_EQ(g, pRow[3 * x + 1]);
            ASSERT_EQ(g, pRow[3 * x + 2]);
        }
    }
    FreeImage(p);
}

TEST(JpegLoad, CmykScalesEachColourByBlack)
{
    TempFolder folder;
    const int w = 6, h = 2;
    std::wstring path = folder / L"cmyk.jpg";
    WriteTestJpeg(path, w, h, 4, JCS_CMYK, Pattern(w * h * 4));
    int nComponents = 0;
    std::vector<BYTE> raw = DecodeRaw(path, &nComponents);
    ASSERT_EQ(4, nComponents);

    RasterImage* p = CreateImage(1, 1, 24, 0);
    ASSERT_EQ(0, LoadJpegImage(p, path.c_str()));
    for (LONG y = 0; y < h; ++y)
    {
        const BYTE* pRow = GetImageRow(p, y);
        for (LONG x = 0; x < w; ++x)
        {
            const BYTE* s = &raw[(size_t)(y * w + x) * 4];
            ASSERT_EQ(s[2] * s[3] / 255, pRow[3 * x]) << x << "," << y;
            ASSERT_EQ(s[1] * s[3] / 255, pRow[3 * x + 1]) << x << "," << y;
            ASSERT_EQ(s[0] * s[3] / 255, pRow[3 * x + 2]) << x << "," << y;
        }
    }
    FreeImage(p);
}

TEST(JpegLoad, BadFilesFailWithoutLeaking)
{
    TempFolder folder;
    RasterImage* p = CreateImage(1, 1, 24, 0);
    ClearImageError();
    EXPECT_EQ(-1, LoadJpegImage(p, (folder / L"absent.jpg").c_str()));
    EXPECT_EQ(IMGERR_READ_FILE, GetImageError());

    std::wstring path = folder / L"junk.jpg";
    FILE* pFile = _wfopen(path.c_str(), L"wb");
    fputs("this is not a picture at all", pFile);
    fclose(pFile);
    ClearImageError();
    EXPECT_EQ(-1, LoadJpegImage(p, path.c_str()));
    EXPECT_NE(0, GetImageError());

    // A file cut after its header still loads: the missing rows are grey.
    std::wstring whole = folder / L"whole.jpg";
    WriteTestJpeg(whole, 64, 64, 3, JCS_RGB, Pattern(64 * 64 * 3));
    std::string data = ReadWholeFile(whole);
    pFile = _wfopen((folder / L"cut.jpg").c_str(), L"wb");
    fwrite(data.data(), 1, data.size() / 2, pFile);
    fclose(pFile);
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
