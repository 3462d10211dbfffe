#include "engine/catalog/analysis/MixPoints.h"

#include <gtest/gtest.h>

#include <vector>

#include "engine/catalog/analysis/ProfileResults.h"

namespace {

constexpr DWORD kRate = 44100;
constexpr WORD kBlock = 256;

// Rate 44100, block 256; the tempo sets 344 blocks per measure at 120 BPM.
CPfPcmThumbnail Level(const std::vector<float>& values, float bpm = 120.0f)
{
    CPfPcmThumbnail t;
    EXPECT_TRUE(t.Allocate(kRate, static_cast<LONGLONG>(values.size()) * kBlock, kBlock));
    for (size_t i = 0; i < values.size(); ++i)
        t.SetValue(static_cast<LONG>(i), values[i]);
    t.SetTempo(bpm);
    return t;
}

// Blocks [from, to) at `level`, the rest at `floor`.
std::vector<float> Plateau(LONG count, LONG from, LONG to, float level, float floor = 0.0f)
{
    std::vector<float> v(static_cast<size_t>(count), floor);
    for (LONG i = from; i < to; ++i)
        v[static_cast<size_t>(i)] = level;
    return v;
}

// A half-beat grid every 11025 frames (120 BPM) over the thumbnail.
BEATSCAN Grid(const CPfPcmThumbnail& t)
{
    BEATSCAN g;
    g.sampleRate = kRate;
    g.sampleCount = t.GetSampleCount();
    g.gridPointsPerMeasure = 8;
    for (LONGLONG p = 0; p < g.sampleCount; p += 11025)
        g.positions.push_back(p);
    return g;
}

TEST(LoudPositions, FirstAndLastOfAPlateau)
{
    // 20 measures; loud from block 1000 to 5000.
    const CPfPcmThumbnail t = Level(Plateau(6880, 1000, 5000, 100.0f));
    ASSERT_NEAR(t.GetPeakMeasureLevel(), 100.0f, 1e-3);
    EXPECT_EQ(FindFirstLoudPosition(t), 1000LL * kBlock);
    // The last measure whose mean exceeds half the peak ends 172 blocks into the quiet part's
    // window; its first block below a fifth of the peak is block 5000.
    EXPECT_EQ(FindLastLoudPosition(t), 5000LL * kBlock);
}

TEST(LoudPositions, EdgeCasesOfQuietAndShortTracks)
{
    // Nothing above a tenth of the peak: a peak of 0.
    EXPECT_EQ(FindFirstLoudPosition(Level(std::vector<float>(1000, 0.0f))), 0);
    // Loud only at block 0: every window the walk sees stays below half the peak, whose
    // largest running mean is a partial sum at the start.
    std::vector<float> early(3000, 0.0f);
    early[0] = 100.0f;
    const CPfPcmThumbnail spiky = Level(early);
    EXPECT_EQ(FindLastLoudPosition(spiky), spiky.GetSampleCount() - 1);
    // A measure longer than the track: the sample count - 1.
    const CPfPcmThumbnail shortTrack = Level(std::vector<float>(100, 5.0f));
    EXPECT_EQ(FindLastLoudPosition(shortTrack), shortTrack.GetSampleCount() - 1);
    // Without a tempo: 0.
    CPfPcmThumbnail untimed;
    untimed.Allocate(kRate, 1000 * kBlock, kBlock);
    EXPECT_EQ(FindLastLoudPosition(untimed), 0);
}

TEST(FadeList, QuietTrackHoldsTheStartThenTheEnd)
{
    // Values at exactly a fifth of the peak add nothing.
    std::vector<float> v(4000, 20.0f);
    v[0] = 100.0f;  // one block makes the peak measure level
    CPfPcmThumbnail t = Level(v);
    const float peak = t.GetPeakMeasureLevel();
    for (LONG i = 1; i < t.GetCount(); ++i)
        t.SetValue(i, 0.2f * peak);
    std::vector<LONGLONG> list;
    ASSERT_TRUE(BuildFadeList(12, -600, 10 * kBlock + 7, list, t));
    ASSERT_EQ(list.size(), 12u);
    EXPECT_EQ(list[0], 10 * kBlock);
    for (size_t k = 1; k < 12; ++k)
        EXPECT_EQ(list[k], 4000LL * kBlock) << k;
}

TEST(FadeList, LoudMusicFadesAtMostSixDecibelsPerSecond)
{
    // Far above a fifth of the peak, every block drops the full 600 / 172 hundredths: one entry
    // per second (172 blocks).
    const CPfPcmThumbnail t = Level(std::vector<float>(4000, 1.0e6f));
    std::vector<LONGLONG> list;
    ASSERT_TRUE(BuildFadeList(12, -600, 0, list, t));
    ASSERT_EQ(list.size(), 12u);
    for (size_t k = 1; k < 12; ++k) {
        SCOPED_TRACE(k);
        // Entry k: the first block whose accumulated drop passes 600 k, about 172 k blocks on.
        EXPECT_NEAR(static_cast<double>(list[k]) / kBlock, 172.0 * k, 1.0);
    }
    CPfPcmThumbnail slow;
    slow.Allocate(100, 100 * kBlock, kBlock);  // fewer than one block per second
    EXPECT_FALSE(BuildFadeList(12, -600, 0, list, slow));
}

TEST(SnapWindow, ShortGridsHaveNoWholeWindowAndNeverIndexOutside)
{
    // 5 measures of grid (40 points) with 8-measure windows (64 points).
    const CPfPcmThumbnail t = Level(std::vector<float>(1720, 50.0f));
    const BEATSCAN g = Grid(t);
    ASSERT_LT(g.positions.size(), 65u);
    INT_PTR first = -7, last = -7;
    EXPECT_FALSE(SnapWindowToBeats(g, t, 8, g.positions.back(), true, first, last));
    EXPECT_FALSE(SnapWindowToBeats(g, t, 8, 0, false, first, last));
    EXPECT_FALSE(SnapWindowToBeats(BEATSCAN{}, t, 8, 0, false, first, last));
    // A grid longer than one window: from the last position the window ends there untested.
    BEATSCAN longer = g;
    longer.positions.resize(0);
    for (LONGLONG p = 0; p < 70 * 11025; p += 11025)
        longer.positions.push_back(p);
    ASSERT_TRUE(SnapWindowToBeats(longer, t, 8, longer.positions.back(), true, first, last));
    EXPECT_EQ(first, 5);
    EXPECT_EQ(last, 69);
}

TEST(SnapWindow, ForwardFindsTheFirstLoudWindowInPhase)
{
    // 40 measures; silent for the first 12 measures, loud after.
    const CPfPcmThumbnail t = Level(Plateau(13760, 12 * 344, 13760, 100.0f));
    const BEATSCAN g = Grid(t);
    INT_PTR first = 0, last = 0;
    ASSERT_TRUE(SnapWindowToBeats(g, t, 8, 3 * 11025, false, first, last));
    // In phase with index 3, 64 points wide: 3, 67, 131 ... the first whose mean reaches 15.
    EXPECT_EQ((first - 3) % 64, 0);
    EXPECT_EQ(last - first, 64);
    EXPECT_GE(t.AverageBetween(g, first, last), 15.0f);
    EXPECT_LT(t.AverageBetween(g, first - 64, last - 64), 15.0f);
    // Backward from the end: the last whole window.
    ASSERT_TRUE(SnapWindowToBeats(g, t, 8, g.positions[g.positions.size() - 70], true, first, last));
    EXPECT_LT(last, static_cast<INT_PTR>(g.positions.size()));
    EXPECT_GE(last + 64, static_cast<INT_PTR>(g.positions.size()));
}

TEST(MixPoints, GridWindowsReachTheLoudPartAndSkipAQuietOutro)
{
    // 40 measures, loud from measure 4 to measure 24: 320 grid points, windows of 64.
    const CPfPcmThumbnail t = Level(Plateau(13760, 4 * 344, 24 * 344, 100.0f));
    const BEATSCAN g = Grid(t);
    ASSERT_EQ(g.positions.size(), 320u);
    CProfileResults results;
    results.SetTempo(120.0f);
    EXPECT_EQ(FindMixPoints(g, nullptr, t, 8, results), PfMixPointSource::grid);
    // Mix in: the first window (points 0..64) is half loud, above 0.15 of the peak.
    EXPECT_EQ(results.GetMixInPoints(), (std::vector<LONGLONG>{0, 64 * 11025}));
    // Mix out: windows 255..319 and 191..255 are (nearly) silent; 127..191 is loud.
    EXPECT_EQ(results.GetMixOutPoints(), (std::vector<LONGLONG>{127 * 11025, 191 * 11025}));
}

// The fallback's own search: single-block peaks over a loud floor; the pairs 8 measures apart
// (within 1/200 of that) become the mix points, the peaks in between do not.
TEST(MixPoints, PeakPairsEightMeasuresApartBecomeTheMixPoints)
{
    // 8 measures at 120 BPM: 705600 frames = 2756.25 blocks; the tolerance is 3528 frames.
    std::vector<float> values(9000, 100.0f);
    for (LONG peak : {1000, 2000, 3756, 6000, 7000, 8756})
        values[static_cast<size_t>(peak)] = 2100.0f;
    const CPfPcmThumbnail t = Level(values);
    CProfileResults results;
    results.SetTempo(120.0f);
    FindMixPointsFromPeaks(t, nullptr, 8, results);
    // Onsets lie at the foot of each rise, one block before the peak.
    EXPECT_EQ(results.GetMixInPoints(), (std::vector<LONGLONG>{999 * kBlock, 3755 * kBlock}));
    EXPECT_EQ(results.GetMixOutPoints(), (std::vector<LONGLONG>{5999 * kBlock, 8755 * kBlock}));
}

TEST(MixPoints, ShortLoudPartFallsBackToItsTwoEnds)
{
    // 6 measures of thumbnail (grid too short for 8-measure windows), loud part under 2 measures.
    const CPfPcmThumbnail t = Level(Plateau(2064, 700, 1200, 100.0f));
    const BEATSCAN g = Grid(t);
    CProfileResults results;
    results.SetTempo(120.0f);
    EXPECT_EQ(FindMixPoints(g, nullptr, t, 8, results), PfMixPointSource::peaks);
    EXPECT_EQ(results.GetMixInPoints(), (std::vector<LONGLONG>{FindFirstLoudPosition(t)}));
    EXPECT_EQ(results.GetMixOutPoints(), (std::vector<LONGLONG>{FindLastLoudPosition(t)}));
}

TEST(MixPoints, FallbackShortensTheIntroUntilBothFit)
{
    // Loud for 10 measures inside 20; no onsets (a flat plateau has one rise only).
    const CPfPcmThumbnail t = Level(Plateau(6880, 344, 11 * 344, 100.0f));
    CProfileResults results;
    results.SetTempo(120.0f);
    FindMixPointsFromPeaks(t, nullptr, 8, results);
    const LONGLONG first = FindFirstLoudPosition(t);
    const LONGLONG last = FindLastLoudPosition(t);
    // 8 measures do not fit twice into ~10: halved to 4 measures (M 7), which do.
    ASSERT_EQ(results.GetMixInPoints().size(), 2u);
    EXPECT_EQ(results.GetMixInPoints()[1] - first, 4 * 88200);
    EXPECT_EQ(last - results.GetMixOutPoints()[1], 4 * 88200);
}

}  // namespace
