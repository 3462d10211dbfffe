#include "engine/catalog/analysis/BeatLattice.h"
#include "engine/catalog/analysis/BeatScan.h"
#include "engine/catalog/analysis/OnsetScan.h"
#include "engine/catalog/analysis/TempoEstimate.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

constexpr DWORD kRate = 44100;

BEATSCAN Record(std::vector<LONGLONG> positions, LONGLONG sampleCount = 60LL * kRate)
{
    BEATSCAN r;
    r.positions = std::move(positions);
    r.sampleRate = kRate;
    r.sampleCount = sampleCount;
    return r;
}

// Positions every `period` frames (rounded) from `first` until `end`.
std::vector<LONGLONG> Regular(double period, double first, LONGLONG end)
{
    std::vector<LONGLONG> out;
    for (double p = first; p < static_cast<double>(end); p += period)
        out.push_back(std::llround(p));
    return out;
}

TEST(BeatScan, NearestPositionTakesTheFirstOfEqualCandidates)
{
    BEATSCAN r = Record({100, 200, 300});
    EXPECT_EQ(r.NearestPositionIndex(150), 0);
    EXPECT_EQ(r.NearestPositionIndex(151), 1);
    EXPECT_EQ(r.NearestPositionIndex(-5000), 0);
    EXPECT_EQ(r.NearestPositionIndex(1LL << 40), 2);
    EXPECT_EQ(Record({}).NearestPositionIndex(0), -1);
}

TEST(TempoFromLength, ShortTracksFoldTheirOneMeasureTempo)
{
    struct Row {
        const char* name;
        LONGLONG frames;
        float expected;
    } rows[] = {
        {"12 s loop: 20 BPM doubled to 160", 12LL * kRate, 160.0f},
        {"2 s: 120", 2LL * kRate, 120.0f},
        {"1 s: 240 halved to 120", 1LL * kRate, 120.0f},
        {"0 s", 0, 0.0f},
        {"30 s keeps the tempo", 30LL * kRate, 97.0f},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_NEAR(TempoFromLength(kRate, row.frames, 97.0f), row.expected, 1e-3);
    }
    EXPECT_EQ(TempoFromLength(0, 10, 97.0f), 97.0f);
}

TEST(TempoDoubling, HalfBeatGapsAboveFiftyThreePercentDouble)
{
    // At 100 BPM a measure is 105840 frames; half a beat 13230, the band 10584 < d < 15876.
    auto peaks = [](int halfBeats, int others) {
        std::vector<LONGLONG> p{0};
        for (int i = 0; i < halfBeats; ++i)
            p.push_back(p.back() + 13230);
        for (int i = 0; i < others; ++i)
            p.push_back(p.back() + 26460);
        return Record(p);
    };
    struct Row {
        const char* name;
        float tempo;
        int halfBeats, others;
        float expected;
    } rows[] = {
        {"54% at 100 doubles", 100.0f, 54, 46, 200.0f},
        {"exactly 53% does not", 100.0f, 53, 47, 100.0f},
        {"100.1 is no candidate", 100.1f, 90, 10, 100.1f},
        {"no gaps", 90.0f, 0, 0, 90.0f},
        {"tempo 0", 0.0f, 10, 0, 0.0f},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(ApplyTempoDoubling(peaks(row.halfBeats, row.others), row.tempo), row.expected);
    }
}

TEST(WindowTempo, RegularOnsetsGiveTheirTempo)
{
    struct Row {
        const char* name;
        double bpm;
        int divisor;
    } rows[] = {{"120 beats", 120.0, 4}, {"97.3 beats", 97.3, 4}, {"150 half beats", 150.0, 8}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const double period = 60.0 * kRate / row.bpm * 4 / row.divisor;
        const BEATSCAN onsets = Record(Regular(period, 1000.0, 30LL * kRate));
        // Near tempos reach the same count; the lowest wins, so the estimate may sit a little low.
        EXPECT_NEAR(WindowTempo(onsets, 0, 882000, row.divisor), row.bpm, 0.5);
    }
    EXPECT_EQ(WindowTempo(Record({5000}), 0, 882000, 4), 0.0f);
    // Positions on the window's edges are not inside it.
    EXPECT_EQ(WindowTempo(Record({0, 882000}), 0, 882000, 4), 0.0f);
}

