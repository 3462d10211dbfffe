#include "engine/catalog/analysis/BeatChains.h"

#include <algorithm>

namespace {

constexpr double kChainedShare = 0.8;
// A chain must reach over more than this many nodes to be kept.
constexpr int kShortestChainReach = 31;

LONGLONG Nint(double x)
{
    return static_cast<LONGLONG>(x + 0.5);
}

// Nodes link to their chain neighbours in index order.
class CChainLinker {
public:
    explicit CChainLinker(std::vector<PfLatticeNode>& nodes)
        : m_nodes(nodes), m_active(static_cast<int>(std::count_if(nodes.begin(), nodes.end(),
                                                                  [](const PfLatticeNode& n) { return n.active; })))
    {}

    void Take(const PfLatticeEdge& edge)
    {
        PfLatticeNode& a = Node(edge.a);
        PfLatticeNode& b = Node(edge.b);
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
            PfChainEnds& ends = Ends(a.chain);
            if (ends.last < edge.b) {
                DropForward(edge.a);
                Link(edge.a, edge.b);
                b.chain = a.chain;
                ends.last = edge.b;
                ++m_chained;
            }
        } else if (a.chain == 0 && b.chain != 0) {
            PfChainEnds& ends = Ends(b.chain);
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
            const PfChainEnds spanA = Ends(chainA);
            const PfChainEnds spanB = Ends(chainB);
            if (spanA.first <= spanB.first && spanB.last <= spanA.last) {
                Dissolve(chainB);
            } else if (spanB.first <= spanA.first && spanA.last <= spanB.last) {
                Dissolve(chainA);
            } else if (spanA.first < spanB.first) {
                DropForward(edge.a);
                DropBackward(edge.b);
                for (int n = edge.b; n >= 0; n = Node(n).next)
                    Node(n).chain = chainA;
                Link(edge.a, edge.b);
                Ends(chainA).last = spanB.last;
                Ends(chainB) = {};
            }
        }
    }

    bool Enough() const { return m_chained >= kChainedShare * m_active; }

    std::vector<PfChainEnds> Chains() const { return m_chains; }

private:
    PfLatticeNode& Node(int n) { return m_nodes[static_cast<size_t>(n)]; }
    PfChainEnds& Ends(int chain) { return m_chains[static_cast<size_t>(chain - 1)]; }

    void Link(int a, int b)
    {
        Node(a).next = b;
        Node(b).previous = a;
    }

    void Deactivate(int n)
    {
        PfLatticeNode& node = Node(n);
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
        int k = Node(n).next;
        while (k >= 0) {
            const int following = Node(k).next;
            Deactivate(k);
            k = following;
        }
        Node(n).next = -1;
        Ends(Node(n).chain).last = n;
    }

    void DropBackward(int n)
    {
        int k = Node(n).previous;
        while (k >= 0) {
            const int preceding = Node(k).previous;
            Deactivate(k);
            k = preceding;
        }
        Node(n).previous = -1;
        Ends(Node(n).chain).first = n;
    }

    void Dissolve(int chain)
    {
        int k = Ends(chain).first;
        while (k >= 0) {
            const int following = Node(k).next;
            Deactivate(k);
            k = following;
        }
        Ends(chain) = {};
    }

    std::vector<PfLatticeNode>& m_nodes;
    std::vector<PfChainEnds> m_chains;
    int m_active;
    int m_chained = 0;
};

struct ChainScore {
    PfChainEnds ends;
    double score = 0.0;
};

}  // namespace

std::vector<PfChainEnds> PfLinkChains(std::vector<PfLatticeNode>& nodes, const std::vector<PfLatticeEdge>& edges)
{
    CChainLinker linker(nodes);
    for (const PfLatticeEdge& edge : edges) {
        linker.Take(edge);
        if (linker.Enough())
            break;
    }
    return linker.Chains();
}

std::vector<PfChainEnds> PfSelectChains(const std::vector<PfLatticeNode>& nodes, const std::vector<PfChainEnds>& chains)
{
    const auto node = [&nodes](int n) -> const PfLatticeNode& { return nodes[static_cast<size_t>(n)]; };
    std::vector<ChainScore> scored;
    for (const PfChainEnds& ends : chains) {
        if (ends.first >= 0)
            scored.push_back({ends, 0.0});
    }
    if (scored.empty())
        return {};
    std::vector<double> means;
    LONGLONG widest = 0;
    for (const ChainScore& chain : scored) {
        double sum = 0.0;
        int members = 0;
        for (int n = chain.ends.first; n >= 0; n = node(n).next) {
            sum += node(n).strength;
            ++members;
        }
        means.push_back(sum / members);
        widest = std::max(widest, node(chain.ends.last).position - node(chain.ends.first).position);
    }
    const double spanScale = widest > 0 ? static_cast<double>(widest) : 1.0;
    const double lowMean = *std::min_element(means.begin(), means.end());
    const double highMean = *std::max_element(means.begin(), means.end());
    const double meanRange = highMean > lowMean ? highMean - lowMean : 1.0;
    for (size_t c = 0; c < scored.size(); ++c) {
        const LONGLONG span = node(scored[c].ends.last).position - node(scored[c].ends.first).position;
        scored[c].score = static_cast<double>(span) / spanScale * (means[c] - lowMean) / meanRange;
    }
    std::stable_sort(scored.begin(), scored.end(),
                     [](const ChainScore& x, const ChainScore& y) { return x.score > y.score; });
    std::vector<PfChainEnds> kept;
    for (const ChainScore& chain : scored) {
        const bool overlaps = std::any_of(kept.begin(), kept.end(), [&chain](const PfChainEnds& k) {
            return chain.ends.first <= k.last && k.first <= chain.ends.last;
        });
        if (!overlaps)
            kept.push_back(chain.ends);
    }
    std::erase_if(kept, [](const PfChainEnds& chain) { return chain.last - chain.first <= kShortestChainReach; });
    return kept;
}

double PfRefinePeriod(const std::vector<PfLatticeNode>& nodes, const PfChainEnds& chain, double period)
{
    LONGLONG differences = 0;
    LONGLONG periods = 0;
    for (int n = chain.first; n >= 0 && nodes[static_cast<size_t>(n)].next >= 0;
         n = nodes[static_cast<size_t>(n)].next) {
        const LONGLONG d = nodes[static_cast<size_t>(nodes[static_cast<size_t>(n)].next)].position -
                           nodes[static_cast<size_t>(n)].position;
        differences += d;
        periods += Nint(static_cast<double>(d) / period);
    }
    return periods != 0 ? static_cast<double>(differences) / static_cast<double>(periods) : period;
}
