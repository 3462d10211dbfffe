#include "engine/catalog/analysis/OnsetScan.h"

#include "engine/catalog/analysis/PfCancel.h"

namespace {

constexpr float kTargetBpm = 82.0f;
constexpr float kOnsetStartThreshold = 80000.0f;
constexpr float kBassPeakStartThreshold = 30.0f;
constexpr float kThresholdFactor = 0.8333333f;
// The look-ahead window spans the block and the four after it; a hit skips those four.
constexpr LONG kLookAhead = 4;

enum class ScanKind { onset, bassPeak };

// One walk from the last block to the first at threshold x; returns the positions found.
INT_PTR ScanPass(const CPfPcmThumbnail& thumbnail, ScanKind kind, float x, BEATSCAN& record)
{
    record.ClearPositions();
    const float* value = thumbnail.GetValues();
    const LONG last = thumbnail.GetCount() - 1;
    const LONGLONG blockSize = thumbnail.GetBlockSize();
    LONG c = last;
    LONG skip = 0;
    for (LONG i = last; i >= 0; --i) {
        if (skip > 0) {
            // The window restarts at each skipped block.
            --skip;
            c = i;
            continue;
        }
        const LONG windowEnd = i + kLookAhead < last ? i + kLookAhead : last;
        if (c > windowEnd) {
            // The old maximum left the window: search [i, windowEnd), first of equal values.
            c = i;
            for (LONG k = i + 1; k < windowEnd; ++k) {
                if (value[k] > value[c])
                    c = k;
            }
        } else if (value[i] > value[c]) {
            c = i;
        }
        if (c == i)
            continue;
        bool hit = false;
        if (kind == ScanKind::onset)
            hit = (value[c] - value[i]) / static_cast<float>(c - i) > x;
        else
            hit = value[c] > value[i] * x;
        if (hit) {
            record.AddPosition((kind == ScanKind::onset ? i : c) * blockSize);
            skip = kLookAhead;
        }
    }
    return static_cast<INT_PTR>(record.positions.size());
}

INT_PTR Scan(const CPfPcmThumbnail& thumbnail, const volatile LONG* cancel, int targetsPerMeasure, BEATSCAN& record,
             ScanKind kind, float threshold)
{
    record.sampleRate = thumbnail.GetSampleRate();
    record.sampleCount = thumbnail.GetSampleCount();
    record.ClearPositions();
    const LONGLONG measure = thumbnail.SamplesPerMeasure(kTargetBpm);
    const LONGLONG target =
        measure > 0 && targetsPerMeasure > 0 ? thumbnail.GetSampleCount() / measure * targetsPerMeasure : 0;
    INT_PTR found = 0;
    bool first = true;
    // The test comes before every pass: a target of 0 runs none.
    while (found < target && threshold > 1.0f && !PfIsCancelled(cancel)) {
        if (!first)
            threshold *= kThresholdFactor;
        first = false;
        found = ScanPass(thumbnail, kind, threshold, record);
    }
    record.Sort();
    return static_cast<INT_PTR>(record.positions.size());
}

}  // namespace

INT_PTR ScanOnsets(const CPfPcmThumbnail& thumbnail, const volatile LONG* cancel, int targetsPerMeasure,
                   BEATSCAN& record)
{
    return Scan(thumbnail, cancel, targetsPerMeasure, record, ScanKind::onset, kOnsetStartThreshold);
}

INT_PTR ScanBassPeaks(const CPfPcmThumbnail& thumbnail, const volatile LONG* cancel, int targetsPerMeasure,
                      BEATSCAN& record)
{
    return Scan(thumbnail, cancel, targetsPerMeasure, record, ScanKind::bassPeak, kBassPeakStartThreshold);
}