TEST(EstimateTempoWindows, MedianOfTheWindowsAndZeroWithoutOnsets)
{
    const BEATSCAN onsets = Record(Regular(60.0 * kRate / 128.0, 300.0, 200LL * kRate), 200LL * kRate);
    EXPECT_NEAR(EstimateTempoWindows(onsets, nullptr), 128.0f, 0.5);
    EXPECT_EQ(EstimateTempoWindows(Record({}), nullptr), 0.0f);
    const volatile LONG cancel = 1;
    EXPECT_EQ(EstimateTempoWindows(onsets, &cancel), 0.0f);
}

TEST(OnsetScan, FindsTheFootOfEachStepAndNothingOnATinyTrack)
{
    // Rate 44100, 4 targets per measure at 82 BPM: 60 s give 20 measures -> target 80.
    const LONG blocks = 60 * kRate / 256;
    CPfPcmThumbnail t;
    ASSERT_TRUE(t.Allocate(kRate, static_cast<LONGLONG>(blocks) * 256, 256));
    std::vector<LONG> steps;
    for (LONG b = 50; b + 5 < blocks; b += 86) {
        steps.push_back(b);
        for (LONG k = 1; k <= 10; ++k)
            t.SetValue(b + k, 1.0e6f / k);
    }
    BEATSCAN record;
    const INT_PTR found = ScanOnsets(t, nullptr, 4, record);
    ASSERT_EQ(found, static_cast<INT_PTR>(steps.size()));
    for (size_t i = 0; i < steps.size(); ++i)
        EXPECT_EQ(record.positions[i], static_cast<LONGLONG>(steps[i]) * 256) << i;

    BEATSCAN peaks;
    ScanBassPeaks(t, nullptr, 4, peaks);
    ASSERT_FALSE(peaks.positions.empty());
    EXPECT_EQ(peaks.positions[0], static_cast<LONGLONG>(steps[0] + 1) * 256);

    CPfPcmThumbnail tiny;
    ASSERT_TRUE(tiny.Allocate(kRate, kRate, 256));  // one second: less than a measure at 82
    tiny.SetValue(10, 1.0e6f);
    EXPECT_EQ(ScanOnsets(tiny, nullptr, 4, record), 0);
}

TEST(MeanPeriod, GapsOfOneToThreePeriodsWithinFivePercentBothBoundsIncluded)
{
    // e = 1000: bounds 950 and 1050.
    struct Row {
        const char* name;
        std::vector<LONGLONG> positions;
        double expected;
    } rows[] = {
        {"bounds included", {0, 950, 2000}, 1000.0},
        {"two periods halve", {0, 2100}, 1050.0},
        {"outside the tolerance", {0, 1060}, 1000.0},
        {"four periods are ignored", {0, 4000, 4990}, 990.0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_DOUBLE_EQ(PfMeanPeriod(row.positions, 1000.0), row.expected);
    }
}

TEST(DetectTempo, TempoZeroAndTooFewOnsetsLeaveAnEmptyGrid)
{
    CPfPcmThumbnail t;
    ASSERT_TRUE(t.Allocate(kRate, 20LL * kRate, 256));
    for (LONG b = 40; b < t.GetCount(); b += 86)
        t.SetValue(b, 1.0e6f);
    BEATSCAN grid;
    grid.positions = {1, 2, 3};
    float tempo = 0.0f;
    DetectTempo(t, nullptr, t, tempo, grid);
    EXPECT_TRUE(grid.positions.empty());
    EXPECT_EQ(grid.gridPointsPerMeasure, 0u);
    EXPECT_EQ(tempo, 0.0f);

    CPfPcmThumbnail silent;
    ASSERT_TRUE(silent.Allocate(kRate, 20LL * kRate, 256));
    tempo = 120.0f;
    DetectTempo(silent, nullptr, silent, tempo, grid);
    EXPECT_TRUE(grid.positions.empty());
    EXPECT_EQ(grid.gridPointsPerMeasure, 0u);
}

}  // namespace
