// The profile builder end to end on synthetic drum patterns: tempo, measure starts, key and mix
// points with wide margins. The accuracy figures over many tempos are the benchmark's.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "DrumPattern.h"
#include "MemoryPcmReader.h"
#include "ProfileRun.h"
#include "classlib/com/ComPtr.h"
#include "tests/engine/playback/render/RenderSources.h"
#include "tests/support/Signals.h"

namespace {

using namespace analysis_fixtures;

ProfileRun ProfilePattern(const Pattern& pattern, bool cancelled = false)
{
    auto reader = ComPtr<IPcmReader>::attach(new CMemoryPcmReader(Render(pattern), pattern.rate, 2));
    return Profile(reader.get(), cancelled);
}

// Distance in frames from `position` to the nearest multiple of `beats` beats from the first
// downbeat (0.5: a half beat; 4: a downbeat).
double GridError(const Pattern& pattern, LONGLONG position, double beats)
{
    const double period = beats * 60.0 * pattern.rate / pattern.bpm;
    const double offset = std::fmod(static_cast<double>(position) - BeatFrame(pattern, 0), period);
    const double positive = offset < 0 ? offset + period : offset;
    return std::min(positive, period - positive);
}

TEST(Analysis, DrumPatternTempoMeasureStartsKeyAndMixPoints)
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
        const ProfileRun run = ProfilePattern(pattern);
        ASSERT_TRUE(run.completed);
        EXPECT_NEAR(run.results.GetTempo(), row.bpm, 0.1);

        // Every measure start lies on a true downbeat, and they reach over the whole minute.
        const std::vector<LONGLONG>& starts = run.results.GetMeasureStarts();
        ASSERT_GE(starts.size(), 2u);
        for (LONGLONG start : starts)
            EXPECT_LT(GridError(pattern, start, 4.0), 512.0) << start;
        EXPECT_GT(static_cast<double>(starts.back() - starts.front()), 50.0 * pattern.rate);

        WORD key = 0, mode = 0;
        run.results.GetKey(&key, &mode);
        EXPECT_EQ(key, row.tonic);
        EXPECT_EQ(mode, row.mode);

        ASSERT_EQ(run.results.GetMixInPoints().size(), 2u);
        ASSERT_EQ(run.results.GetMixOutPoints().size(), 2u);
        EXPECT_LT(run.results.GetMixInPoints()[1], run.results.GetMixOutPoints()[0]);
        // The mix points are points of the half-beat grid.
        for (const auto* points : {&run.results.GetMixInPoints(), &run.results.GetMixOutPoints()}) {
            for (LONGLONG point : *points)
                EXPECT_LT(GridError(pattern, point, 0.5), 512.0) << point;
        }
        ASSERT_EQ(run.results.GetFadeSteps().size(), 12u);
    }
}

// Click tracks without a bass line whose first click is the file's first sample: the grid cannot
// reach that click's beat and begins half a beat later, on an off-beat. The measure starts and the
// mix points must still fall on the clicks, not between them, or two such tracks are mixed apart
// by a part of a beat. At 30 s the tracks are too short for two 8-measure windows of the grid, so
// their mix points come from the loud part's ends.
TEST(Analysis, ClickTracksStartingOnTheirFirstClickKeepTheirMeasuresAndMixPointsOnTheClicks)
{
    struct Row {
        double bpm;
        rendertest::ClickSound sound;
        double seconds;
    } rows[] = {{120.0, {1000.0, 0.5}, 45.0}, {126.0, {1800.0, 0.45}, 45.0}, {100.0, {3100.0, 0.4}, 45.0},
                {120.0, {1000.0, 0.5}, 30.0}, {126.0, {1800.0, 0.45}, 30.0}, {100.0, {3100.0, 0.4}, 30.0}};
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.bpm << " BPM, " << row.seconds << " s");
        constexpr unsigned kRate = 44100;
        const double beat = 60.0 * kRate / row.bpm;
        std::vector<int16_t> samples =
            rendertest::ClickTrack(row.sound, beat, static_cast<LONGLONG>(row.seconds * kRate), kRate);
        fixtures::AddTone(samples, 50.0 + row.bpm, kRate, 2, 0.01);
        auto reader = ComPtr<IPcmReader>::attach(new CMemoryPcmReader(samples, kRate, 2));
        const ProfileRun run = Profile(reader.get());
        ASSERT_TRUE(run.completed);
        ASSERT_NEAR(run.results.GetTempo(), row.bpm, 0.1);

        // On a click: within an eighth of a beat (the analysis finds a click's onset a block or
        // two before its first sample); an off-beat lies half a beat away.
        Pattern clicks;
        clicks.bpm = row.bpm;
        const auto onClick = [&](LONGLONG position) { return GridError(clicks, position, 1.0) < beat / 8; };
        ASSERT_FALSE(run.results.GetMeasureStarts().empty());
        for (LONGLONG start : run.results.GetMeasureStarts())
            EXPECT_TRUE(onClick(start)) << "measure start at beat " << start / beat;
        ASSERT_EQ(run.results.GetMixPointCount(), 4);
        for (const auto* points : {&run.results.GetMixInPoints(), &run.results.GetMixOutPoints()}) {
            for (LONGLONG point : *points)
                EXPECT_TRUE(onClick(point)) << "mix point at beat " << point / beat;
        }
    }
}

TEST(Analysis, ShortLoopTakesItsTempoFromItsLength)
{
    // 12 s at 80 BPM: 16 beats, 4 measures; 240 / 12 = 20 BPM folds to 160, which the grid then
    // refines on the half beats of the loop.
    Pattern pattern;
    pattern.bpm = 80.0;
    pattern.seconds = 12.0;
    const ProfileRun run = ProfilePattern(pattern);
    ASSERT_TRUE(run.completed);
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
    const ProfileRun run = ProfilePattern(pattern);
    ASSERT_TRUE(run.completed);
    EXPECT_EQ(run.results.GetTempo(), 0.0f);
    EXPECT_TRUE(run.results.GetMeasureStarts().empty());
    WORD key = 1, mode = 1;
    run.results.GetKey(&key, &mode);
    EXPECT_EQ(mode, 0);
}

// A stretch the decoder cannot read is analysed as silence: the analysis still completes and
// finds the tempo of the music around it.
TEST(Analysis, AnUnreadableStretchDoesNotFailTheAnalysis)
{
    Pattern pattern;
    pattern.seconds = 40.0;
    auto* memory = new CMemoryPcmReader(Render(pattern), pattern.rate, 2);
    const LONGLONG bytesPerSecond = 4LL * pattern.rate;
    memory->SetUnreadable(20 * bytesPerSecond, 21 * bytesPerSecond);
    auto reader = ComPtr<IPcmReader>::attach(memory);
    const ProfileRun run = Profile(reader.get());
    ASSERT_TRUE(run.completed);
    EXPECT_NEAR(run.results.GetTempo(), pattern.bpm, 0.1);
}

TEST(Analysis, CancelStopsTheThumbnailPass)
{
    Pattern pattern;
    pattern.seconds = 10.0;
    const ProfileRun run = ProfilePattern(pattern, true);
    EXPECT_FALSE(run.completed);
    WORD key = 1, mode = 1;
    run.results.GetKey(&key, &mode);
    EXPECT_EQ(mode, 0);
}

}  // namespace
