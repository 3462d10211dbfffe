#include "engine/catalog/analysis/BeatLattice.h"

#include <algorithm>
#include <cmath>
#include <numeric>

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
constexpr double kChainedShare = 0.8;
// A chain must reach over more than this many nodes to be kept.
constexpr int kShortestChainReach = 31;

LONGLONG Nint(double x)
{
    return static_cast<LONGLONG>(x + 0.5);
}

struct Node {
    LONGLONG position = 0;
    double strength = 0.0;
    bool active = true;
    int chain = 0;
    int previous = -1;
    int next = -1;
};

struct Edge {
    int a = 0;
    int b = 0;
    double score = 0.0;
};

struct ChainEnds {
    int first = -1;
    int last = -1;
};

void NormaliseStrengths(std::vector<Node>& nodes)
{
    if (nodes.empty())
        return;
    double low = nodes.front().strength;
    double high = low;
    for (const Node& n : nodes) {
        low = std::min(low, n.strength);
        high = std::max(high, n.strength);
    }
    const double range = high > low ? high - low : 1.0;
    for (Node& n : nodes)
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

// The chains of the lattice: nodes link to their chain neighbours in index order.
class CChainLinker {
public:
    explicit CChainLinker(std::vector<Node>& nodes) : m_nodes(nodes), m_active(static_cast<int>(nodes.size())) {}

    void Take(const Edge& edge)
    {
        Node& a = m_nodes[static_cast<size_t>(edge.a)];
        Node& b = m_nodes[static_cast<size_t>(edge.b)];
        if (!a.active || !b.active)
            return;
        if (a.chain == 0 && b.chain == 0) {
            m_chains.push_back({edge.a, edge.b});
            const int id = static_cast<int>(m_chains.size());
            a.chain = id;
            b.chain = id;
            Link(edge.a, edge.b);
            m_chained += 2;
        } else if (a.chain != 0 && b.chain == 0) {
            ChainEnds& ends = Ends(a.chain);
            if (ends.last < edge.b) {
                DropForward(edge.a);
                Link(edge.a, edge.b);
                b.chain = a.chain;
                ends.last = edge.b;
                ++m_chained;
            }
        } else if (a.chain == 0 && b.chain != 0) {
            ChainEnds& ends = Ends(b.chain);
            if (edge.a < ends.first) {
                DropBackward(edge.b);
                Link(edge.a, edge.b);
                a.chain = b.chain;
                ends.first = edge.a;
                ++m_chained;
            }
        } else if (a.chain != b.chain) {
            const int chainA = a.chain;
            const int chainB = b.chain;
            const ChainEnds spanA = Ends(chainA);
            const ChainEnds spanB = Ends(chainB);
            if (spanA.first <= spanB.first && spanB.last <= spanA.last) {
                Dissolve(chainB);
            } else if (spanB.first <= spanA.first && spanA.last <= spanB.last) {
                Dissolve(chainA);
            } else if (spanA.first < spanB.first) {
                DropForward(edge.a);
                DropBackward(edge.b);
                for (int n = edge.b; n >= 0; n = m_nodes[static_cast<size_t>(n)].next)
                    m_nodes[static_cast<size_t>(n)].chain = chainA;
                Link(edge.a, edge.b);
                Ends(chainA).last = spanB.last;
                Ends(chainB) = {};
            }
        }
    }

    // At least 80% of the active nodes are in chains.
    bool Enough() const { return m_chained >= kChainedShare * m_active; }

    const std::vector<ChainEnds>& Chains() const { return m_chains; }

private:
    ChainEnds& Ends(int chain) { return m_chains[static_cast<size_t>(chain - 1)]; }

    void Link(int a, int b)
    {
        m_nodes[static_cast<size_t>(a)].next = b;
        m_nodes[static_cast<size_t>(b)].previous = a;
    }

    void Deactivate(int n)
    {
        Node& node = m_nodes[static_cast<size_t>(n)];
        if (node.chain != 0)
            --m_chained;
        --m_active;
        node.active = false;
        node.chain = 0;
        node.previous = -1;
        node.next = -1;
    }

    // The nodes after n in its chain leave it, inactive; n becomes the chain's end.
    void DropForward(int n)
    {
        int k = m_nodes[static_cast<size_t>(n)].next;
        while (k >= 0) {
            const int following = m_nodes[static_cast<size_t>(k)].next;
            Deactivate(k);
            k = following;
        }
        m_nodes[static_cast<size_t>(n)].next = -1;
        Ends(m_nodes[static_cast<size_t>(n)].chain).last = n;
    }

    void DropBackward(int n)
    {
        int k = m_nodes[static_cast<size_t>(n)].previous;
        while (k >= 0) {
            const int preceding = m_nodes[static_cast<size_t>(k)].previous;
            Deactivate(k);
            k = preceding;
        }
        m_nodes[static_cast<size_t>(n)].previous = -1;
        Ends(m_nodes[static_cast<size_t>(n)].chain).first = n;
    }

    void Dissolve(int chain)
    {
        int k = Ends(chain).first;
        while (k >= 0) {
            const int following = m_nodes[static_cast<size_t>(k)].next;
            Deactivate(k);
            k = following;
        }
        Ends(chain) = {};
    }

    std::vector<Node>& m_nodes;
    std::vector<ChainEnds> m_chains;
    int m_active;
    int m_chained = 0;
};

struct ChainScore {
    ChainEnds ends;
    double score = 0.0;
};

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
    std::vector<Node> candidates(onsets.size());
    for (size_t k = 0; k < onsets.size(); ++k) {
        candidates[k].position = onsets[k];
        candidates[k].strength = Strength(rawLevel, onsets[k]);
    }
    NormaliseStrengths(candidates);

    // 2. A node gives way to a stronger remaining neighbour closer than 0.45 periods.
    const auto radius = static_cast<LONGLONG>(kSuppressionShare * period);
    std::vector<bool> removed(candidates.size(), false);
    for (size_t n = 0; n < candidates.size(); ++n) {
        const Node& node = candidates[n];
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
    std::vector<Node> nodes;
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
    std::vector<Edge> edges;
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
    std::stable_sort(edges.begin(), edges.end(), [](const Edge& x, const Edge& y) { return x.score > y.score; });

    // 5. Chains.
    CChainLinker linker(nodes);
    for (const Edge& edge : edges) {
        linker.Take(edge);
        if (linker.Enough())
            break;
    }

    // 6. Chain scores: long chains of strong nodes first; overlapping and short chains go.
    std::vector<ChainScore> chains;
    for (const ChainEnds& ends : linker.Chains()) {
        if (ends.first >= 0)
            chains.push_back({ends, 0.0});
    }
    if (chains.empty())
        return {};
    std::vector<double> means;
    LONGLONG widest = 0;
    for (const ChainScore& chain : chains) {
        double sum = 0.0;
        int members = 0;
        for (int n = chain.ends.first; n >= 0; n = nodes[static_cast<size_t>(n)].next) {
            sum += nodes[static_cast<size_t>(n)].strength;
            ++members;
        }
        means.push_back(sum / members);
        widest = std::max(widest, nodes[static_cast<size_t>(chain.ends.last)].position -
                                      nodes[static_cast<size_t>(chain.ends.first)].position);
    }
    const double spanScale = widest > 0 ? static_cast<double>(widest) : 1.0;
    const double lowMean = *std::min_element(means.begin(), means.end());
    const double highMean = *std::max_element(means.begin(), means.end());
    const double meanRange = highMean > lowMean ? highMean - lowMean : 1.0;
    for (size_t c = 0; c < chains.size(); ++c) {
        const LONGLONG span = nodes[static_cast<size_t>(chains[c].ends.last)].position -
                              nodes[static_cast<size_t>(chains[c].ends.first)].position;
        chains[c].score = static_cast<double>(span) / spanScale * (means[c] - lowMean) / meanRange;
    }
    std::stable_sort(chains.begin(), chains.end(),
                     [](const ChainScore& x, const ChainScore& y) { return x.score > y.score; });
    std::vector<ChainScore> kept;
    for (const ChainScore& chain : chains) {
        const bool overlaps = std::any_of(kept.begin(), kept.end(), [&chain](const ChainScore& k) {
            return chain.ends.first <= k.ends.last && k.ends.first <= chain.ends.last;
        });
        if (!overlaps)
            kept.push_back(chain);
    }
    std::erase_if(kept,
                  [](const ChainScore& chain) { return chain.ends.last - chain.ends.first <= kShortestChainReach; });
    if (kept.empty())
        return {};

    // 7. The members of the kept chains; the best chain refines the period.
    std::vector<LONGLONG> selected;
    for (const ChainScore& chain : kept) {
        for (int n = chain.ends.first; n >= 0; n = nodes[static_cast<size_t>(n)].next)
            selected.push_back(nodes[static_cast<size_t>(n)].position);
    }
    std::sort(selected.begin(), selected.end());
    LONGLONG differences = 0;
    LONGLONG periods = 0;
    const ChainEnds& best = kept.front().ends;
    for (int n = best.first; nodes[static_cast<size_t>(n)].next >= 0; n = nodes[static_cast<size_t>(n)].next) {
        const LONGLONG d = nodes[static_cast<size_t>(nodes[static_cast<size_t>(n)].next)].position -
                           nodes[static_cast<size_t>(n)].position;
        differences += d;
        periods += Nint(static_cast<double>(d) / period);
    }
    if (periods != 0)
        period = static_cast<double>(differences) / static_cast<double>(periods);
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
