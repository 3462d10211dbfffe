// The bounds a time read from a stored track (a mix document, in any of its forms) must keep.
// Laying a mix out walks a track measure by measure between its markers and over its segments, so
// a damaged position far past any music (a start marker decades into the track) made one rebuild
// run for minutes under the global mix lock. A value beyond these bounds is a damaged one: each
// reader refuses it as it refuses its other damaged values.
#pragma once

#include <windows.h>

#include <initializer_list>

#include "classlib/core/ArchiveException.h"

// A day of music either side of a track's start: far longer than any music file, and short
// enough that walking it at the shortest measure a stored tempo allows stays within milliseconds.
inline constexpr LONGLONG kMaxStoredTrackTime = 24LL * 60 * 60 * 1000000;

// Whole measures of a stored musical time (an overlay's place from its reference track): a day's
// worth at the fastest stored tempo (500 BPM, 0.48 s a measure).
inline constexpr LONGLONG kMaxStoredMeasures = kMaxStoredTrackTime / 480000;

// Whether a stored track time or length (microseconds) lies within the bound.
inline bool IsStoredTrackTimeAccepted(LONGLONG time)
{
    return time >= -kMaxStoredTrackTime && time <= kMaxStoredTrackTime;
}

// Whether a stored musical time (whole measures and the fraction of the next) lies within the
// bound; a fraction is less than a measure either way.
inline bool IsStoredMusicTimeAccepted(LONG measures, float fraction)
{
    return measures >= -kMaxStoredMeasures && measures <= kMaxStoredMeasures && fraction >= -1.0f && fraction <= 1.0f;
}

// Reading an archive (the clipboard's form of a track): a time beyond the bound is damage, refused
// as the archive's other damage is, so the whole read fails.
inline void RequireStoredTrackTimes(std::initializer_list<LONGLONG> times)
{
    for (LONGLONG time : times)
        if (!IsStoredTrackTimeAccepted(time))
            CArchiveException::Throw(CArchiveException::badIndex);
}
