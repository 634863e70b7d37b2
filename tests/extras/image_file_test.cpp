// The image file library as the viewer uses it: what a failed save leaves,
// and the JPEG loader. host_readback checks the written pixels; the capture
// test, the BMP writer's choice and its failures.
#include <gtest/gtest.h>
#include <string>
#include <windows.h>

#include "tests/support/files.h"
#include "tests/support/pictures.h"
#include "viewer/common/image_error.h"
#include "viewer/extras/imagefile/image_writers.h"
#include "viewer/extras/imagefile/raster_image.h"

namespace {

class ImageSaveTest : public ::testing::Test
{
protected:
    void SetUp() override { ClearImageError(); }
    void TearDown() override { FreeImage(m_p); }
    TempFolder m_folder;
    RasterImage* m_p = CreateImage(4, 4, 24, RIF_BOTTOM_UP);
};

} // namespace

TEST_F(ImageSaveTest, FailedSaveKeepsTheFileItWouldReplace)
{
    std::wstring path = m_folder.Write(L"keep.bmp", std::string("precious"));
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(-1, SaveImage(m_p, path.c_str()));
    EXPECT_NE(0, GetImageError());
    EXPECT_EQ("precious", ReadWholeFile(path));
    EXPECT_EQ(1, CountFiles(m_folder.Path())) << "no temporary file is left behind";
}

// The viewer saves only BMP captures: a write error is a failure, with its code.
TEST_F(ImageSaveTest, AStreamErrorIsAFailure)
{
    FILE* pFile = _wfopen(m_folder.Write(L"ro.bin", std::string()).c_str(), L"rb");
    ASSERT_NE(nullptr, pFile);
    EXPECT_EQ(-1, WriteBmpStream(m_p, pFile));
    EXPECT_EQ(IMGERR_WRITE_FILE, GetImageError());
    fclose(pFile);
}

// The options' sample picture loads as bottom-up blue, green, red rows padded
// to four bytes, every pixel visible; a missing or bad one fails and leaks nothing.
TEST_F(ImageSaveTest, JpegLoadsAsBlueGreenRedAndBadFilesFailWithoutLeaking)
{
    const std::wstring sample = m_folder.Write(L"p.jpg", MakeJpeg(7, 32, JPEG_RGB, [&](int, int y) {
        return y < 16 ? 0xFF0000u : 0x0000FFu; }, false, 100));
    ASSERT_EQ(0, LoadJpegImage(m_p, sample.c_str()));
    EXPECT_TRUE(m_p->width == 7 && m_p->height == 32 && m_p->bitsPerPixel == 24 && m_p->stride == 24 &&
                m_p->flags == (RIF_HAS_MASK | RIF_BOTTOM_UP));
    EXPECT_EQ(m_p->pixels + 31 * 24, GetImageRow(m_p, 0)) << "row 0 is the last in memory";
    for (LONG y : {2, 29})
    {
        const BYTE* px = GetImageRow(m_p, y) + 3 * 5;
        const uint32_t rgb = px[2] << 16 | px[1] << 8 | px[0];
        EXPECT_TRUE(Near(rgb, y < 16 ? 0xFF0000 : 0x0000FF, 6)) << y << std::hex << " " << rgb;
        EXPECT_TRUE(IsImagePixelVisible(m_p, 5, y));
    }

    EXPECT_EQ(-1, LoadJpegImage(m_p, (m_folder / L"absent.jpg").c_str()));
    EXPECT_EQ(IMGERR_READ_FILE, GetImageError());
    std::wstring path = m_folder.Write(L"junk.jpg", std::string("this is not a picture at all"));
    ClearImageError();
    EXPECT_EQ(-1, LoadJpegImage(m_p, path.c_str()));
    EXPECT_NE(0, GetImageError());
    // A file cut after its header still loads: the missing rows are grey.
    Bytes data = MakeJpeg(64, 64, JPEG_RGB, [](int x, int y) { return ((x * 37) ^ y) * 0x010203u; });
    data.resize(data.size() / 2);
    EXPECT_EQ(0, LoadJpegImage(m_p, m_folder.Write(L"cut.jpg", data).c_str()));
    EXPECT_EQ(64, m_p->width);
    // Loading many times neither leaks handles nor keeps the files open.
    DWORD dwHandles = 0, dwAfter = 0;
    GetProcessHandleCount(GetCurrentProcess(), &dwHandles);
    for (int i = 0; i < 50; ++i)
        LoadJpegImage(m_p, path.c_str());
    GetProcessHandleCount(GetCurrentProcess(), &dwAfter);
    EXPECT_LE(dwAfter, dwHandles + 2);
    EXPECT_TRUE(DeleteFileW(path.c_str())) << "the file is still open";
}
