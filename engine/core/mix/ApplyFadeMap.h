// Placing source material on the mix timeline through a fade map. The play item's render thread
// calls ApplyFadeMap once per source range that the block needs (CSampleFadeMap::GetSourceRanges),
// the first call flagged; the result depends only on the map and the source, never on how the
// output is cut into blocks. It allocates nothing and takes no lock.
#pragma once

#include <windows.h>

class CSampleFadeMap;

// Zeroes stereo frames first..last of a buffer of `count` frames; nothing when first < 0,
// last >= count or last < first.
void ClearFrames(LONGLONG last, LONGLONG first, float* buffer, LONGLONG count);

// destination: stereo float frames for output samples blockStart .. blockStart + frames - 1.
// source: stereo float frames of source samples (at the output rate) sourceStart ..
// sourceStart + sourceFrames - 1. Each region overlapping the block takes its samples from the
// source through its source position: the fade-in is added with rising gains, the full-level part
// is copied and the fade-out is written with falling gains, so that where two regions overlap the
// block holds earlier × fade-out + later × fade-in. Output samples whose source lies outside the
// source buffer are left to the call that holds their source. The first call for a block zeroes
// it, so that whatever no region writes is silence. 0 for invalid arguments.
BOOL ApplyFadeMap(float* destination, int frames, LONGLONG blockStart, const float* source, LONGLONG sourceStart,
                  int sourceFrames, DWORD rate, const CSampleFadeMap& map, BOOL firstCall);
