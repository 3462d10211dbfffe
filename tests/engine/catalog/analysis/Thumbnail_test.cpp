#include "engine/catalog/analysis/BeatScan.h"
#include "engine/catalog/analysis/PfPcmThumbnail.h"
#include "engine/catalog/analysis/PfThumbnailBuild.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "MemoryPcmReader.h"
#include "classlib/com/ComPtr.h"

namespace {

using analysis_fixtures::CMemoryPcmReader;

CPfPcmThumbnail Make(const std::vector<float>& values, DWORD rate = 44100, WORD block = 256)
{
    CPfPcmThumbnail t;
    EXPECT_TRUE(t.Allocate(rate, static_cast<LONGLONG>(values.size()) * block, block));
    for (size_t i = 0; i < values.size(); ++i)
        t.SetValue(static_cast<LONG>(i), values[i]);
    return t;
}

std::vector<float> Values(const CPfPcmThumbnail& t)
{
    return std::vector<float>(t.GetValues(), t.GetValues() + t.GetCount());
}

TEST(Thumbnail, GeometryAndOutsideAccess)
{
    CPfPcmThumbnail t;
    ASSERT_TRUE(t.Allocate(44100, 1000, 256));
    EXPECT_EQ(t.GetCount(), 3);  // whole blocks only
    t.SetValue(2, 5.0f);
    t.SetValue(3, 7.0f);
    t.SetValue(-1, 7.0f);
    EXPECT_EQ(t.GetValue(2), 5.0f);
    EXPECT_EQ(t.GetValue(3), 0.0f);
    EXPECT_EQ(t.GetValue(-1), 0.0f);
    EXPECT_FALSE(t.Allocate(44100, 1000, 0));
    EXPECT_EQ(t.GetCount(), 0);
    // A rate of 0 keeps the old rate.
    ASSERT_TRUE(t.Allocate(0, 512, 256));
    EXPECT_EQ(t.GetSampleRate(), 44100u);
}

TEST(Thumbnail, ShorterThanOneBlockIsEmptyAndEveryStatisticIsZero)
{
    CPfPcmThumbnail t;
    EXPECT_TRUE(t.Allocate(44100, 255, 256));
    EXPECT_EQ(t.GetCount(), 0);
    EXPECT_EQ(t.Maximum(), 0.0f);
    EXPECT_EQ(t.Minimum(), 0.0f);
    EXPECT_EQ(t.MaximumMeasureAverage(120.0f), 0.0f);
    EXPECT_EQ(t.WindowMaximum(0, 10), 0.0f);
    BEATSCAN record;
    EXPECT_EQ(t.AverageBetween(record, 0, 1), 0.0f);
    EXPECT_TRUE(t.Smooth(nullptr));
}

TEST(Thumbnail, MeasureLengthsAtATempo)
{
    CPfPcmThumbnail t = Make({0.0f});
    EXPECT_EQ(t.SamplesPerMeasure(120.0f), 88200);
    EXPECT_EQ(t.SamplesPerMeasure(82.0f), 129073);  // 240 x 44100 / 82 = 129073.17
    EXPECT_EQ(t.SamplesPerMeasure(0.0f), 0);
    EXPECT_EQ(t.BlocksPerMeasure(120.0f), 344u);
    EXPECT_EQ(t.BlocksPerMeasure(0.0f), 0u);
    t.SetTempo(120.0f);
    EXPECT_EQ(t.BlocksPerMeasure(0.0f), 344u);
}

TEST(Thumbnail, MaximumMeasureAverageOfAWindowLongerThanTheTrack)
{
    // 344 blocks per measure at 120 BPM, 100 blocks of 2.0: the partial sums grow to 200.
    CPfPcmThumbnail t = Make(std::vector<float>(100, 2.0f));
    EXPECT_NEAR(t.MaximumMeasureAverage(120.0f), 200.0 / 344.0, 1e-6);
    // 4 blocks per measure (rate 256 x 4 / 4 = 256 frames per beat at 60 BPM: rate 256).
    CPfPcmThumbnail small = Make({1, 1, 9, 9, 9, 9, 1, 1}, 256, 256);
    EXPECT_EQ(small.BlocksPerMeasure(60.0f), 4u);
    EXPECT_NEAR(small.MaximumMeasureAverage(60.0f), 9.0, 1e-6);
}

TEST(Thumbnail, WindowMaximumAndAverageBetweenPositions)
{
    CPfPcmThumbnail t = Make({1, 5, 2, 8, 3, 4});
    EXPECT_EQ(t.WindowMaximum(0, 2), 5.0f);
    EXPECT_EQ(t.WindowMaximum(4, 100), 4.0f);
    EXPECT_EQ(t.WindowMaximum(6, 9), 0.0f);
    BEATSCAN record;
    record.positions = {256, 3 * 256 + 10, 5 * 256};
    // Blocks 1..3: (5 + 2 + 8) / (3 - 1).
    EXPECT_FLOAT_EQ(t.AverageBetween(record, 0, 1), 7.5f);
    // A missing last entry means the final block: blocks 3..5 = 15 / 2.
    EXPECT_FLOAT_EQ(t.AverageBetween(record, 1, 9), 7.5f);
    // Both in one block: that block's value.
    EXPECT_FLOAT_EQ(t.AverageBetween(record, 2, 2), 4.0f);
}

TEST(Thumbnail, FillFromSamplesStoresBlockMagnitudeMaxima)
{
    CPfPcmThumbnail t = Make(std::vector<float>(4, 0.0f), 44100, 4);
    const float samples[] = {0.5f, -3.0f, 1.0f, 2.0f, 7.0f, 0.0f, 0.0f, -8.0f, 9.0f};
    t.FillFromSamples(samples, 9, 4);  // blocks 1 and 2; the partial third block is left out
    EXPECT_EQ(Values(t), (std::vector<float>{0.0f, 3.0f, 8.0f, 0.0f}));
}

TEST(Thumbnail, SmoothIsACentredNineBlockMean)
{
    std::vector<float> values(20, 0.0f);
    values[10] = 9.0f;
    CPfPcmThumbnail t = Make(values);
    ASSERT_TRUE(t.Smooth(nullptr));
    // Outputs 6..14 are centred on their block; the window stops sliding at blocks 10..18, which
    // still hold the impulse, and blocks 0..5 use the first window 0..8, which does not.
    for (LONG i = 0; i < 20; ++i) {
        SCOPED_TRACE(i);
        EXPECT_FLOAT_EQ(t.GetValue(i), i >= 6 ? 1.0f : 0.0f);
    }
    // A constant stays constant, also at both ends.
    CPfPcmThumbnail flat = Make(std::vector<float>(30, 2.0f));
    ASSERT_TRUE(flat.Smooth(nullptr));
    for (float v : Values(flat))
        EXPECT_FLOAT_EQ(v, 2.0f);
}

TEST(Thumbnail, CancelledSmoothLeavesTheValues)
{
    CPfPcmThumbnail t = Make({0, 0, 0, 9, 0, 0});
    const volatile LONG cancel = 1;
    EXPECT_FALSE(t.Smooth(&cancel));
    EXPECT_EQ(Values(t), (std::vector<float>{0, 0, 0, 9, 0, 0}));
}

TEST(Thumbnail, PeakHoldFillsDipsWithALinearDecay)
{
    // 44100 Hz: 164 BPM measures are 64539 frames = 252 blocks; a sixteenth is 15 blocks.
    std::vector<float> values(40, 0.0f);
    values[2] = 15.0f;
    CPfPcmThumbnail t = Make(values);
    ASSERT_TRUE(t.PeakHoldEnvelope(nullptr));
    for (LONG i = 3; i <= 16; ++i) {
        SCOPED_TRACE(i);
        EXPECT_NEAR(t.GetValue(i), 15.0f - (i - 2), 1e-4);
    }
    EXPECT_NEAR(t.GetValue(17), 0.0f, 1e-4);
    EXPECT_EQ(t.GetValue(1), 0.0f);
}

TEST(Thumbnail, PeakHoldFailsBelowSixteenBlocksPerMeasureAndLeavesValues)
{
    // 2000 Hz: a 164 BPM measure is 2926 frames = 11 blocks.
    CPfPcmThumbnail t = Make({0, 5, 0, 0}, 2000);
    EXPECT_FALSE(t.PeakHoldEnvelope(nullptr));
    EXPECT_EQ(Values(t), (std::vector<float>{0, 5, 0, 0}));
}

TEST(Thumbnail, DecayShapingSpreadsForwardAlongTheQuarticCurve)
{
    std::vector<float> values(12, 0.0f);
    values[1] = 10.0f;
    values[8] = 9.99f;  // above the curve: the spreading stops there
    CPfPcmThumbnail t = Make(values, 256, 256);
    t.SetTempo(30.0f);  // 8 blocks per measure
    ASSERT_EQ(t.GetStoredBlocksPerMeasure(), 8u);
    ASSERT_TRUE(t.DecayShaping(nullptr, 2));  // H = 4
    EXPECT_FLOAT_EQ(t.GetValue(2), 10.0f);
    for (int d = 2; d <= 4; ++d) {
        SCOPED_TRACE(d);
        EXPECT_NEAR(t.GetValue(1 + d), 10.0 * (1.0 - std::pow((d - 1) / 4.0, 4)), 1e-4);
    }
    EXPECT_NEAR(t.GetValue(6), 0.0f, 1e-6);
    EXPECT_FLOAT_EQ(t.GetValue(8), 9.99f);
    EXPECT_FLOAT_EQ(t.GetValue(9), 9.99f);

    CPfPcmThumbnail unset = Make({0, 5, 0});
    EXPECT_FALSE(unset.DecayShaping(nullptr, 2));
    EXPECT_EQ(Values(unset), (std::vector<float>{0, 5, 0}));
}

TEST(Thumbnail, CopyHasItsOwnValuesAndTheTempoFields)
{
    CPfPcmThumbnail t = Make({1, 2, 3, 4});
    t.SetTempo(120.0f);
    CPfPcmThumbnail copy(t);
    copy.SetValue(0, 9.0f);
    EXPECT_EQ(t.GetValue(0), 1.0f);
    EXPECT_EQ(copy.GetValue(1), 2.0f);
    EXPECT_EQ(copy.GetStoredBlocksPerMeasure(), t.GetStoredBlocksPerMeasure());
    EXPECT_EQ(copy.GetPeakMeasureLevel(), t.GetPeakMeasureLevel());
}

TEST(ThumbnailBuild, LevelsOfABlockwiseSignalAndProgress)
{
    // 3 blocks: silence, a bin-10 sine, silence; 2 extra frames that make no block.
    const unsigned n = 256;
    std::vector<int16_t> stereo(2 * (3 * n + 2), 0);
    for (unsigned i = 0; i < n; ++i) {
        const auto s = static_cast<int16_t>(std::lround(10000.0 * std::sin(2.0 * 3.14159265358979 * 10 * i / n)));
        stereo[2 * (n + i)] = s;
        stereo[2 * (n + i) + 1] = s;
    }
    auto reader = ComPtr<IPcmReader>::attach(new CMemoryPcmReader(stereo, 44100, 2));
    CPfPcmThumbnail level, low;
    std::vector<int> progress;
    ASSERT_TRUE(
        PfBuildThumbnails(reader.get(), 256, level, low, nullptr, nullptr, [&](int p) { progress.push_back(p); }));
    ASSERT_EQ(level.GetCount(), 3);
    EXPECT_EQ(level.GetValue(0), 0.0f);
    EXPECT_NEAR(level.GetValue(1), 20000.0f, 40.0f);
    EXPECT_EQ(level.GetValue(2), 0.0f);
    EXPECT_EQ(progress, std::vector<int>{0});

    const volatile LONG cancel = 1;
    EXPECT_FALSE(PfBuildThumbnails(reader.get(), 256, level, low, nullptr, &cancel, nullptr));
    EXPECT_FALSE(PfBuildThumbnails(reader.get(), 0, level, low, nullptr, nullptr, nullptr));
}

TEST(ThumbnailBuild, AnUnreadableStretchIsTakenAsSilenceAndTheBuildGoesOn)
{
    // Three blocks of a bin-10 sine; the middle block cannot be read.
    const unsigned n = 256;
    std::vector<int16_t> stereo(2 * 3 * n, 0);
    for (unsigned i = 0; i < 3 * n; ++i) {
        const auto s = static_cast<int16_t>(std::lround(10000.0 * std::sin(2.0 * 3.14159265358979 * 10 * i / n)));
        stereo[2 * i] = s;
        stereo[2 * i + 1] = s;
    }
    auto* memory = new CMemoryPcmReader(stereo, 44100, 2);
    memory->SetUnreadable(4 * n, 4 * n + 1);
    auto reader = ComPtr<IPcmReader>::attach(memory);
    CPfPcmThumbnail level, low;
    ASSERT_TRUE(PfBuildThumbnails(reader.get(), 256, level, low, nullptr, nullptr, nullptr));
    ASSERT_EQ(level.GetCount(), 3);
    EXPECT_NEAR(level.GetValue(0), 20000.0f, 40.0f);
    EXPECT_EQ(level.GetValue(1), 0.0f);
    EXPECT_EQ(low.GetValue(1), 0.0f);
    EXPECT_NEAR(level.GetValue(2), 20000.0f, 40.0f);
}

}  // namespace
