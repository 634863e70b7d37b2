// Resampler: a slow, straightforward reference compared with the weight
// tables, every kernel and Resample on random pictures, and the edge cases.
#include <gtest/gtest.h>

#include <windows.h>

#include <random>
#include <thread>

#include "tests/imaging/test_pictures.h"
#include <vector>

#include "viewer/imaging/resample.h"

namespace {

typedef std::vector<uint8_t> Plane;

// The reference: one pass per pixel, no shortcuts. A cell ends where its
// spill w1 is nonzero; -1 marks a cell that ends exactly on the boundary.

std::vector<WeightEntry> RefTable(int n, int m, bool reducing)
{
    std::vector<WeightEntry> t(n);
    const int unit = reducing ? (m * 4096) / n : 4096;
    const int d = reducing ? n : m;
    int acc = 0;
    for (int i = 0; i < n; i++)
    {
        int tt = acc + m;
        if (tt > n)
        {
            t[i].w0 = ((n - acc) * 4096) / d;
            tt -= n;
            t[i].w1 = (tt * 4096) / d;
        }
        else if (tt == n)
        {
            t[i].w0 = unit;
            t[i].w1 = -1;
            tt = 0;
        }
        else
        {
            t[i].w0 = unit;
            t[i].w1 = 0;
        }
        acc = tt;
    }
    return t;
}

// Pixels as blue, green, red triples, rows of w * 3 bytes, walked upwards in
// memory like the kernels do.
Plane RefShrink(const Plane& src, int sw, int sh, int tw, int th)
{
    const auto cols = RefTable(sw, tw, true), rows = RefTable(sh, th, true);
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

Plane RefEnlarge(const Plane& src, int sw, int sh, int tw, int th)
{
    const auto cols = RefTable(tw, sw, false), rows = RefTable(th, sh, false);
    Plane dst(static_cast<size_t>(tw) * th * 3, 0);
    auto p = [&](int k, int s, int c) -> uint32_t { return src[(static_cast<size_t>(k) * sw + s) * 3 + c]; };
    int k = 0;
    for (int y = 0; y < th && k < sh; y++)
    {
        const int wy0 = rows[y].w0, wy1 = rows[y].w1;
        int s = 0;
        for (int x = 0; x < tw && s < sw; x++)
        {
            const int wx0 = cols[x].w0, wx1 = cols[x].w1;
            for (int c = 0; c < 3; c++)
            {
                uint32_t v = p(k, s, c) * uint32_t(wy0 * wx0);
                if (wx1 > 0)
                    v += p(k, s + 1, c) * uint32_t(wy0 * wx1);
                if (wy1 > 0)
                    v += p(k + 1, s, c) * uint32_t(wy1 * wx0);
                if (wx1 > 0 && wy1 > 0)
                    v += p(k + 1, s + 1, c) * uint32_t(wy1 * wx1);
                dst[(static_cast<size_t>(y) * tw + x) * 3 + c] = static_cast<uint8_t>(v >> 24);
            }
            if (wx1 != 0)
                s++;
        }
        if (wy1 != 0)
            k++;
    }
    return dst;
}

uint8_t* Bits(HBITMAP hbm, int* pStride)
{
    DIBSECTION ds;
    GetObjectW(hbm, sizeof(ds), &ds);
    *pStride = ds.dsBm.bmWidthBytes;
    return static_cast<uint8_t*>(ds.dsBm.bmBits);
}

// Plane of the memory rows of a 24-bit bitmap (row 0 = first memory row).
Plane ReadPlane(HBITMAP hbm, int w, int h)
{
    int stride;
    const uint8_t* p = Bits(hbm, &stride);
    Plane out(static_cast<size_t>(w) * h * 3);
    for (int y = 0; y < h; y++)
        memcpy(&out[static_cast<size_t>(y) * w * 3], p + static_cast<ptrdiff_t>(y) * stride, w * 3);
    return out;
}

} // namespace

// Both directions have m <= n (source/target for reduction, target/source
// for enlargement).
TEST(WeightTable, MatchesTheReference)
{
    std::mt19937 rng(7);
    for (int k = 0; k < 200; k++)
    {
        const int n = 1 + rng() % 4000, m = 1 + rng() % n;
        for (int reducing = 0; reducing < 2; reducing++)
        {
            auto ref = RefTable(n, m, reducing);
            WeightEntry* t = WeightTable(n, m, reducing);
            ASSERT_NE(t, nullptr);
            for (int i = 0; i < n; i++)
            {
                ASSERT_EQ(t[i].w0, ref[i].w0) << n << " " << m << " " << i;
                ASSERT_EQ(t[i].w1, ref[i].w1) << n << " " << m << " " << i;
            }
            FreeWeightTable(t);
        }
    }
}

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

// Through Resample: box arithmetic, 16-bit 5-6-5 and 5-5-5, and the 32-bit
// sources of desktop displays, plain and with bit fields.
TEST(Resampler, ResampleBoxesAtEveryDepthMatchReference)
{
    std::mt19937 rng(3);
    const uint32_t masks565[3] = {0xF800, 0x07E0, 0x001F};
    const uint32_t masks888[3] = {0xFF0000, 0x00FF00, 0x0000FF};
    for (int depth : {24, 16, 1555, 32, 2032})
    {
        for (int k = 0; k < 24; k++)
        {
            const int w = 20 + rng() % 60, h = 20 + rng() % 60;
            // 2032: 32 bits with explicit 8-8-8 bit fields; 1555: 16 bits 5-5-5.
            const int bits = depth == 1555 ? 16 : depth == 2032 ? 32 : depth;
            HBITMAP hbm = MakeDib(w, h, bits, depth == 16 ? masks565 : depth == 2032 ? masks888 : nullptr);
            ASSERT_NE(hbm, nullptr);
            int stride;
            uint8_t* p = Bits(hbm, &stride);
            for (int i = 0; i < stride * h; i++)
                p[i] = static_cast<uint8_t>(rng());
            ViewBox box = {static_cast<int32_t>(rng() % 10), static_cast<int32_t>(rng() % 10), 0, 0};
            box.width = 1 + rng() % (w - box.x);
            box.height = 1 + rng() % (h - box.y);
            const bool shrink = k % 2 == 0;
            const int tw = shrink ? 1 + rng() % box.width : box.width + rng() % 50;
            const int th = shrink ? 1 + rng() % box.height : box.height + rng() % 50;
            // The box as a plane walked upwards from its bottom display row
            // (memory row h - 1 - display row), 16-bit channels widened by a
            // left shift.
            const int gBits = depth == 16 ? 6 : 5, rShift = depth == 16 ? 11 : 10;
            Plane src(static_cast<size_t>(box.width) * box.height * 3);
            for (int r = 0; r < box.height; r++)
            {
                const uint8_t* row = p + static_cast<ptrdiff_t>(h - box.y - box.height + r) * stride;
                for (int x = 0; x < box.width; x++)
                {
                    uint8_t* o = &src[(static_cast<size_t>(r) * box.width + x) * 3];
                    const int sx = box.x + x;
                    if (bits != 16)
                    {
                        memcpy(o, row + sx * (bits / 8), 3);
                        continue;
                    }
                    const uint16_t v = reinterpret_cast<const uint16_t*>(row)[sx];
                    o[0] = static_cast<uint8_t>((v & 0x1F) << 3);
                    o[1] = static_cast<uint8_t>(((v >> 5) & ((1 << gBits) - 1)) << (8 - gBits));
                    o[2] = static_cast<uint8_t>(((v >> rShift) & 0x1F) << 3);
                }
            }
            HBITMAP hbmOut = Resample(hbm, tw, th, &box);
            ASSERT_NE(hbmOut, nullptr) << depth;
            const Plane want = shrink ? RefShrink(src, box.width, box.height, tw, th)
                                      : RefEnlarge(src, box.width, box.height, tw, th);
            EXPECT_EQ(ReadPlane(hbmOut, tw, th), want) << "depth " << depth << " case " << k;
            DeleteObject(hbmOut);
            DeleteObject(hbm);
        }
    }
}

TEST(Resampler, EqualSizeCopiesTheBox)
{
    std::mt19937 rng(4);
    HBITMAP hbm = MakeDib(30, 20, 24);
    int stride;
    uint8_t* p = Bits(hbm, &stride);
    for (int i = 0; i < stride * 20; i++)
        p[i] = static_cast<uint8_t>(rng());
    const ViewBox box = {5, 3, 12, 9};
    HBITMAP out = Resample(hbm, 12, 9, &box);
    ASSERT_NE(out, nullptr);
    int outStride;
    const uint8_t* q = Bits(out, &outStride);
    for (int y = 0; y < 9; y++)
    {
        // Display row y of the target is display row box.y + y of the source.
        const uint8_t* srcRow = p + static_cast<ptrdiff_t>(20 - 1 - (box.y + y)) * stride + box.x * 3;
        const uint8_t* dstRow = q + static_cast<ptrdiff_t>(9 - 1 - y) * outStride;
        EXPECT_EQ(memcmp(srcRow, dstRow, 12 * 3), 0) << y;
    }
    DeleteObject(out);
    DeleteObject(hbm);
}

TEST(Resampler, MixedDirectionsAndNullBoxGiveNull)
{
    HBITMAP hbm = MakeDib(300, 300, 24);
    const ViewBox box = {0, 0, 200, 100};
    EXPECT_EQ(Resample(hbm, 100, 150, &box), nullptr);
    const ViewBox box2 = {0, 0, 100, 200};
    EXPECT_EQ(Resample(hbm, 150, 100, &box2), nullptr);
    EXPECT_EQ(Resample(hbm, 100, 100, nullptr), nullptr);
    const ViewBox outside = {250, 0, 100, 100};
    EXPECT_EQ(Resample(hbm, 50, 50, &outside), nullptr);
    DeleteObject(hbm);
}

TEST(Resampler, ReducingRoutinesClearTheFlagEnlargingOnesObeyIt)
{
    Plane src(4 * 4 * 3, 90);
    Plane dst(2 * 2 * 3, 0);
    SetResampleAbort(1);
    ShrinkPixels(PlainFormat(PIXELS_RGB24), src.data(), 4, 4, 12, dst.data(), 2, 2, 6);
    EXPECT_EQ(GetResampleAbort(), 0);
    EXPECT_EQ(dst[0], 90);

    Plane big(8 * 8 * 3, 0xAB);
    SetResampleAbort(1);
    EnlargePixels(PlainFormat(PIXELS_RGB24), src.data(), 4, 4, 12, big.data(), 8, 8, 24);
    EXPECT_EQ(GetResampleAbort(), 1);
    EXPECT_EQ(big, Plane(8 * 8 * 3, 0xAB)) << "an aborted enlargement writes nothing";
    SetResampleAbort(0);
}

TEST(Resampler, AbortFromAnotherThreadStopsAShrink)
{
    const int sw = 4000, sh = 3000;
    Plane src(static_cast<size_t>(sw) * sh * 3, 50);
    Plane dst(240 * 180 * 3, 0xEE);
    volatile int32_t flag = 0;
    // Stop as soon as the first target row appears: deterministic however
    // fast the machine is.
    std::thread stopper([&] {
        volatile uint8_t* first = dst.data();
        while (*first == 0xEE)
            YieldProcessor();
        flag = 1;
    });
    ShrinkPixels(PlainFormat(PIXELS_RGB24), src.data(), sw, sh, sw * 3, dst.data(), 240, 180, 240 * 3, &flag);
    stopper.join();
    EXPECT_EQ(flag, 1);
    EXPECT_EQ(dst.back(), 0xEE) << "the last rows are not written after an abort";
}
