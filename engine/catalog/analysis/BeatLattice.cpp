#include "engine/catalog/analysis/BeatLattice.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "engine/catalog/analysis/BeatChains.h"
#include "engine/catalog/analysis/OnsetScan.h"
#include "engine/catalog/analysis/PfCancel.h"

namespace {

constexpr int kOnsetsPerMeasure = 8;
constexpr DWORD kGridPointsPerMeasure = 8;
constexpr double kPeriodTolerance = 0.05;
constexpr LONGLONG kMaxPeriodsPerGap = 3;
// Strength: the level of the 8 blocks from the onset on, minus that of the 8 blocks before.
constexpr LONGLONG kStrengthBlocks = 8;
constexpr double kSuppressionShare = 0.45;
constexpr LONGLONG kMaxPairPeriods = 32;
constexpr LONGLONG kFullWeightPeriods = 8;
constexpr double kDistanceWeightStep = 0.041666668;
constexpr double kFitFloor = 0.8;
constexpr double kFitCeiling = 0.98;
constexpr double kFitSlope = 5.5555553;

LONGLONG Nint(double x)
{
    return static_cast<LONGLONG>(x + 0.5);
}

void NormaliseStrengths(std::vector<PfLatticeNode>& nodes)
{
    if (nodes.empty())
        return;
    double low = nodes.front().strength;
    double high = low;
    for (const PfLatticeNode& n : nodes) {
        low = std::min(low, n.strength);
        high = std::max(high, n.strength);
    }
    const double range = high > low ? high - low : 1.0;
    for (PfLatticeNode& n : nodes)
        n.strength = (n.strength - low) / range;
}

double Strength(const CPfPcmThumbnail& level, LONGLONG position)
{
    const LONGLONG blockSize = level.GetBlockSize();
    const LONGLONG last = level.GetCount() - 1;
    if (blockSize == 0 || last < 0)
        return 0.0;
    const LONGLONG d = position / blockSize;
    auto clampBlock = [last](LONGLONG b) { return std::clamp<LONGLONG>(b, 0, last); };
    auto sum = [&level](LONGLONG from, LONGLONG to) {
        double s = 0.0;
        for (LONGLONG b = from; b <= to; ++b)
            s += level.GetValue(static_cast<LONG>(b));
        return s;
    };
    return sum(clampBlock(d), clampBlock(d + kStrengthBlocks - 1)) -
           sum(clampBlock(d - kStrengthBlocks), clampBlock(d - 1));
}

}  // namespace

double PfMeanPeriod(const std::vector<LONGLONG>& positions, double e)
{
    if (!(e > 0.0))
        return e;
    const double f = kPeriodTolerance * e;
    const auto low = static_cast<LONGLONG>(e - f);
    const auto high = static_cast<LONGLONG>(e + f);
    double sum = 0.0;
    size_t count = 0;
    for (size_t k = 1; k < positions.size(); ++k) {
        const LONGLONG d = positions[k] - positions[k - 1];
        const LONGLONG t = Nint(static_cast<double>(d) / e);
        if (t < 1 || t > kMaxPeriodsPerGap)
            continue;
        const LONGLONG perPeriod = d / t;
        if (perPeriod >= low && perPeriod <= high) {
            sum += static_cast<double>(perPeriod);
            ++count;
        }
    }
    return count > 0 ? sum / static_cast<double>(count) : e;
}

