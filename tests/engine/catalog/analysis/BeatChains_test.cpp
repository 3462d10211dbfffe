#include "engine/catalog/analysis/BeatChains.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// `count` nodes 1000 frames apart, all of strength 1.
std::vector<PfLatticeNode> Nodes(int count)
{
    std::vector<PfLatticeNode> nodes(static_cast<size_t>(count));
    for (int n = 0; n < count; ++n) {
        nodes[static_cast<size_t>(n)].position = 1000LL * n;
        nodes[static_cast<size_t>(n)].strength = 1.0;
    }
    return nodes;
}

// The members of chain `ends`, walked along the links, as "0-1-3"; "-" for a dissolved chain.
std::string Members(const std::vector<PfLatticeNode>& nodes, const PfChainEnds& ends)
{
    if (ends.first < 0)
        return "-";
    std::string text;
    for (int n = ends.first; n >= 0; n = nodes[static_cast<size_t>(n)].next)
        text += (text.empty() ? "" : "-") + std::to_string(n);
    return text;
}

std::string Inactive(const std::vector<PfLatticeNode>& nodes)
{
    std::string text;
    for (size_t n = 0; n < nodes.size(); ++n) {
        if (!nodes[n].active)
            text += (text.empty() ? "" : ",") + std::to_string(n);
    }
    return text;
}

// Each row takes its edges in order over 20 nodes (too many for the 80% stop to cut in).
TEST(BeatChains, LinkingRules)
{
    const struct {
        const char* name;
        std::vector<PfLatticeEdge> edges;
        std::vector<std::string> chains;
        std::string inactive;
    } rows[] = {
        {"two free nodes start a chain", {{2, 5, 1}}, {"2-5"}, ""},
        {"a later node extends the chain; the links after a are cut",
         {{0, 1, 1}, {1, 2, 1}, {0, 3, 1}},
         {"0-3"},
         "1,2"},
        {"an edge from inside a chain to a node before its end is ignored", {{0, 4, 1}, {0, 2, 1}}, {"0-4"}, ""},
        {"an earlier node extends the chain backwards; the links before b are cut",
         {{3, 4, 1}, {2, 3, 1}, {0, 4, 1}},
         {"0-4"},
         "2,3"},
        {"an edge to a node after the chain's start from outside is ignored", {{2, 6, 1}, {4, 6, 1}}, {"2-6"}, ""},
        {"a chain inside another's span is dissolved", {{0, 9, 1}, {3, 5, 1}, {0, 3, 1}}, {"0-9", "-"}, "3,5"},
        {"a chain inside the span of b's chain is dissolved", {{4, 5, 1}, {2, 8, 1}, {4, 8, 1}}, {"-", "2-8"}, "4,5"},
        {"overlapping chains merge into the one that starts first",
         {{0, 1, 1}, {1, 2, 1}, {4, 5, 1}, {5, 6, 1}, {1, 5, 1}},
         {"0-1-5-6", "-"},
         "2,4"},
        {"an edge inside one chain changes nothing", {{0, 1, 1}, {1, 2, 1}, {0, 2, 1}}, {"0-1-2"}, ""},
        {"edges with an inactive end are skipped", {{0, 1, 1}, {1, 2, 1}, {0, 3, 1}, {2, 7, 1}}, {"0-3"}, "1,2"},
    };
    for (const auto& row : rows) {
        std::vector<PfLatticeNode> nodes = Nodes(20);
        const std::vector<PfChainEnds> chains = PfLinkChains(nodes, row.edges);
        std::vector<std::string> members;
        for (const PfChainEnds& ends : chains)
            members.push_back(Members(nodes, ends));
        EXPECT_EQ(members, row.chains) << row.name;
        EXPECT_EQ(Inactive(nodes), row.inactive) << row.name;
    }
}

