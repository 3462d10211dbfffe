#include "engine/playback/dsp/FilterBank.h"

#include "tests/support/Signals.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

namespace {

constexpr unsigned kRate = 44100;
using cd = std::complex<double>;

// The analogue prototype of each type as a ratio of polynomials in S, evaluated on the unit
// circle through the bilinear map S = j tan(w / 2): an independent statement of what the bank's
// sections must respond.
double PrototypeMagnitude(int type, double f, double r, double g, double frequency)
{
    const double k = std::tan(std::numbers::pi * f / kRate);
    const cd s(0.0, std::tan(std::numbers::pi * frequency / kRate));
    auto poly = [&](double c0, double c1, double c2) { return c0 + c1 * s + c2 * s * s; };
    const double k2 = k * k;
    cd den = poly(k2, k * r, 1);
    cd num;
    switch (type) {
    case 1:
        num = poly(0, 0, 1);
        break;
    case 2:
        num = poly(0, k * r, 0);
        break;
    case 3:
        num = poly(k2, 0, 1);
        break;
    case 4:
        num = poly(k2, k * r, 1);
        den = poly(k2 * r / 2, k * r, r / 2);
        break;
    case 5:
        num = poly(k2, k * r, -1);
        break;
    case 6:
        num = poly(k2, 0, -0.1);
        break;
    case 7:
        num = poly(-0.1 * k2, 0, 1);
        break;
    case 8:
        num = poly(k2, -k * r, 1);
        break;
    case 9: {
        double boost = std::pow(10.0, std::fabs(g) / 20);
        num = poly(k2, k * r * (g >= 0 ? boost : 1.0), 1);
        den = poly(k2, k * r * (g >= 0 ? 1.0 : boost), 1);
        break;
    }
    case 10:
        num = poly(k2, 0, 0);
        den = poly(k2, k, 0);
        break;
    case 11:
        num = poly(0, k, 0);
        den = poly(k2, k, 0);
        break;
    case 12: {
        double w = std::pow(10.0, -std::fabs(g) / 40);
        double v = g >= 0 ? w : 1.0, u = g >= 0 ? 1.0 : w;
        double e = k * r / std::sqrt(1 / w);
        num = poly(v * k2, e, u);
        den = poly(u * k2, e, v);
        break;
    }
    default:
        num = poly(k2, 0, 0);
        break;
    }
    return std::abs(num / den);
}

// Runs a steady tone through a fresh one-band bank and returns the output's amplitude.
double MeasuredMagnitude(int type, double f, double r, double g, double frequency)
{
    CFilterBank bank;
    bank.Setup(kRate);
    bank.SetBandCount(1);
    bank.SetBand(0, type, f, r, g);
    bank.Design();
    EXPECT_EQ(bank.LastDesignResult(), CFilterBank::kDesignGood);
    std::vector<float> x = fixtures::ToneFloat(frequency, kRate, kRate, 0.5);
    bank.Process(x.data(), 0, kRate, 1);
    const unsigned settle = kRate / 2;
    return fixtures::ToneAmplitude(x.data() + settle, kRate - settle, 1, frequency, kRate) / 0.5;
}

TEST(FilterBank, MagnitudeOfEachPrototypeFollowsTheBilinearTransform)
{
    struct Case {
        const char* name;
        int type;
        double f, r, g;
    };
    const Case cases[] = {
        {"high-pass", 1, 1000, 1.4, 0},     {"band-pass", 2, 2000, 0.7, 0},      {"notch", 3, 3000, 1.0, 0},
        {"type 4", 4, 1500, 1.2, 0},        {"type 5", 5, 800, 1.0, 0},          {"type 6", 6, 1200, 1.0, 0},
        {"type 7", 7, 1200, 1.0, 0},        {"all-pass", 8, 2500, 1.0, 0},       {"peak +9 dB", 9, 4000, 1.0, 9},
        {"peak -12 dB", 9, 300, 1.25, -12}, {"first-order low", 10, 1000, 1, 0}, {"first-order high", 11, 1000, 1, 0},
        {"shelf +6 dB", 12, 2000, 1.0, 6},  {"shelf -6 dB", 12, 2000, 1.0, -6},  {"low-pass (other)", 0, 1000, 1.4, 0},
    };
    const double probes[] = {60.0, 440.0, 1000.0, 3000.0, 9000.0, 17000.0};
    for (const auto& c : cases) {
        for (double probe : probes) {
            SCOPED_TRACE(testing::Message() << c.name << " at " << probe << " Hz");
            double expected = PrototypeMagnitude(c.type, c.f, c.r, c.g, probe);
            double measured = MeasuredMagnitude(c.type, c.f, c.r, c.g, probe);
            EXPECT_NEAR(measured, expected, 0.002 + 0.005 * expected);
        }
    }
}

TEST(FilterBank, PeakingBandAtZeroDecibelsPassesTheSignal)
{
    CFilterBank bank;
    bank.Setup(kRate);
    bank.SetBandCount(1);
    bank.SetBand(0, CFilterBank::kPeaking, 15000, 2.0, 0.0);
    bank.Design();
    std::vector<float> x = fixtures::ToneFloat(5000, 4096, kRate, 0.5), y = x;
    for (unsigned i = 0; i < y.size(); i += 7)
        y[i] += 0.3f;  // clicks too
    std::vector<float> original = y;
    bank.Process(y.data(), 0, static_cast<unsigned>(y.size()), 1);
    for (size_t i = 0; i < y.size(); ++i)
        ASSERT_NEAR(y[i], original[i], 1e-5) << i;
}

TEST(FilterBank, TrebleBoostRaisesHighToneOnly)
{
    struct Case {
        double frequency;
        double expectedDb;
        double toleranceDb;
    };
    const Case cases[] = {{15000, 6.0, 0.05}, {100, 0.0, 0.05}, {1000, 0.0, 0.1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.frequency);
        double gain = MeasuredMagnitude(CFilterBank::kPeaking, 15000, 2.0, 6.0, c.frequency);
        EXPECT_NEAR(20 * std::log10(gain), c.expectedDb, c.toleranceDb);
    }
    double bassCut = MeasuredMagnitude(CFilterBank::kPeaking, 60, 1.25, -6.0, 60);
    EXPECT_NEAR(20 * std::log10(bassCut), -6.0, 0.05);
}

// The mix input changes a band's gain as its envelope moves and designs the band again.
TEST(FilterBank, GainChangeTakesEffectAtTheNextDesign)
{
    CFilterBank bank;
    bank.Setup(kRate);
    bank.SetBandCount(1);
    bank.SetBand(0, CFilterBank::kPeaking, 15000, 2.0, 0.0);
    bank.Design();
    std::vector<float> x = fixtures::ToneFloat(15000, kRate, kRate, 0.25);
    std::vector<float> flat = x;
    bank.Process(flat.data(), 0, kRate, 1);
    bank.SetBandGain(0, 6.0);
    std::vector<float> before = x;
    bank.Process(before.data(), 1, kRate, 1);  // not designed yet: still flat
    bank.Design();
    std::vector<float> boosted = x;
    bank.Process(boosted.data(), 0, kRate, 1);
    const unsigned settle = kRate / 2;
    auto level = [&](const std::vector<float>& v) {
        return 20 * std::log10(fixtures::ToneAmplitude(v.data() + settle, kRate - settle, 1, 15000, kRate) / 0.25);
    };
    EXPECT_NEAR(level(flat), 0.0, 0.01);
    EXPECT_NEAR(level(before), 0.0, 0.01);
    EXPECT_NEAR(level(boosted), 6.0, 0.05);
}

TEST(FilterBank, ChannelsKeepSeparateStateAndStrideIsHonoured)
{
    CFilterBank stereo, mono;
    for (CFilterBank* b : {&stereo, &mono}) {
        b->Setup(kRate);
        b->SetBandCount(2);
        b->SetBand(0, CFilterBank::kPeaking, 15000, 2.0, 4.0);
        b->SetBand(1, CFilterBank::kPeaking, 60, 1.25, -3.0);
        b->Design();
    }
    std::vector<float> left = fixtures::ToneFloat(12000, 2000, kRate, 0.4);
    std::vector<float> right = fixtures::ToneFloat(50, 2000, kRate, 0.4);
    std::vector<float> interleaved(4000);
    for (unsigned i = 0; i < 2000; ++i) {
        interleaved[2 * i] = left[i];
        interleaved[2 * i + 1] = right[i];
    }
    // Two halves per channel, alternating, as the mix input runs its steps.
    stereo.Process(interleaved.data(), 0, 1000, 2);
    stereo.Process(interleaved.data() + 1, 1, 1000, 2);
    stereo.Process(interleaved.data() + 2000, 0, 1000, 2);
    stereo.Process(interleaved.data() + 2001, 1, 1000, 2);
    mono.Process(left.data(), 0, 2000, 1);
    mono.Process(right.data(), 1, 2000, 1);
    for (unsigned i = 0; i < 2000; ++i) {
        ASSERT_EQ(interleaved[2 * i], left[i]) << i;
        ASSERT_EQ(interleaved[2 * i + 1], right[i]) << i;
    }
}

TEST(FilterBank, DesignFailuresAreReportedAndPassTheSignal)
{
    struct Case {
        const char* name;
        int type;
        double f, r;
        int result;
    };
    const Case cases[] = {
        {"prototype all zero", CFilterBank::kFirstOrderLowPass, 0.0, 1.0, CFilterBank::kDesignZeroPrototype},
        {"denominator sums to zero", 0, kRate / 4.0, -2.0, CFilterBank::kDesignZeroDenominator},
        {"coefficient above 2", 0, kRate / 4.0, -5.0, CFilterBank::kDesignUnstable},
        {"good", 0, 1000.0, 1.0, CFilterBank::kDesignGood},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CFilterBank bank;
        bank.Setup(kRate);
        bank.SetBandCount(1);
        bank.SetBand(0, c.type, c.f, c.r, 0.0);
        bank.Design();
        EXPECT_EQ(bank.LastDesignResult(), c.result);
        if (c.result != CFilterBank::kDesignGood) {
            float x[3] = {0.25f, -1.0f, 0.5f};
            bank.Process(x, 0, 3, 1);
            EXPECT_EQ(x[0], 0.25f);
            EXPECT_EQ(x[1], -1.0f);
            EXPECT_EQ(bank.LastDesignResult(), CFilterBank::kDesignGood);  // Process clears it
        }
    }
}

TEST(FilterBank, OutOfRangeChannelAndBandAreIgnored)
{
    CFilterBank bank;
    bank.Setup(kRate);
    bank.SetBandCount(100);
    EXPECT_EQ(bank.BandCount(), CFilterBank::kBandCapacity);
    bank.SetBand(CFilterBank::kBandCapacity, CFilterBank::kPeaking, 100, 1, 6);
    bank.SetBandCount(1);
    bank.SetBand(0, CFilterBank::kPeaking, 1000, 1, 6);
    bank.Design();
    float x[2] = {1.0f, 2.0f};
    bank.Process(x, CFilterBank::kChannelCapacity, 2, 1);
    EXPECT_EQ(x[0], 1.0f);
    EXPECT_EQ(x[1], 2.0f);
}

}  // namespace
