// The effects' frame schedules, computed by the code the effects draw with.
#include <gtest/gtest.h>

#include <vector>

#include "viewer/extras/transition_schedule.h"

namespace {

const int32_t kSteps = 25; // 1000 ms at 25 frames per second

std::vector<int32_t> CoverBands(int32_t nExtent)
{
    CoverStepper step;
    CoverStart(&step, nExtent, kSteps);
    std::vector<int32_t> bands;
    int32_t nBand;
    while (CoverNextBand(&step, &nBand) && bands.size() < 10000)
        bands.push_back(nBand);
    return bands;
}

std::vector<int32_t> UncoverOffsets(int32_t nExtent)
{
    UncoverStepper step;
    UncoverStart(&step, nExtent, kSteps);
    std::vector<int32_t> offsets;
    int32_t nOffset;
    while (UncoverNextOffset(&step, &nOffset) && offsets.size() < 10000)
        offsets.push_back(nOffset);
    return offsets;
}

} // namespace

std::vector<int32_t> First(const std::vector<int32_t>& v, size_t n)
{
    return std::vector<int32_t>(v.begin(), v.begin() + (n < v.size() ? n : v.size()));
}

// Bands and offsets step by whole pixels of the extent (12 for 320, not
// 12.8); the uncover offsets carry the fractions over.
TEST(TransitionSchedule, CoverBandsAndUncoverOffsets)
{
    std::vector<int32_t> bands = CoverBands(240);
    ASSERT_EQ(27u, bands.size());
    EXPECT_EQ((std::vector<int32_t>{0, 10, 19, 28}), First(bands, 4));
    EXPECT_EQ(235, bands.back());
    bands = CoverBands(320);
    EXPECT_EQ((std::vector<int32_t>{0, 13, 25}), First(bands, 3));
    EXPECT_EQ(313, bands.back());

    std::vector<int32_t> left = UncoverOffsets(240);
    ASSERT_EQ(26u, left.size());
    EXPECT_EQ((std::vector<int32_t>{0, 9, 19, 28, 38, 48, 57}), First(left, 7));
    EXPECT_EQ(230, left[24]);
    EXPECT_EQ(239, left[25]);
    std::vector<int32_t> up = UncoverOffsets(320);
    ASSERT_EQ(25u, up.size());
    EXPECT_EQ((std::vector<int32_t>{0, 12, 25, 38}), First(up, 4));
    EXPECT_EQ(307, up.back());

    // The band enters at the right edge and carries the new picture's left
    // part; the first frame is empty.
    EffectRect dest;
    int32_t xSrc, ySrc;
    CoverFrameRects(EFFECT_COVER_LEFT, 240, 320, 19, &dest, &xSrc, &ySrc);
    EXPECT_EQ(221, dest.x);
    EXPECT_EQ(19, dest.cx);
    EXPECT_EQ(320, dest.cy);
    EXPECT_EQ(0, xSrc);
    CoverFrameRects(EFFECT_COVER_LEFT, 240, 320, 0, &dest, &xSrc, &ySrc);
    EXPECT_EQ(0, dest.cx);
}

TEST(TransitionSchedule, BlindsDrawEveryTenthLineThickening)
{
    int nStrips = 0;
    EffectRect strip;
    while (BlindStrip(true, 240, 320, nStrips, 4, &strip))
    {
        EXPECT_EQ(nStrips * 10, strip.y);
        EXPECT_EQ(4, strip.cy);
        EXPECT_EQ(240, strip.cx);
        ++nStrips;
    }
    EXPECT_EQ(32, nStrips) << "y = 0 to 310";
    nStrips = 0;
    while (BlindStrip(false, 240, 320, nStrips, 9, &strip))
        ++nStrips;
    EXPECT_EQ(24, nStrips);
    EXPECT_EQ(230, strip.x);
    EXPECT_EQ(9, strip.cx);
    EXPECT_EQ(320, strip.cy);
}

TEST(TransitionSchedule, RandomPicksOnlyTheMovingEffects)
{
    bool rgSeen[12] = {};
    for (uint32_t dwTick : {0u, 1u, 9u, 10u, 4294967295u, 4294967290u, 123457u})
        rgSeen[RandomEffectFor(dwTick)] = true;
    for (uint32_t dwTick = 0; dwTick < 1000; ++dwTick)
    {
        uint32_t nEffect = RandomEffectFor(dwTick * 7919u);
        ASSERT_GE(nEffect, 2u);
        ASSERT_LE(nEffect, 11u);
        rgSeen[nEffect] = true;
    }
    EXPECT_FALSE(rgSeen[0]);
    EXPECT_FALSE(rgSeen[1]);
    for (int i = 2; i < 12; ++i)
        EXPECT_TRUE(rgSeen[i]) << "effect " << i;
}

// An area narrower than the step count still fills, and an empty one ends
// at once, instead of running until the show is stopped.
TEST(TransitionSchedule, TinyAreasEnd)
{
    EXPECT_EQ(1, EffectStepCount(10, 25)) << "never zero steps";
    std::vector<int32_t> bands = CoverBands(10);
    ASSERT_EQ(10u, bands.size());
    EXPECT_EQ(10, bands.back());
    EXPECT_TRUE(CoverBands(0).empty());
    std::vector<int32_t> one = UncoverOffsets(1);
    EXPECT_GE(one.size(), 25u);
    EXPECT_LE(one.size(), 26u);
    EXPECT_TRUE(UncoverOffsets(0).empty());
}