TEST(BeatChains, LinkingStopsOnceEightyPercentOfTheActiveNodesAreChained)
{
    // 10 nodes: after 0-1, 2-3, 4-5 and 6-7 eight of ten are chained; 8-9 is never taken.
    std::vector<PfLatticeNode> nodes = Nodes(10);
    const std::vector<PfChainEnds> chains =
        PfLinkChains(nodes, {{0, 1, 1}, {2, 3, 1}, {4, 5, 1}, {6, 7, 1}, {8, 9, 1}});
    EXPECT_EQ(chains.size(), 4u);
    EXPECT_EQ(nodes[8].chain, 0);

    // Nodes cut off a chain no longer count: 0-3 drops 1 and 2, so 7 chained of 8 active nodes
    // (after 7-8) is enough, and 3-9 is never taken.
    std::vector<PfLatticeNode> cut = Nodes(10);
    const std::vector<PfChainEnds> fewer =
        PfLinkChains(cut, {{0, 1, 1}, {1, 2, 1}, {0, 3, 1}, {4, 5, 1}, {5, 6, 1}, {6, 7, 1}, {7, 8, 1}, {3, 9, 1}});
    ASSERT_EQ(fewer.size(), 2u);
    EXPECT_EQ(Members(cut, fewer[0]), "0-3");
    EXPECT_EQ(Members(cut, fewer[1]), "4-5-6-7-8");
    EXPECT_EQ(cut[9].chain, 0);
}

// Links the listed node indexes into one chain, as the linker would leave it.
PfChainEnds Chain(std::vector<PfLatticeNode>& nodes, const std::vector<int>& members, int id)
{
    for (size_t k = 0; k < members.size(); ++k) {
        PfLatticeNode& node = nodes[static_cast<size_t>(members[k])];
        node.chain = id;
        node.previous = k > 0 ? members[k - 1] : -1;
        node.next = k + 1 < members.size() ? members[k + 1] : -1;
    }
    return {members.front(), members.back()};
}

std::vector<int> Range(int first, int last, int step = 1)
{
    std::vector<int> out;
    for (int n = first; n <= last; n += step)
        out.push_back(n);
    return out;
}

TEST(BeatChains, SelectionKeepsLongStrongChainsAndDropsOverlappingAndShortOnes)
{
    std::vector<PfLatticeNode> nodes = Nodes(220);
    nodes[0].strength = 0.0;
    for (int n = 100; n < 140; ++n)
        nodes[static_cast<size_t>(n)].strength = 0.5;
    const PfChainEnds widest = Chain(nodes, Range(0, 60, 2), 1);        // the widest span, nearly full strength
    const PfChainEnds overlapping = Chain(nodes, Range(51, 99, 2), 2);  // overlaps it, scores less
    const PfChainEnds weak = Chain(nodes, Range(100, 139), 3);          // the weakest: score 0, still kept
    const PfChainEnds reach31 = Chain(nodes, {150, 181}, 4);            // reaches over 31 indexes: too short
    const PfChainEnds reach32 = Chain(nodes, {182, 214}, 5);            // reaches over 32: kept
    const std::vector<PfChainEnds> kept = PfSelectChains(nodes, {widest, overlapping, weak, {}, reach31, reach32});
    std::vector<int> firsts;
    for (const PfChainEnds& chain : kept)
        firsts.push_back(chain.first);
    // By score: widest 0.94, overlapping 0.8 (dropped), reach32 0.53, reach31 0.52 (dropped), weak 0.
    EXPECT_EQ(firsts, (std::vector<int>{0, 182, 100}));
}

TEST(BeatChains, PeriodFromTheGapsOfTheBestChain)
{
    std::vector<PfLatticeNode> nodes = Nodes(4);
    nodes[1].position = 1000;
    nodes[2].position = 3010;  // two periods after node 1
    nodes[3].position = 4030;
    const PfChainEnds chain = Chain(nodes, {0, 1, 2, 3}, 1);
    // (1000 + 2010 + 1020) / (1 + 2 + 1)
    EXPECT_DOUBLE_EQ(PfRefinePeriod(nodes, chain, 1000.0), 4030.0 / 4.0);
    const PfChainEnds single = Chain(nodes, {0}, 2);
    EXPECT_DOUBLE_EQ(PfRefinePeriod(nodes, single, 1000.0), 1000.0);
}

}  // namespace
