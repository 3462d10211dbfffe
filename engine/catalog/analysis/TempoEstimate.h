// The first tempo estimate of a track: phase histograms of the onsets over nine 20-second
// windows at every candidate tempo from 82 to 164 BPM, then corrections for half-tempo bass lines
// and for tracks shorter than 30 seconds.
//
// Threads: the analysis job's thread.
#pragma once

#include <windows.h>

#include "engine/catalog/analysis/BeatScan.h"

// The tempo (BPM, 82 <= f < 164 in steps of 0.1) at which the onsets strictly inside
// [start, start + length) pile up most in one phase bin of the beat (divisor 4) or half-beat
// (divisor 8) period; the lowest tempo on ties. 0 with fewer than two onsets.
float WindowTempo(const BEATSCAN& onsets, LONGLONG start, LONGLONG length, int divisor);

// The median of the non-zero window tempos of nine windows (at each tenth of the track, 882000
// frames long, divisors 4 and 8); 0 when none or when cancelled.
float EstimateTempoWindows(const BEATSCAN& onsets, const volatile LONG* cancel);

// Doubles a tempo of 100 BPM or less when more than 53% of the gaps between consecutive bass
// peaks are half a beat (within a tenth of a beat).
float ApplyTempoDoubling(const BEATSCAN& bassPeaks, float tempo);

// For a track shorter than 30 seconds: the tempo at which the whole track is one measure, folded
// by octaves into [82, 164.01]. Longer tracks keep `tempo`.
float TempoFromLength(DWORD sampleRate, LONGLONG sampleCount, float tempo);
