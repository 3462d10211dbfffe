#include "engine/catalog/analysis/PfSpecEngBuilder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

namespace {

constexpr unsigned kN = 256;
constexpr double kTwoPi = 2.0 * std::numbers::pi;

// Stereo frames whose channel sum is `mono` (left carries it all, or half each).
std::vector<short> Frames(const std::vector<double>& mono, bool split)
{
    std::vector<short> frames(2 * mono.size());
    for (size_t i = 0; i < mono.size(); ++i) {
        const long whole = std::lround(mono[i]);
        frames[2 * i] = static_cast<short>(split ? whole / 2 : whole);
        frames[2 * i + 1] = static_cast<short>(split ? whole - whole / 2 : 0);
    }
    return frames;
}

TEST(Spectrum, MagnitudesEqualADirectDftOfTheWindowedBlock)
{
    std::vector<double> mono(kN);
    uint32_t state = 7;
    for (double& v : mono) {
        state = state * 1664525u + 1013904223u;
        v = static_cast<double>(static_cast<int32_t>(state) >> 17);
    }
    const std::vector<short> frames = Frames(mono, true);
    CPfSpecEngBuilder engine(kN);
    ASSERT_TRUE(engine.IsReady());
    float low = -1.0f, high = -1.0f;
    const float level = engine.AnalyseBlock(frames.data(), nullptr, &low, &high);

    double levelSum = 0.0, highSum = 0.0, largest = 0.0;
    std::vector<double> expected(kN / 2);
    for (unsigned k = 0; k < kN / 2; ++k) {
        std::complex<double> x = 0.0;
        for (unsigned i = 0; i < kN; ++i) {
            const double w = 0.54 - 0.46 * std::cos(kTwoPi * i / kN);
            x += mono[i] * w * std::polar(1.0, -kTwoPi * k * i / kN);
        }
        expected[k] = std::abs(x) * 2.0 / kN;
        largest = std::max(largest, expected[k]);
        if (k >= 1)
            levelSum += expected[k];
        if (k >= kN / 2 - 16)
            highSum += expected[k];
    }
    for (unsigned k = 1; k < kN / 2; ++k) {
        SCOPED_TRACE(k);
        EXPECT_NEAR(engine.Magnitudes()[k], expected[k], 1e-4 * largest);
    }
    EXPECT_NEAR(level, levelSum, 1e-4 * levelSum);
    EXPECT_NEAR(low, expected[1], 1e-4 * largest);
    EXPECT_NEAR(high, highSum, 1e-4 * levelSum);
}

TEST(Spectrum, MidBinSineGivesItsAmplitudeAsLevel)
{
    // A sine on bin 10: Hamming spreads it 0.54 : 0.23 : 0.23 over bins 9..11, which sum to 1.
    struct Row {
        const char* name;
        unsigned bin;
        double amplitude;
    } rows[] = {
        {"bin 10, full scale sum", 10, 60000.0}, {"bin 40, quiet", 40, 1000.0}, {"bin 1 is the low band", 1, 20000.0}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::vector<double> mono(kN);
        for (unsigned i = 0; i < kN; ++i)
            mono[i] = row.amplitude * std::sin(kTwoPi * row.bin * i / kN + 0.3);
        const std::vector<short> frames = Frames(mono, true);
        CPfSpecEngBuilder engine(kN);
        float low = 0.0f;
        const float level = engine.AnalyseBlock(frames.data(), nullptr, &low);
        // Bin 1's lower neighbour is DC, which the level leaves out.
        const double expectedLevel = row.bin == 1 ? 0.77 * row.amplitude : row.amplitude;
        EXPECT_NEAR(level, expectedLevel, 0.002 * row.amplitude);
        EXPECT_NEAR(engine.Magnitudes()[row.bin], 0.54 * row.amplitude, 0.002 * row.amplitude);
        if (row.bin == 1) {
            EXPECT_NEAR(low, 0.54 * row.amplitude, 0.002 * row.amplitude);
        }
    }
}

TEST(Spectrum, SilenceGivesZeroLevelAndLowBand)
{
    const std::vector<short> frames(2 * kN, 0);
    CPfSpecEngBuilder engine(kN);
    float low = 1.0f;
    EXPECT_EQ(engine.AnalyseBlock(frames.data(), nullptr, &low), 0.0f);
    EXPECT_EQ(low, 0.0f);
}

TEST(Spectrum, BlockSizesThatAreNoPowerOfTwoAreRefused)
{
    EXPECT_FALSE(CPfSpecEngBuilder(0).IsReady());
    EXPECT_FALSE(CPfSpecEngBuilder(2).IsReady());
    EXPECT_FALSE(CPfSpecEngBuilder(100).IsReady());
    EXPECT_TRUE(CPfSpecEngBuilder(4).IsReady());
}

}  // namespace
