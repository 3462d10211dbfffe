#include "engine/catalog/analysis/MeasureStarts.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// A half-beat grid: `count` points `step` frames apart, then (from index `change` on) `step2`.
BEATSCAN Grid(int count, LONGLONG step, int change = -1, LONGLONG step2 = 0)
{
    BEATSCAN g;
    g.sampleRate = 44100;
    g.gridPointsPerMeasure = 8;
    LONGLONG p = 1000;
    for (int i = 0; i < count; ++i) {
        g.positions.push_back(p);
        p += change >= 0 && i >= change ? step2 : step;
    }
    g.sampleCount = p;
    return g;
}

// A bass thumbnail with the tempo set: 8 blocks per grid point (step 2048 at block 256).
CPfPcmThumbnail Bass(const BEATSCAN& grid, int downbeatPhase)
{
    CPfPcmThumbnail t;
    EXPECT_TRUE(t.Allocate(44100, grid.sampleCount, 256));
    for (size_t n = static_cast<size_t>(downbeatPhase); n < grid.positions.size(); n += 8) {
        const LONG b = static_cast<LONG>(grid.positions[n] / 256);
        for (LONG k = 0; k < 6; ++k)
            t.SetValue(b + k, 1000.0f);
    }
    // 64 blocks per measure: 16384 frames per measure = 44100 x 240 / bpm.
    t.SetTempo(44100.0f * 240.0f / 16384.0f);
    return t;
}

TEST(DownbeatPhase, TheBassRiseOfEachMeasurePicksThePhase)
{
    for (int phase : {0, 3, 7}) {
        SCOPED_TRACE(phase);
        BEATSCAN grid = Grid(200, 2048);
        const CPfPcmThumbnail bass = Bass(grid, phase);
        ASSERT_EQ(bass.GetStoredBlocksPerMeasure(), 64u);
        FindDownbeatPhase(bass, grid);
        ASSERT_EQ(grid.marks.size(), 1u);
        EXPECT_EQ(grid.marks[0], grid.positions[static_cast<size_t>(phase)]);
    }
}

// Where the bass is loudest overrules the count of rises: rises fall on phase 0 in 12 measures
// and on phase 4 in 8, but the phase-4 notes are three times as loud.
TEST(DownbeatPhase, TheLevelSumsOverruleTheRiseCount)
{
    BEATSCAN grid = Grid(200, 2048);
    CPfPcmThumbnail bass;
    ASSERT_TRUE(bass.Allocate(44100, grid.sampleCount, 256));
    for (size_t measure = 0; measure < 20; ++measure) {
        const bool early = measure < 12;
        const LONG b = static_cast<LONG>(grid.positions[measure * 8 + (early ? 0 : 4)] / 256);
        for (LONG k = 0; k < 6; ++k)
            bass.SetValue(b + k, early ? 1000.0f : 3000.0f);
    }
    bass.SetTempo(44100.0f * 240.0f / 16384.0f);
    ASSERT_EQ(bass.GetStoredBlocksPerMeasure(), 64u);
    FindDownbeatPhase(bass, grid);
    // Rises 12 and 8; level sums normalised 0.5 and 1: 12 x 0.5 < 8 x 1.
    EXPECT_EQ(grid.marks, (std::vector<LONGLONG>{grid.positions[4]}));
}

// A track without a bass line: its only rise is the first note, before the grid's first point and
// half a beat from it, so it counts for no phase; the phase where the level peaks is the downbeat.
TEST(DownbeatPhase, WithoutABassRiseTheLoudestPhaseIsTheDownbeat)
{
    BEATSCAN grid = Grid(200, 2048);
    CPfPcmThumbnail bass;
    ASSERT_TRUE(bass.Allocate(44100, grid.sampleCount, 256));
    for (LONG b = 0; b < bass.GetCount(); ++b)
        bass.SetValue(b, 100.0f);
    for (size_t n = 3; n < grid.positions.size(); n += 8) {
        const LONG b = static_cast<LONG>(grid.positions[n] / 256) + 2;
        for (LONG k = 0; k < 4; ++k)
            bass.SetValue(b + k, 150.0f);
    }
    bass.SetTempo(44100.0f * 240.0f / 16384.0f);
    ASSERT_EQ(bass.GetStoredBlocksPerMeasure(), 64u);
    FindDownbeatPhase(bass, grid);
    EXPECT_EQ(grid.marks, (std::vector<LONGLONG>{grid.positions[3]}));
}

