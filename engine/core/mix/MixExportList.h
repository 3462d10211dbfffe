// The export entries of a laid-out mix: where its primary tracks end (or where their label markers
// lie), each with its track's catalog title, artist and album. The mix manager answers
// BuildExportTrackList with it; the play manager tests' mix double lays its own tracks out the same
// way. Callers hold the global mix lock.
#pragma once

#include <windows.h>

#include <functional>

#include "classlib/core/String.h"

class CPlayerOutputExportInfo;
class CTrackInfo;
class CTrackInfoContainer;

namespace MixExportList {

// The title, artist and album of the track's catalog item; left empty when it has none.
using TrackNames = std::function<void(CTrackInfo& track, CString* title, CString* artist, CString* album)>;

// Appends, for each primary track, one entry at its outro start (mode 0: its earliest end marker)
// or its outro end (mode 1: its latest end marker), or one at each of its label markers (mode 2);
// the last primary track's outro entry lies at `mixEnd` instead (in mode 2 beside its label
// entries). The entries are sorted by position. FALSE for an unknown mode.
BOOL Build(const CTrackInfoContainer& tracks, int mode, LONGLONG mixEnd, const TrackNames& names,
           CPlayerOutputExportInfo& info);

}  // namespace MixExportList
