#include <gtest/gtest.h>

#include <string>
#include <windows.h>

#include "temp_folder.h"
#include "viewer/common/image_error.h"
#include "viewer/extras/image_writers.h"
#include "viewer/extras/raster_image.h"

namespace {

// A 24-bit picture whose every pixel differs: blue x*20, green y*20, red 99.
RasterImage* MakeGradient(LONG width, LONG height, DWORD flags)
{
    RasterImage* p = CreateImage(width, height, 24, flags);
    for (LONG y = 0; y < height; ++y)
    {
        BYTE* pRow = GetImageRow(p, y);
        for (LONG x = 0; x < width; ++x)
        {
            pRow[3 * x] = (BYTE)(x * 20);
            pRow[3 * x + 1] = (BYTE)(y * 20);
            pRow[3 * x + 2] = 99;
        }
    }
    return p;
}

DWORD ReadLe32(const std::string& data, size_t offset)
{
    return (BYTE)data[offset] | ((BYTE)data[offset + 1] << 8) | ((BYTE)data[offset + 2] << 16)
           | ((DWORD)(BYTE)data[offset + 3] << 24);
}

class ImageSaveTest : public ::testing::Test
{
protected:
    void SetUp() override { ClearImageError(); }
    TempFolder m_folder;
};

} // namespace

TEST_F(ImageSaveTest, ExtensionChoosesTheWriter)
{
    CreateDirectoryW((m_folder / L"My.Docs").c_str(), NULL);
    RasterImage* p = MakeGradient(4, 3, RIF_BOTTOM_UP);

    EXPECT_EQ(0, SaveImage(p, (m_folder / L"My.Docs\\a.bmp").c_str()));
    EXPECT_EQ("BM", ReadWholeFile(m_folder / L"My.Docs\\a.bmp").substr(0, 2));
    EXPECT_EQ(0, SaveImage(p, (m_folder / L"A.JPG").c_str()));
    EXPECT_EQ("\xFF\xD8", ReadWholeFile(m_folder / L"A.JPG").substr(0, 2));
    EXPECT_EQ(0, GetImageError());

    SetImageError(IMGERR_AREA); // must survive the refusals below
    EXPECT_EQ(-1, SaveImage(p, (m_folder / L"a.png").c_str()));
    EXPECT_EQ(-1, SaveImage(p, (m_folder / L"noext").c_str()));
    EXPECT_EQ(-1, SaveImage(p, (m_folder / L"My.Docs\\b").c_str()));
    EXPECT_EQ(-1, SaveImage(p, (m_folder / L"c.abcdefghijklmnop").c_str()));
    EXPECT_EQ(IMGERR_AREA, GetImageError());
    EXPECT_FALSE(FileExists(m_folder / L"a.png"));
    EXPECT_EQ(-1, SaveImage(NULL, (m_folder / L"a.bmp").c_str()));
    EXPECT_EQ(IMGERR_AREA, GetImageError());
    FreeImage(p);
}

// The pixels themselves are read back by ImageMagick (host_readback); here
// the sizes and the colour table of a palette picture.
TEST_F(ImageSaveTest, BmpSizesAndPalette)
{
    RasterImage* p = MakeGradient(240, 320, RIF_BOTTOM_UP);
    std::wstring path = m_folder / L"screen.bmp";
    ASSERT_EQ(0, SaveImage(p, path.c_str()));
    std::string data = ReadWholeFile(path);
    ASSERT_EQ(54u + 720 * 320, data.size());
    EXPECT_EQ(54u + 720 * 320, ReadLe32(data, 2));
    EXPECT_EQ(54u, ReadLe32(data, 10));
    EXPECT_EQ(0, memcmp(data.data() + 54, p->pixels, (size_t)p->imageSize));
    FreeImage(p);

    p = CreateImage(8, 2, 1, RIF_BOTTOM_UP);
    p->palette[1].red = 0xFF;
    ASSERT_EQ(0, SaveImage(p, path.c_str()));
    data = ReadWholeFile(path);
    EXPECT_EQ(54u + 8 + 8, data.size());
    EXPECT_EQ(62u, ReadLe32(data, 10));
    EXPECT_EQ((char)0xFF, data[54 + 4 + 2]);
    FreeImage(p);
}

