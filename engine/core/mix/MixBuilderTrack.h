// What the mix builder reads of a track and its neighbours, and the time-map point operations
// every builder pass uses. Internal to the mix builder; runs under the global mix lock.
#pragma once

#include <windows.h>

class CMarker;
class CTimeMap;
class CTrackInfo;
class CTrackInfoContainer;

// Reference points of a track, all in track time.
struct MIXBUILDER_TRACKPOINTS {
    LONGLONG trackStart;  // earliest segment start
    LONGLONG trackEnd;    // latest segment end
    LONGLONG introStart;  // earliest intro (type 1) marker, else the earliest object start
    LONGLONG introEnd;    // latest intro marker
    LONGLONG outroStart;  // earliest outro (type 2) marker, else the latest object end
    LONGLONG outroEnd;    // latest outro marker
};

// The primary tracks around the track at an index. previous and next count as absent when a
// pause track stands between; the "across" forms look past pauses.
struct MIXBUILDER_NEIGHBOURS {
    CTrackInfo* previous = nullptr;
    CTrackInfo* next = nullptr;
    CTrackInfo* previousAcross = nullptr;
    CTrackInfo* nextAcross = nullptr;
    bool pauseBefore = false;
    bool pauseAfter = false;
};

namespace MixBuilderTrack {

MIXBUILDER_TRACKPOINTS GetPoints(const CTrackInfo& track);
MIXBUILDER_NEIGHBOURS GetNeighbours(const CTrackInfoContainer& tracks, int index);
CTimeMap& FirstMap(CTrackInfo& track);
// 240,000,000 / BPM to the nearest microsecond; 0 without a tempo.
LONGLONG MeasureDuration(const CTrackInfo& track);

// The first first-layer marker matching the type mask, or null.
CMarker* FirstMarker(const CTrackInfo& track, DWORD typeMask);
BOOL AnyUserAdjusted(const CTrackInfo& track, DWORD typeMask);

// A point after the map's last one at the mean of the two rates. The point is left out when it
// would not lie after the last point in both track and mix time: a map must stay strictly
// increasing, and a user-placed marker behind the points laid so far must not fold it back.
HRESULT ContinuePoint(CTimeMap& map, LONGLONG trackTime, double rate);
// A point before the first one, at the first rate; left out when not before it.
HRESULT LeadInPoint(CTimeMap& map, LONGLONG trackTime);

}  // namespace MixBuilderTrack
