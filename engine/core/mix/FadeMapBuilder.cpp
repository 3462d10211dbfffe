#include "engine/core/mix/FadeMapBuilder.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

#include "engine/core/mix/SampleFadeMap.h"
#include "engine/core/track/Segment.h"
#include "engine/core/track/TrackBeatMap.h"
#include "engine/core/track/TrackInfo.h"
#include "engine/core/track/TrackLayerMap.h"

namespace {

constexpr LONGLONG kCommonFade = 1024;         // samples: the shortest cross-fade between grid regions
constexpr LONGLONG kFillerThreshold = 512;     // samples a stretch may run short before a filler goes in
constexpr LONGLONG kUngriddedStep = 500000;    // microseconds between regions of a layer without a grid
constexpr LONGLONG kEdgeReach = 200;           // samples inside an edge whose regions the edge replaces
constexpr LONGLONG kEdgeFade = 100;            // samples
constexpr LONGLONG kIsolatedEdgeInset = 4;     // origin of an isolated edge region, inside the edge
constexpr LONGLONG kTouchingEdgeLength = 100;  // samples of an edge region next to another segment's edge
constexpr LONGLONG kTouchingEdgeInset = 50;
constexpr LONGLONG kIsolationWindow = 10000;  // microseconds

struct SegmentSpan {
    LONGLONG start;  // track times
    LONGLONG end;
    LONGLONG mixStart;  // mix times
    LONGLONG mixEnd;
    LONGLONG source;
    bool reversed;
};

std::vector<SegmentSpan> LayerSegments(const CTrackLayer& layer)
{
    std::vector<SegmentSpan> spans;
    const CTrackObjContainer& objects = layer.Objects();
    for (int i = 0; i < objects.GetCount(); ++i) {
        CTrackObj* object = objects.GetAt(i);
        if (!object->Matches(kTrackObjSegment, kSegmentTypeMask))
            continue;
        const auto* segment = static_cast<const CSegment*>(object);
        SegmentSpan span = {segment->GetStart(), segment->GetEnd(), 0, 0, segment->GetSource(), segment->IsReversed()};
        if (FAILED(layer.TimeMap().TrackToMixTime(span.start, &span.mixStart)) ||
            FAILED(layer.TimeMap().TrackToMixTime(span.end, &span.mixEnd)))
            continue;
        spans.push_back(span);
    }
    return spans;
}

FADE_REGION* RegionAt(CSampleFadeMap& map, int index)
{
    FADE_REGION* region = nullptr;
    map.GetRegion(index, &region);
    return region;
}

LONGLONG RegionLength(const FADE_REGION& region)
{
    return region.end - region.start + 1;
}

// One region per point, start = end = origin at the point's mix sample. FALSE when the pool is
// exhausted (the regions laid so far stay).
BOOL LayPoints(CSampleFadeMap& map, const CTimeMap& timeMap, const std::vector<LONGLONG>& trackTimes, DWORD rate)
{
    for (LONGLONG trackTime : trackTimes) {
        LONGLONG mixTime = 0;
        if (FAILED(timeMap.TrackToMixTime(trackTime, &mixTime)))
            continue;
        FADE_REGION* region = nullptr;
        if (!map.NewRegion(&region, -1))
            return FALSE;
        region->origin = region->start = region->end = MicrosecondsToSamples(mixTime, rate);
        region->trackTime = trackTime;
    }
    return TRUE;
}

// Joins grid regions with fades as long as the jump in the source at each join. Where the mix
// stretch is much longer than the track stretch (a slowed-down track), the source would repeat by
// that much at the join; a filler region in the middle splits the repeat over two joins.
void JoinGridRegions(CSampleFadeMap& map, DWORD rate)
{
    for (int i = 0; i + 1 < map.GetRegionCount(); ++i) {
        FADE_REGION* a = RegionAt(map, i);
        FADE_REGION* b = RegionAt(map, i + 1);
        const LONGLONG trackDistance = MicrosecondsToSamples(b->trackTime - a->trackTime, rate);
        const LONGLONG mixDistance = b->origin - a->origin;
        const LONGLONG difference = trackDistance - mixDistance;
        if (difference >= -kFillerThreshold) {
            JoinRegions(*a, *b, std::max(std::llabs(difference), kCommonFade));
            continue;
        }
        const LONGLONG middle = a->origin + mixDistance / 2;
        FADE_REGION* filler = nullptr;
        if (!map.NewRegion(&filler, i + 1))
            return;
        filler->origin = filler->start = filler->end = middle;
        // The pool may have moved.
        a = RegionAt(map, i);
        b = RegionAt(map, i + 2);
        const LONGLONG length = std::max(std::llabs(difference) / 2, kCommonFade);
        JoinRegions(*a, *filler, length);
        JoinRegions(*filler, *b, length);
        ++i;
    }
}

void JoinEvenly(CSampleFadeMap& map)
{
    for (int i = 0; i + 1 < map.GetRegionCount(); ++i)
        JoinRegions(*RegionAt(map, i), *RegionAt(map, i + 1), kCommonFade);
}

// The track times of a layer without a grid: every 500 ms across its segments, and their end.
std::vector<LONGLONG> EvenSteps(const std::vector<SegmentSpan>& segments)
{
    std::vector<LONGLONG> times;
    if (segments.empty())
        return times;
    LONGLONG from = segments.front().start;
    LONGLONG to = segments.front().end;
    for (const SegmentSpan& segment : segments) {
        from = std::min(from, segment.start);
        to = std::max(to, segment.end);
    }
    for (LONGLONG t = from; t < to; t += kUngriddedStep)
        times.push_back(t);
    times.push_back(to);
    return times;
}

bool IsIsolated(const std::vector<SegmentSpan>& segments, size_t self, bool atStart)
{
    const LONGLONG edge = atStart ? segments[self].mixStart : segments[self].mixEnd;
    for (size_t i = 0; i < segments.size(); ++i) {
        if (i == self)
            continue;
        const LONGLONG other = atStart ? segments[i].mixEnd : segments[i].mixStart;
        if (std::llabs(other - edge) <= kIsolationWindow)
            return false;
    }
    return true;
}

// Replaces the regions whose origin lies within the edge's reach by one edge region with a short
// fade on the edge's side, and joins it to its neighbours. The edge itself stays fixed: the
// neighbour on the far side of the edge is cut back to end (or begin) under the edge's fade.
void MarkEdge(CSampleFadeMap& map, LONGLONG x, bool atStart, bool isolated)
{
    const LONGLONG low = atStart ? x : x - kEdgeReach;
    const LONGLONG high = atStart ? x + kEdgeReach : x;
    int index = -1;
    int insertAt = map.GetRegionCount();
    for (int i = map.GetRegionCount() - 1; i >= 0; --i) {
        const FADE_REGION* region = RegionAt(map, i);
        if (region->origin > high)
            insertAt = i;
        if (region->origin < low || region->origin > high)
            continue;
        if (index >= 0)
            map.RemoveRegion(index);
        index = i;
    }
    FADE_REGION* edge = nullptr;
    if (index < 0) {
        index = std::min(insertAt, map.GetRegionCount());
        if (!map.NewRegion(&edge, index))
            return;
    }
    edge = RegionAt(map, index);
    const LONGLONG length = isolated ? kEdgeReach : kTouchingEdgeLength;
    const LONGLONG inset = isolated ? kIsolatedEdgeInset : kTouchingEdgeInset;
    *edge = FADE_REGION{};
    edge->start = atStart ? x : x - length;
    edge->end = atStart ? x + length : x;
    edge->origin = atStart ? x + inset : x - inset;
    edge->fadeIn = atStart ? kEdgeFade : 0;
    edge->fadeOut = atStart ? 0 : kEdgeFade;
    edge->trackTime = kUnsetTime;
    edge->sourcePosition = kUnsetSourcePosition;

    FADE_REGION* previous = RegionAt(map, index - 1);
    FADE_REGION* next = RegionAt(map, index + 1);
    if (atStart) {
        if (next)
            JoinRegions(*edge, *next, next->fadeIn > 0 ? next->fadeIn : kCommonFade);
        if (previous && previous->end >= edge->start) {
            previous->end = std::max(previous->start, edge->start + edge->fadeIn - 1);
            previous->fadeOut = std::clamp(edge->fadeIn, LONGLONG{0}, RegionLength(*previous) - previous->fadeIn);
        }
    } else {
        if (previous)
            JoinRegions(*previous, *edge, previous->fadeOut > 0 ? previous->fadeOut : kCommonFade);
        if (next && next->start <= edge->end) {
            next->start = std::min(next->end, edge->end - edge->fadeOut + 1);
            next->fadeIn = std::clamp(edge->fadeOut, LONGLONG{0}, RegionLength(*next) - next->fadeOut);
        }
    }
}

void FillTrackTimes(CSampleFadeMap& map, const CTimeMap& timeMap, DWORD rate)
{
    FADE_REGION* region = nullptr;
    for (int i = 0; map.GetRegion(i, &region); ++i) {
        LONGLONG trackTime = 0;
        if (region->trackTime == kUnsetTime &&
            SUCCEEDED(timeMap.MixToTrackTime(SamplesToMicroseconds(region->origin, rate), &trackTime)))
            region->trackTime = trackTime;
    }
}

void DropUnplaced(CSampleFadeMap& map)
{
    for (int i = map.GetRegionCount() - 1; i >= 0; --i) {
        if (RegionAt(map, i)->sourcePosition == kUnsetSourcePosition)
            map.RemoveRegion(i);
    }
}

// Removes the regions whose origin lies in [from, to] (mix times; open ends allowed).
void CutRange(CSampleFadeMap& map, LONGLONG from, LONGLONG to, DWORD rate)
{
    const LONGLONG low = from == kUnsetTime ? LLONG_MIN : MicrosecondsToSamples(from, rate);
    const LONGLONG high = to == kTimeMax ? LLONG_MAX : MicrosecondsToSamples(to, rate);
    for (int i = map.GetRegionCount() - 1; i >= 0; --i) {
        const LONGLONG origin = RegionAt(map, i)->origin;
        if (origin >= low && origin <= high)
            map.RemoveRegion(i);
    }
}

struct MixRange {
    LONGLONG from;  // mix times; kUnsetTime and kTimeMax for open ends
    LONGLONG to;
};

// True when one of the layer's own segments starts (or ends) near the mix time already.
bool NearSegmentEdge(const std::vector<SegmentSpan>& segments, LONGLONG mixTime, bool atStart)
{
    for (const SegmentSpan& segment : segments) {
        if (std::llabs((atStart ? segment.mixStart : segment.mixEnd) - mixTime) <= kIsolationWindow)
            return true;
    }
    return false;
}

void BuildLayerRegions(const CTrackInfo& track, const CTrackLayer& layer, const CTrackBeatMap* beatMap,
                       const std::vector<MixRange>& unheard, DWORD rate, CSampleFadeMap& map)
{
    const std::vector<SegmentSpan> segments = LayerSegments(layer);
    const bool gridded = beatMap && !beatMap->GetGrid().empty();
    if (gridded) {
        if (!LayPoints(map, layer.TimeMap(), beatMap->GetGrid(), rate))
            return;
        JoinGridRegions(map, rate);
    } else {
        if (!LayPoints(map, layer.TimeMap(), EvenSteps(segments), rate))
            return;
        JoinEvenly(map);
    }
    for (size_t i = 0; i < segments.size(); ++i) {
        MarkEdge(map, MicrosecondsToSamples(segments[i].mixStart, rate), true, IsIsolated(segments, i, true));
        MarkEdge(map, MicrosecondsToSamples(segments[i].mixEnd, rate), false, IsIsolated(segments, i, false));
    }
    // Where another layer takes over in the middle of one of this layer's segments, the layer
    // changes like at a segment edge. Without an edge there, the regions cut out below would leave
    // a silent stretch of up to half a step before the next region's fade-in.
    for (const MixRange& range : unheard) {
        if (range.from != kUnsetTime && !NearSegmentEdge(segments, range.from - 1, false))
            MarkEdge(map, MicrosecondsToSamples(range.from - 1, rate), false, false);
        if (range.to != kTimeMax && !NearSegmentEdge(segments, range.to + 1, true))
            MarkEdge(map, MicrosecondsToSamples(range.to + 1, rate), true, false);
    }
    FillTrackTimes(map, layer.TimeMap(), rate);
    // Overlay tracks loop over their music file.
    const BOOL wrap = (track.GetFlags() & kTrackOverlay) != 0;
    for (const SegmentSpan& segment : segments)
        map.SetSourcePositions(segment.start, segment.end, segment.source, track.GetTrackLength(), wrap,
                               segment.reversed);
    DropUnplaced(map);
}

}  // namespace

void BuildFadeMap(const CTrackInfo& track, const std::vector<const CTrackBeatMap*>& beatMaps, DWORD rate,
                  CSampleFadeMap& map)
{
    map.ClearRegions();
    CTrackLayerMap layerMap;
    layerMap.Build(track.Layers());
    for (int index = 0; index < track.Layers().GetCount(); ++index) {
        CTrackLayer* layer = nullptr;
        if (!track.Layers().GetLayer(index, &layer))
            continue;
        const CTrackBeatMap* beatMap =
            index < static_cast<int>(beatMaps.size()) ? beatMaps[static_cast<size_t>(index)] : nullptr;
        // Where another layer is heard (or none), this one is not.
        layerMap.BuildDeletionRanges(index);
        std::vector<MixRange> unheard;
        MixRange range = {};
        for (int k = 0; SUCCEEDED(layerMap.GetDeletionRange(k, &range.from, &range.to)); ++k)
            unheard.push_back(range);
        CSampleFadeMap layerRegions;
        BuildLayerRegions(track, *layer, beatMap, unheard, rate, layerRegions);
        for (const MixRange& cut : unheard)
            CutRange(layerRegions, cut.from, cut.to, rate);
        map.MergeFrom(layerRegions);
    }
}
