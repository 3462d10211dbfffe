#include "engine/catalog/analysis/MixPoints.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "engine/catalog/analysis/OnsetScan.h"
#include "engine/catalog/analysis/ProfileResults.h"

namespace {

constexpr float kFirstLoudShare = 0.1f;
constexpr float kLastLoudMeasureShare = 0.5f;
constexpr float kQuietShare = 0.2f;
constexpr double kFadeRate = 0.004;
constexpr float kWindowShare = 0.15f;
constexpr int kPeaksPerMeasure = 4;
constexpr LONGLONG kToleranceDivisor = 200;
constexpr LONGLONG kHugeSpan = 0x100000000LL;

size_t Slot(INT_PTR index)
{
    return static_cast<size_t>(index);
}

// The grid index of the beat nearest `position`: a point in phase with the downbeat at index
// `downbeat` (the grid's points alternate between beats and off-beats). An off-beat grid point
// itself moves to the beat after it (`later`) or before it.
INT_PTR NearestBeatIndex(const BEATSCAN& grid, LONGLONG position, INT_PTR downbeat, bool later)
{
    const INT_PTR i = grid.NearestPositionIndex(position);
    if ((i - downbeat) % 2 == 0)
        return i;
    const auto count = static_cast<INT_PTR>(grid.positions.size());
    const LONGLONG at = grid.positions[Slot(i)];
    const bool forward = position == at ? later : position > at;
    const INT_PTR toward = forward ? i + 1 : i - 1;
    if (toward >= 0 && toward < count)
        return toward;
    const INT_PTR away = 2 * i - toward;
    return away >= 0 && away < count ? away : -1;
}

// The mix points moved onto beats of the grid, each pair keeping its whole number of measures:
// the intro from its start, the outro from its end, both inwards from an off-beat grid point;
// each point keeps its place in its list. Points the grid does not hold, or an intro that would
// no longer end before the outro begins, leave the points as they are.
void MoveMixPointsOntoBeats(const BEATSCAN& grid, CProfileResults& results)
{
    if (grid.marks.empty() || grid.gridPointsPerMeasure == 0)
        return;
    const INT_PTR downbeat = grid.NearestPositionIndex(grid.marks.front());
    const auto count = static_cast<INT_PTR>(grid.positions.size());
    const LONGLONG measure = PfSamplesPerMeasure(grid.sampleRate, results.GetTempo());
    if (downbeat < 0 || measure <= 0)
        return;
    const auto snap = [&](const std::vector<LONGLONG>& points, bool fromEnd, std::vector<LONGLONG>& moved) {
        if (points.empty())
            return true;
        const auto [low, high] = std::minmax_element(points.begin(), points.end());
        const INT_PTR anchor = NearestBeatIndex(grid, fromEnd ? *high : *low, downbeat, !fromEnd);
        if (anchor < 0)
            return false;
        const LONGLONG measures = std::llround(static_cast<double>(*high - *low) / static_cast<double>(measure));
        const INT_PTR span = static_cast<INT_PTR>(measures) * static_cast<INT_PTR>(grid.gridPointsPerMeasure);
        const INT_PTR lowIndex = fromEnd ? anchor - span : anchor;
        const INT_PTR highIndex = fromEnd ? anchor : anchor + span;
        if (lowIndex < 0 || highIndex >= count)
            return false;
        for (LONGLONG point : points)
            moved.push_back(grid.positions[Slot(point == *low ? lowIndex : highIndex)]);
        return true;
    };
    std::vector<LONGLONG> in;
    std::vector<LONGLONG> out;
    if (!snap(results.GetMixInPoints(), false, in) || !snap(results.GetMixOutPoints(), true, out))
        return;
    if (!in.empty() && !out.empty() &&
        *std::max_element(in.begin(), in.end()) > *std::min_element(out.begin(), out.end()))
        return;
    results.ClearMixPoints();
    for (LONGLONG point : in)
        results.AddMixInPoint(point);
    for (LONGLONG point : out)
        results.AddMixOutPoint(point);
}

}  // namespace

LONGLONG FindFirstLoudPosition(const CPfPcmThumbnail& thumbnail)
{
    const float limit = kFirstLoudShare * thumbnail.GetPeakMeasureLevel();
    const float* values = thumbnail.GetValues();
    for (LONG b = 0; b < thumbnail.GetCount(); ++b) {
        if (values[b] > limit)
            return static_cast<LONGLONG>(b) * thumbnail.GetBlockSize();
    }
    return 0;
}

