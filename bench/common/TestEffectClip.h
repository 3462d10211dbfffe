// An effect clip of the test effect DMO (at half gain) on a track, for the benchmarks that play or
// export a mix whose tracks hold effect clips.
#pragma once

#include <windows.h>

class CTrackInfo;

namespace bench {

// Adds the clip over [from, to] of the track's time; false when the track refuses it.
bool AddTestEffectClip(CTrackInfo& track, LONGLONG from, LONGLONG to);

}  // namespace bench
