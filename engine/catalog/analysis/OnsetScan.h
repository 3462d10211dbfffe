// Onset and bass-peak scans over a level thumbnail: the positions at which the level rises
// steeply (onsets) or stands far above the level just before it (bass peaks). Each scan starts
// with a strict threshold and loosens it by a sixth until it has found enough positions for the
// track's length.
//
// Threads: the analysis job's thread.
#pragma once

#include <windows.h>

#include "engine/catalog/analysis/BeatScan.h"
#include "engine/catalog/analysis/PfPcmThumbnail.h"

// Onsets: block i (its first sample) where the level climbs to the maximum c of the next four
// blocks faster than the threshold per block. Target: targetsPerMeasure per measure at 82 BPM.
// The record's positions are replaced by the onsets, ascending; returns their count.
INT_PTR ScanOnsets(const CPfPcmThumbnail& thumbnail, const volatile LONG* cancel, int targetsPerMeasure,
                   BEATSCAN& record);

// Bass peaks: the maximum c of the next four blocks when it exceeds block i's level times the
// threshold. Same target and record handling as ScanOnsets.
INT_PTR ScanBassPeaks(const CPfPcmThumbnail& thumbnail, const volatile LONG* cancel, int targetsPerMeasure,
                      BEATSCAN& record);
