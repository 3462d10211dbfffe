// Where tracks lie on the mix timeline, as the play managers ask it of the mix manager: the track
// under a position, the next pause ahead and the audible start of the next or previous track.
// Callers hold the global mix lock.
#pragma once

#include <windows.h>

class CTrackInfoContainer;

namespace MixTrackLookup {

// The last track whose lead span holds the position, else the last primary track that spans it.
bool FindTrackAtPosition(const CTrackInfoContainer& tracks, LONGLONG position, LONG* trackId, int* index);
// The start of the first pause more than 0.1 s after the position.
bool FindNextPauseStart(const CTrackInfoContainer& tracks, LONGLONG position, LONGLONG* start);
// The audible start of the next primary track after the position, or of the previous one (a track
// that started less than 4 s ago counts as the current one, so "previous" goes one further back;
// 0 before the first). E_FAIL when there is none.
HRESULT FindAdjacentTrackStart(const CTrackInfoContainer& tracks, LONGLONG position, BOOL next, LONGLONG* start);

}  // namespace MixTrackLookup