TEST(DownbeatPhase, NothingWithoutAGrid)
{
    BEATSCAN grid;
    CPfPcmThumbnail bass;
    bass.Allocate(44100, 44100, 256);
    FindDownbeatPhase(bass, grid);
    EXPECT_TRUE(grid.marks.empty());
    grid.positions = {1, 2, 3};  // positions without 8 points per measure
    FindDownbeatPhase(bass, grid);
    EXPECT_TRUE(grid.marks.empty());
}

TEST(MeasureStarts, EvenGridKeepsTheDownbeatAndAddsTheLastWholeMeasure)
{
    BEATSCAN grid = Grid(100, 2048);
    grid.marks = {grid.positions[3]};
    MarkMeasureStarts(grid);
    // r = 100 - 3 - 1 = 96: the last whole measure starts at index 3 + 96.
    EXPECT_EQ(grid.marks, (std::vector<LONGLONG>{grid.positions[3], grid.positions[99]}));
}

TEST(MeasureStarts, ADownbeatLaterInTheGridAddsTheFirstFullMeasure)
{
    BEATSCAN grid = Grid(60, 2048);
    grid.marks = {grid.positions[21]};
    MarkMeasureStarts(grid);
    // 21 mod 8 = 5; r = 60 - 21 - 1 = 38: index 21 + 32 = 53.
    EXPECT_EQ(grid.marks, (std::vector<LONGLONG>{grid.positions[5], grid.positions[21], grid.positions[53]}));
}

TEST(MeasureStarts, ATempoChangeStartsANewMeasureRun)
{
    // Even spacing up to index 40, then 10% longer steps.
    BEATSCAN grid = Grid(100, 2048, 40, 2253);
    grid.marks = {grid.positions[0]};
    MarkMeasureStarts(grid);
    // Walking from 0 in measures, 0..48 is the first stretch that is not even: 40 is recorded,
    // and the last whole measure from there (40 + 56) closes the list.
    const std::vector<LONGLONG>& m = grid.marks;
    EXPECT_EQ(m, (std::vector<LONGLONG>{grid.positions[0], grid.positions[40], grid.positions[96]}));
}

// Backwards from the first downbeat, a measure whose points are not evenly spaced with the
// stretch below the anchor closes that stretch: the measure start above it is recorded.
TEST(MeasureStarts, ATempoChangeBeforeTheFirstDownbeatStartsARunThere)
{
    const struct {
        const char* name;
        LONGLONG before, after;
        int change, downbeat;
        std::vector<size_t> starts;
    } rows[] = {
        // 60 back to 36 crosses the change at 40: 44 is recorded; 44 mod 8 = 4 is the first full
        // measure, 60 + 32 the last whole one.
        {"slower before the downbeat", 2253, 2048, 40, 60, {4, 44, 60, 92}},
        {"faster before the downbeat", 2048, 1843, 21, 60, {4, 28, 60, 92}},
        // The first measure below the downbeat is already uneven: the downbeat itself is recorded,
        // and kept once.
        {"change right below the downbeat", 2253, 2048, 40, 44, {4, 44, 92}},
    };
    for (const auto& row : rows) {
        BEATSCAN grid = Grid(100, row.before, row.change, row.after);
        grid.marks = {grid.positions[static_cast<size_t>(row.downbeat)]};
        MarkMeasureStarts(grid);
        std::vector<LONGLONG> expected;
        for (size_t index : row.starts)
            expected.push_back(grid.positions[index]);
        EXPECT_EQ(grid.marks, expected) << row.name;
    }
}

TEST(MeasureStarts, NothingWithoutMarksOrGrid)
{
    BEATSCAN grid = Grid(30, 2048);
    MarkMeasureStarts(grid);
    EXPECT_TRUE(grid.marks.empty());
    grid.gridPointsPerMeasure = 0;
    grid.marks = {grid.positions[0]};
    MarkMeasureStarts(grid);
    EXPECT_EQ(grid.marks.size(), 1u);
}

}  // namespace
