#include "engine/catalog/analysis/MeasureStarts.h"

#include <algorithm>
#include <array>
#include <cstdlib>

namespace {

constexpr INT_PTR kPhases = 8;
constexpr float kRiseShare = 0.4f;
constexpr double kSpacingTolerance = 0.02;

size_t Slot(INT_PTR index)
{
    return static_cast<size_t>(index);
}

// True when the grid points strictly between a and z lie within 2% of their even spacing.
bool EvenlySpaced(const BEATSCAN& grid, INT_PTR a, INT_PTR z)
{
    if (a == z)
        return false;
    const LONGLONG from = grid.positions[Slot(a)];
    const double m = static_cast<double>(grid.positions[Slot(z)] - from) / static_cast<double>(z - a);
    const auto tolerance = static_cast<LONGLONG>(kSpacingTolerance * m);
    for (INT_PTR k = std::min(a, z) + 1; k < std::max(a, z); ++k) {
        const LONGLONG expected = from + static_cast<LONGLONG>(static_cast<double>(k - a) * m);
        const LONGLONG off = grid.positions[Slot(k)] - expected;
        if (off > tolerance || -off > tolerance)
            return false;
    }
    return true;
}

template <size_t N>
void Normalise(std::array<double, N>& values)
{
    const auto [low, high] = std::minmax_element(values.begin(), values.end());
    const double min = *low;
    const double range = *high > *low ? *high - *low : 1.0;
    for (double& v : values)
        v = (v - min) / range;
}

}  // namespace

void FindDownbeatPhase(const CPfPcmThumbnail& bass, BEATSCAN& grid)
{
    if (grid.gridPointsPerMeasure == 0 || grid.positions.empty())
        return;
    const auto count = static_cast<INT_PTR>(grid.positions.size());
    const LONG blocks = bass.GetCount();
    const LONGLONG blockSize = bass.GetBlockSize();
    const auto measure = static_cast<LONG>(std::min<DWORD>(bass.GetStoredBlocksPerMeasure(), 0x7FFFFFFF));
    const LONG half = measure / 2;
    const LONG look = measure / 32;
    const float threshold = kRiseShare * bass.GetPeakMeasureLevel();
    // Half the spacing of the grid: a quarter beat.
    const LONGLONG reach = static_cast<LONGLONG>(measure) * blockSize / (2 * kPhases);

    // 1. Sudden rises of the bass: which phase of the measure they fall on.
    std::array<int, kPhases> rises{};
    for (LONGLONG i = -look; i < blocks; ++i) {
        const float prior =
            i <= 0 ? 0.0f
                   : bass.WindowMaximum(static_cast<LONG>(std::max<LONGLONG>(i - half, 0)), static_cast<LONG>(i));
        const LONGLONG ahead = i + look;
        if (ahead < 0 || ahead >= blocks)
            continue;
        const float rise = bass.GetValue(static_cast<LONG>(ahead)) - prior;
        if (rise > threshold && rise > 2.0f * prior) {
            // A rise before the grid's first point (a track that starts on its first note, whose
            // beat the grid could not reach) is nearest to a point up to half a beat away: it
            // tells nothing about that point's phase.
            const LONGLONG at = (i + look / 2) * blockSize;
            const INT_PTR nearest = grid.NearestPositionIndex(at);
            const LONGLONG distance = at - grid.positions[Slot(nearest)];
            if (std::abs(distance) <= reach)
                ++rises[Slot(nearest % kPhases)];
            // Hold off for half a measure.
            i += half;
        }
    }
    INT_PTR k = std::max_element(rises.begin(), rises.end()) - rises.begin();

    // 2. Where the bass is loudest between consecutive grid points, per phase.
    std::array<double, kPhases> sums{};
    const INT_PTR whole = count - count % kPhases;
    for (INT_PTR n = 1; n < whole; ++n) {
        const LONG from = static_cast<LONG>(grid.positions[Slot(n - 1)] / blockSize);
        const LONG to = static_cast<LONG>(grid.positions[Slot(n)] / blockSize);
        sums[Slot((n - 1) % kPhases)] += bass.WindowMaximum(from, to);
    }
    Normalise(sums);
    double bestProduct = 0.0;
    for (INT_PTR j = 0; j < kPhases; ++j) {
        const double product = rises[Slot(j)] * sums[Slot(j)];
        if (product > bestProduct) {
            bestProduct = product;
            k = j;
        }
    }
    // Without a single rise (a track without a bass line) the loudest phase is the downbeat, not
    // whichever phase the grid happens to begin with: that may lie between two beats.
    if (std::all_of(rises.begin(), rises.end(), [](int count) { return count == 0; }))
        k = std::max_element(sums.begin(), sums.end()) - sums.begin();
    if (k < count)
        grid.AddMark(grid.positions[Slot(k)]);
}

void MarkMeasureStarts(BEATSCAN& grid)
{
    if (grid.gridPointsPerMeasure == 0 || grid.positions.empty() || grid.marks.empty())
        return;
    const auto count = static_cast<INT_PTR>(grid.positions.size());
    const INT_PTR lastIndex = count - 1;
    std::sort(grid.marks.begin(), grid.marks.end());
    std::vector<INT_PTR> markIndexes;
    for (LONGLONG mark : grid.marks)
        markIndexes.push_back(grid.NearestPositionIndex(mark));

    std::vector<LONGLONG> starts;
    // 1. Forward from every mark to the next one, measure by measure.
    for (size_t m = 0; m < markIndexes.size(); ++m) {
        const INT_PTR s = markIndexes[m];
        const INT_PTR end = m + 1 < markIndexes.size() ? markIndexes[m + 1] : lastIndex;
        INT_PTR anchor = s;
        for (INT_PTR c = s + kPhases; c <= end; c += kPhases) {
            if (EvenlySpaced(grid, anchor, c))
                continue;
            if (c - kPhases > anchor)
                starts.push_back(grid.positions[Slot(c - kPhases)]);
            anchor = c;
        }
    }
    // 2. Backward from the first mark to the start of the grid.
    {
        const INT_PTR s = markIndexes.front();
        INT_PTR anchor = s;
        for (INT_PTR c = s - kPhases; c >= 0; c -= kPhases) {
            if (EvenlySpaced(grid, c, anchor))
                continue;
            starts.push_back(grid.positions[Slot(c + kPhases)]);
            anchor = c;
        }
    }
    // 3. The first full measure and the last whole measure before the end of the grid.
    grid.marks.insert(grid.marks.end(), starts.begin(), starts.end());
    grid.Sort();
    const INT_PTR first = grid.NearestPositionIndex(grid.marks.front());
    const INT_PTR t = grid.NearestPositionIndex(grid.marks.back());
    if (first >= kPhases)
        grid.AddMark(grid.positions[Slot(first % kPhases)]);
    const INT_PTR r = count - t - 1;
    if (r > 0) {
        const INT_PTR end = t + kPhases * (r / kPhases);
        if (end != t)
            grid.AddMark(grid.positions[Slot(end)]);
    }
    // A start recorded at an existing mark (the first downbeat itself) is kept once.
    std::sort(grid.marks.begin(), grid.marks.end());
    grid.marks.erase(std::unique(grid.marks.begin(), grid.marks.end()), grid.marks.end());
}
