#include <gtest/gtest.h>

#include <windows.h>

#include "viewer/common/image_error.h"
#include "viewer/extras/raster_image.h"

// Rows are padded to four bytes; palette depths carry 2^bits entries.
TEST(RasterImage, StrideAndPaletteFollowTheDepth)
{
    const struct { LONG w, bits, stride, paletteBytes; } cases[] = {
        {1, 1, 4, 8}, {33, 1, 8, 8}, {3, 24, 12, 0}, {7, 8, 8, 1024}, {3, 16, 8, 0}, {3, 32, 12, 0}};
    for (const auto& c : cases)
    {
        RasterImage* p = CreateImage(c.w, 2, c.bits, 0);
        ASSERT_NE(nullptr, p);
        EXPECT_EQ(c.stride, p->stride) << c.w << " x " << c.bits;
        EXPECT_EQ(c.stride * 2, p->imageSize) << c.w << " x " << c.bits;
        EXPECT_EQ(c.paletteBytes, GetPaletteBytes(p)) << c.w << " x " << c.bits;
        FreeImage(p);
    }
    RasterImage* p = CreateImage(10, 3, 12, 0);
    EXPECT_EQ((DWORD)RIPF_NONE, p->pixelFormat) << "no such depth";
    FreeImage(p);
}

TEST(RasterImage, SizesThatDoNotFitAreRefused)
{
    RasterImage* p = CreateImage(100000, 100000, 24, RIF_HAS_MASK);
    ASSERT_NE(nullptr, p);
    EXPECT_EQ(nullptr, p->pixels);
    EXPECT_EQ(IMGERR_NO_MEMORY, GetImageError());
    EXPECT_EQ(nullptr, p->maskImage);
    FreeImage(p);

    p = CreateImage(-5, 10, 24, 0);
    EXPECT_EQ(nullptr, p->pixels);
    EXPECT_EQ(IMGERR_NO_MEMORY, GetImageError());
    FreeImage(p);

    EXPECT_EQ(-1, ResetImage(NULL, 1, 1, 24, 0));
    EXPECT_EQ(IMGERR_NULL_OBJECT, GetImageError());
    EXPECT_EQ(0, GetPaletteBytes(NULL));
    EXPECT_EQ(IMGERR_NULL_OBJECT, GetImageError());
    FreeImage(NULL);
    EXPECT_EQ(nullptr, GetImageRow(NULL, 0));
}

TEST(RasterImage, RowsAndPixelsFollowTheLogicalOrder)
{
    RasterImage* p = CreateImage(2, 3, 24, RIF_BOTTOM_UP);
    // Logical row 0 is the last memory row of a bottom-up image.
    EXPECT_EQ(p->pixels + 2 * p->stride, GetImageRow(p, 0));
    EXPECT_EQ(p->pixels, GetImageRow(p, 2));
    EXPECT_EQ(nullptr, GetImageRow(p, 3));
    EXPECT_EQ(nullptr, GetImageRow(p, -1));
    BYTE* pRow = GetImageRow(p, 0);
    pRow[3] = 0x11; // pixel 1: bytes 0x11 0x22 0x33
    pRow[4] = 0x22;
    pRow[5] = 0x33;
    EXPECT_EQ(0x112233u, GetImagePixel(p, 1, 0));
    EXPECT_EQ(0u, GetImagePixel(p, 2, 0));
    FreeImage(p);

    p = CreateImage(9, 1, 1, 0);
    p->pixels[1] = 0x80; // the ninth pixel
    EXPECT_EQ(0xFFFFFFu, GetImagePixel(p, 8, 0));
    EXPECT_EQ(0u, GetImagePixel(p, 7, 0));
    FreeImage(p);
}

TEST(RasterImage, BrightnessScalesEveryByteAndClamps)
{
    RasterImage* p = CreateImage(2, 1, 24, 0);
    p->pixels[0] = 200;
    p->pixels[1] = 0;
    p->pixels[2] = 255;
    p->pixels[6] = 100; // padding byte: scaled too
    AdjustBrightness(p, -30);
    EXPECT_EQ(140, p->pixels[0]);
    EXPECT_EQ(0, p->pixels[1]);
    EXPECT_EQ(178, p->pixels[2]);
    EXPECT_EQ(70, p->pixels[6]);
    p->pixels[0] = 200;
    AdjustBrightness(p, 50);
    EXPECT_EQ(255, p->pixels[0]);
    AdjustBrightness(p, -200);
    EXPECT_EQ(0, p->pixels[0]);
    FreeImage(p);
    AdjustBrightness(NULL, 10);
}

TEST(RasterImage, CountColorsSeesOnlyVisiblePixels)
{
    RasterImage* p = CreateImage(4, 1, 24, RIF_HAS_MASK);
    BYTE* pRow = GetImageRow(p, 0);
    for (int x = 0; x < 4; ++x)
        pRow[3 * x] = (BYTE)(x * 10); // four colours
    EXPECT_EQ(0, CountColors(p, 256)) << "nothing is visible yet";
    p->maskImage->pixels[0] = 0xE0; // pixels 0, 1, 2 visible
    EXPECT_EQ(3, CountColors(p, 256));
    EXPECT_EQ(3, CountColors(p, 2)) << "more than the limit gives limit + 1";
    EXPECT_EQ(1, CountColors(p, 0));
    EXPECT_EQ(0, CountColors(p, 257));
    EXPECT_EQ(0, CountColors(NULL, 10));
    FreeImage(p);
}
