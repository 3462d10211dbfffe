// CTrackBeatMap: one layer's musical grid: the stretches between its beat markers (start and end
// markers, or object markers) with the length of one measure in each, and a grid list of track
// times at eighths of a measure, or, for a map that follows the analysed beat points and a track
// that has them, at those beat points. It keeps private copies of the layer's segments, followed
// markers and the track's beat points to see whether anything changed since the last update.
// Runs under the global mix lock.
#pragma once

#include <windows.h>

#include <vector>

#include "engine/catalog/analysis/BeatPoints.h"
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
    // With followBeatPoints the grid list is the track's analysed beat points when it has them.
    explicit CTrackBeatMap(DWORD markerMask, bool followBeatPoints = false)
        : m_markerMask(markerMask), m_followBeatPoints(followBeatPoints)
    {}
    CTrackBeatMap(const CTrackBeatMap&) = delete;
    CTrackBeatMap& operator=(const CTrackBeatMap&) = delete;

    // Rebuilds the ranges and the grid when the layer's segments or followed markers (or the
    // track's measure length, or the beat points a map follows) changed since the last update.
    void Update(const CTrackLayer& layer, CTrackInfo& track);

    // The closer of the two neighbouring eighth-of-a-measure points (a tie goes to the later);
    // the time itself without ranges.
    LONGLONG SnapToGrid(LONGLONG trackTime) const;
    // The closest point of the grid list; FALSE when it is empty.
    BOOL SnapToGridList(LONGLONG trackTime, LONGLONG* point) const;
    // 0 without ranges.
    LONGLONG MusicTimeToTrackTime(const CMusicTime& musicTime) const;
    // The musical time at its nearest eighth note, placed on the eighth-of-a-measure points that
    // SnapToGrid gives; 0 without ranges.
    LONGLONG EighthsToTrackTime(const CMusicTime& musicTime) const;
    BOOL TrackTimeToMusicTime(LONGLONG trackTime, BOOL snapFirst, CMusicTime* musicTime) const;

    // The master musical time at which this grid's measure 0 lies; set by the master beat map.
    const CMusicTime& GetMusicTimeOffset() const { return m_musicTimeOffset; }
    void SetMusicTimeOffset(const CMusicTime& offset) { m_musicTimeOffset = offset; }

    int GetRangeCount() const { return static_cast<int>(m_ranges.size()); }
    const TRACKBEATRANGE& GetRange(int index) const { return m_ranges[static_cast<size_t>(index)]; }
    const std::vector<LONGLONG>& GetGrid() const { return m_grid; }

private:
    void Rebuild(const CTrackLayer& layer, LONGLONG trackMeasure);
    // The range that places a measure: the one holding it, else the first range (counted from
    // its start) or the last (counted from its end). Needs ranges.
    const TRACKBEATRANGE& RangeOfMeasure(LONGLONG measure, LONGLONG* origin, LONG* originMeasure) const;
    // Without a beat list (or a sample rate) the grid stays on the ranges.
    void TakeGridFromBeatPoints(const CTrackLayer& layer);

    DWORD m_markerMask;
    bool m_followBeatPoints;
    CBeatPoints m_beatPoints;
    DWORD m_sampleRate = 0;
    CTrackObjContainer m_segments;
    CTrackObjContainer m_markers;
    bool m_built = false;
    LONGLONG m_trackMeasure = 0;
    std::vector<LONGLONG> m_grid;
    std::vector<TRACKBEATRANGE> m_ranges;
    CMusicTime m_musicTimeOffset;
};
