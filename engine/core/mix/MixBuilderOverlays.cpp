// Overlay tracks and further layers of primary tracks, placed on the mix's musical grid. An
// overlay's beat segments keep their musical start and end: once computed from the parent's
// track times they stay, so that the overlay follows the music when the tracks around it move.
// They count from the parent's musical start (the master musical time less the parent grid's
// offset), so that tracks inserted, removed or re-timed before the parent do not move the overlay
// off the parent's measures.
#include <cmath>
#include <vector>

#include "engine/core/track/MasterBeatMap.h"
#include "engine/core/mix/MixBuilder.h"
#include "engine/core/mix/MixBuilderTrack.h"
#include "engine/core/time/MusicTime.h"
#include "engine/core/track/Segment.h"
#include "engine/core/time/TimeMap.h"
#include "engine/core/track/TrackInfo.h"
#include "engine/core/track/TrackInfoContainer.h"

using namespace MixBuilderTrack;

namespace {

// A measure boundary this close after the time asked from gets no link point of its own.
constexpr LONGLONG kLinkPointMinimumGap = 50000;

enum : int {
    kTimeParentStart = 6,
    kTimeParentEnd = 7,
    kTimeLength = 8,
    kTimeMixStart = 9,
    kTimeMixEnd = 10,
    kMusicStart = 1,
    kMusicEnd = 2,
};

std::vector<CSegment*> BeatSegments(CTrackLayer& layer)
{
    std::vector<CSegment*> segments;
    CTrackObjContainer& objects = layer.Objects();
    for (int i = 0; i < objects.GetCount(); ++i)
        if (objects.GetAt(i)->Matches(kTrackObjSegment, kSegmentBeat))
            segments.push_back(static_cast<CSegment*>(objects.GetAt(i)));
    return segments;
}

// Where the parent's own musical time starts on the master map; 0 without a parent.
CMusicTime ParentOffset(const CTrackInfo* parent, const CMasterBeatMap& beatMap)
{
    CMusicTime offset;
    if (parent)
        beatMap.GetTrackMusicTimeOffset(parent->GetTrackIdValue(), &offset);
    return offset;
}

// Musical times 1 and 2 of every beat segment from its start and end in the parent's track time
// (mix times without a parent).
void ComputeMusicTimes(CTrackInfo& overlay, CTrackInfo* parent, CMasterBeatMap& beatMap)
{
    const LONGLONG offset = ParentOffset(parent, beatMap).GetTicks();
    for (int l = 0; l < overlay.Layers().GetCount(); ++l) {
        CTrackLayer* layer = nullptr;
        overlay.Layers().GetLayer(l, &layer);
        for (CSegment* segment : BeatSegments(*layer)) {
            const int kinds[2][2] = {{kTimeParentStart, kMusicStart}, {kTimeParentEnd, kMusicEnd}};
            for (const auto& kind : kinds) {
                LONGLONG time = 0;
                segment->GetTime(kind[0], &time);
                if (parent && FAILED(parent->TrackTimeToMixTime(time, &time)))
                    continue;
                CMusicTime musicTime;
                if (FAILED(beatMap.TimeToMusicTime(time, &musicTime)))
                    continue;
                musicTime.SetTicks(musicTime.GetTicks() - offset);
                segment->SetMusicTime(kind[1], &musicTime);
            }
        }
    }
    overlay.SetOverlayMusicTimesSet(TRUE);
}

// Times 9 and 10 (mix start and end) of every beat segment of the layer from its musical times.
// Returns the segments placed; one whose musical times cannot be converted keeps its times.
std::vector<CSegment*> PlaceSegmentsInMixTime(CTrackLayer& layer, const CTrackInfo* parent, CMasterBeatMap& beatMap,
                                              bool standard)
{
    const LONGLONG offset = ParentOffset(parent, beatMap).GetTicks();
    std::vector<CSegment*> placed;
    for (CSegment* segment : BeatSegments(layer)) {
        CMusicTime start;
        CMusicTime end;
        segment->GetMusicTime(kMusicStart, &start);
        segment->GetMusicTime(kMusicEnd, &end);
        start.SetTicks(start.GetTicks() + offset);
        end.SetTicks(end.GetTicks() + offset);
        LONGLONG mixStart = 0;
        LONGLONG mixEnd = 0;
        if (FAILED(beatMap.MusicTimeToMixTime(start, &mixStart)) || FAILED(beatMap.MusicTimeToMixTime(end, &mixEnd)))
            continue;
        if (standard) {
            LONGLONG length = 0;
            segment->GetTime(kTimeLength, &length);
            mixEnd = mixStart + length;
        }
        segment->SetTime(kTimeMixStart, mixStart);
        segment->SetTime(kTimeMixEnd, mixEnd);
        placed.push_back(segment);
    }
    return placed;
}

// Two constant-rate points: the segment's track span over its mix span.
void LinkConstantRate(CSegment& segment, CTimeMap& map)
{
    LONGLONG mixStart = 0;
    LONGLONG mixEnd = 0;
    segment.GetTime(kTimeMixStart, &mixStart);
    segment.GetTime(kTimeMixEnd, &mixEnd);
    const LONGLONG trackSpan = segment.GetEnd() - segment.GetStart();
    const LONGLONG mixSpan = mixEnd - mixStart;
    if (trackSpan <= 0 || mixSpan <= 0)
        return;
    const double rate = static_cast<double>(trackSpan) / static_cast<double>(mixSpan);
    map.InsertPoint(mixStart, segment.GetStart(), rate);
    map.InsertPoint(mixEnd, segment.GetEnd(), rate);
}

// A beat-mixed segment is tied to every measure boundary of the master beat map that it spans:
// one measure of the track per measure of the mix. A segment too short to reach a boundary
// keeps its length and plays over its mix span at one rate: the segment end follows the linked
// measures only when there are any, so that no rebuild shortens it for good.
void LinkToMeasures(CTrackInfo& track, CSegment& segment, CTimeMap& map, CMasterBeatMap& beatMap)
{
    LONGLONG measure = MeasureDuration(track);
    if (measure == 0)
        measure = track.GetTrackLength();
    LONGLONG mixStart = 0;
    LONGLONG mixEnd = 0;
    segment.GetTime(kTimeMixStart, &mixStart);
    segment.GetTime(kTimeMixEnd, &mixEnd);
    std::vector<MIXBUILDER_LINKPOINT> points{{mixStart, segment.GetStart(), beatMap.GetRate(mixStart)}};
    LONGLONG askedFrom = mixStart;
    LONGLONG countFrom = mixStart;
    while (askedFrom < mixEnd) {
        LONGLONG boundary = beatMap.NextMeasureBoundary(askedFrom);
        if (boundary < askedFrom)
            break;
        if (boundary > mixEnd)
            boundary = mixEnd;
        if (boundary - askedFrom > kLinkPointMinimumGap) {
            const double measures = beatMap.CountMeasures(countFrom, boundary);
            const LONGLONG trackTime =
                points.back().trackTime + static_cast<LONGLONG>(measures * static_cast<double>(measure));
            points.push_back({boundary, trackTime, beatMap.GetRate(boundary)});
            countFrom = boundary + 1;
        }
        if (boundary + 1 >= mixEnd)
            break;
        askedFrom = boundary + 1;
    }
    if (points.size() < 2) {
        LinkConstantRate(segment, map);
        return;
    }
    segment.SetEnd(points.back().trackTime);
    for (size_t i = 1; i < points.size(); ++i)
        CMixBuilder::LinkSegmentPoints(points[i - 1], points[i], i == 1, map);
}

}  // namespace

