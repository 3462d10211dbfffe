// The fade curve, the sample/microsecond conversions and the joining of two regions.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "engine/core/mix/FadeCurve.h"
#include "engine/core/mix/FadeRegion.h"

namespace {

TEST(FadeCurve, RaisedCosineFromOneDownToNearlyZero)
{
    const float* curve = FadeCurve();
    EXPECT_EQ(curve[0], 1.0f);
    EXPECT_NEAR(curve[512], 0.5f, 1e-7);
    EXPECT_NEAR(curve[1023], 0.0000023f, 0.0000001f);
    for (int k = 1; k < kFadeCurveLength; ++k)
        ASSERT_LT(curve[k], curve[k - 1]) << "entry " << k;
    for (int k = 0; k < kFadeCurveLength; ++k) {
        const double expected = (1.0 + std::cos(std::numbers::pi * k / 1024.0)) / 2.0;
        ASSERT_NEAR(curve[k], expected, 1e-7) << "entry " << k;
    }
}

TEST(FadeCurve, FadeInAndFadeOutOfOneLengthSumToUnity)
{
    const float* curve = FadeCurve();
    for (LONGLONG n : {1, 2, 100, 512, 1000, 1023, 1024, 1025, 1500, 2048, 4099}) {
        float highest = 0.0f;
        for (LONGLONG j = 0; j < n; ++j) {
            const float sum = curve[FadeOutIndex(j, n)] + curve[FadeInIndex(j, n)];
            ASSERT_GE(sum, 1.0f - 1e-6f) << "length " << n << " sample " << j;
            ASSERT_LE(sum, 1.0016f) << "length " << n << " sample " << j;
            highest = std::max(highest, sum);
        }
        if (n >= 1024) {
            EXPECT_GT(highest, 1.001f) << "the table's own overshoot shows at length " << n;
        }
    }
}

TEST(FadeCurve, CommonLengthWalksTheTableOneEntryAtATimeAndHalfLengthTwo)
{
    for (LONGLONG j = 0; j < 1024; ++j) {
        ASSERT_EQ(FadeOutIndex(j, 1024), j);
        ASSERT_EQ(FadeInIndex(j, 1024), 1023 - j);
    }
    for (LONGLONG j = 0; j < 512; ++j) {
        ASSERT_EQ(FadeOutIndex(j, 512), 2 * j);
        ASSERT_EQ(FadeInIndex(j, 512), 1023 - 2 * j);
    }
}

TEST(SampleTime, ConvertsToTheNearestValue)
{
    struct Case {
        LONGLONG value;
        DWORD rate;
        LONGLONG microseconds;  // SamplesToMicroseconds(value, rate)
        LONGLONG samples;       // MicrosecondsToSamples(value, rate)
    };
    const Case cases[] = {
        {0, 44100, 0, 0},
        {1, 44100, 23, 0},              // 22.68 us; 0.0441 samples
        {11, 44100, 249, 0},            // 0.485 samples
        {12, 44100, 272, 1},            // 0.529 samples
        {44100, 44100, 1000000, 1945},  // 1944.81 samples
        {1000000, 44100, 22675737, 44100},
        {-1, 44100, -23, 0},
        {-12, 44100, -272, -1},
        {-100, 1000000, -100, -100},
        {-44100, 44100, -1000000, -1945},
        {5, 0, 0, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SamplesToMicroseconds(c.value, c.rate), c.microseconds) << c.value << " at " << c.rate;
        EXPECT_EQ(MicrosecondsToSamples(c.value, c.rate), c.samples) << c.value << " at " << c.rate;
    }
    for (LONGLONG sample = -5000; sample <= 5000; ++sample)
        ASSERT_EQ(MicrosecondsToSamples(SamplesToMicroseconds(sample, 44100), 44100), sample) << sample;
}

FADE_REGION Region(LONGLONG start, LONGLONG end, LONGLONG origin, LONGLONG fadeIn = 0)
{
    FADE_REGION region = {};
    region.start = start;
    region.end = end;
    region.origin = origin;
    region.fadeIn = fadeIn;
    return region;
}

TEST(JoinRegions, CrossFadeCentredBetweenOriginsAndLimitedToTheRegions)
{
    struct Case {
        const char* name;
        FADE_REGION a;
        FADE_REGION b;
        LONGLONG length;
        LONGLONG aEnd;
        LONGLONG aFadeOut;
        LONGLONG bStart;
        LONGLONG bFadeIn;
    };
    const Case cases[] = {
        {"common fade", Region(0, 0, 0), Region(10000, 10000, 10000), 1024, 5512, 1024, 4489, 1024},
        {"odd length and distance", Region(0, 0, 0), Region(1001, 1001, 1001), 301, 650, 301, 350, 301},
        {"fade limited by the origins", Region(0, 0, 0), Region(1000, 1000, 1000), 5000, 999, 998, 2, 998},
        {"origins next to each other", Region(0, 0, 0), Region(1, 1, 1), 1024, 0, 0, 1, 0},
        {"same origin", Region(0, 0, 0), Region(0, 0, 0), 1024, 0, 0, 1, 0},
        {"a's fade-in leaves less room", Region(-100, 0, 0, 600), Region(1000, 1000, 1000), 998, 999, 500, 2, 998},
    };
    for (const Case& c : cases) {
        FADE_REGION a = c.a;
        FADE_REGION b = c.b;
        JoinRegions(a, b, c.length);
        EXPECT_EQ(a.end, c.aEnd) << c.name;
        EXPECT_EQ(a.fadeOut, c.aFadeOut) << c.name;
        EXPECT_EQ(b.start, c.bStart) << c.name;
        EXPECT_EQ(b.fadeIn, c.bFadeIn) << c.name;
        EXPECT_EQ(a.origin, c.a.origin) << c.name;
        EXPECT_EQ(b.end, c.b.end) << c.name;
        EXPECT_GE(RegionMiddleLength(a), 0) << c.name;
        EXPECT_GE(RegionMiddleLength(b), 0) << c.name;
    }
}

TEST(JoinRegions, FadeOutAndFadeInCoverTheSameSamples)
{
    for (LONGLONG length : {1, 100, 512, 1024, 1500, 3000}) {
        FADE_REGION a = Region(0, 0, 0);
        FADE_REGION b = Region(20000, 20000, 20000);
        JoinRegions(a, b, length);
        EXPECT_EQ(a.fadeOut, length);
        EXPECT_EQ(b.fadeIn, length);
        EXPECT_EQ(b.start, a.end - a.fadeOut + 1) << "length " << length;
    }
}

}  // namespace
