// Building a track's fade map from its layers, segments, time maps and beat grid, checked on
// whole renders of the result (silence outside the segments, unity inside, short fades at the
// edges, the source taken where the time map says) and on the regions themselves.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "engine/core/mix/ApplyFadeMap.h"
#include "engine/core/mix/FadeMapBuilder.h"
#include "engine/core/mix/SampleFadeMap.h"
#include "engine/core/track/Segment.h"
#include "engine/core/track/TrackBeatMap.h"
#include "engine/core/track/TrackInfo.h"

namespace {

constexpr DWORD kRate = 44100;
constexpr LONGLONG kSecond = 1000000;

LONGLONG Samples(LONGLONG microseconds)
{
    return MicrosecondsToSamples(microseconds, kRate);
}

struct SegmentSpec {
    LONGLONG start;
    LONGLONG end;
    LONGLONG source;
    bool reversed;
};

// A 120 BPM track of `seconds` seconds whose first layer is placed at `offset` with a constant rate
// (track time per mix time).
class TestTrack {
public:
    TestTrack(LONGLONG seconds, LONGLONG offset, double rate) : m_track(new CTrackInfo())
    {
        m_track->SetSampleInfo(kRate, kRate * seconds);
        m_track->ResetToDefaults();
        m_track->SetBpm(120.0f);
        Place(0, offset, rate, seconds * kSecond);
    }
    ~TestTrack() { m_track->ReleaseFromOwner(); }
    TestTrack(const TestTrack&) = delete;
    TestTrack& operator=(const TestTrack&) = delete;

