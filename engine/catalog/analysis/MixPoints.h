// Automatic mix points and fade timing of an analysed track, from its level thumbnail (with the
// peak measure level and blocks per measure set from the tempo) and its half-beat grid. Positions
// are sample frames of the music file.
//
// Threads: the analysis job's thread.
#pragma once

#include <windows.h>

#include <vector>

#include "engine/catalog/analysis/BeatScan.h"
#include "engine/catalog/analysis/PfPcmThumbnail.h"

class CProfileResults;

// The first block above a tenth of the peak measure level, as a sample position; 0 when none.
LONGLONG FindFirstLoudPosition(const CPfPcmThumbnail& thumbnail);

// The quietest block of the last measure whose mean exceeds half the peak measure level (the
// first block below a fifth of the peak when there is one). Sample count - 1 (or 0) when the
// blocks per measure are not below the block count or no measure is loud enough; 0 without
// blocks per measure.
LONGLONG FindLastLoudPosition(const CPfPcmThumbnail& thumbnail);

// `count` positions from `start` on at which a fade whose drop per entry is `step` hundredths of
// a decibel (negative) has fallen by step x k: loud blocks (above a fifth of the peak measure
// level) speed the fade up to |step| per second. Entries the thumbnail does not reach are its
// end. False (an empty list) for a block size of 0 or fewer than one block per second.
bool BuildFadeList(int count, int step, LONGLONG start, std::vector<LONGLONG>& list, const CPfPcmThumbnail& thumbnail);

// A window of `measures` measures of grid points, in phase with the grid point nearest
// `position`: forward, the earliest such window whose mean level reaches 0.15 x the peak measure
// level (searching later); backward, the latest one (searching earlier). Within one window of
// the grid's end the window ends at that point (forward it is taken without a level test,
// backward the search starts there). False for an empty grid, no grid points per measure, or a
// grid too short for one whole window.
bool SnapWindowToBeats(const BEATSCAN& grid, const CPfPcmThumbnail& thumbnail, int measures, LONGLONG position,
                       bool backward, INT_PTR& firstIndex, INT_PTR& lastIndex);

enum class PfMixPointSource { grid, peaks };

// Mix-in points 1 and 2 from the first whole loud window of the grid, mix-out points 1 and 2 from
// the last one; when the grid gives no such pair that ends before the other begins, the points
// come from FindMixPointsFromPeaks instead. When the grid has measure starts (its marks), the
// points then move onto its beats, each pair keeping its whole number of measures. The results'
// tempo must be set.
PfMixPointSource FindMixPoints(const BEATSCAN& grid, const volatile LONG* cancel, const CPfPcmThumbnail& thumbnail,
                               int measures, CProfileResults& results);

// Fallback: two level onsets `measures` measures apart after the first loud position (mix in),
// and two before the last loud position (mix out); else the loud part's ends, moved inwards by
// up to `measures` measures (halved until both fit), or only the ends for a loud part of two
// measures or less.
void FindMixPointsFromPeaks(const CPfPcmThumbnail& thumbnail, const volatile LONG* cancel, int measures,
                            CProfileResults& results);
