// The chains of the beat lattice: onsets (nodes) that sit a whole number of half-beat periods
// apart are linked along their best-scoring pairs (edges) into chains; the chains that reach
// furthest with the strongest members are kept, and the best one refines the period.
//
// Threads: the analysis job's thread.
#pragma once

#include <windows.h>

#include <vector>

struct PfLatticeNode {
    LONGLONG position = 0;
    double strength = 0.0;  // normalised to 0..1
    bool active = true;
    int chain = 0;      // 0: in no chain; chains are numbered from 1
    int previous = -1;  // chain neighbours, as node indexes
    int next = -1;
};

// A pair of nodes a < b (node indexes) and how well they sit whole periods apart.
struct PfLatticeEdge {
    int a = 0;
    int b = 0;
    double score = 0.0;
};

// A chain's first and last node index; both -1 for a chain dissolved or merged into another.
struct PfChainEnds {
    int first = -1;
    int last = -1;
};

// Takes the edges in the order given (best first), linking, extending, merging and dissolving
// chains, until at least 80% of the active nodes are in chains. Nodes cut off a chain become
// inactive. Answers every chain by number (index = number - 1).
std::vector<PfChainEnds> PfLinkChains(std::vector<PfLatticeNode>& nodes, const std::vector<PfLatticeEdge>& edges);

// The chains worth keeping, best first: scored by span times mean strength (each relative to the
// chains' range), a chain whose node indexes overlap a better chain's is dropped, and so is a
// chain that reaches over 31 node indexes or fewer.
std::vector<PfChainEnds> PfSelectChains(const std::vector<PfLatticeNode>& nodes,
                                        const std::vector<PfChainEnds>& chains);

// The period as the chain's gaps measure it: the sum of the gaps over the sum of their whole
// periods (each rounded at `period`); `period` itself when that sum is 0.
double PfRefinePeriod(const std::vector<PfLatticeNode>& nodes, const PfChainEnds& chain, double period);
