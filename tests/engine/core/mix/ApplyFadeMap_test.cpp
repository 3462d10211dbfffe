// Applying a fade map to blocks of samples: properties of whole renders (silence where no region
// plays, fades rise and fall, joined regions sum to unity, the cut into blocks changes nothing).
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "engine/core/mix/ApplyFadeMap.h"
#include "engine/core/mix/FadeCurve.h"
#include "engine/core/mix/SampleFadeMap.h"

namespace {

constexpr DWORD kRate = 44100;
constexpr float kGarbage = 7.0f;  // what a render buffer holds before a block is applied

// Stereo source frames for source samples sourceStart .. sourceStart + frames - 1.
struct Source {
    LONGLONG start = 0;
    std::vector<float> frames;
    int Count() const { return static_cast<int>(frames.size() / 2); }
};

Source Constant(LONGLONG start, int count, float value)
{
    Source source{start, std::vector<float>(static_cast<size_t>(count) * 2, value)};
    return source;
}

// A signal whose every sample differs, so that a sample read from the wrong place shows.
Source Tone(LONGLONG start, int count)
{
    Source source{start, std::vector<float>(static_cast<size_t>(count) * 2)};
    for (int i = 0; i < count; ++i) {
        const double t = static_cast<double>(start + i);
        source.frames[static_cast<size_t>(i) * 2] =
            static_cast<float>(0.8 * std::sin(t * 0.0123) + 0.1 * std::sin(t * 0.7));
        source.frames[static_cast<size_t>(i) * 2 + 1] = static_cast<float>(0.5 * std::cos(t * 0.031));
    }
    return source;
}

float SourceAt(const Source& source, LONGLONG sample, int channel)
{
    return source.frames[static_cast<size_t>(sample - source.start) * 2 + static_cast<size_t>(channel)];
}

FADE_REGION* AddRegion(CSampleFadeMap& map, LONGLONG origin, LONGLONG sourceSample)
{
    FADE_REGION* region = nullptr;
    EXPECT_TRUE(map.NewRegion(&region, -1));
    region->start = origin;
    region->end = origin;
    region->origin = origin;
    region->sourcePosition = SamplesToMicroseconds(sourceSample, kRate);
    return region;
}

// Regions at the given origins playing the source without a bend (source sample = output sample
// + offset), each joined to the next with the given fade length.
void BuildChain(CSampleFadeMap& map, const std::vector<LONGLONG>& origins, const std::vector<LONGLONG>& fades,
                LONGLONG offset = 0)
{
    for (LONGLONG origin : origins)
        AddRegion(map, origin, origin + offset);
    for (size_t i = 0; i + 1 < origins.size(); ++i) {
        FADE_REGION* a = nullptr;
        FADE_REGION* b = nullptr;
        map.GetRegion(static_cast<int>(i), &a);
        map.GetRegion(static_cast<int>(i) + 1, &b);
        JoinRegions(*a, *b, fades[i % fades.size()]);
    }
}

// Output samples first .. first + count - 1 rendered in blocks of blockSize, each block's buffer
// holding garbage before it is applied.
std::vector<float> Render(const CSampleFadeMap& map, const Source& source, LONGLONG first, int count, int blockSize)
{
    std::vector<float> out(static_cast<size_t>(count) * 2);
    std::vector<float> block(static_cast<size_t>(blockSize) * 2);
    for (int done = 0; done < count; done += blockSize) {
        const int frames = std::min(blockSize, count - done);
        std::fill(block.begin(), block.end(), kGarbage);
        EXPECT_TRUE(ApplyFadeMap(block.data(), frames, first + done, source.frames.data(), source.start, source.Count(),
                                 kRate, map, TRUE));
        std::copy_n(block.begin(), frames * 2, out.begin() + done * 2);
    }
    return out;
}

TEST(ApplyFadeMap, BlocksCoveredByNoRegionAreSilent)
{
    CSampleFadeMap map;
    BuildChain(map, {10000, 14000}, {1024});
    FADE_REGION* later = AddRegion(map, 30000, 30000);
    later->end = 32000;
    const Source source = Tone(0, 40000);
    struct Case {
        const char* name;
        const CSampleFadeMap* map;
        LONGLONG first;
        int frames;
    };
    CSampleFadeMap empty;
    const Case cases[] = {
        {"before the first region", &map, 0, 10000},
        {"between regions that do not touch", &map, 14001, 30000 - 14001},
        {"after the last region", &map, 32001, 4096},
        {"empty map", &empty, 10000, 4096},
    };
    for (const Case& c : cases) {
        for (int blockSize : {1, 441, 4096}) {
            const std::vector<float> out = Render(*c.map, source, c.first, c.frames, blockSize);
            for (size_t i = 0; i < out.size(); ++i)
                ASSERT_EQ(out[i], 0.0f) << c.name << ", blocks of " << blockSize << ", float " << i;
        }
    }
}

TEST(ApplyFadeMap, PartlyCoveredBlockIsSilentOutsideAndSourceInside)
{
    CSampleFadeMap map;
    FADE_REGION* region = AddRegion(map, 1000, 1000);
    region->end = 1999;
    const Source source = Tone(0, 4000);
    const std::vector<float> out = Render(map, source, 0, 3000, 3000);
    for (LONGLONG s = 0; s < 3000; ++s) {
        for (int ch = 0; ch < 2; ++ch) {
            const float expected = (s >= 1000 && s <= 1999) ? SourceAt(source, s, ch) : 0.0f;
            ASSERT_EQ(out[static_cast<size_t>(s) * 2 + ch], expected) << "sample " << s << " channel " << ch;
        }
    }
}

TEST(ApplyFadeMap, FadesRiseAndFallMonotonically)
{
    for (LONGLONG n : {100, 512, 1024, 1500, 4000}) {
        CSampleFadeMap map;
        FADE_REGION* region = AddRegion(map, 0, 0);
        region->end = 3 * n - 1;
        region->fadeIn = n;
        region->fadeOut = n;
        const Source source = Constant(0, static_cast<int>(3 * n), 1.0f);
        const std::vector<float> out = Render(map, source, 0, static_cast<int>(3 * n), 441);
        auto gain = [&](LONGLONG s) { return out[static_cast<size_t>(s) * 2]; };
        EXPECT_LT(gain(0), 0.0001f) << "fade-in starts near silence, length " << n;
        for (LONGLONG s = 1; s < n; ++s)
            ASSERT_GE(gain(s), gain(s - 1)) << "fade-in rises, length " << n << " sample " << s;
        EXPECT_GT(gain(n - 1), 0.99f) << "length " << n;
        for (LONGLONG s = n; s < 2 * n; ++s)
            ASSERT_EQ(gain(s), 1.0f) << "full level, length " << n << " sample " << s;
        EXPECT_EQ(gain(2 * n), 1.0f) << "fade-out starts at full level, length " << n;
        for (LONGLONG s = 2 * n + 1; s < 3 * n; ++s)
            ASSERT_LE(gain(s), gain(s - 1)) << "fade-out falls, length " << n << " sample " << s;
        EXPECT_LT(gain(3 * n - 1), 0.01f) << "length " << n;
        for (LONGLONG s = 0; s < 3 * n; ++s)
            ASSERT_EQ(out[static_cast<size_t>(s) * 2 + 1], gain(s)) << "both channels take one gain";
    }
}

TEST(ApplyFadeMap, HalfLengthFadeStepsThroughTheTableTwoEntriesAtATime)
{
    CSampleFadeMap map;
    FADE_REGION* region = AddRegion(map, 0, 0);
    region->end = 1023;
    region->fadeIn = 512;
    region->fadeOut = 512;
    const Source source = Constant(0, 1024, 1.0f);
    const std::vector<float> out = Render(map, source, 0, 1024, 1024);
    const float* curve = FadeCurve();
    for (int j = 0; j < 512; ++j) {
        ASSERT_EQ(out[static_cast<size_t>(j) * 2], curve[1023 - 2 * j]) << "fade-in sample " << j;
        ASSERT_EQ(out[static_cast<size_t>(512 + j) * 2], curve[2 * j]) << "fade-out sample " << j;
    }
}

TEST(ApplyFadeMap, JoinedRegionsSumToUnity)
{
    // Regions along an unbent track read the same source sample where they overlap, so the
    // output is the source times the sum of the two gains.
    struct Case {
        const char* name;
        std::vector<LONGLONG> fades;
    };
    const Case cases[] = {
        {"1024", {1024}},
        {"512", {512}},
        {"2048", {2048}},
        {"1500", {1500}},
        {"100 (edges)", {100}},
        {"1 sample", {1}},
        {"mixed", {1024, 100, 3000, 777, 512}},
    };
    std::vector<LONGLONG> origins;
    for (LONGLONG origin = 5000; origin <= 60000; origin += 5512)
        origins.push_back(origin);
    const Source ones = Constant(0, 70000, 1.0f);
    const Source tone = Tone(0, 70000);
    for (const Case& c : cases) {
        CSampleFadeMap map;
        BuildChain(map, origins, c.fades);
        const int count = static_cast<int>(origins.back() - origins.front() + 1);
        const std::vector<float> gains = Render(map, ones, origins.front(), count, 4096);
        const std::vector<float> out = Render(map, tone, origins.front(), count, 4096);
        float lowest = 2.0f;
        float highest = 0.0f;
        for (int i = 0; i < count; ++i) {
            const float g = gains[static_cast<size_t>(i) * 2];
            lowest = std::min(lowest, g);
            highest = std::max(highest, g);
            for (int ch = 0; ch < 2; ++ch) {
                const float src = SourceAt(tone, origins.front() + i, ch);
                ASSERT_NEAR(out[static_cast<size_t>(i) * 2 + ch], src, 0.0016f * std::fabs(src) + 1e-6f)
                    << c.name << " sample " << origins.front() + i;
            }
        }
        EXPECT_GE(lowest, 1.0f - 0.0016f) << c.name;
        EXPECT_LE(highest, 1.0f + 0.0016f) << c.name;
    }
}

TEST(ApplyFadeMap, CrossFadeIsEarlierTimesFadeOutPlusLaterTimesFadeIn)
{
    // Two regions reading different material: a constant 1 and a constant 3 further on the file.
    CSampleFadeMap map;
    AddRegion(map, 0, 0);
    AddRegion(map, 4000, 104000);
    FADE_REGION* a = nullptr;
    FADE_REGION* b = nullptr;
    map.GetRegion(0, &a);
    map.GetRegion(1, &b);
    JoinRegions(*a, *b, 1024);
    Source source = Constant(0, 110000, 1.0f);
    std::fill(source.frames.begin() + 100000 * 2, source.frames.end(), 3.0f);
    const std::vector<float> out = Render(map, source, 0, 4001, 441);
    const float* curve = FadeCurve();
    for (LONGLONG j = 0; j < 1024; ++j) {
        const LONGLONG s = b->start + j;
        const float expected = 1.0f * curve[j] + 3.0f * curve[1023 - j];
        ASSERT_FLOAT_EQ(out[static_cast<size_t>(s) * 2], expected) << "sample " << j << " of the fade";
    }
    EXPECT_EQ(out[static_cast<size_t>(b->start - 1) * 2], 1.0f);
    EXPECT_EQ(out[static_cast<size_t>(a->end + 1) * 2], 3.0f);
}

// A map with most of what the builder makes: joins of several lengths, an edge region with a
// short fade at a cut, a reversed stretch, a gap, a bent stretch whose source runs faster than
// the output, and fade lengths whose high bits must be ignored.
void BuildBusyMap(CSampleFadeMap& map)
{
    std::vector<LONGLONG> origins;
    for (LONGLONG origin = 2000; origin <= 40000; origin += 3001)
        origins.push_back(origin);
    BuildChain(map, origins, {1024, 512, 2000, 100});

    FADE_REGION* edge = AddRegion(map, 45000, 45004);
    edge->start = 44996;
    edge->end = 47000;
    edge->fadeIn = 100;
    edge->fadeOut = (static_cast<LONGLONG>(0x12345) << 32) | 300;

    FADE_REGION* reversed = AddRegion(map, 47500, 60000);
    reversed->start = 46701;
    reversed->end = 49000;
    reversed->fadeIn = 300;
    reversed->fadeOut = 1024;
    reversed->reversed = 1;

    for (int i = 0; i < 8; ++i) {
        // Every region 3000 output samples apart but 3300 source samples: the tempo is bent.
        FADE_REGION* bent = AddRegion(map, 52000 + i * 3000, 70000 + i * 3300);
        (void)bent;
    }
    for (int i = 0; i < 7; ++i) {
        FADE_REGION* a = nullptr;
        FADE_REGION* b = nullptr;
        const int first = map.GetRegionCount() - 8 + i;
        map.GetRegion(first, &a);
        map.GetRegion(first + 1, &b);
        JoinRegions(*a, *b, 1024);
    }
}

TEST(ApplyFadeMap, BlockSizeDoesNotChangeTheOutput)
{
    CSampleFadeMap map;
    BuildBusyMap(map);
    const Source source = Tone(-1000, 100000);
    const LONGLONG first = 0;
    const int count = 80000;
    const std::vector<float> reference = Render(map, source, first, count, count);
    for (int blockSize : {1, 441, 4096, 8192}) {
        const std::vector<float> out = Render(map, source, first, count, blockSize);
        ASSERT_EQ(out.size(), reference.size());
        for (size_t i = 0; i < out.size(); ++i)
            ASSERT_EQ(out[i], reference[i]) << "blocks of " << blockSize << ", sample " << i / 2;
    }
    // The render really holds the material: nothing of the garbage is left and a bent stretch
    // reads the source at its own positions.
    for (float value : reference)
        ASSERT_NE(value, kGarbage);
    EXPECT_EQ(reference[static_cast<size_t>(52000) * 2], SourceAt(source, 70000, 0));
    EXPECT_EQ(reference[static_cast<size_t>(55000) * 2], SourceAt(source, 73300, 0));
}

TEST(ApplyFadeMap, ReversedRegionReadsTheSourceBackwards)
{
    CSampleFadeMap map;
    FADE_REGION* region = AddRegion(map, 1000, 5000);
    region->end = 2000;
    region->reversed = 1;
    const Source source = Tone(0, 6000);
    const std::vector<float> out = Render(map, source, 1000, 1001, 441);
    for (LONGLONG s = 1000; s <= 2000; ++s)
        for (int ch = 0; ch < 2; ++ch)
            ASSERT_EQ(out[static_cast<size_t>(s - 1000) * 2 + ch], SourceAt(source, 5000 - (s - 1000), ch)) << s;
}

TEST(ApplyFadeMap, BlockStartingInsideAFadeInWithNothingBelowIsNotAddedToOldContent)
{
    CSampleFadeMap map;
    FADE_REGION* region = AddRegion(map, 1000, 1000);
    region->end = 5000;
    region->fadeIn = 1024;
    const Source source = Constant(0, 6000, 1.0f);
    const std::vector<float> out = Render(map, source, 1500, 100, 100);
    const float* curve = FadeCurve();
    for (int j = 0; j < 100; ++j)
        ASSERT_EQ(out[static_cast<size_t>(j) * 2], curve[1023 - (500 + j)]) << "sample " << j;
}

TEST(ApplyFadeMap, SourceSplitOverTwoCallsGivesTheSameBlock)
{
    // An overlay that wraps: the second region reads the start of the file, far from the first.
    CSampleFadeMap map;
    AddRegion(map, 0, 50000);
    AddRegion(map, 3000, 3000);
    FADE_REGION* a = nullptr;
    FADE_REGION* b = nullptr;
    map.GetRegion(0, &a);
    map.GetRegion(1, &b);
    JoinRegions(*a, *b, 1024);
    b->end = 6000;

    const Source whole = Tone(0, 60000);
    const int frames = 6001;
    std::vector<float> once(static_cast<size_t>(frames) * 2, kGarbage);
    ASSERT_TRUE(ApplyFadeMap(once.data(), frames, 0, whole.frames.data(), 0, whole.Count(), kRate, map, TRUE));

    std::vector<LONGLONG> starts;
    std::vector<LONGLONG> ends;
    ASSERT_TRUE(map.GetSourceRanges(0, frames - 1, kRate, starts, ends, 0));
    ASSERT_EQ(starts.size(), 2u);
    std::vector<float> twice(static_cast<size_t>(frames) * 2, kGarbage);
    for (size_t i = 0; i < starts.size(); ++i) {
        const LONGLONG from = MicrosecondsToSamples(starts[i], kRate) - 16;
        const LONGLONG to = MicrosecondsToSamples(ends[i], kRate) + 1;
        const Source part = Tone(from, static_cast<int>(to - from + 1));
        ASSERT_TRUE(ApplyFadeMap(twice.data(), frames, 0, part.frames.data(), part.start, part.Count(), kRate, map,
                                 i == 0 ? TRUE : FALSE));
    }
    for (size_t i = 0; i < once.size(); ++i)
        ASSERT_EQ(twice[i], once[i]) << "sample " << i / 2;
}

TEST(ApplyFadeMap, SourceOutsideTheBufferAndOverrunningFadesAreHandledSafely)
{
    CSampleFadeMap map;
    FADE_REGION* region = AddRegion(map, 0, 0);
    region->end = 999;
    region->fadeIn = 900;
    region->fadeOut = 900;  // overruns the region: cut to the 100 samples left
    FADE_REGION* negative = AddRegion(map, 1000, 1000);
    negative->end = 1999;
    negative->fadeIn = -5;
    negative->fadeOut = 0xFFFFFFFF;                   // low 32 bits: -1
    const Source source = Constant(500, 1000, 1.0f);  // source samples 500 .. 1499 only
    const std::vector<float> out = Render(map, source, 0, 2000, 441);
    for (LONGLONG s = 0; s < 2000; ++s) {
        const float value = out[static_cast<size_t>(s) * 2];
        if (s < 500 || s >= 1500)
            ASSERT_EQ(value, 0.0f) << "no source for sample " << s;
        else
            ASSERT_LE(value, 1.0f) << "sample " << s;
    }
    EXPECT_EQ(out[static_cast<size_t>(1200) * 2], 1.0f) << "negative fades count as none";
}

TEST(ApplyFadeMap, RefusesInvalidArguments)
{
    CSampleFadeMap map;
    AddRegion(map, 0, 0);
    std::vector<float> block(64, kGarbage);
    const Source source = Constant(0, 32, 1.0f);
    struct Case {
        const char* name;
        float* destination;
        int frames;
        const float* source;
        int sourceFrames;
        DWORD rate;
        BOOL result;
    };
    const Case cases[] = {
        {"no destination", nullptr, 32, source.frames.data(), 32, kRate, FALSE},
        {"negative frames", block.data(), -1, source.frames.data(), 32, kRate, FALSE},
        {"no source", block.data(), 32, nullptr, 32, kRate, FALSE},
        {"negative source frames", block.data(), 32, source.frames.data(), -3, kRate, FALSE},
        {"rate 0", block.data(), 32, source.frames.data(), 32, 0, FALSE},
        {"empty block", block.data(), 0, source.frames.data(), 32, kRate, TRUE},
        {"empty source", block.data(), 32, nullptr, 0, kRate, TRUE},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ApplyFadeMap(c.destination, c.frames, 0, c.source, 0, c.sourceFrames, c.rate, map, TRUE), c.result)
            << c.name;
}

TEST(ClearFrames, ZeroesOnlyAValidRange)
{
    struct Case {
        const char* name;
        LONGLONG last;
        LONGLONG first;
        int zeroFrom;  // -1: nothing zeroed
        int zeroTo;
    };
    const Case cases[] = {
        {"middle", 5, 2, 2, 5},
        {"whole", 9, 0, 0, 9},
        {"one frame", 4, 4, 4, 4},
        {"first below 0", 5, -1, -1, -1},
        {"last past the end", 10, 0, -1, -1},
        {"reversed", 2, 5, -1, -1},
    };
    for (const Case& c : cases) {
        std::vector<float> buffer(20, kGarbage);
        ClearFrames(c.last, c.first, buffer.data(), 10);
        for (int frame = 0; frame < 10; ++frame) {
            const float expected = (frame >= c.zeroFrom && frame <= c.zeroTo && c.zeroFrom >= 0) ? 0.0f : kGarbage;
            EXPECT_EQ(buffer[static_cast<size_t>(frame) * 2], expected) << c.name << " frame " << frame;
            EXPECT_EQ(buffer[static_cast<size_t>(frame) * 2 + 1], expected) << c.name << " frame " << frame;
        }
    }
}

}  // namespace