    CTrackInfo& Track() { return *m_track; }
    CTrackLayer& Layer(int index)
    {
        CTrackLayer* layer = nullptr;
        EXPECT_TRUE(m_track->Layers().GetLayer(index, &layer));
        return *layer;
    }
    void Place(int index, LONGLONG offset, double rate, LONGLONG length)
    {
        CTimeMap& map = Layer(index).TimeMap();
        map.Clear();
        map.InsertPoint(offset, 0, rate);
        map.InsertPoint(offset + static_cast<LONGLONG>(std::llround(static_cast<double>(length) / rate)), length, rate);
    }
    void SetSegments(int index, const std::vector<SegmentSpec>& segments)
    {
        CTrackObjContainer& objects = Layer(index).Objects();
        objects.RemoveObjects(kTrackObjSegment, kSegmentTypeMask);
        for (const SegmentSpec& spec : segments) {
            auto* segment = new CSegment(kSegmentPlain, spec.start, spec.end, spec.source);
            if (spec.reversed)
                segment->SetFlags(kSegmentReversed);
            objects.Append(segment);
        }
    }
    LONGLONG MixSample(int index, LONGLONG trackTime)
    {
        LONGLONG mix = 0;
        EXPECT_TRUE(SUCCEEDED(Layer(index).TimeMap().TrackToMixTime(trackTime, &mix)));
        return Samples(mix);
    }

private:
    CTrackInfo* m_track;
};

// The music file as a function of its sample position: a slow tone, so that reading one sample
// off shows as a small error and reading the wrong place as a large one.
float FileSample(LONGLONG position)
{
    return static_cast<float>(0.9 * std::sin(static_cast<double>(position) * 0.002));
}

struct Render {
    LONGLONG first;
    std::vector<float> left;
};

// Renders output samples first .. last in blocks of `block`, the source being the whole file
// (constant 1 when `ones`), taken through the map's source ranges like the mix input does.
Render RenderMap(const CSampleFadeMap& map, LONGLONG first, LONGLONG last, LONGLONG fileSamples, bool ones,
                 int block = 4096)
{
    Render render{first, {}};
    std::vector<float> source(static_cast<size_t>(fileSamples) * 2);
    for (LONGLONG i = 0; i < fileSamples; ++i) {
        const float value = ones ? 1.0f : FileSample(i);
        source[static_cast<size_t>(i) * 2] = value;
        source[static_cast<size_t>(i) * 2 + 1] = value;
    }
    std::vector<float> out(static_cast<size_t>(block) * 2);
    for (LONGLONG at = first; at <= last; at += block) {
        const int frames = static_cast<int>(std::min<LONGLONG>(block, last - at + 1));
        std::fill(out.begin(), out.end(), 7.0f);
        EXPECT_TRUE(
            ApplyFadeMap(out.data(), frames, at, source.data(), 0, static_cast<int>(fileSamples), kRate, map, TRUE));
        for (int i = 0; i < frames; ++i)
            render.left.push_back(out[static_cast<size_t>(i) * 2]);
    }
    return render;
}

float At(const Render& render, LONGLONG sample)
{
    return render.left[static_cast<size_t>(sample - render.first)];
}

std::vector<FADE_REGION> Regions(const CSampleFadeMap& map)
{
    std::vector<FADE_REGION> regions;
    FADE_REGION* region = nullptr;
    for (int i = 0; map.GetRegion(i, &region); ++i)
        regions.push_back(*region);
    return regions;
}

// What every built map must hold: ordered, each region around its origin, fades inside the region,
// each region placed on the file.
void ExpectWellFormed(const CSampleFadeMap& map, const char* name)
{
    const std::vector<FADE_REGION> regions = Regions(map);
    ASSERT_FALSE(regions.empty()) << name;
    for (size_t i = 0; i < regions.size(); ++i) {
        const FADE_REGION& r = regions[i];
        EXPECT_LE(r.start, r.origin) << name << " region " << i;
        EXPECT_LE(r.origin, r.end) << name << " region " << i;
        EXPECT_GE(r.fadeIn, 0) << name << " region " << i;
        EXPECT_GE(r.fadeOut, 0) << name << " region " << i;
        EXPECT_GE(RegionMiddleLength(r), 0) << name << " region " << i;
        EXPECT_NE(r.sourcePosition, kUnsetSourcePosition) << name << " region " << i;
        if (i > 0) {
            EXPECT_LT(regions[i - 1].origin, r.origin) << name << " region " << i;
            EXPECT_LE(regions[i - 1].start, r.start) << name << " region " << i;
        }
    }
}

TEST(FadeMapBuilder, UnbentTrackPlaysItsFileWithShortFadesAtTheEnds)
{
    struct Case {
        const char* name;
        bool grid;
    };
    for (const Case& c : {Case{"even steps", false}, Case{"beat grid", true}}) {
        TestTrack t(20, 3 * kSecond, 1.0);
        CTrackBeatMap beatMap(7);
        beatMap.Update(t.Layer(0), t.Track());
        ASSERT_FALSE(beatMap.GetGrid().empty());
        const std::vector<const CTrackBeatMap*> beatMaps = {c.grid ? &beatMap : nullptr};
        CSampleFadeMap map;
        BuildFadeMap(t.Track(), beatMaps, kRate, map);
        ExpectWellFormed(map, c.name);

        const LONGLONG start = Samples(3 * kSecond);
        const LONGLONG end = t.MixSample(0, 20 * kSecond);
        const LONGLONG file = kRate * 20;
        const Render ones = RenderMap(map, 0, end + 5000, file, true);
        const Render tone = RenderMap(map, 0, end + 5000, file, false);
        for (LONGLONG s = 0; s < start; ++s)
            ASSERT_EQ(At(ones, s), 0.0f) << c.name << ": silent before the track, sample " << s;
        for (LONGLONG s = end + 1; s <= end + 5000; ++s)
            ASSERT_EQ(At(ones, s), 0.0f) << c.name << ": silent after the track, sample " << s;
        for (LONGLONG s = start + 1; s < start + 100; ++s)
            ASSERT_GT(At(ones, s), At(ones, s - 1)) << c.name << ": fade-in at the start, sample " << s;
        for (LONGLONG s = end - 98; s <= end; ++s)
            ASSERT_LT(At(ones, s), At(ones, s - 1)) << c.name << ": fade-out at the end, sample " << s;
        for (LONGLONG s = start + 100; s <= end - 100; ++s) {
            ASSERT_NEAR(At(ones, s), 1.0f, 0.0016f) << c.name << ": unity inside, sample " << s;
            ASSERT_NEAR(At(tone, s), FileSample(s - start), 0.0016f) << c.name << ": the file in place, sample " << s;
        }
    }
}

TEST(FadeMapBuilder, BentTempoStaysAtUnityAndFollowsTheTimeMap)
{
    struct Case {
        const char* name;
        double rate;
        bool fillers;  // slowed down by more than 512 samples per grid step
    };
    const Case cases[] = {
        {"slightly faster", 1.02, false},
        {"faster", 1.1, false},
        {"slightly slower", 0.97, false},
        {"slower", 0.9, true},
    };
    for (const Case& c : cases) {
        TestTrack t(20, 2 * kSecond, c.rate);
        CTrackBeatMap beatMap(7);
        beatMap.Update(t.Layer(0), t.Track());
        CSampleFadeMap map;
        BuildFadeMap(t.Track(), {&beatMap}, kRate, map);
        ExpectWellFormed(map, c.name);

        // A region between two grid points (no track time of the grid) is a filler.
        const std::vector<LONGLONG>& grid = beatMap.GetGrid();
        size_t fillers = 0;
        for (const FADE_REGION& r : Regions(map)) {
            LONGLONG expected = 0;
            ASSERT_TRUE(
                SUCCEEDED(t.Layer(0).TimeMap().MixToTrackTime(SamplesToMicroseconds(r.origin, kRate), &expected)));
            EXPECT_NEAR(static_cast<double>(r.sourcePosition), static_cast<double>(expected), 30.0)
                << c.name << ": source at the origin follows the time map, origin " << r.origin;
            if (std::find(grid.begin(), grid.end(), r.trackTime) == grid.end())
                ++fillers;
        }
        if (c.fillers)
            EXPECT_GT(fillers, 60u) << c.name;
        else
            EXPECT_LE(fillers, 4u) << c.name << " (the edge regions only)";

        const LONGLONG start = t.MixSample(0, 0);
        const LONGLONG end = t.MixSample(0, 20 * kSecond);
        const Render ones = RenderMap(map, start, end, kRate * 20, true, 441);
        for (LONGLONG s = start + 100; s <= end - 100; ++s)
            ASSERT_NEAR(At(ones, s), 1.0f, 0.0016f) << c.name << ": unity across the joins, sample " << s;
    }
}

TEST(FadeMapBuilder, SegmentEdgesGetShortFadesAndGapsAreSilent)
{
    // Three pieces of the file: a gap before the second one (isolated edges), and the third one
    // touching the second on the mix (edges of 100 samples that meet).
    TestTrack t(30, kSecond, 1.0);
    t.SetSegments(0, {{0, 4 * kSecond, 0, false},
                      {6 * kSecond, 10 * kSecond, 6 * kSecond, false},
                      {10 * kSecond + 23, 16 * kSecond, 20 * kSecond, false}});
    CSampleFadeMap map;
    BuildFadeMap(t.Track(), {}, kRate, map);
    ExpectWellFormed(map, "three segments");

    const Render ones = RenderMap(map, 0, Samples(18 * kSecond), kRate * 30, true);
    const Render tone = RenderMap(map, 0, Samples(18 * kSecond), kRate * 30, false);
    const LONGLONG firstEnd = t.MixSample(0, 4 * kSecond);
    const LONGLONG secondStart = t.MixSample(0, 6 * kSecond);
    const LONGLONG secondEnd = t.MixSample(0, 10 * kSecond);
    const LONGLONG thirdStart = t.MixSample(0, 10 * kSecond + 23);
    for (LONGLONG s = firstEnd + 1; s < secondStart; ++s)
        ASSERT_EQ(At(ones, s), 0.0f) << "silent in the gap, sample " << s;
    for (LONGLONG s = firstEnd - 98; s <= firstEnd; ++s)
        ASSERT_LT(At(ones, s), At(ones, s - 1)) << "isolated end edge fades out, sample " << s;
    for (LONGLONG s = secondStart + 1; s < secondStart + 100; ++s)
        ASSERT_GT(At(ones, s), At(ones, s - 1)) << "isolated start edge fades in, sample " << s;
    EXPECT_LT(At(ones, secondEnd), 0.001f);
    EXPECT_LT(At(ones, thirdStart), 0.001f);
    // The third piece plays file time 20 s from its start on.
    for (LONGLONG s = thirdStart + 100; s < thirdStart + 20000; ++s)
        ASSERT_NEAR(At(tone, s), FileSample(s - thirdStart + 20 * kRate), 0.0016f) << "third piece, sample " << s;
    for (LONGLONG s = secondStart + 100; s <= secondEnd - 100; ++s)
        ASSERT_NEAR(At(tone, s), FileSample(s - secondStart + 6 * kRate), 0.0016f) << "second piece, sample " << s;
    // Touching edges are 100 samples long; the isolated ones 200.
    int touching = 0;
    int isolated = 0;
    for (const FADE_REGION& r : Regions(map)) {
        if (r.fadeIn != 100 && r.fadeOut != 100)
            continue;
        const LONGLONG edge = r.fadeIn == 100 ? r.start : r.end;
        const bool atTouchingEdge = edge == secondEnd || edge == thirdStart;
        (atTouchingEdge ? touching : isolated) += 1;
        EXPECT_EQ(std::llabs(r.origin - edge), atTouchingEdge ? 50 : 4) << "edge at " << edge;
    }
    EXPECT_EQ(touching, 2);
    EXPECT_EQ(isolated, 4);
}

TEST(FadeMapBuilder, ReversedSegmentReadsTheFileBackwards)
{
    TestTrack t(20, 0, 1.0);
    // File time 8 s .. 13 s, played from its end: reversing a segment moves its source there.
    t.SetSegments(0, {{0, 5 * kSecond, 8 * kSecond, true}});
    CSampleFadeMap map;
    BuildFadeMap(t.Track(), {}, kRate, map);
    ExpectWellFormed(map, "reversed");
    for (const FADE_REGION& r : Regions(map))
        EXPECT_EQ(r.reversed, 1u);
    const Render tone = RenderMap(map, 0, Samples(5 * kSecond), kRate * 20, false);
    for (LONGLONG s = 100; s < Samples(5 * kSecond) - 100; ++s)
        ASSERT_NEAR(At(tone, s), FileSample(13 * kRate - s), 0.0016f) << "sample " << s;
}

TEST(FadeMapBuilder, OverlayTrackWrapsAroundItsFile)
{
    // An overlay whose single segment is three times as long as its 4-second file.
    TestTrack t(4, 0, 1.0);
    t.Track().SetFlags(kTrackOverlay);
    t.SetSegments(0, {{0, 12 * kSecond, 0, false}});
    t.Place(0, 0, 1.0, 12 * kSecond);
    CSampleFadeMap map;
    BuildFadeMap(t.Track(), {}, kRate, map);
    ExpectWellFormed(map, "overlay");
    for (const FADE_REGION& r : Regions(map)) {
        EXPECT_GE(r.sourcePosition, 0);
        EXPECT_LT(r.sourcePosition, 4 * kSecond);
    }
    // Away from the wrap points the file plays in place.
    const Render tone = RenderMap(map, 0, Samples(12 * kSecond), kRate * 4, false);
    for (LONGLONG s : {kRate, 5 * kRate + 77, 9 * kRate + 12345})
        EXPECT_NEAR(At(tone, s), FileSample(s % (4 * kRate)), 0.0016f) << "sample " << s;

    t.Track().SetFlags(kTrackPrimary);
    BuildFadeMap(t.Track(), {}, kRate, map);
    for (const FADE_REGION& r : Regions(map))
        EXPECT_LT(r.trackTime, 12 * kSecond + 1) << "a primary track does not wrap";
    EXPECT_GT(Regions(map).back().sourcePosition, 4 * kSecond);
}

TEST(FadeMapBuilder, SecondLayerTakesOverWhereItIsHeard)
{
    // Layer 0 leaves mix 5 s .. 8 s to layer 1, which plays file time 30 s onwards there; layer 1
    // reaches a second further on each side, where layer 0 is heard instead.
    TestTrack t(40, 0, 1.0);
    t.SetSegments(0, {{0, 5 * kSecond, 0, false}, {8 * kSecond, 12 * kSecond, 8 * kSecond, false}});
    CTrackLayer* second = nullptr;
    ASSERT_EQ(t.Track().Layers().AddLayer(&second), S_OK);
    t.Place(1, 4 * kSecond, 1.0, 5 * kSecond);
    t.SetSegments(1, {{0, 5 * kSecond, 29 * kSecond, false}});
    CSampleFadeMap map;
    BuildFadeMap(t.Track(), {}, kRate, map);
    ExpectWellFormed(map, "two layers");

    const Render tone = RenderMap(map, 0, Samples(12 * kSecond), kRate * 40, false);
    const LONGLONG from = Samples(5 * kSecond);
    const LONGLONG to = Samples(8 * kSecond);
    for (LONGLONG s = from + 100; s <= to - 100; ++s)
        ASSERT_NEAR(At(tone, s), FileSample(s - from + 30 * kRate), 0.0016f) << "layer 1 heard, sample " << s;
    for (LONGLONG s = to + 100; s < Samples(12 * kSecond) - 100; ++s)
        ASSERT_NEAR(At(tone, s), FileSample(s), 0.0016f) << "layer 0 again, sample " << s;
    for (LONGLONG s = 100; s <= from - 100; ++s)
        ASSERT_NEAR(At(tone, s), FileSample(s), 0.0016f) << "layer 0 before, sample " << s;
    // Each layer fades out to its edge and the other fades in from it.
    EXPECT_LT(std::fabs(At(tone, from)), 0.01f);
    EXPECT_LT(std::fabs(At(tone, to)), 0.01f);
}

}  // namespace

namespace {

TEST(FadeMapBuilder, NothingToPlayGivesAnEmptyMap)
{
    struct Case {
        const char* name;
        LONGLONG seconds;
        bool segments;
    };
    const Case cases[] = {{"no segments", 10, false}, {"empty music file", 0, true}};
    for (const Case& c : cases) {
        TestTrack t(c.seconds, 0, 1.0);
        t.Place(0, 0, 1.0, 10 * kSecond);
        t.SetSegments(0,
                      c.segments ? std::vector<SegmentSpec>{{0, 10 * kSecond, 0, false}} : std::vector<SegmentSpec>{});
        CSampleFadeMap map;
        map.NewRegion(nullptr, -1);  // what a rebuilt map held before
        BuildFadeMap(t.Track(), {}, kRate, map);
        EXPECT_EQ(map.GetRegionCount(), 0) << c.name;
    }
}

}  // namespace
