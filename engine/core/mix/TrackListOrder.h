// Reordering a track list as a whole: by tempo, and at random.
#pragma once

#include <windows.h>

class CTrackInfoContainer;

// An exchange sort by each track's tempo averaged over its tempo markers (its tempo without
// any); equal tempos keep their order relative to the track at the position being filled.
int SortTrackListByTempo(CTrackInfoContainer& tracks, BOOL ascending);
// Exchanges every position with one drawn by rand() (which it does not seed).
int ShuffleTrackList(CTrackInfoContainer& tracks);
