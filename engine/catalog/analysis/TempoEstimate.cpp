#include "engine/catalog/analysis/TempoEstimate.h"

#include <algorithm>
#include <array>
#include <vector>

#include "engine/catalog/analysis/PfCancel.h"

namespace {

constexpr float kLowestTempo = 82.0f;
constexpr float kHighestTempo = 164.0f;
constexpr float kTempoStep = 0.1f;
constexpr size_t kMaxWindowOnsets = 512;
constexpr int kPhaseBins = 40;
constexpr int kWindows = 9;
// 20 s at 44100 Hz, whatever the source rate.
constexpr LONGLONG kWindowLength = 882000;

constexpr float kDoublingLimit = 100.0f;
constexpr size_t kDoublingPercent = 53;

constexpr double kShortTrackSeconds = 30.0;
constexpr double kFoldHigh = 164.01;
constexpr int kMaxFolds = 200;

}  // namespace

float WindowTempo(const BEATSCAN& onsets, LONGLONG start, LONGLONG length, int divisor)
{
    if (divisor <= 0)
        return 0.0f;
    std::vector<LONGLONG> inside;
    inside.reserve(kMaxWindowOnsets);
    for (LONGLONG p : onsets.positions) {
        if (p > start && p < start + length) {
            // Positions enter the histogram by their low 32 bits.
            inside.push_back(static_cast<LONGLONG>(static_cast<DWORD>(p)));
            if (inside.size() == kMaxWindowOnsets)
                break;
        }
    }
    if (inside.size() < 2)
        return 0.0f;

    float result = 0.0f;
    int best = 0;
    for (float f = kLowestTempo; f < kHighestTempo; f += kTempoStep) {
        const LONGLONG g = onsets.SamplesPerMeasure(f) / divisor;
        const LONGLONG bin = g / kPhaseBins;
        if (bin == 0)
            break;
        const LONGLONG spread = g / 10;
        std::array<WORD, kPhaseBins> counts{};
        for (LONGLONG p : inside) {
            const LONGLONG h = p % g;
            // Bins j with h - g/10 < j x bin < h.
            const LONGLONG low = h - spread;
            const LONGLONG firstBin = low < 0 ? 0 : low / bin + 1;
            const LONGLONG lastBin = std::min<LONGLONG>(kPhaseBins - 1, h <= 0 ? -1 : (h - 1) / bin);
            for (LONGLONG j = firstBin; j <= lastBin; ++j)
                ++counts[static_cast<size_t>(j)];
        }
        for (int j = 0; j < kPhaseBins; ++j) {
            if (counts[static_cast<size_t>(j)] > best) {
                best = counts[static_cast<size_t>(j)];
                result = f;
            }
        }
    }
    return result;
}

float EstimateTempoWindows(const BEATSCAN& onsets, const volatile LONG* cancel)
{
    const LONGLONG tenth = onsets.sampleCount / 10;
    std::vector<float> kept;
    for (int i = 1; i <= kWindows; ++i) {
        for (int divisor : {4, 8}) {
            if (PfIsCancelled(cancel))
                return 0.0f;
            const float tempo = WindowTempo(onsets, i * tenth, kWindowLength, divisor);
            if (tempo != 0.0f)
                kept.push_back(tempo);
        }
    }
    if (kept.empty())
        return 0.0f;
    std::sort(kept.begin(), kept.end());
    return kept[kept.size() / 2];
}

float ApplyTempoDoubling(const BEATSCAN& bassPeaks, float tempo)
{
    if (tempo > kDoublingLimit)
        return tempo;
    const LONGLONG m = bassPeaks.SamplesPerMeasure(tempo);
    const LONGLONG low = m / 8 - m / 40;
    const LONGLONG high = m / 8 + m / 40;
    const size_t n = bassPeaks.positions.size();
    if (n < 2)
        return tempo;
    size_t halfBeats = 0;
    for (size_t k = 1; k < n; ++k) {
        const LONGLONG d = bassPeaks.positions[k] - bassPeaks.positions[k - 1];
        if (d > low && d < high)
            ++halfBeats;
    }
    // The share in whole numbers, so that exactly 53% stays undoubled.
    return halfBeats * 100 > kDoublingPercent * (n - 1) ? tempo * 2.0f : tempo;
}

float TempoFromLength(DWORD sampleRate, LONGLONG sampleCount, float tempo)
{
    if (sampleRate == 0 || static_cast<double>(sampleCount) >= kShortTrackSeconds * sampleRate)
        return tempo;
    const double seconds = static_cast<double>(sampleCount) / sampleRate;
    if (seconds <= 0.0)
        return 0.0f;
    double t = 240.0 / seconds;
    for (int n = 0; t < kLowestTempo && n < kMaxFolds; ++n)
        t *= 2.0;
    for (int n = 0; t > kFoldHigh && n < kMaxFolds; ++n)
        t /= 2.0;
    t = std::clamp(t, static_cast<double>(kLowestTempo), kFoldHigh);
    return static_cast<float>(t);
}