LONGLONG FindLastLoudPosition(const CPfPcmThumbnail& thumbnail)
{
    const DWORD window = thumbnail.GetStoredBlocksPerMeasure();
    if (window == 0)
        return 0;
    const LONG count = thumbnail.GetCount();
    if (window < static_cast<DWORD>(count)) {
        const auto w = static_cast<LONG>(window);
        const float peak = thumbnail.GetPeakMeasureLevel();
        const float* values = thumbnail.GetValues();
        double sum = 0.0;
        for (LONG n = count - 1; n > 0; --n) {
            sum += values[n];
            if (n + w < count)
                sum -= values[n + w];
            if (sum / w <= kLastLoudMeasureShare * peak)
                continue;
            float smallest = thumbnail.Maximum();
            LONG quietest = n;
            const LONG end = std::min(n + w, count);
            for (LONG k = n; k < end; ++k) {
                if (values[k] < smallest) {
                    smallest = values[k];
                    quietest = k;
                }
                if (values[k] < kQuietShare * peak)
                    break;
            }
            return static_cast<LONGLONG>(quietest) * thumbnail.GetBlockSize();
        }
    }
    return thumbnail.GetSampleCount() > 0 ? thumbnail.GetSampleCount() - 1 : 0;
}

bool BuildFadeList(int count, int step, LONGLONG start, std::vector<LONGLONG>& list, const CPfPcmThumbnail& thumbnail)
{
    list.clear();
    const LONGLONG blockSize = thumbnail.GetBlockSize();
    if (blockSize == 0 || count <= 0)
        return false;
    const LONGLONG perSecond = thumbnail.GetSampleRate() / blockSize;
    if (perSecond == 0)
        return false;
    const double maxDrop = static_cast<double>(std::abs(step)) / static_cast<double>(perSecond);
    const LONGLONG g = std::max<LONGLONG>(start / blockSize, 0);
    const float quiet = kQuietShare * thumbnail.GetPeakMeasureLevel();
    list.push_back(g * blockSize);
    double sum = 0.0;
    int k = 1;
    for (LONGLONG b = g; b < thumbnail.GetCount() && k < count; ++b) {
        const float v = thumbnail.GetValue(static_cast<LONG>(b));
        if (v > quiet)
            sum -= std::min((static_cast<double>(v) - quiet) * kFadeRate, maxDrop);
        if (static_cast<double>(k) * step > sum) {
            list.push_back(b * blockSize);
            ++k;
        }
    }
    while (static_cast<int>(list.size()) < count)
        list.push_back(static_cast<LONGLONG>(thumbnail.GetCount()) * blockSize);
    return true;
}

bool SnapWindowToBeats(const BEATSCAN& grid, const CPfPcmThumbnail& thumbnail, int measures, LONGLONG position,
                       bool backward, INT_PTR& firstIndex, INT_PTR& lastIndex)
{
    const INT_PTR i = grid.NearestPositionIndex(position);
    const INT_PTR h = static_cast<INT_PTR>(measures) * static_cast<INT_PTR>(grid.gridPointsPerMeasure);
    if (i < 0 || h <= 0)
        return false;
    const auto n = static_cast<INT_PTR>(grid.positions.size());
    INT_PTR first = i;
    INT_PTR last = i + h;
    if (last >= n) {
        // The window of h points ending at i; a grid shorter than one window has none.
        if (i - h < 0)
            return false;
        first = i - h;
        last = i;
        // A mix-out window that ends at the grid's end still has to be loud enough: the search
        // moves it back over a quiet outro. Forward, it is taken as it is.
        if (!backward) {
            firstIndex = first;
            lastIndex = last;
            return true;
        }
    }
    const float threshold = kWindowShare * thumbnail.GetPeakMeasureLevel();
    if (!backward) {
        while (first - h >= 0) {
            first -= h;
            last -= h;
        }
        while (thumbnail.AverageBetween(grid, first, last) < threshold) {
            first += h;
            last += h;
            if (last >= n) {
                first -= h;
                last -= h;
                break;
            }
        }
    } else {
        while (last + h < n) {
            first += h;
            last += h;
        }
        while (thumbnail.AverageBetween(grid, first, last) < threshold) {
            first -= h;
            last -= h;
            if (first < 0) {
                first += h;
                last += h;
                break;
            }
        }
    }
    firstIndex = first;
    lastIndex = last;
    return true;
}

