// The half-beat grid of a track: onsets that fall on a regular lattice of the estimated period are
// linked into chains, the strongest chains are kept, the period is refined from them, and the
// gaps between and around them are filled with grid points.
//
// Threads: the analysis job's thread.
#pragma once

#include <windows.h>

#include <vector>

#include "engine/catalog/analysis/BeatScan.h"
#include "engine/catalog/analysis/PfPcmThumbnail.h"

// The mean of the gaps D / t between consecutive positions, t = nint(D / e) in 1..3, whose
// per-period length lies within 5% of e (bounds truncated, inclusive); e when none qualifies.
double PfMeanPeriod(const std::vector<LONGLONG>& positions, double e);

// Selects the onsets (ascending) that form the beat chains at half-beat period `period`, using the
// raw level thumbnail for their strengths, and refines the period from the best chain. Returns
// the selected positions, ascending; empty when no chain survives.
std::vector<LONGLONG> FitBeatLattice(const std::vector<LONGLONG>& onsets, const CPfPcmThumbnail& rawLevel,
                                     double& period);

// Replaces the record's positions by a half-beat grid (8 points per measure) over the whole track
// and refines `tempo` (BPM). A tempo of 0 or no surviving chain leaves an empty grid (0 points
// per measure) and the tempo as it was.
void DetectTempo(const CPfPcmThumbnail& envelope, const volatile LONG* cancel, const CPfPcmThumbnail& rawLevel,
                 float& tempo, BEATSCAN& grid);
