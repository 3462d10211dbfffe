// Building the fade map of a track: for every layer, regions at the points of its beat grid (or
// at even steps without a grid) placed on the mix through the layer's time map and joined by
// cross-fades sized to how far the tempo is bent, short fades at the segment edges, regions placed
// on the music file per segment; then the parts where another layer is heard are cut out and the
// layers merged. Runs under the global mix lock when a play item is made or rebuilt; the play
// item then takes a copy of the result.
#pragma once

#include <windows.h>

#include <vector>

class CSampleFadeMap;
class CTrackBeatMap;
class CTrackInfo;

// beatMaps[i] is the beat map of layer i; a layer beyond the list, without a map or with an empty
// grid is laid out in even steps. `map` is cleared first; when its pool cannot grow it keeps the
// regions it has.
void BuildFadeMap(const CTrackInfo& track, const std::vector<const CTrackBeatMap*>& beatMaps, DWORD rate,
                  CSampleFadeMap& map);
