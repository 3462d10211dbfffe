// CTrackLayer: one placement of a track's music file on the mix time axis: a time map from track
// time to mix time and the layer's track objects. Reference counted (CUnknownStandAlone); the
// owning layer container holds one reference, callers of ITrackLayer hold their own. Everything
// but the count runs under the global mix lock.
#pragma once

#include "engine/core/time/TimeMap.h"
#include "engine/core/track/TrackObjContainer.h"
#include "engine/core/server/Unknown.h"
#include "interfaces/ITrackLayer.h"

class CArchive;

class CTrackLayer : public CUnknownStandAlone, public ITrackLayer {
public:
    CTrackLayer() = default;

    DECLARE_STANDALONE_UNKNOWN

    // ITrackLayer
    HRESULT STDMETHODCALLTYPE GetMarker(int index, DWORD typeMask, ITrackMarker** marker) override;
    HRESULT STDMETHODCALLTYPE GetRange(int index, DWORD typeMask, ITrackRange** range) override;
    HRESULT STDMETHODCALLTYPE TrackToMixTime(LONGLONG trackTime, LONGLONG* mixTime) override;
    HRESULT STDMETHODCALLTYPE MixToTrackTime(LONGLONG mixTime, LONGLONG* trackTime) override;
    HRESULT STDMETHODCALLTYPE MapToFilePosition(LONGLONG mixTime, LONGLONG* filePosition) override;

    HRESULT LookupInterface(REFIID iid, void** object) override;

    void AssignFrom(const CTrackLayer& layer);
    BOOL IsEqual(const CTrackLayer& layer) const;
    // rate 0: a point before the first one with its rate; mixTime kUnsetTime: a point after the
    // last one at the mean of the two rates; otherwise the point itself.
    HRESULT SetRatePoint(LONGLONG trackTime, LONGLONG mixTime, double rate);
    HRESULT GetRateAt(LONGLONG mixTime, double* rate) const;
    void CopyObjectsTo(CTrackObjContainer& destination, DWORD classMask, DWORD typeMask) const;
    // Converts the positions of the container's markers from track time to mix time.
    BOOL MapMarkersToMixTime(CTrackObjContainer& container) const;
    HRESULT SplitSegmentsAtMixTime(LONGLONG mixTime);
    HRESULT RemoveMixRange(LONGLONG mixFrom, LONGLONG mixTo);
    // Objects, then the time map.
    void Serialize(CArchive& archive);

    // Drops the objects' references to their delegates. The owner calls it before letting go of
    // the layer: objects handed out through the layer point back at it, and that cycle would
    // otherwise keep both alive.
    void ReleaseFromOwner();

    CTimeMap& TimeMap() { return m_timeMap; }
    const CTimeMap& TimeMap() const { return m_timeMap; }
    CTrackObjContainer& Objects() { return m_objects; }
    const CTrackObjContainer& Objects() const { return m_objects; }

private:
    CTimeMap m_timeMap;
    CTrackObjContainer m_objects;
};
