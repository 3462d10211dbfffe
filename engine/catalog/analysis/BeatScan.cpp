#include "engine/catalog/analysis/BeatScan.h"

#include <algorithm>

void BEATSCAN::Sort()
{
    std::sort(positions.begin(), positions.end());
    std::sort(marks.begin(), marks.end());
}

void BEATSCAN::SortUnique()
{
    std::sort(positions.begin(), positions.end());
    positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
}

void BEATSCAN::AppendPositions(const std::vector<LONGLONG>& more)
{
    positions.insert(positions.end(), more.begin(), more.end());
}

INT_PTR BEATSCAN::NearestPositionIndex(LONGLONG position) const
{
    INT_PTR best = -1;
    ULONGLONG bestDistance = 0;
    for (size_t i = 0; i < positions.size(); ++i) {
        const LONGLONG d = positions[i] - position;
        const ULONGLONG distance = d < 0 ? 0 - static_cast<ULONGLONG>(d) : static_cast<ULONGLONG>(d);
        if (best < 0 || distance < bestDistance) {
            best = static_cast<INT_PTR>(i);
            bestDistance = distance;
        }
    }
    return best;
}

LONGLONG BEATSCAN::SamplesPerMeasure(float bpm) const
{
    return PfSamplesPerMeasure(sampleRate, bpm);
}

LONGLONG PfSamplesPerMeasure(DWORD sampleRate, float bpm)
{
    if (!(bpm > 0.0f))
        return 0;
    const double samples = static_cast<double>(sampleRate) / (static_cast<double>(bpm) * 0.25 / 60.0);
    // A tempo near zero would overflow: such a measure is longer than any file.
    if (samples >= 9.0e18)
        return 0x7FFFFFFFFFFFFFFFLL;
    return static_cast<LONGLONG>(samples);
}
