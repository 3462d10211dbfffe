// The older track format: mix documents of versions 0x30000 and 0x40000 hold each track as one
// class-library archive blob (a record of the record file, or the "TRKB" chunk). Loading turns
// it into the current model: one layer of segments and markers with times in microseconds. The
// engine never writes this form.
#pragma once

#include <windows.h>

class CArchive;
class CTrackInfo;

// Loads a blob into the track (nothing when the archive is storing). A blob of a version other
// than 3 or 4 leaves the track without objects and is no error. FALSE for a truncated or
// malformed blob (a count beyond the bytes left, a position or tempo that does not fit, a
// non-finite tempo, an unknown marker type): the track is then partly loaded and the caller
// leaves it out.
BOOL LoadV4TrackArchive(CArchive& archive, CTrackInfo& track);
