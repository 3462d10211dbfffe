// Placement of primary and pause tracks, the beat link of an outgoing outro with an incoming
// intro, and the lead spans.
#include "engine/core/mix/MixBuilder.h"

#include "engine/core/track/BeatTimeList.h"
#include "engine/core/track/Marker.h"
#include "engine/core/mix/MixBuilderTrack.h"
#include "engine/core/time/TimeMap.h"
#include "engine/core/track/TrackInfo.h"
#include "engine/core/track/TrackInfoContainer.h"

using namespace MixBuilderTrack;

namespace {

// The rate a track starts at: its start tempo marker's, else 1.0 with a new marker at the start.
double StartRate(CTrackInfo& track, LONGLONG start, bool* fromMarker)
{
    double bpm = 0;
    *fromMarker = false;
    if (CMixBuilder::FindTempoMarker(track, kTempoMarkerStart, nullptr, &bpm)) {
        *fromMarker = true;
        const double rate = track.GetBpm() != 0.0f ? bpm / track.GetBpm() : 1.0;
        // A marker set to 0 BPM would stop the track; it plays at its own speed instead.
        return rate > 0 ? rate : 1.0;
    }
    CMixBuilder::AddTempoMarker(track, kTempoMarkerStart, start, track.GetBpm());
    return 1.0;
}

// The body point and the outro (tempo ramp toward the next track, or the end point).
void LayBodyAndOutro(CTrackInfo* next, CTrackInfo& track, bool linked)
{
    CTimeMap& map = FirstMap(track);
    const MIXBUILDER_TRACKPOINTS points = GetPoints(track);
    const LONGLONG gap = points.outroStart - points.introEnd;
    const LONGLONG half = gap < 60000000 ? gap / 2 : 30000000;
    const LONGLONG body = points.introEnd + half;
    const double bpm = track.GetBpm();
    if (linked) {
        LONGLONG position = 0;
        double markerBpm = 0;
        if (CMixBuilder::FindTempoMarker(track, kTempoMarkerStart, &position, &markerBpm))
            ContinuePoint(map, position, bpm != 0.0 ? markerBpm / bpm : 1.0);
        else {
            ContinuePoint(map, body, 1.0);
            CMixBuilder::AddTempoMarker(track, kTempoMarkerStart, body, bpm);
        }
    }
    if (CMixBuilder::LayOutroTempoRamp(next, track, points.outroStart - half))
        return;
    double markerBpm = 0;
    if (CMixBuilder::FindTempoMarker(track, kTempoMarkerBodyEnd, nullptr, &markerBpm))
        ContinuePoint(map, points.trackEnd, bpm != 0.0 ? markerBpm / bpm : 1.0);
    else {
        ContinuePoint(map, points.trackEnd, 1.0);
        CMixBuilder::AddTempoMarker(track, kTempoMarkerBodyEnd, points.trackEnd, bpm);
    }
}

void FillMarkerTimes(const CTrackInfo& track, DWORD type, CBeatTimeList& list)
{
    const CTrackObjContainer& objects = track.MainObjects();
    for (int i = 0; i < objects.GetCount(); ++i)
        if (objects.GetAt(i)->Matches(kTrackObjMarker, type))
            list.Add(objects.GetAt(i)->GetStart());
}

}  // namespace

BOOL CMixBuilder::BuildMix(CTrackInfoContainer& tracks)
{
    AlignPrimaryTracks(tracks);
    PlacePauseTracks(tracks);
    SetLeadSpans(tracks);
    return TRUE;
}

