// The image file library: raster records, the writers and the JPEG loader.
// The written pixels are read back by ImageMagick (host_readback); here the
// choice of writer, the sizes, and what a failed save leaves behind.
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

// Sizes whose bytes do not fit are refused rather than wrapped.
TEST(RasterImage, HugeSizesAreRefused)
{
    for (LONG w : {100000, -5})
    {
        RasterImage* p = CreateImage(w, 100000, 24, RIF_HAS_MASK);
        EXPECT_TRUE(p && !p->pixels && !p->maskImage) << w;
        EXPECT_EQ(IMGERR_NO_MEMORY, GetImageError());
        FreeImage(p);
    }
}

TEST_F(ImageSaveTest, ExtensionChoosesTheWriter)
{
    CreateDirectoryW((m_folder / L"My.Docs").c_str(), NULL);
    EXPECT_EQ(0, SaveImage(m_p, (m_folder / L"My.Docs\\a.bmp").c_str()));
    EXPECT_EQ("BM", ReadWholeFile(m_folder / L"My.Docs\\a.bmp").substr(0, 2));
    EXPECT_EQ(0, SaveImage(m_p, (m_folder / L"A.JPG").c_str()));
    EXPECT_EQ("\xFF\xD8", ReadWholeFile(m_folder / L"A.JPG").substr(0, 2));
    EXPECT_EQ(0, GetImageError());
    SetImageError(IMGERR_AREA); // must survive the refusals below
    for (const wchar_t* name : {L"a.png", L"noext", L"My.Docs\\b", L"c.abcdefghijklmnop"})
        EXPECT_EQ(-1, SaveImage(m_p, (m_folder / name).c_str())) << name;
    EXPECT_EQ(-1, SaveImage(NULL, (m_folder / L"a.bmp").c_str()));
    EXPECT_EQ(IMGERR_AREA, GetImageError());
    EXPECT_EQ(2, CountFiles(m_folder.Path())) << "the refusals wrote nothing";
}

// Icons too wide or of more than 256 colours, and files in a missing folder,
// are refused with their codes and leave nothing.
TEST_F(ImageSaveTest, MissingFolderSetsCodeThreeAndLeavesNothing)
{
    RasterImage* pWide = CreateImage(256, 16, 24, 0);
    RasterImage* pMany = CreateImage(255, 2, 24, 0); // colour i at pixel i; the rest repeat colour 0
    for (int i = 0; i < 257; ++i)
        memcpy(GetImageRow(pMany, i / 255) + 3 * (i % 255), &i, 2);
    const struct { RasterImage* p; const wchar_t* name; int nCode; } cases[] = {
        {m_p, L"missing\\a.bmp", IMGERR_FILE_NOT_FOUND}, {m_p, L"missing\\a.jpg", IMGERR_FILE_NOT_FOUND},
        {m_p, L"missing\\a.ico", IMGERR_WRITE_FILE}, {pWide, L"wide.ico", IMGERR_ICON_SIZE},
        {pMany, L"many.ico", IMGERR_ICON_COLORS}};
    for (const auto& c : cases)
    {
        EXPECT_EQ(-1, SaveImage(c.p, (m_folder / c.name).c_str())) << c.name;
        EXPECT_EQ(c.nCode, GetImageError()) << c.name;
    }
    EXPECT_EQ(0, CountFiles(m_folder.Path()));
    FreeImage(pWide);
    FreeImage(pMany);
}

TEST_F(ImageSaveTest, FailedSaveKeepsTheFileItWouldReplace)
{
    std::wstring path = m_folder.Write(L"keep.bmp", std::string("precious"));
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(-1, SaveImage(m_p, path.c_str()));
    EXPECT_NE(0, GetImageError());
    EXPECT_EQ("precious", ReadWholeFile(path));
    EXPECT_EQ(1, CountFiles(m_folder.Path())) << "no temporary file is left behind";
}

TEST_F(ImageSaveTest, StreamErrorsReturnFailureWithoutEndingTheProcess)
{
    // A stream that refuses writes stands in for a full disk.
    FILE* pFile = _wfopen(m_folder.Write(L"ro.bin", std::string()).c_str(), L"rb");
    ASSERT_NE(nullptr, pFile);
    EXPECT_EQ(-1, WriteJpegStream(m_p, pFile));
    EXPECT_EQ(IMGERR_WRITE_FILE, GetImageError());
    ClearImageError();
    EXPECT_EQ(-1, WriteBmpStream(m_p, pFile));
    EXPECT_EQ(IMGERR_WRITE_FILE, GetImageError());
    fclose(pFile);
    // Depths the JPEG writer cannot read are refused, not overrun.
    RasterImage* p = CreateImage(16, 16, 8, 0);
    EXPECT_EQ(-1, SaveImage(p, (m_folder / L"eight.jpg").c_str()));
    EXPECT_FALSE(FileExists(m_folder / L"eight.jpg"));
    FreeImage(p);
}

// Colour, grey and CMYK pictures (red over blue halves; CMYK (255, 0, 0, 200)
// is red scaled by black) load as bottom-up blue, green, red rows padded to
// four bytes, every pixel visible. Bad files fail and leak nothing.
TEST_F(ImageSaveTest, JpegLoadsAsBlueGreenRedAndBadFilesFailWithoutLeaking)
{
    const struct { JpegKind kind; uint32_t top, bottom, wantTop, wantBottom; } cases[] = {
        {JPEG_RGB, 0xFF0000, 0x0000FF, 0xFF0000, 0x0000FF},
        {JPEG_GREY, 40, 200, 0x282828, 0xC8C8C8},
        {JPEG_CMYK, 0xFF0000C8, 0x0000FFC8, 0xC80000, 0x0000C8}};
    for (const auto& c : cases)
    {
        const std::wstring path = m_folder.Write(L"p.jpg", MakeJpeg(7, 32, c.kind, [&](int, int y) {
            return y < 16 ? c.top : c.bottom; }, false, 100));
        ASSERT_EQ(0, LoadJpegImage(m_p, path.c_str())) << c.kind;
        EXPECT_TRUE(m_p->width == 7 && m_p->height == 32 && m_p->bitsPerPixel == 24 && m_p->stride == 24 &&
                    m_p->flags == (RIF_HAS_MASK | RIF_BOTTOM_UP));
        EXPECT_EQ(m_p->pixels + 31 * 24, GetImageRow(m_p, 0)) << "row 0 is the last in memory";
        for (LONG y : {2, 29})
        {
            const BYTE* px = GetImageRow(m_p, y) + 3 * 5;
            const uint32_t rgb = px[2] << 16 | px[1] << 8 | px[0];
            EXPECT_TRUE(Near(rgb, y < 16 ? c.wantTop : c.wantBottom, 6)) << c.kind << " " << y << std::hex << " " << rgb;
            EXPECT_TRUE(IsImagePixelVisible(m_p, 5, y));
        }
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
