// CTrackBeatMap: one layer's musical grid: the stretches between its beat markers (start and end
// markers, or object markers) with the length of one measure in each, and a grid list of track
// times at eighths of a measure. It keeps private copies of the layer's segments and followed
// markers to see whether the layer changed since the last update. Runs under the global mix lock.
#pragma once

#include <windows.h>

#include <vector>

#include "engine/core/time/MusicTime.h"
#include "engine/core/track/TrackObjContainer.h"

class CTrackInfo;
class CTrackLayer;

struct TRACKBEATRANGE {
    LONGLONG from;           // track time
    LONGLONG to;             // track time
    LONGLONG measureLength;  // microseconds
    LONG first;              // first measure number
    LONG last;               // measure number at `to`; the range holds first .. last - 1
};
static_assert(sizeof(TRACKBEATRANGE) == 32, "TRACKBEATRANGE is 32 bytes");

class CTrackBeatMap {
public:
    // Follows markers of this type mask: 7 for start and end markers, 0x10000000 for object markers.
    explicit CTrackBeatMap(DWORD markerMask) : m_markerMask(markerMask) {}
    CTrackBeatMap(const CTrackBeatMap&) = delete;
    CTrackBeatMap& operator=(const CTrackBeatMap&) = delete;

    // Rebuilds the ranges and the grid when the layer's segments or followed markers (or the
    // track's measure length) changed since the last update.
    void Update(const CTrackLayer& layer, CTrackInfo& track);

    // The closer of the two neighbouring eighth-of-a-measure points (a tie goes to the later);
    // the time itself without ranges.
    LONGLONG SnapToGrid(LONGLONG trackTime) const;
    // The closest point of the grid list; FALSE when it is empty.
    BOOL SnapToGridList(LONGLONG trackTime, LONGLONG* point) const;
    // 0 without ranges.
    LONGLONG MusicTimeToTrackTime(const CMusicTime& musicTime) const;
    BOOL TrackTimeToMusicTime(LONGLONG trackTime, BOOL snapFirst, CMusicTime* musicTime) const;

    // The master musical time at which this grid's measure 0 lies; set by the master beat map.
    const CMusicTime& GetMusicTimeOffset() const { return m_musicTimeOffset; }
    void SetMusicTimeOffset(const CMusicTime& offset) { m_musicTimeOffset = offset; }

    int GetRangeCount() const { return static_cast<int>(m_ranges.size()); }
    const TRACKBEATRANGE& GetRange(int index) const { return m_ranges[static_cast<size_t>(index)]; }
    const std::vector<LONGLONG>& GetGrid() const { return m_grid; }

private:
    void Rebuild(const CTrackLayer& layer, LONGLONG trackMeasure);

    DWORD m_markerMask;
    CTrackObjContainer m_segments;
    CTrackObjContainer m_markers;
    bool m_built = false;
    LONGLONG m_trackMeasure = 0;
    std::vector<LONGLONG> m_grid;
    std::vector<TRACKBEATRANGE> m_ranges;
    CMusicTime m_musicTimeOffset;
};
