#include <gtest/gtest.h>

#include <windows.h>

#include "viewer/common/image_error.h"
#include "viewer/extras/raster_image.h"

TEST(RasterImage, DepthsGiveFormatMasksAndPalette)
{
    struct
    {
        int bits;
        DWORD format, blue, green, red, alpha;
        LONG palette;
    } rgCases[] = {
        {1, RIPF_PALETTE, 0, 0, 0, 0, 2},
        {4, RIPF_PALETTE, 0, 0, 0, 0, 16},
        {8, RIPF_PALETTE, 0, 0, 0, 0, 256},
        {15, RIPF_555, 0x1F, 0x3E0, 0x7C00, 0, 0},
        {16, RIPF_565, 0x1F, 0x7E0, 0xF800, 0, 0},
        {24, RIPF_24, 0xFF, 0xFF00, 0xFF0000, 0, 0},
        {32, RIPF_32, 0xFF, 0xFF00, 0xFF0000, 0xFF000000, 0},
        {12, RIPF_NONE, 0, 0, 0, 0, 0},
    };
    for (const auto& c : rgCases)
    {
        RasterImage* p = CreateImage(10, 3, c.bits, 0);
        ASSERT_NE(nullptr, p);
        EXPECT_EQ(c.format, p->pixelFormat) << c.bits;
        EXPECT_EQ(c.blue, p->blueMask) << c.bits;
        EXPECT_EQ(c.green, p->greenMask) << c.bits;
        EXPECT_EQ(c.red, p->redMask) << c.bits;
        EXPECT_EQ(c.alpha, p->alphaMask) << c.bits;
        EXPECT_EQ(c.palette, p->paletteCount) << c.bits;
        EXPECT_EQ((c.bits + 7) / 8, p->bytesPerPixel);
        EXPECT_EQ(0, p->stride % 4);
        EXPECT_EQ(p->stride * 3, p->imageSize);
        EXPECT_EQ(10, p->rowWidth);
        EXPECT_EQ(0, GetImageError());
        FreeImage(p);
    }
}

TEST(RasterImage, StrideIsPaddedToFourBytes)
{
    // 3 x 24 bits: 9 bytes of pixels, 12 with padding.
    const struct { LONG w, bits, stride, paletteBytes; } cases[] = {
        {1, 1, 4, 8}, {32, 1, 4, 8}, {33, 1, 8, 8}, {3, 24, 12, 0}, {240, 24, 720, 0}};
    for (const auto& c : cases)
    {
        RasterImage* p = CreateImage(c.w, 2, c.bits, 0);
        EXPECT_EQ(c.stride, p->stride) << c.w << " x " << c.bits;
        EXPECT_EQ(c.stride * 2, p->imageSize) << c.w << " x " << c.bits;
        EXPECT_EQ(c.paletteBytes, GetPaletteBytes(p)) << c.w << " x " << c.bits;
        FreeImage(p);
    }
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

TEST(RasterImage, MaskFollowsTheOwnersRowOrder)
{
    RasterImage* p = CreateImage(5, 4, 24, RIF_HAS_MASK | RIF_BOTTOM_UP);
    ASSERT_NE(nullptr, p->maskImage);
    EXPECT_EQ(1, p->maskImage->bitsPerPixel);
    EXPECT_EQ(RIF_BOTTOM_UP, p->maskImage->flags);
    EXPECT_EQ(0, ResetImage(p, 7, 2, 8, RIF_HAS_MASK));
    ASSERT_NE(nullptr, p->maskImage);
    EXPECT_EQ(0u, p->maskImage->flags);
    EXPECT_EQ(7, p->maskImage->width);
    FreeImage(p);
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

TEST(RasterImage, AttachDibSectionBorrowsTheSectionsBits)
{
    RasterImage* p = CreateImage(3, 2, 24, 0);
    GetImageRow(p, 0)[0] = 0x42; // top-down for now
    HDC hdc = GetDC(NULL);
    HBITMAP hbm = AttachDibSection(p, hdc);
    ReleaseDC(NULL, hdc);
    ASSERT_NE(nullptr, hbm);
    EXPECT_TRUE(p->flags & RIF_BORROWED);
    EXPECT_TRUE(p->flags & RIF_BOTTOM_UP);
    EXPECT_EQ(12, p->stride);

    DIBSECTION ds = {};
    ASSERT_EQ((int)sizeof(ds), GetObjectW(hbm, sizeof(ds), &ds));
    EXPECT_EQ(ds.dsBm.bmBits, p->pixels);
    // The bytes were copied as stored: memory row 0 is now the bottom row.
    EXPECT_EQ(0x42, static_cast<BYTE*>(ds.dsBm.bmBits)[0]);
    EXPECT_EQ(0x42, GetImageRow(p, 1)[0]);

    FreeImage(p); // must not free the section's bits
    BITMAP bm;
    EXPECT_NE(0, GetObjectW(hbm, sizeof(bm), &bm));
    EXPECT_TRUE(DeleteObject(hbm));
    EXPECT_EQ(nullptr, AttachDibSection(NULL, NULL));
}
