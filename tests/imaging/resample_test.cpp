// Resample shrinking random pictures at every depth against a plain
// reference, long axes, and where a picture opens.
#include <gtest/gtest.h>
#include <windows.h>

#include <random>
#include <vector>

#include "tests/support/pictures.h"
#include "viewer/imaging/view/resample.h"
#include "viewer/imaging/view/view_geometry.h"

namespace {

typedef std::vector<uint8_t> Plane;
// The reference. The table of n pixels shrunk to m: a cell ends where its
// spill w1 is nonzero; -1 marks a cell that ends exactly on the boundary.
std::vector<WeightEntry> RefTable(int n, int m)
{
    std::vector<WeightEntry> t(n);
    for (int i = 0, acc = 0; i < n; i++)
    {
        const int tt = acc + m;
        t[i] = tt > n ? WeightEntry{((n - acc) * 4096) / n, ((tt - n) * 4096) / n}
                      : WeightEntry{(m * 4096) / n, tt == n ? -1 : 0};
        acc = tt >= n ? tt - n : tt;
    }
    return t;
}

// Blue, green, red triples, rows of w * 3 bytes.
Plane RefShrink(const Plane& src, int sw, int sh, int tw, int th)
{
    const auto cols = RefTable(sw, tw), rows = RefTable(sh, th);
    std::vector<uint32_t> cur((tw + 1) * 3), next((tw + 1) * 3);
    Plane dst(static_cast<size_t>(tw) * th * 3, 0);
    int written = 0;
    for (int y = 0; y < sh && written < th; y++)
    {
        const int wy0 = rows[y].w0, wy1 = rows[y].w1;
        int j = 0;
        for (int x = 0; x < sw && j < tw; x++)
        {
            const int wx0 = cols[x].w0, wx1 = cols[x].w1;
            for (int c = 0; c < 3; c++)
            {
                const uint32_t p = src[(static_cast<size_t>(y) * sw + x) * 3 + c];
                cur[j * 3 + c] += p * uint32_t(wy0 * wx0);
                if (wx1 > 0)
                    cur[(j + 1) * 3 + c] += p * uint32_t(wy0 * wx1);
                if (wy1 > 0)
                {
                    next[j * 3 + c] += p * uint32_t(wy1 * wx0);
                    if (wx1 > 0)
                        next[(j + 1) * 3 + c] += p * uint32_t(wy1 * wx1);
                }
            }
            if (wx1 != 0)
                j++;
        }
        if (wy1 != 0)
        {
            for (int k = 0; k < tw * 3; k++)
                dst[static_cast<size_t>(written) * tw * 3 + k] = static_cast<uint8_t>(cur[k] >> 24);
            std::swap(cur, next);
            std::fill(next.begin(), next.end(), 0);
            written++;
        }
    }
    return dst;
}

// A box of a DIB section as a plane from its bottom row, as the kernels walk it.
Plane PlaneOf(HBITMAP hbm, const ViewBox& box)
{
    Plane out;
    for (int r = box.height - 1; r >= 0; r--)
        for (int x = 0; x < box.width; x++)
            for (int shift : {0, 8, 16})
                out.push_back((PixelAt(hbm, box.x + x, box.y + r) >> shift) & 0xFF);
    return out;
}

} // namespace

// Beyond 4096 pixels a spill can truncate to 0 and read as "the cell goes
// on"; every cell must still end exactly once per target pixel.
TEST(WeightTable, LongAxesEndEveryCell)
{
    WeightEntry* t = WeightTable(5001, 64, 1);
    ASSERT_NE(t, nullptr);
    int ends = 0;
    for (int i = 0; i < 5001; i++)
        ends += t[i].w1 != 0;
    EXPECT_EQ(ends, 64);
    FreeWeightTable(t);

    const int sw = 5001, sh = 2, tw = 64, th = 1;
    Plane src(static_cast<size_t>(sw) * sh * 3, 200);
    Plane dst(tw * 3, 7);
    ShrinkPixels(PlainFormat(PIXELS_RGB24), src.data(), sw, sh, sw * 3, dst.data(), tw, th, tw * 3);
    for (uint8_t b : dst)
        EXPECT_TRUE(b >= 197 && b <= 200) << int(b);   // truncation only lowers it
}

// Through Resample: boxes, 16-bit 5-6-5 and 5-5-5, and 32-bit sources plain
// and with bit fields. Enlarging is the renderer's pixel test's.
TEST(Resampler, ResampleBoxesAtEveryDepthMatchReference)
{
    std::mt19937 rng(3);
    const uint32_t masks565[3] = {0xF800, 0x07E0, 0x001F}, masks888[3] = {0xFF0000, 0x00FF00, 0x0000FF};
    const struct { int bits; const uint32_t* masks; } depths[] = {
        {24, nullptr}, {16, masks565}, {16, nullptr}, {32, nullptr}, {32, masks888}};
    for (const auto& depth : depths)
        for (int k = 0; k < 10; k++)
        {
            const int w = 20 + rng() % 60, h = 20 + rng() % 60;
            HBITMAP hbm = MakeDib(w, h, depth.bits, depth.masks);
            DIBSECTION ds;
            ASSERT_EQ(GetObjectW(hbm, sizeof(ds), &ds), (int)sizeof(ds));
            for (int i = 0; i < ds.dsBm.bmWidthBytes * h; i++)
                static_cast<uint8_t*>(ds.dsBm.bmBits)[i] = static_cast<uint8_t>(rng());
            ViewBox box = {static_cast<int32_t>(rng() % 10), static_cast<int32_t>(rng() % 10), 0, 0};
            box.width = 1 + rng() % (w - box.x);
            box.height = 1 + rng() % (h - box.y);
            const int tw = 1 + rng() % box.width, th = 1 + rng() % box.height;
            const Plane src = PlaneOf(hbm, box);
            HBITMAP hbmOut = Resample(hbm, tw, th, &box);
            ASSERT_NE(hbmOut, nullptr) << depth.bits;
            EXPECT_EQ(PlaneOf(hbmOut, ViewBox{0, 0, tw, th}), RefShrink(src, box.width, box.height, tw, th))
                << depth.bits << " bits" << (depth.masks ? " with masks" : "") << ", case " << k;
            DeleteObject(hbmOut);
            DeleteObject(hbm);
        }
}

// Beyond three screens the side positions centre on the outer thirds, up to
// three they show the corner; offsets are in screen pixels; positions
// outside 1..9 count as 1.
TEST(ViewGeometry, InitialOriginPositions)
{
    const struct { int w, h; double zoom; int position; int32_t x, y; } cases[] = {
        {1000, 500, 1.0, 5, 500 - 120, 250 - 134},
        {1000, 500, 1.0, 1, (333 - 240) / 2, 0},
        {1000, 500, 1.0, 9, 1000 - 240 - 46, 500 - 268},
        {600, 500, 2.0, 6, (600 - 120) / 2, (1000 - 268 - (333 - 268) / 2) / 2},
        {600, 500, 1.0, 10, 0, 0},
    };
    for (const auto& c : cases)
    {
        int32_t x = -1, y = -1;
        InitialOrigin(c.w, c.h, c.zoom, 240, 268, c.position, &x, &y);
        EXPECT_TRUE(c.x == x && c.y == y) << c.w << "x" << c.h << " zoom " << c.zoom << " position " << c.position
                                          << ": " << x << "," << y;
    }
}