void CMixBuilder::AlignPrimaryTracks(CTrackInfoContainer& tracks)
{
    for (int index = 0; index < tracks.GetCount(); ++index) {
        CTrackInfo& track = *tracks.GetAt(index);
        if (!track.IsPrimary())
            continue;
        const MIXBUILDER_NEIGHBOURS neighbours = GetNeighbours(tracks, index);
        CTimeMap& map = FirstMap(track);
        map.Clear();
        std::vector<std::pair<DWORD, LONG>> tempoIds = RemoveDefaultTempoMarkers(track);
        const MIXBUILDER_TRACKPOINTS points = GetPoints(track);
        const LONGLONG start = track.MainObjects().GetEarliestStart();
        CTrackInfo* previous = neighbours.previous;
        bool linked = false;
        bool rateFromMarker = false;
        if (previous) {
            const MIXBUILDER_TRACKPOINTS before = GetPoints(*previous);
            linked = points.introStart != points.introEnd && before.outroStart != before.outroEnd &&
                     LinkBeatSpans(*previous, track);
            if (!linked) {
                map.Clear();
                LONGLONG outroEnd = 0;
                const LONGLONG mixStart = SUCCEEDED(previous->TrackTimeToMixTime(before.outroEnd, &outroEnd))
                                              ? start + (outroEnd - points.introEnd)
                                              : 0;
                map.InsertPoint(mixStart, start, StartRate(track, start, &rateFromMarker));
            }
        } else {
            bool unused = false;
            map.InsertPoint(0, start, StartRate(track, start, &unused));
        }
        LayBodyAndOutro(neighbours.next, track, linked);
        if (rateFromMarker) {
            // A start tempo the user set changes how long the intro takes: move the track so that
            // its intro end still sounds exactly at the previous track's outro end.
            LONGLONG wanted = 0;
            LONGLONG actual = 0;
            if (SUCCEEDED(previous->TrackTimeToMixTime(GetPoints(*previous).outroEnd, &wanted)) &&
                SUCCEEDED(track.TrackTimeToMixTime(points.introEnd, &actual)) && wanted != actual)
                map.Shift(wanted - actual);
        }
        KeepTempoMarkerIds(track, std::move(tempoIds));
    }
}

BOOL CMixBuilder::LinkBeatSpans(CTrackInfo& outgoing, CTrackInfo& incoming)
{
    const LONGLONG outgoingMeasure = MeasureDuration(outgoing);
    const LONGLONG incomingMeasure = MeasureDuration(incoming);
    // Without a tempo there are no measures to align (a unit of 1 us would count every
    // microsecond as a measure).
    if (outgoingMeasure == 0 || incomingMeasure == 0)
        return FALSE;
    CBeatTimeList outro;
    CBeatTimeList intro;
    outro.SetUnit(outgoingMeasure);
    intro.SetUnit(incomingMeasure);
    FillMarkerTimes(outgoing, kMarkerEnd, outro);
    FillMarkerTimes(incoming, kMarkerStart, intro);
    outro.Sort();
    intro.Sort();
    const LONGLONG outroMeasures = outro.TotalUnits();
    const LONGLONG introMeasures = intro.TotalUnits();
    if (outroMeasures == 0 || introMeasures == 0)
        return FALSE;
    if (introMeasures < outroMeasures)
        outro.DropLeadingUnits(outroMeasures - introMeasures);
    else if (outroMeasures < introMeasures)
        intro.DropTrailingUnits(introMeasures - outroMeasures);
    outro.Align(intro);
    BOOL result = FALSE;
    LONGLONG a0 = 0;
    LONGLONG a1 = 0;
    LONGLONG b0 = 0;
    LONGLONG b1 = 0;
    for (int j = 0; outro.GetInterval(j, &a1, &a0) && intro.GetInterval(j, &b1, &b0); ++j)
        result = LinkSpan(outgoing, incoming, a0, a1, b0, b1);
    if (!result)
        return FALSE;
    LeadInPoint(FirstMap(incoming), incoming.MainObjects().GetEarliestStart());
    return TRUE;
}