PfMixPointSource FindMixPoints(const BEATSCAN& grid, const volatile LONG* cancel, const CPfPcmThumbnail& thumbnail,
                               int measures, CProfileResults& results)
{
    if (!grid.positions.empty()) {
        INT_PTR first = 0;
        INT_PTR last = 0;
        if (SnapWindowToBeats(grid, thumbnail, measures, grid.positions.front(), false, first, last)) {
            results.AddMixInPoint(grid.positions[Slot(first)]);
            results.AddMixInPoint(grid.positions[Slot(last)]);
        }
        if (SnapWindowToBeats(grid, thumbnail, measures, grid.positions.back(), true, first, last)) {
            results.AddMixOutPoint(grid.positions[Slot(first)]);
            results.AddMixOutPoint(grid.positions[Slot(last)]);
        }
    }
    const std::vector<LONGLONG>& in = results.GetMixInPoints();
    const std::vector<LONGLONG>& out = results.GetMixOutPoints();
    PfMixPointSource source = PfMixPointSource::grid;
    if (results.GetMixPointCount() != 4 || in.empty() || out.empty() ||
        *std::max_element(in.begin(), in.end()) >= *std::min_element(out.begin(), out.end())) {
        results.ClearMixPoints();
        FindMixPointsFromPeaks(thumbnail, cancel, measures, results);
        source = PfMixPointSource::peaks;
    }
    // Beat mixing links an outro to the next intro beat for beat: the grid's windows begin with
    // its first or last point, which may be an off-beat, and the loud part's ends lie anywhere
    // between two beats.
    MoveMixPointsOntoBeats(grid, results);
    return source;
}

void FindMixPointsFromPeaks(const CPfPcmThumbnail& thumbnail, const volatile LONG* cancel, int measures,
                            CProfileResults& results)
{
    const LONGLONG first = FindFirstLoudPosition(thumbnail);
    const LONGLONG last = std::max(FindLastLoudPosition(thumbnail), first);
    BEATSCAN peaks;
    ScanOnsets(thumbnail, cancel, kPeaksPerMeasure, peaks);
    const std::vector<LONGLONG>& p = peaks.positions;
    const LONGLONG measure = PfSamplesPerMeasure(thumbnail.GetSampleRate(), results.GetTempo());
    const LONGLONG length = measure * measures;
    const LONGLONG tolerance = length / kToleranceDivisor;

    bool foundIn = false;
    for (size_t a = 0; a < p.size() && !foundIn; ++a) {
        if (p[a] < first)
            continue;
        for (size_t b = a + 1; b < p.size(); ++b) {
            if (p[b] > p[a] + length + tolerance)
                break;
            if (p[b] >= p[a] + length - tolerance) {
                results.AddMixInPoint(p[a]);
                results.AddMixInPoint(p[b]);
                foundIn = true;
                break;
            }
        }
    }
    bool foundOut = false;
    for (size_t a = p.size(); a-- > 0 && !foundOut;) {
        if (p[a] > last)
            continue;
        for (size_t b = a; b-- > 0;) {
            if (p[b] < p[a] - length - tolerance)
                break;
            if (p[b] <= p[a] - length + tolerance) {
                results.AddMixOutPoint(p[b]);
                results.AddMixOutPoint(p[a]);
                foundOut = true;
                break;
            }
        }
    }
    if (foundIn && foundOut && results.GetMixInPoints()[1] <= results.GetMixOutPoints()[0])
        return;

    results.ClearMixPoints();
    results.AddMixInPoint(first);
    results.AddMixOutPoint(last);
    const LONGLONG span = last - first;
    LONGLONG u = measure;
    if (span >= kHugeSpan || span > 2 * u) {
        u *= measures;
        int m = measures;
        while (u * 2 > span && span < kHugeSpan && m > 0) {
            --m;
            u /= 2;
        }
        results.AddMixInPoint(first + u);
        results.AddMixOutPoint(last - u);
    }
}