TEST_F(ImageSaveTest, IconLimitsSetTheirCodes)
{
    RasterImage* p = CreateImage(256, 16, 24, 0);
    EXPECT_EQ(-1, SaveImage(p, (m_folder / L"wide.ico").c_str()));
    EXPECT_EQ(IMGERR_ICON_SIZE, GetImageError());
    EXPECT_STREQ(L"Icon image size is over the limit! Resize it within 255x255(width x height) pixel. or Crop it!",
                 GetImageErrorText());
    FreeImage(p);

    p = CreateImage(255, 2, 24, 0); // colour i at pixel i; the rest repeat colour 0
    for (int i = 0; i < 257; ++i)
    {
        BYTE* px = GetImageRow(p, i / 255) + 3 * (i % 255);
        px[0] = (BYTE)i;
        px[1] = (BYTE)(i >> 8);
    }
    EXPECT_EQ(-1, SaveImage(p, (m_folder / L"many.ico").c_str()));
    EXPECT_EQ(IMGERR_ICON_COLORS, GetImageError());
    EXPECT_FALSE(FileExists(m_folder / L"wide.ico"));
    EXPECT_FALSE(FileExists(m_folder / L"many.ico"));
    FreeImage(p);
}

TEST_F(ImageSaveTest, MissingFolderSetsCodeThreeAndLeavesNothing)
{
    RasterImage* p = MakeGradient(4, 4, RIF_BOTTOM_UP);
    const std::pair<const wchar_t*, int> cases[] = {
        {L"missing\\a.bmp", IMGERR_FILE_NOT_FOUND}, {L"missing\\a.jpg", IMGERR_FILE_NOT_FOUND},
        {L"missing\\a.ico", IMGERR_WRITE_FILE}};
    for (const auto& c : cases)
    {
        EXPECT_EQ(-1, SaveImage(p, (m_folder / c.first).c_str()));
        EXPECT_EQ(c.second, GetImageError());
    }
    EXPECT_EQ(0, CountFiles(m_folder.Path()));
    FreeImage(p);
}

TEST_F(ImageSaveTest, FailedSaveKeepsTheFileItWouldReplace)
{
    std::wstring path = m_folder.Write(L"keep.bmp", std::string("precious"));
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY);

    RasterImage* p = MakeGradient(4, 4, RIF_BOTTOM_UP);
    EXPECT_EQ(-1, SaveImage(p, path.c_str()));
    EXPECT_NE(0, GetImageError());
    EXPECT_EQ("precious", ReadWholeFile(path));
    EXPECT_EQ(1, CountFiles(m_folder.Path())) << "no temporary file is left behind";
    FreeImage(p);
}

TEST_F(ImageSaveTest, StreamErrorsReturnFailureWithoutEndingTheProcess)
{
    // A stream that refuses writes stands in for a full disk.
    FILE* pFile = _wfopen(m_folder.Write(L"ro.bin", std::string()).c_str(), L"rb");
    ASSERT_NE(nullptr, pFile);

    RasterImage* p = MakeGradient(64, 64, RIF_BOTTOM_UP);
    EXPECT_EQ(-1, WriteJpegStream(p, pFile));
    EXPECT_EQ(IMGERR_WRITE_FILE, GetImageError());
    ClearImageError();
    EXPECT_EQ(-1, WriteBmpStream(p, pFile));
    EXPECT_EQ(IMGERR_WRITE_FILE, GetImageError());
    fclose(pFile);
    FreeImage(p);

    // Depths the JPEG writer cannot read are refused, not overrun.
    p = CreateImage(16, 16, 8, 0);
    EXPECT_EQ(-1, SaveImage(p, (m_folder / L"eight.jpg").c_str()));
    EXPECT_FALSE(FileExists(m_folder / L"eight.jpg"));
    FreeImage(p);
}