BOOL CMixBuilder::LinkOverlayTracks(IMixProfileSource* source, CMasterBeatMap& beatMap, CTrackInfoContainer& tracks)
{
    PlaceOverlayTracks(beatMap, tracks);
    ApplyDefaultTransitions(source, tracks, TRUE);
    return TRUE;
}

void CMixBuilder::PlaceOverlayTracks(CMasterBeatMap& beatMap, CTrackInfoContainer& tracks)
{
    CTrackInfo* parent = nullptr;
    for (int index = 0; index < tracks.GetCount(); ++index) {
        CTrackInfo& track = *tracks.GetAt(index);
        if (track.IsPause())
            continue;
        CTrackLayerContainer& layers = track.Layers();
        const bool standard = track.IsBeatMixed() != S_OK;
        if (track.IsPrimary()) {
            parent = &track;
            for (int l = 1; l < layers.GetCount(); ++l) {
                CTrackLayer* layer = nullptr;
                layers.GetLayer(l, &layer);
                layer->TimeMap().Clear();
                for (CSegment* segment : PlaceSegmentsInMixTime(*layer, &track, beatMap, standard))
                    LinkConstantRate(*segment, layer->TimeMap());
            }
            continue;
        }
        if (!track.AreOverlayMusicTimesSet())
            ComputeMusicTimes(track, parent, beatMap);
        for (int l = 0; l < layers.GetCount(); ++l) {
            CTrackLayer* layer = nullptr;
            layers.GetLayer(l, &layer);
            layer->TimeMap().Clear();
            for (CSegment* segment : PlaceSegmentsInMixTime(*layer, parent, beatMap, standard)) {
                if (standard)
                    LinkConstantRate(*segment, layer->TimeMap());
                else
                    LinkToMeasures(track, *segment, layer->TimeMap(), beatMap);
            }
        }
    }
}

void CMixBuilder::LinkSegmentPoints(const MIXBUILDER_LINKPOINT& a, const MIXBUILDER_LINKPOINT& b, BOOL first,
                                    CTimeMap& map)
{
    const LONGLONG trackSpan = b.trackTime - a.trackTime;
    const LONGLONG mixSpan = b.mixTime - a.mixTime;
    if (trackSpan <= 0 || mixSpan <= 0)
        return;
    const double mean = (a.rate + b.rate) / 2;
    if (!(mean > 0))
        return;
    const double ratio = static_cast<double>(trackSpan) / static_cast<double>(mixSpan);
    const double rateB = b.rate * ratio / mean;
    double ratePrevious = 0;
    if (first || FAILED(map.MixToTrackTimeInRange(a.mixTime, nullptr, &ratePrevious)))
        map.InsertPoint(a.mixTime, a.trackTime, a.rate * ratio / mean);
    else {
        // Two linear ramps, ratePrevious -> rateMid -> rateB, that average exactly the ratio.
        const LONGLONG mid = (a.mixTime + b.mixTime) / 2;
        const double rateMid = (4 * ratio - ratePrevious - rateB) / 2;
        const double trackMid =
            static_cast<double>(a.trackTime) + (ratePrevious + rateMid) / 2 * static_cast<double>(mid - a.mixTime);
        // A ramp through a rate of 0 or below, or a point off the time axis, would fold the map
        // back; the pair is then left out and the map keeps the points it has.
        if (!(rateMid > 0) || !(trackMid > static_cast<double>(a.trackTime)) ||
            !(trackMid < static_cast<double>(b.trackTime)))
            return;
        map.InsertPoint(mid, static_cast<LONGLONG>(trackMid), rateMid);
    }
    map.InsertPoint(b.mixTime, b.trackTime, rateB);
}
