#include "DrumPattern.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace analysis_fixtures {

namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;

// Scale degrees (semitones above the tonic) of four measures of bass, one note per beat.
constexpr int kMinorLine[4][4] = {{0, 0, 7, 0}, {3, 0, 10, 0}, {0, 7, 0, 3}, {5, 0, 7, 0}};
// The key templates favour minor keys: a major line needs its third, fourth and leading note
// about as often as the tonic to be told from the relative minor.
constexpr int kMajorLine[4][4] = {{0, 4, 5, 11}, {0, 4, 5, 11}, {0, 4, 5, 11}, {0, 9, 5, 11}};

// Deterministic noise for the hi-hats.
struct Lcg {
    uint32_t state = 12345;
    double Next()
    {
        state = state * 1664525u + 1013904223u;
        return static_cast<double>(state >> 8) / 8388608.0 - 1.0;
    }
};

int16_t ToInt16(double v)
{
    return static_cast<int16_t>(std::lround(std::clamp(v, -1.0, 32767.0 / 32768.0) * 32767.0));
}

}  // namespace

double BeatFrame(const Pattern& pattern, int beat)
{
    return (pattern.introSeconds + pattern.firstBeat + beat * 60.0 / pattern.bpm) * pattern.rate;
}

int BeatCount(const Pattern& pattern)
{
    return static_cast<int>((pattern.seconds - pattern.firstBeat) * pattern.bpm / 60.0);
}

std::vector<int16_t> Render(const Pattern& pattern)
{
    const unsigned rate = pattern.rate;
    const auto frames = static_cast<size_t>((pattern.introSeconds + pattern.seconds + pattern.outroSeconds) * rate);
    std::vector<double> mix(frames, 0.0);
    const double beat = 60.0 / pattern.bpm * rate;
    const int beats = BeatCount(pattern);
    Lcg noise;
    for (int n = 0; n < beats; ++n) {
        const auto start = static_cast<size_t>(std::lround(BeatFrame(pattern, n)));
        // Kick: a falling sine from 160 to 45 Hz, 0.18 s, louder on the downbeat.
        if (pattern.kick) {
            const double gain = n % 4 == 0 ? 0.55 : 0.35;
            const auto length = static_cast<size_t>(0.18 * rate);
            double phase = 0.0;
            for (size_t i = 0; i < length && start + i < frames; ++i) {
                const double t = static_cast<double>(i) / rate;
                phase += kTwoPi * (45.0 + 115.0 * std::exp(-t * 30.0)) / rate;
                mix[start + i] += gain * std::exp(-t * 18.0) * std::sin(phase);
            }
        }
        // Hi-hat on the off beat: 40 ms of decaying noise.
        if (pattern.hiHat) {
            const auto off = static_cast<size_t>(std::lround(BeatFrame(pattern, n) + beat / 2));
            const auto length = static_cast<size_t>(0.04 * rate);
            for (size_t i = 0; i < length && off + i < frames; ++i)
                mix[off + i] += 0.12 * std::exp(-static_cast<double>(i) / rate * 90.0) * noise.Next();
        }
        // Bass: one note per beat between A1 and G#2, held for 90% of the beat with soft edges.
        if (pattern.mode != 0) {
            const auto& line = pattern.mode == 1 ? kMinorLine : kMajorLine;
            const int degree = line[(n / 4) % 4][n % 4];
            int semitone = (pattern.tonic + degree) % 12;
            // Into the octave from A1 (55 Hz) up.
            const double frequency = 55.0 * std::pow(2.0, ((semitone - 9 + 12) % 12) / 12.0);
            const auto length = static_cast<size_t>(0.9 * beat);
            const double ramp = 0.01 * rate;
            for (size_t i = 0; i < length && start + i < frames; ++i) {
                const double edge = std::min({1.0, i / ramp, (length - i) / ramp});
                mix[start + i] += 0.3 * edge * std::sin(kTwoPi * frequency * static_cast<double>(i) / rate);
            }
        }
    }
    if (pattern.quietLevel > 0.0) {
        const auto musicStart = static_cast<size_t>(pattern.introSeconds * rate);
        const auto musicEnd = static_cast<size_t>((pattern.introSeconds + pattern.seconds) * rate);
        Lcg hiss;
        for (size_t i = 0; i < frames; ++i) {
            if (i < musicStart || i >= musicEnd)
                mix[i] += pattern.quietLevel * hiss.Next();
        }
    }
    std::vector<int16_t> out(frames * 2);
    for (size_t i = 0; i < frames; ++i)
        out[2 * i] = out[2 * i + 1] = ToInt16(mix[i]);
    return out;
}

std::vector<float> MonoSine(double frequency, unsigned frames, unsigned rate, double amplitude)
{
    std::vector<float> out(frames);
    for (unsigned i = 0; i < frames; ++i)
        out[i] = static_cast<float>(amplitude * std::sin(kTwoPi * frequency * i / rate));
    return out;
}

}  // namespace analysis_fixtures
