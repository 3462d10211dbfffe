// Downbeats and measure starts on a half-beat grid (8 grid points per measure).
//
// FindDownbeatPhase picks which of the 8 grid phases carries the downbeat, from sudden rises of
// the bass level and from where the bass is loudest; MarkMeasureStarts walks the grid in whole
// measures from that downbeat and records a new measure start wherever the grid stops being
// evenly spaced (a tempo change or a dropped beat).
//
// Threads: the analysis job's thread.
#pragma once

#include "engine/catalog/analysis/BeatScan.h"
#include "engine/catalog/analysis/PfPcmThumbnail.h"

// `bass` has been through the peak-hold envelope and Set tempo. Appends the first downbeat (a grid
// position) to the grid's marks; nothing without a grid.
void FindDownbeatPhase(const CPfPcmThumbnail& bass, BEATSCAN& grid);

// The marks must hold the first downbeat. Adds every measure start to the marks (ascending, no
// repeats); nothing without a grid or a mark.
void MarkMeasureStarts(BEATSCAN& grid);
