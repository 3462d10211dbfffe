// The analysis steps end to end on synthetic drum patterns: tempo, beat grid, downbeat, key and
// mix points with wide margins. The accuracy figures over many tempos are the benchmark's.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "AnalysisRun.h"
#include "DrumPattern.h"
#include "MemoryPcmReader.h"
#include "classlib/com/ComPtr.h"

namespace {

using namespace analysis_fixtures;

AnalysisRun AnalysePattern(const Pattern& pattern)
{
    auto reader = ComPtr<IPcmReader>::attach(new CMemoryPcmReader(Render(pattern), pattern.rate, 2));
    return Analyse(reader.get());
}

// Distance in frames from `position` to the nearest true half beat.
double HalfBeatError(const Pattern& pattern, LONGLONG position)
{
    const double halfBeat = 30.0 * pattern.rate / pattern.bpm;
    const double offset = std::fmod(static_cast<double>(position) - BeatFrame(pattern, 0), halfBeat);
    const double positive = offset < 0 ? offset + halfBeat : offset;
    return std::min(positive, halfBeat - positive);
}

TEST(Analysis, DrumPatternTempoGridDownbeatAndKey)
{
    struct Row {
        const char* name;
        double bpm;
        int tonic, mode;
    } rows[] = {{"120 BPM, A minor", 120.0, 9, 1}, {"97 BPM, C major", 97.0, 0, 2}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Pattern pattern;
        pattern.bpm = row.bpm;
        pattern.seconds = 60.0;
        pattern.firstBeat = 0.25;
        pattern.tonic = row.tonic;
        pattern.mode = row.mode;
        const AnalysisRun run = AnalysePattern(pattern);
        ASSERT_TRUE(run.built);
        EXPECT_NEAR(run.results.GetTempo(), row.bpm, 0.1);

        ASSERT_EQ(run.grid.gridPointsPerMeasure, 8u);
        ASSERT_GT(run.grid.positions.size(), 100u);
        for (LONGLONG p : run.grid.positions)
            ASSERT_LT(HalfBeatError(pattern, p), 512.0) << p;

        // The first measure start lies on a true downbeat (every fourth beat).
        const std::vector<LONGLONG>& starts = run.results.GetMeasureStarts();
        ASSERT_FALSE(starts.empty());
        const double measure = 240.0 * pattern.rate / pattern.bpm;
        const double phase =
            std::fmod(static_cast<double>(starts.front()) - BeatFrame(pattern, 0) + measure / 2, measure);
        EXPECT_NEAR(phase, measure / 2, 512.0);

        WORD key = 0, mode = 0;
        run.results.GetKey(&key, &mode);
        EXPECT_EQ(key, row.tonic);
        EXPECT_EQ(mode, row.mode);

        ASSERT_EQ(run.results.GetMixInPoints().size(), 2u);
        ASSERT_EQ(run.results.GetMixOutPoints().size(), 2u);
        EXPECT_LT(run.results.GetMixInPoints()[1], run.results.GetMixOutPoints()[0]);
        ASSERT_EQ(run.results.GetFadeSteps().size(), 12u);
    }
}

TEST(Analysis, ShortLoopTakesItsTempoFromItsLength)
{
    // 12 s at 80 BPM: 16 beats, 4 measures; 240 / 12 = 20 BPM folds to 160, which the grid then
    // refines on the half beats of the loop.
    Pattern pattern;
    pattern.bpm = 80.0;
    pattern.seconds = 12.0;
    const AnalysisRun run = AnalysePattern(pattern);
    ASSERT_TRUE(run.built);
    const float tempo = run.results.GetTempo();
    EXPECT_TRUE(std::fabs(tempo - 160.0f) < 0.5f || std::fabs(tempo - 80.0f) < 0.5f) << tempo;
}

TEST(Analysis, SilenceGivesNoTempoAndNoGrid)
{
    Pattern pattern;
    pattern.seconds = 40.0;
    pattern.kick = false;
    pattern.hiHat = false;
    pattern.mode = 0;
    const AnalysisRun run = AnalysePattern(pattern);
    ASSERT_TRUE(run.built);
    EXPECT_EQ(run.results.GetTempo(), 0.0f);
    EXPECT_TRUE(run.grid.positions.empty());
    EXPECT_TRUE(run.results.GetMeasureStarts().empty());
    WORD key = 1, mode = 1;
    run.results.GetKey(&key, &mode);
    EXPECT_EQ(mode, 0);
}

TEST(Analysis, CancelStopsTheThumbnailPass)
{
    Pattern pattern;
    pattern.seconds = 10.0;
    auto reader = ComPtr<IPcmReader>::attach(new CMemoryPcmReader(Render(pattern), pattern.rate, 2));
    const volatile LONG cancel = 1;
    const AnalysisRun run = Analyse(reader.get(), &cancel);
    EXPECT_FALSE(run.built);
    WORD key = 1, mode = 1;
    run.results.GetKey(&key, &mode);
    EXPECT_EQ(mode, 0);
}

}  // namespace
