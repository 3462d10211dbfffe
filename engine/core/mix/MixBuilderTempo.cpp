// Tempo markers and the outgoing track's tempo ramp toward the next track.
#include <algorithm>
#include <new>

#include "engine/core/track/Marker.h"
#include "engine/core/mix/MixBuilder.h"
#include "engine/core/mix/MixBuilderTrack.h"
#include "engine/core/time/TimeMap.h"
#include "engine/core/track/TrackInfo.h"

using namespace MixBuilderTrack;

BOOL CMixBuilder::FindTempoMarker(CTrackInfo& track, DWORD type, LONGLONG* position, double* bpm)
{
    const CMarker* marker = FirstMarker(track, type);
    if (!marker)
        return FALSE;
    if (bpm)
        *bpm = marker->GetMainValue() * 0.001;
    if (position)
        *position = marker->GetPositionValue();
    return TRUE;
}

BOOL CMixBuilder::AddTempoMarker(CTrackInfo& track, DWORD type, LONGLONG position, double bpm)
{
    CMarker* marker = new (std::nothrow) CMarker(type, position);
    if (!marker)
        return FALSE;
    marker->SetMainValue(static_cast<LONG>(bpm * 1000));
    track.MainObjects().Append(marker);
    return TRUE;
}

void CMixBuilder::MoveMarkerOfType(CTrackInfo& track, DWORD type, LONGLONG position)
{
    if (CMarker* marker = FirstMarker(track, type))
        marker->SetPosition(position);
}

std::vector<std::pair<DWORD, LONG>> CMixBuilder::RemoveDefaultTempoMarkers(CTrackInfo& track)
{
    std::vector<std::pair<DWORD, LONG>> ids;
    CTrackObjContainer& objects = track.MainObjects();
    for (int i = objects.GetCount() - 1; i >= 0; --i) {
        const CTrackObj* o = objects.GetAt(i);
        if (o->Matches(kTrackObjMarker, kTempoMarkerMask) && !static_cast<const CMarker*>(o)->IsUserAdjusted()) {
            ids.emplace_back(o->GetType(), o->GetId());
            objects.RemoveAt(i);
        }
    }
    return ids;
}

void CMixBuilder::KeepTempoMarkerIds(CTrackInfo& track, std::vector<std::pair<DWORD, LONG>> ids)
{
    CTrackObjContainer& objects = track.MainObjects();
    for (int i = 0; i < objects.GetCount() && !ids.empty(); ++i) {
        CTrackObj* o = objects.GetAt(i);
        if (!o->Matches(kTrackObjMarker, kTempoMarkerMask) || o->GetId() != -1)
            continue;
        const auto same =
            std::find_if(ids.begin(), ids.end(), [&](const auto& id) { return id.first == o->GetType(); });
        if (same == ids.end())
            continue;
        o->SetId(same->second);
        ids.erase(same);
    }
}

double CMixBuilder::GetUserStartTempo(CTrackInfo& track)
{
    const CMarker* marker = FirstMarker(track, kTempoMarkerStart);
    return marker && marker->IsUserAdjusted() ? marker->GetMainValue() * 0.001 : 0.0;
}

BOOL CMixBuilder::ComputeOutroTargetRate(CTrackInfo* incoming, CTrackInfo& outgoing, double* rate)
{
    if (!incoming || !rate)
        return FALSE;
    const MIXBUILDER_TRACKPOINTS in = GetPoints(*incoming);
    WORD inMeasures = 0;
    incoming->GetMeasureCount(in.introStart, in.introEnd, &inMeasures);
    if (inMeasures == 0)
        return FALSE;
    LONGLONG inMeasure = (in.introEnd - in.introStart) / inMeasures;
    const double userTempo = GetUserStartTempo(*incoming);
    if (incoming->GetBpm() != 0.0f && userTempo > 0)
        inMeasure = static_cast<LONGLONG>(static_cast<double>(inMeasure) / (userTempo / incoming->GetBpm()));
    const MIXBUILDER_TRACKPOINTS out = GetPoints(outgoing);
    WORD outMeasures = 0;
    outgoing.GetMeasureCount(out.outroStart, out.outroEnd, &outMeasures);
    if (outMeasures == 0 || inMeasure == 0)
        return FALSE;
    const LONGLONG outMeasure = (out.outroEnd - out.outroStart) / outMeasures;
    *rate = static_cast<double>(outMeasure) / static_cast<double>(inMeasure);
    return TRUE;
}

BOOL CMixBuilder::LayOutroTempoRamp(CTrackInfo* incoming, CTrackInfo& outgoing, LONGLONG rampStart)
{
    double target = 0;
    if (!ComputeOutroTargetRate(incoming, outgoing, &target))
        return FALSE;
    CTimeMap& map = FirstMap(outgoing);
    const MIXBUILDER_TRACKPOINTS points = GetPoints(outgoing);
    // The track has a tempo here: the outro measure count above needs one.
    const double bpm = outgoing.GetBpm();
    double rate = 1.0;
    LONGLONG position = 0;
    double markerBpm = 0;
    if (FindTempoMarker(outgoing, kTempoMarkerBodyEnd, &position, &markerBpm)) {
        rate = markerBpm / bpm;
        ContinuePoint(map, position < points.outroStart ? position : points.outroStart - 1, rate);
    } else {
        ContinuePoint(map, rampStart, 1.0);
        AddTempoMarker(outgoing, kTempoMarkerBodyEnd, rampStart, bpm);
    }
    const double step = (rate - target) * 0.3333333333333333;
    const double firstRate = rate - step;
    if (FindTempoMarker(outgoing, kTempoMarkerOutroStart, nullptr, &markerBpm)) {
        MoveMarkerOfType(outgoing, kTempoMarkerOutroStart, points.outroStart);
        ContinuePoint(map, points.outroStart, markerBpm / bpm);
    } else {
        ContinuePoint(map, points.outroStart, firstRate);
        AddTempoMarker(outgoing, kTempoMarkerOutroStart, points.outroStart, bpm * firstRate);
    }
    double secondRate = step + target;
    if (FindTempoMarker(outgoing, kTempoMarkerOutroEnd, nullptr, &markerBpm)) {
        MoveMarkerOfType(outgoing, kTempoMarkerOutroEnd, points.outroEnd);
        secondRate = markerBpm / bpm;
        ContinuePoint(map, points.outroEnd, secondRate);
    } else {
        ContinuePoint(map, points.outroEnd, secondRate);
        AddTempoMarker(outgoing, kTempoMarkerOutroEnd, points.outroEnd, bpm * secondRate);
    }
    ContinuePoint(map, points.trackEnd, secondRate);
    return TRUE;
}
