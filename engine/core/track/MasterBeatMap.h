// CMasterBeatMap: the mix's musical time axis and the user's snap grid. It keeps a beat map for
// every layer of every track (one list following the start and end markers, one following the
// object markers), stitches the primary tracks' maps into one ordered list of mix-time ranges,
// converts mix time to musical time and back, and snaps times and lengths for the timeline.
// Owned by the mix manager, which rebuilds it after every change of the mix; it holds one
// reference to each track it maps. Every operation runs under the global mix lock.
//
// Snap settings live in the profile section "Settings": "Snap Enabled" (read at construction,
// default 1), "Snap Position Type" and "Snap Duration Type" (set to 11 and 1 at construction and
// written on every change, that first setting included).
#pragma once

#include <windows.h>

#include <memory>
#include <vector>

#include "engine/core/time/MusicTime.h"
#include "engine/core/track/MasterBeatRanges.h"
#include "engine/core/track/TrackBeatMap.h"
#include "engine/core/server/Unknown.h"
#include "interfaces/IMasterBeatMap.h"

class CTrackInfo;
class CTrackInfoContainer;

// The beat maps of one track, one per layer, with a reference to the track.
class CTrackLayerBeatMaps {
public:
    CTrackLayerBeatMaps(CTrackInfo* track, DWORD markerMask);
    ~CTrackLayerBeatMaps();
    CTrackLayerBeatMaps(const CTrackLayerBeatMaps&) = delete;
    CTrackLayerBeatMaps& operator=(const CTrackLayerBeatMaps&) = delete;

    LONG GetTrackId() const { return m_trackId; }
    CTrackInfo* GetTrack() const { return m_track; }
    // Takes the track now in the list under this id, then brings one map per layer up to date.
    void Update(CTrackInfo* track);
    const CTrackBeatMap* GetFirstMap() const { return m_maps.empty() ? nullptr : m_maps.front().get(); }
    CTrackBeatMap* GetFirstMap() { return m_maps.empty() ? nullptr : m_maps.front().get(); }

private:
    LONG m_trackId;
    DWORD m_markerMask;
    CTrackInfo* m_track;
    std::vector<std::unique_ptr<CTrackBeatMap>> m_maps;
};

class CMasterBeatMap : public IMasterBeatMap, public CUnknown {
public:
    static constexpr DWORD kStartEndMask = 0x7;
    static constexpr DWORD kObjectMarkerMask = 0x10000000;
    static constexpr LONGLONG kDefaultMeasureLength = 2000000;

    explicit CMasterBeatMap(IUnknown* outer);

    DECLARE_DELEGATING_UNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID iid, void** object) override;

    HRESULT STDMETHODCALLTYPE GetSnapPositionType(int* code) override;
    HRESULT STDMETHODCALLTYPE SetSnapPositionType(int code) override;
    HRESULT STDMETHODCALLTYPE GetSnapDurationType(int* code) override;
    HRESULT STDMETHODCALLTYPE SetSnapDurationType(int code) override;
    HRESULT STDMETHODCALLTYPE SnapToTrackGrid(LONG trackId, LONGLONG mixTime, LONGLONG* snapped) override;
    HRESULT STDMETHODCALLTYPE SnapLengthToTrackGrid(LONG trackId, LONGLONG time, LONGLONG reference,
                                                    LONGLONG* snapped) override;
    HRESULT STDMETHODCALLTYPE SetSnapEnabled(BOOL on) override;
    HRESULT STDMETHODCALLTYPE IsSnapEnabled() override;
    HRESULT STDMETHODCALLTYPE AddSnapDuration(LONGLONG time, LONGLONG* result) override;
    HRESULT STDMETHODCALLTYPE SubtractSnapDuration(LONGLONG time, LONGLONG* result) override;
    HRESULT STDMETHODCALLTYPE SnapTime(LONGLONG time, LONGLONG* snapped) override;
    HRESULT STDMETHODCALLTYPE TimeToMusicTime(LONGLONG time, IMusicTime* musicTime) override;
    HRESULT STDMETHODCALLTYPE MusicTimeToTime(IMusicTime* musicTime, LONGLONG* time) override;
    HRESULT STDMETHODCALLTYPE TrackMusicTimeToTime(LONG trackId, IMusicTime* musicTime, LONGLONG* trackTime) override;
    HRESULT STDMETHODCALLTYPE TrackTimeToMusicTime(LONG trackId, LONGLONG trackTime, IMusicTime* musicTime) override;
    HRESULT STDMETHODCALLTYPE MixTimeToTrackMusicTime(LONG trackId, LONGLONG mixTime, IMusicTime* musicTime) override;
    HRESULT STDMETHODCALLTYPE GetSnapPositionUnit(IMusicTime* musicTime) override;
    HRESULT STDMETHODCALLTYPE GetSnapDurationUnit(IMusicTime* musicTime) override;

    // Engine side.
    void Rebuild(const CTrackInfoContainer& tracks);
    LONGLONG GetBeatLength(LONGLONG mixTime) const;
    double GetRate(LONGLONG mixTime) const;
    double CountMeasures(LONGLONG t1, LONGLONG t2) const;
    // MusicTimeToTime for the mix builder: a musical time before the first range is counted back
    // from its start with its measure length (S_FALSE), as TimeToMusicTime counts there, so that
    // every musical time the map hands out comes back to its mix time. E_FAIL without ranges.
    HRESULT MusicTimeToMixTime(const CMusicTime& musicTime, LONGLONG* time) const;
    LONGLONG NextMeasureBoundary(LONGLONG mixTime) const;

    // The musical time at which the track's own grid starts: musical times relative to the track
    // (an overlay's place on its parent) are master musical times less this. FALSE for a track
    // the map does not hold.
    BOOL GetTrackMusicTimeOffset(LONG trackId, CMusicTime* offset) const;

    int GetRangeCount() const { return static_cast<int>(m_ranges.size()); }
    const MASBEATMAP_RANGE& GetRange(int index) const { return m_ranges[static_cast<size_t>(index)]; }

    void FinalRelease() override;

private:
    using BeatMapList = std::vector<std::unique_ptr<CTrackLayerBeatMaps>>;

    static void UpdateList(BeatMapList& list, DWORD markerMask, const CTrackInfoContainer& tracks);
    void BuildRanges();
    // Index of the range holding the time (from <= t <= to), or -1. A time where one range ends
    // and the next begins belongs to the next: it is that range's first measure.
    int FindRange(LONGLONG mixTime) const;
    static const CTrackLayerBeatMaps* FindTrackMaps(const BeatMapList& list, LONG trackId);
    HRESULT ConvertTimeToMusic(LONGLONG time, CMusicTime* result) const;
    HRESULT ConvertMusicToTime(const CMusicTime& musicTime, LONGLONG* time) const;
    HRESULT RoundInPlace(IMusicTime* musicTime, const CMusicTime& unit);

    BeatMapList m_startEndMaps;
    BeatMapList m_objectMaps;
    std::vector<MASBEATMAP_RANGE> m_ranges;
    CMusicTime m_positionUnit;
    CMusicTime m_durationUnit;
    int m_positionType = 0;
    int m_durationType = 0;
    BOOL m_snapEnabled = TRUE;
};
