#include "tests/support/Signals.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace fixtures {

namespace {
constexpr double kTwoPi = 2.0 * std::numbers::pi;

int16_t ToInt16(double v)
{
    return static_cast<int16_t>(std::lround(std::clamp(v, -1.0, 32767.0 / 32768.0) * 32768.0));
}
}  // namespace

std::vector<int16_t> Tone(double frequency, double seconds, unsigned rate, unsigned channels, double amplitude)
{
    auto frames = static_cast<size_t>(std::lround(seconds * rate));
    std::vector<int16_t> out(frames * channels);
    for (size_t i = 0; i < frames; ++i) {
        int16_t s = ToInt16(amplitude * std::sin(kTwoPi * frequency * static_cast<double>(i) / rate));
        for (unsigned c = 0; c < channels; ++c)
            out[i * channels + c] = s;
    }
    return out;
}

std::vector<float> ToneFloat(double frequency, unsigned frames, unsigned rate, double amplitude)
{
    std::vector<float> out(frames);
    for (unsigned i = 0; i < frames; ++i)
        out[i] = static_cast<float>(amplitude * std::sin(kTwoPi * frequency * i / rate));
    return out;
}

std::vector<int16_t> ClickTrack(double bpm, double seconds, unsigned rate, unsigned channels)
{
    auto frames = static_cast<size_t>(std::lround(seconds * rate));
    std::vector<int16_t> out(frames * channels, 0);
    const double beatFrames = 60.0 * rate / bpm;
    const size_t clickFrames = rate / 100;
    for (int beat = 0;; ++beat) {
        auto start = static_cast<size_t>(std::lround(beat * beatFrames));
        if (start >= frames)
            break;
        for (size_t i = 0; i < clickFrames && start + i < frames; ++i) {
            double v = 0.8 * std::exp(-5.0 * i / clickFrames) * std::sin(kTwoPi * 2000.0 * i / rate);
            for (unsigned c = 0; c < channels; ++c)
                out[(start + i) * channels + c] = ToInt16(v);
        }
    }
    return out;
}

void AddTone(std::vector<int16_t>& samples, double frequency, unsigned rate, unsigned channels, double amplitude)
{
    for (size_t i = 0; i < samples.size(); ++i) {
        const double t = static_cast<double>(i / channels) / rate;
        samples[i] = ToInt16(samples[i] / 32768.0 + amplitude * std::sin(kTwoPi * frequency * t));
    }
}

std::vector<int16_t> MusicLike(double seconds, unsigned rate, unsigned channels)
{
    auto frames = static_cast<size_t>(std::lround(seconds * rate));
    std::vector<int16_t> out(frames * channels);
    const double tones[] = {220.0, 330.0, 523.25, 1250.0, 3100.0};
    for (size_t i = 0; i < frames; ++i) {
        double t = static_cast<double>(i) / rate;
        double envelope = 0.6 + 0.4 * std::sin(kTwoPi * 0.7 * t);
        for (unsigned c = 0; c < channels; ++c) {
            double v = 0.0;
            for (size_t k = 0; k < std::size(tones); ++k)
                v += 0.08 * std::sin(kTwoPi * tones[k] * (1.0 + 0.01 * c) * t + k);
            out[i * channels + c] = ToInt16(envelope * v);
        }
    }
    return out;
}

double ToneAmplitude(const float* samples, unsigned count, unsigned stride, double frequency, unsigned rate)
{
    double ss = 0, sc = 0, cc = 0, ys = 0, yc = 0;
    for (unsigned i = 0; i < count; ++i) {
        double w = kTwoPi * frequency * i / rate;
        double s = std::sin(w), c = std::cos(w), y = samples[i * stride];
        ss += s * s;
        cc += c * c;
        sc += s * c;
        ys += y * s;
        yc += y * c;
    }
    double det = ss * cc - sc * sc;
    double a = (ys * cc - yc * sc) / det;
    double b = (yc * ss - ys * sc) / det;
    return std::hypot(a, b);
}

double SnrDb(const std::vector<double>& reference, const std::vector<double>& test)
{
    double signal = 0, noise = 0;
    size_t n = std::min(reference.size(), test.size());
    for (size_t i = 0; i < n; ++i) {
        signal += reference[i] * reference[i];
        noise += (reference[i] - test[i]) * (reference[i] - test[i]);
    }
    if (noise == 0)
        return 200.0;
    return 10.0 * std::log10(signal / noise);
}

int BestLag(const std::vector<double>& reference, const std::vector<double>& test, int maxLag)
{
    int best = 0;
    double bestScore = -1e300;
    const long n = static_cast<long>(std::min(reference.size(), test.size()));
    for (int lag = -maxLag; lag <= maxLag; ++lag) {
        double score = 0;
        for (long i = std::max(0L, static_cast<long>(-lag)); i < n && i + lag < n; ++i)
            score += reference[i] * test[i + lag];
        if (score > bestScore) {
            bestScore = score;
            best = lag;
        }
    }
    return best;
}

}  // namespace fixtures