BOOL CMixBuilder::LinkSpan(CTrackInfo& outgoing, CTrackInfo& incoming, LONGLONG a0, LONGLONG a1, LONGLONG b0,
                           LONGLONG b1)
{
    LONGLONG m0 = 0;
    LONGLONG m1 = 0;
    if (FAILED(outgoing.TrackTimeToMixTime(a0, &m0)) || FAILED(outgoing.TrackTimeToMixTime(a1, &m1)) || m1 <= m0 ||
        b1 <= b0)
        return FALSE;
    const double ratio = static_cast<double>(b1 - b0) / static_cast<double>(m1 - m0);
    const CTimeMap& outgoingMap = FirstMap(outgoing);
    double r0 = 0;
    double r1 = 0;
    if (FAILED(outgoingMap.MixToTrackTimeInRange(m0, nullptr, &r0)) ||
        FAILED(outgoingMap.MixToTrackTimeInRange(m1, nullptr, &r1)))
        return FALSE;
    const double mean = (r0 + r1) / 2;
    if (!(mean > 0))
        return FALSE;
    const double rateEnd = ratio * r1 / mean;
    CTimeMap& map = FirstMap(incoming);
    double ratePrevious = 0;
    if (SUCCEEDED(map.MixToTrackTimeInRange(m0, nullptr, &ratePrevious))) {
        // Two linear ramps, ratePrevious -> rateMid -> rateEnd, that average exactly ratio.
        const LONGLONG mid = (m0 + m1) / 2;
        const double rateMid = (4 * ratio - ratePrevious - rateEnd) / 2;
        // A ramp through a rate of 0 or below would play backwards or stop.
        if (!(rateMid > 0) || !(rateEnd > 0))
            return FALSE;
        const LONGLONG trackMid =
            b0 + static_cast<LONGLONG>((ratePrevious + rateMid) / 2 * static_cast<double>(mid - m0));
        map.InsertPoint(mid, trackMid, rateMid);
    } else {
        if (!(rateEnd > 0) || !(ratio * r0 / mean > 0))
            return FALSE;
        map.InsertPoint(m0, b0, ratio * r0 / mean);
    }
    map.InsertPoint(m1, b1, rateEnd);
    return TRUE;
}

void CMixBuilder::PlacePauseTracks(CTrackInfoContainer& tracks)
{
    LONGLONG shift = 0;
    for (int index = 0; index < tracks.GetCount(); ++index) {
        CTrackInfo& track = *tracks.GetAt(index);
        if (!track.IsPause()) {
            if (shift > 0)
                FirstMap(track).Shift(shift);
            continue;
        }
        const MIXBUILDER_NEIGHBOURS neighbours = GetNeighbours(tracks, index);
        CTrackInfo* previous = neighbours.previousAcross;
        CTrackInfo* next = neighbours.nextAcross;
        LONGLONG audibleEnd = 0;
        const bool haveAudibleEnd = previous && SUCCEEDED(previous->GetAudibleEnd(&audibleEnd));
        if (previous && next) {
            const LONGLONG end = haveAudibleEnd ? audibleEnd : GetPoints(*previous).trackEnd;
            // The next track was placed from mix time 0; where its start sounds is a mix time.
            const LONGLONG trackStart = GetPoints(*next).trackStart;
            LONGLONG start = trackStart;
            if (FAILED(next->TrackTimeToMixTime(trackStart, &start)))
                start = trackStart;
            LONGLONG audibleStart = 0;
            if (AnyUserAdjusted(*next, kFadeInFamily) && SUCCEEDED(next->GetAudibleStart(&audibleStart)))
                start = audibleStart;
            if (end - start >= 0)
                shift = end - start;
        }
        CTimeMap& map = FirstMap(track);
        map.Clear();
        map.InsertPoint(haveAudibleEnd ? audibleEnd : 0, 0, 1.0);
    }
}

void CMixBuilder::SetLeadSpans(CTrackInfoContainer& tracks)
{
    for (int index = 0; index < tracks.GetCount(); ++index)
        tracks.GetAt(index)->SetLeadSpan(0, 0);
    CTrackInfo* last = nullptr;
    LONGLONG previousEnd = 0;
    for (int index = 0; index < tracks.GetCount(); ++index) {
        CTrackInfo& track = *tracks.GetAt(index);
        LONGLONG end = 0;
        if (!track.IsPrimary() || FAILED(track.TrackTimeToMixTime(GetPoints(track).outroEnd, &end)))
            continue;
        track.SetLeadSpan(last ? previousEnd : 0, end);
        previousEnd = end;
        last = &track;
    }
    LONGLONG from = 0;
    LONGLONG to = 0;
    if (last && SUCCEEDED(last->GetEndTime(&to))) {
        last->GetLeadSpan(&from, nullptr);
        last->SetLeadSpan(from, to);
    }
}
