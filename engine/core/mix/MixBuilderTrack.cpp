#include "engine/core/mix/MixBuilderTrack.h"

#include <algorithm>
#include <cmath>

#include "engine/core/track/Marker.h"
#include "engine/core/time/TimeMap.h"
#include "engine/core/track/TrackInfo.h"
#include "engine/core/track/TrackInfoContainer.h"

namespace MixBuilderTrack {

MIXBUILDER_TRACKPOINTS GetPoints(const CTrackInfo& track)
{
    const CTrackObjContainer& objects = track.MainObjects();
    const LONGLONG earliest = objects.GetEarliestStart();
    const LONGLONG latest = objects.GetLatestEnd();
    MIXBUILDER_TRACKPOINTS points{};
    bool haveSegment = false;
    for (int i = 0; i < objects.GetCount(); ++i) {
        const CTrackObj* o = objects.GetAt(i);
        if (o->GetClass() != kTrackObjSegment)
            continue;
        points.trackStart = haveSegment ? std::min(points.trackStart, o->GetStart()) : o->GetStart();
        points.trackEnd = haveSegment ? std::max(points.trackEnd, o->GetEnd()) : o->GetEnd();
        haveSegment = true;
    }
    if (!haveSegment) {
        points.trackStart = earliest;
        points.trackEnd = latest;
    }
    if (!objects.GetMarkerBound(TRUE, kMarkerStart, &points.introStart))
        points.introStart = earliest;
    if (!objects.GetMarkerBound(FALSE, kMarkerStart, &points.introEnd))
        points.introEnd = earliest;
    if (!objects.GetMarkerBound(TRUE, kMarkerEnd, &points.outroStart))
        points.outroStart = latest;
    if (!objects.GetMarkerBound(FALSE, kMarkerEnd, &points.outroEnd))
        points.outroEnd = latest;
    return points;
}

MIXBUILDER_NEIGHBOURS GetNeighbours(const CTrackInfoContainer& tracks, int index)
{
    MIXBUILDER_NEIGHBOURS result;
    for (int i = index - 1; i >= 0; --i) {
        CTrackInfo* track = tracks.GetAt(i);
        if (track->IsPause())
            result.pauseBefore = true;
        else if (track->IsPrimary()) {
            result.previousAcross = track;
            break;
        }
    }
    for (int i = index + 1; i < tracks.GetCount(); ++i) {
        CTrackInfo* track = tracks.GetAt(i);
        if (track->IsPause())
            result.pauseAfter = true;
        else if (track->IsPrimary()) {
            result.nextAcross = track;
            break;
        }
    }
    result.previous = result.pauseBefore ? nullptr : result.previousAcross;
    result.next = result.pauseAfter ? nullptr : result.nextAcross;
    return result;
}

CTimeMap& FirstMap(CTrackInfo& track)
{
    CTrackLayer* layer = nullptr;
    track.Layers().GetLayer(0, &layer);
    return layer->TimeMap();
}

LONGLONG MeasureDuration(const CTrackInfo& track)
{
    const double bpm = track.GetBpm();
    return bpm > 0 ? static_cast<LONGLONG>(1000000.0 / (bpm * 0.25 / 60.0) + 0.5) : 0;
}

CMarker* FirstMarker(const CTrackInfo& track, DWORD typeMask)
{
    const CTrackObjContainer& objects = track.MainObjects();
    for (int i = 0; i < objects.GetCount(); ++i) {
        CTrackObj* o = objects.GetAt(i);
        if (o->Matches(kTrackObjMarker, typeMask))
            return static_cast<CMarker*>(o);
    }
    return nullptr;
}

BOOL AnyUserAdjusted(const CTrackInfo& track, DWORD typeMask)
{
    const CTrackObjContainer& objects = track.MainObjects();
    for (int i = 0; i < objects.GetCount(); ++i) {
        const CTrackObj* o = objects.GetAt(i);
        if (o->Matches(kTrackObjMarker, typeMask) && static_cast<const CMarker*>(o)->IsUserAdjusted())
            return TRUE;
    }
    return FALSE;
}

HRESULT ContinuePoint(CTimeMap& map, LONGLONG trackTime, double rate)
{
    const int count = map.GetPointCount();
    if (count == 0)
        return E_FAIL;
    const TIMEMAP_POINT last = map.GetPoint(count - 1);
    const double mean = (last.rate + rate) / 2;
    if (trackTime <= last.trackTime || !(rate > 0) || !(mean > 0))
        return E_FAIL;
    const double offset = static_cast<double>(trackTime - last.trackTime) / mean;
    if (!(offset >= 1.0) || offset >= 9.0e18)
        return E_FAIL;
    return map.InsertPoint(last.mixTime + static_cast<LONGLONG>(offset), trackTime, rate);
}

HRESULT LeadInPoint(CTimeMap& map, LONGLONG trackTime)
{
    if (map.GetPointCount() == 0 || trackTime >= map.GetPoint(0).trackTime)
        return E_FAIL;
    const TIMEMAP_POINT first = map.GetPoint(0);
    const double offset = static_cast<double>(first.trackTime - trackTime) / first.rate;
    if (!(offset >= 1.0) || offset >= 9.0e18)
        return E_FAIL;
    return map.InsertPoint(first.mixTime - static_cast<LONGLONG>(offset), trackTime, first.rate);
}

}  // namespace MixBuilderTrack
