#include "engine/playback/dsp/Resamp.h"

#include "tests/support/Signals.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <numeric>
#include <vector>

namespace {

constexpr double kCutoff = 0.8;

struct RatioCase {
    unsigned source;
    unsigned up, down, taps;
};

const RatioCase kRatios[] = {
    {48000, 147, 160, 17}, {32000, 441, 320, 71}, {22050, 2, 1, 71}, {96000, 147, 320, 35},
    {8000, 441, 80, 71},   {88200, 1, 2, 31},     {11025, 4, 1, 71}, {16000, 441, 160, 71},
};

TEST(Resamp, FactorsAndTapsForEachSourceRate)
{
    for (const auto& c : kRatios) {
        SCOPED_TRACE(c.source);
        CResamp r;
        ASSERT_TRUE(r.Setup(44100, c.source, kCutoff));
        EXPECT_EQ(r.UpFactor(), c.up);
        EXPECT_EQ(r.DownFactor(), c.down);
        EXPECT_EQ(r.TapsPerPhase(), c.taps);
    }
}

TEST(Resamp, RatesOutsideTheRangeLeaveItUnconfigured)
{
    const unsigned bad[][2] = {{44100, 7999}, {44100, 96001}, {7999, 44100}, {96001, 44100}, {0, 0}};
    for (const auto& rates : bad) {
        SCOPED_TRACE(testing::Message() << rates[0] << " from " << rates[1]);
        CResamp r;
        EXPECT_FALSE(r.Setup(rates[0], rates[1], kCutoff));
        EXPECT_FALSE(r.IsConfigured());
        std::vector<float> in(100, 1.0f), out(400, 5.0f);
        EXPECT_EQ(r.Process(out.data(), in.data(), 400, 100, 1), 0u);
        EXPECT_EQ(out[0], 5.0f);
    }
    CResamp same;
    EXPECT_TRUE(same.Setup(44100, 44100, kCutoff));
    std::vector<float> in(100, 1.0f), out(100);
    EXPECT_EQ(same.Process(out.data(), in.data(), 100, 100, 1), 0u);
}

// The prototype written out independently from its definition: a Blackman-Harris windowed sinc of
// N = L x T taps, scaled by s and 0.9, dealt out to L phases.
double ModelCoefficient(unsigned up, unsigned taps, double s, unsigned i)
{
    const double pi = std::numbers::pi;
    const unsigned n = up * taps;
    double x = s * (static_cast<double>(i) - static_cast<double>(n / 2)) * pi / up;
    double sinc = x == 0 ? 1.0 : std::sin(x) / x;
    double w = 0.35875 - 0.48829 * std::cos(2 * pi * i / n) + 0.14128 * std::cos(4 * pi * i / n) -
               0.01168 * std::cos(6 * pi * i / n);
    return s * w * sinc * 0.9;
}

TEST(Resamp, CoefficientsMatchThePrototype)
{
    for (const auto& c : kRatios) {
        SCOPED_TRACE(c.source);
        CResamp r;
        ASSERT_TRUE(r.Setup(44100, c.source, kCutoff));
        double s = c.source > 44100 ? kCutoff * 44100.0 / c.source : 1.0;
        for (unsigned i = 0; i < c.up * c.taps; ++i)
            ASSERT_NEAR(r.Coefficient(i % c.up, i / c.up), ModelCoefficient(c.up, c.taps, s, i), 1e-7) << "i=" << i;
        // Every phase sums to about the prototype's gain: unity gain at DC, less 0.9.
        for (unsigned p = 0; p < c.up; p += std::max(1u, c.up / 7)) {
            double sum = 0;
            for (unsigned j = 0; j < c.taps; ++j)
                sum += r.Coefficient(p, j);
            EXPECT_NEAR(sum, 0.9, 0.05) << "phase " << p;
        }
    }
}

// The general mode's phase rule, run in double over the whole input at once.
std::vector<double> ModelGeneral(const CResamp& r, unsigned target, unsigned source, const std::vector<float>& in,
                                 unsigned outputs)
{
    const unsigned up = r.UpFactor(), taps = r.TapsPerPhase();
    std::vector<double> out;
    for (unsigned k = 0; k < outputs; ++k) {
        double t = static_cast<double>(k) / target;
        long long g = std::llround(t * source);
        if (static_cast<double>(g) / source > t)
            g = static_cast<long long>(std::floor(t * source));
        if (g > static_cast<long long>(in.size()))
            break;
        unsigned phase = static_cast<unsigned>(std::floor(source * (t - static_cast<double>(g) / source) * (up - 1)));
        double y = 0;
        for (unsigned j = 0; j < taps; ++j) {
            long long idx = g - 1 - static_cast<long long>(j);  // newest consumed input first
            if (idx >= 0)
                y += r.Coefficient(phase, j) * in[idx];
        }
        out.push_back(y);
    }
    return out;
}

TEST(Resamp, GeneralModeFollowsThePhaseRule)
{
    for (unsigned source : {48000u, 32000u, 8000u, 96000u}) {
        SCOPED_TRACE(source);
        CResamp r;
        ASSERT_TRUE(r.Setup(44100, source, kCutoff));
        std::vector<float> in = fixtures::ToneFloat(997.0, 4000, source, 0.7);
        std::vector<float> out(8000);
        unsigned n = r.Process(out.data(), in.data(), 3000, static_cast<unsigned>(in.size()), 1);
        std::vector<double> model = ModelGeneral(r, 44100, source, in, n);
        ASSERT_EQ(model.size(), n);
        for (unsigned k = 0; k < n; ++k)
            ASSERT_NEAR(out[k], model[k], 1e-5) << "output " << k;
    }
}

TEST(Resamp, HalfRateToFullRateGivesTwoOutputsPerInput)
{
    CResamp r;
    ASSERT_TRUE(r.Setup(44100, 22050, kCutoff));
    std::vector<float> in = fixtures::ToneFloat(1000.0, 2000, 22050, 0.5);
    std::vector<float> out(5000);
    EXPECT_EQ(r.Process(out.data(), in.data(), 5000, 2000, 1), 4000u);
    EXPECT_EQ(r.Process(out.data(), in.data(), 3000, 2000, 1), 3000u);  // capacity limits
    // The level of a passband tone is 0.9 of the input's.
    EXPECT_NEAR(fixtures::ToneAmplitude(out.data() + 200, 2600, 1, 1000.0, 44100), 0.45, 0.005);
}

// Splitting the input across calls must not change a single output sample (no phase step where a
// call ends).
TEST(Resamp, ConsecutiveCallsContinueOneStream)
{
    for (unsigned source : {48000u, 32000u, 8000u, 96000u, 22050u}) {
        SCOPED_TRACE(source);
        std::vector<float> in = fixtures::ToneFloat(1234.5, 20000, source, 0.6);
        CResamp whole, parts;
        ASSERT_TRUE(whole.Setup(44100, source, kCutoff));
        ASSERT_TRUE(parts.Setup(44100, source, kCutoff));
        std::vector<float> a(200000), b(200000);
        unsigned na = whole.Process(a.data(), in.data(), 200000, 20000, 1);
        unsigned nb = 0;
        const unsigned chunks[] = {1, 7, 333, 4096, 5000, 10563};
        unsigned used = 0;
        for (unsigned c : chunks) {
            nb += parts.Process(b.data() + nb, in.data() + used, 200000 - nb, c, 1);
            used += c;
        }
        ASSERT_EQ(used, 20000u);
        ASSERT_EQ(na, nb);
        for (unsigned k = 0; k < na; ++k)
            ASSERT_EQ(a[k], b[k]) << "output " << k;
    }
}

// Pure decimation (88200 Hz, L = 1) keeps every input in its delay line even when the caller's
// output space runs out first: the next call then starts from the right history.
TEST(Resamp, DecimationPushesEveryInputBeyondTheOutputCapacity)
{
    std::vector<float> in = fixtures::ToneFloat(1234.5, 4000, 88200, 0.6);
    CResamp whole, parts;
    ASSERT_TRUE(whole.Setup(44100, 88200, kCutoff));
    ASSERT_TRUE(parts.Setup(44100, 88200, kCutoff));
    ASSERT_EQ(whole.UpFactor(), 1u);
    std::vector<float> a(2000), b(2000);
    ASSERT_EQ(whole.Process(a.data(), in.data(), 2000, 4000, 1), 2000u);
    // The first call brings 1000 inputs but room for 100 outputs only.
    ASSERT_EQ(parts.Process(b.data(), in.data(), 100, 1000, 1), 100u);
    ASSERT_EQ(parts.Process(b.data() + 500, in.data() + 1000, 1500, 3000, 1), 1500u);
    for (unsigned k = 0; k < 100; ++k)
        ASSERT_EQ(b[k], a[k]) << "output " << k;
    for (unsigned k = 500; k < 2000; ++k)
        ASSERT_EQ(b[k], a[k]) << "output " << k;
}

// A stretch rendered on its own from an arbitrary source frame lines up with the continuous
// stream once its delay line is full.
TEST(Resamp, RestartDerivesThePhaseFromTheDestinationFrame)
{
    for (unsigned source : {48000u, 32000u, 8000u, 96000u}) {
        SCOPED_TRACE(source);
        std::vector<float> in = fixtures::ToneFloat(440.0, 30000, source, 0.6);
        CResamp whole, stretch;
        ASSERT_TRUE(whole.Setup(44100, source, kCutoff));
        ASSERT_TRUE(stretch.Setup(44100, source, kCutoff));
        std::vector<float> a(100000), b(100000);
        unsigned na = whole.Process(a.data(), in.data(), 100000, 30000, 1);
        const long long s0 = 12345;
        const long long d0 = (s0 * 44100 + source / 2) / source;
        stretch.Restart(d0, s0);
        unsigned nb = stretch.Process(b.data(), in.data() + s0, 100000, static_cast<unsigned>(30000 - s0), 1);
        ASSERT_GT(nb, 1000u);
        const unsigned settle = 2 * 44100 * stretch.TapsPerPhase() / source + 2;
        for (unsigned k = settle; k < nb && d0 + k < na; ++k)
            ASSERT_EQ(b[k], a[d0 + k]) << "output " << k;
    }
}

struct QualityCase {
    unsigned source;
    double passFrequency;
    double minPassSnrDb;
    double stopFrequency;  // above the new Nyquist frequency: must be rejected
    double minRejectionDb;
};

// Passband tones come through at 0.9 of their level with little distortion, tones that would
// alias are rejected. (Figures against sox are in bench/.)
TEST(Resamp, PassbandAndAliasRejection)
{
    const QualityCase cases[] = {
        {48000, 1000.0, 50.0, 23000.0, 25.0}, {96000, 1000.0, 50.0, 30000.0, 25.0},
        {88200, 1000.0, 50.0, 30000.0, 25.0}, {32000, 1000.0, 50.0, 0.0, 0.0},
        {22050, 1000.0, 50.0, 0.0, 0.0},      {8000, 1000.0, 40.0, 0.0, 0.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.source);
        CResamp r;
        ASSERT_TRUE(r.Setup(44100, c.source, kCutoff));
        std::vector<float> in = fixtures::ToneFloat(c.passFrequency, c.source, c.source, 0.5);
        std::vector<float> out(50000);
        unsigned n = r.Process(out.data(), in.data(), 50000, c.source, 1);
        ASSERT_GT(n, 40000u);
        const unsigned skip = 1000, count = 40000;
        double amplitude = fixtures::ToneAmplitude(out.data() + skip, count, 1, c.passFrequency, 44100);
        EXPECT_NEAR(amplitude, 0.45, 0.45 * 0.02);
        double error = 0, signal = 0;
        // Residual after removing the fitted tone: distortion and jitter.
        std::vector<double> fit(count);
        {
            double ss = 0, sc = 0, cc = 0, ys = 0, yc = 0;
            for (unsigned i = 0; i < count; ++i) {
                double w = 2 * std::numbers::pi * c.passFrequency * (skip + i) / 44100.0;
                double y = out[skip + i];
                ss += std::sin(w) * std::sin(w);
                cc += std::cos(w) * std::cos(w);
                sc += std::sin(w) * std::cos(w);
                ys += y * std::sin(w);
                yc += y * std::cos(w);
            }
            double det = ss * cc - sc * sc;
            double a = (ys * cc - yc * sc) / det, b = (yc * ss - ys * sc) / det;
            for (unsigned i = 0; i < count; ++i) {
                double w = 2 * std::numbers::pi * c.passFrequency * (skip + i) / 44100.0;
                fit[i] = a * std::sin(w) + b * std::cos(w);
                signal += fit[i] * fit[i];
                error += (out[skip + i] - fit[i]) * (out[skip + i] - fit[i]);
            }
        }
        double snr = 10 * std::log10(signal / error);
        EXPECT_GT(snr, c.minPassSnrDb);
        if (c.stopFrequency > 0) {
            std::vector<float> high = fixtures::ToneFloat(c.stopFrequency, c.source, c.source, 0.5);
            CResamp h;
            ASSERT_TRUE(h.Setup(44100, c.source, kCutoff));
            unsigned m = h.Process(out.data(), high.data(), 50000, c.source, 1);
            double rms = 0;
            for (unsigned i = skip; i < m; ++i)
                rms += out[i] * out[i];
            rms = std::sqrt(rms / (m - skip));
            double rejection = 20 * std::log10(0.5 / std::sqrt(2.0) / rms);
            EXPECT_GT(rejection, c.minRejectionDb);
        }
    }
}

TEST(Resamp, StrideReadsAndWritesOneChannel)
{
    CResamp left, mono;
    ASSERT_TRUE(left.Setup(44100, 48000, kCutoff));
    ASSERT_TRUE(mono.Setup(44100, 48000, kCutoff));
    std::vector<float> in = fixtures::ToneFloat(500.0, 4800, 48000, 0.5);
    std::vector<float> interleaved(2 * in.size(), -7.0f);
    for (size_t i = 0; i < in.size(); ++i)
        interleaved[2 * i] = in[i];
    std::vector<float> outStereo(20000, 3.0f), outMono(10000);
    unsigned a = left.Process(outStereo.data(), interleaved.data(), 10000, 4800, 2);
    unsigned b = mono.Process(outMono.data(), in.data(), 10000, 4800, 1);
    ASSERT_EQ(a, b);
    for (unsigned k = 0; k < a; ++k) {
        ASSERT_EQ(outStereo[2 * k], outMono[k]) << k;
        ASSERT_EQ(outStereo[2 * k + 1], 3.0f) << k;
    }
}

}  // namespace