std::vector<LONGLONG> FitBeatLattice(const std::vector<LONGLONG>& onsets, const CPfPcmThumbnail& rawLevel,
                                     double& period)
{
    if (onsets.empty() || !(period > 0.0))
        return {};

    // 1. Nodes and their normalised strengths.
    std::vector<PfLatticeNode> candidates(onsets.size());
    for (size_t k = 0; k < onsets.size(); ++k) {
        candidates[k].position = onsets[k];
        candidates[k].strength = Strength(rawLevel, onsets[k]);
    }
    NormaliseStrengths(candidates);

    // 2. A node gives way to a stronger remaining neighbour closer than 0.45 periods.
    const auto radius = static_cast<LONGLONG>(kSuppressionShare * period);
    std::vector<bool> removed(candidates.size(), false);
    for (size_t n = 0; n < candidates.size(); ++n) {
        const PfLatticeNode& node = candidates[n];
        bool beaten = false;
        for (size_t m = n; m-- > 0 && !beaten;) {
            if (node.position - candidates[m].position >= radius)
                break;
            beaten = !removed[m] && candidates[m].strength > node.strength;
        }
        for (size_t m = n + 1; m < candidates.size() && !beaten; ++m) {
            if (candidates[m].position - node.position >= radius)
                break;
            beaten = !removed[m] && candidates[m].strength > node.strength;
        }
        removed[n] = beaten;
    }
    std::vector<PfLatticeNode> nodes;
    for (size_t n = 0; n < candidates.size(); ++n) {
        if (!removed[n])
            nodes.push_back(candidates[n]);
    }

    // 3. The period from the remaining nodes.
    std::vector<LONGLONG> positions(nodes.size());
    for (size_t n = 0; n < nodes.size(); ++n)
        positions[n] = nodes[n].position;
    period = PfMeanPeriod(positions, period);

    // 4. Pair scores: how well two nodes sit a whole number of periods apart, weighted by distance.
    std::vector<PfLatticeEdge> edges;
    for (size_t a = 0; a < nodes.size(); ++a) {
        for (size_t b = a + 1; b < nodes.size(); ++b) {
            const double periods = static_cast<double>(nodes[b].position - nodes[a].position) / period;
            const LONGLONG h = Nint(periods);
            if (h > kMaxPairPeriods)
                break;
            if (h == 0)
                continue;
            const double l = 1.0 - std::fabs(periods - std::round(periods));
            double fit = 0.0;
            if (l > kFitCeiling)
                fit = 1.0;
            else if (l > kFitFloor)
                fit = (l - kFitFloor) * kFitSlope;
            const double weight =
                h <= kFullWeightPeriods ? 1.0 : static_cast<double>(kMaxPairPeriods - h) * kDistanceWeightStep;
            const double score = fit * weight * nodes[a].strength * nodes[b].strength;
            if (score > 0.0)
                edges.push_back({static_cast<int>(a), static_cast<int>(b), score});
        }
    }
    // Equal scores keep the order in which the pairs were met, so the result is reproducible.
    std::stable_sort(edges.begin(), edges.end(),
                     [](const PfLatticeEdge& x, const PfLatticeEdge& y) { return x.score > y.score; });

    // 5.-7. Chains along the best pairs; the members of the kept ones; the best refines the period.
    const std::vector<PfChainEnds> kept = PfSelectChains(nodes, PfLinkChains(nodes, edges));
    if (kept.empty())
        return {};
    std::vector<LONGLONG> selected;
    for (const PfChainEnds& chain : kept) {
        for (int n = chain.first; n >= 0; n = nodes[static_cast<size_t>(n)].next)
            selected.push_back(nodes[static_cast<size_t>(n)].position);
    }
    std::sort(selected.begin(), selected.end());
    period = PfRefinePeriod(nodes, kept.front(), period);
    return selected;
}

void DetectTempo(const CPfPcmThumbnail& envelope, const volatile LONG* cancel, const CPfPcmThumbnail& rawLevel,
                 float& tempo, BEATSCAN& grid)
{
    grid.ClearPositions();
    grid.gridPointsPerMeasure = 0;
    grid.sampleRate = envelope.GetSampleRate();
    grid.sampleCount = envelope.GetSampleCount();
    BEATSCAN onsets;
    ScanOnsets(envelope, cancel, kOnsetsPerMeasure, onsets);

    // Without a tempo there is no period to fit: the grid stays empty.
    const LONGLONG e = grid.SamplesPerMeasure(tempo) / 8;
    if (e <= 0 || PfIsCancelled(cancel))
        return;
    double period = PfMeanPeriod(onsets.positions, static_cast<double>(e));
    const std::vector<LONGLONG> chain = FitBeatLattice(onsets.positions, rawLevel, period);
    if (grid.sampleRate != 0 && period > 0.0)
        tempo = static_cast<float>(60.0 / (2.0 * period / grid.sampleRate));
    if (chain.empty() || !(period > 0.0) || PfIsCancelled(cancel))
        return;

    // Fill the gaps between chain positions with evenly spaced points.
    for (size_t k = 0; k < chain.size(); ++k) {
        grid.AddPosition(chain[k]);
        if (k + 1 == chain.size())
            break;
        const LONGLONG d = chain[k + 1] - chain[k];
        const LONGLONG n = Nint(static_cast<double>(d) / period);
        if (n <= 1)
            continue;
        const double step = static_cast<double>(d) / static_cast<double>(n);
        for (LONGLONG j = 1; j < n; ++j)
            grid.AddPosition(chain[k] + static_cast<LONGLONG>(static_cast<double>(j) * step));
    }
    // Extend to both ends of the track.
    for (LONGLONG k = 1;; ++k) {
        const LONGLONG p = chain.front() - static_cast<LONGLONG>(static_cast<double>(k) * period);
        if (p < 0)
            break;
        grid.AddPosition(p);
    }
    for (LONGLONG k = 1;; ++k) {
        const LONGLONG p = chain.back() + static_cast<LONGLONG>(static_cast<double>(k) * period);
        if (p >= grid.sampleCount)
            break;
        grid.AddPosition(p);
    }
    grid.gridPointsPerMeasure = kGridPointsPerMeasure;
    grid.SortUnique();
}
