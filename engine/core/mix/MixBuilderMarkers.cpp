// Envelope links (volume markers that follow the intro and outro) and the clean-up of a track's
// markers after the user edited it.
#include <algorithm>
#include <vector>

#include "engine/core/track/Marker.h"
#include "engine/core/mix/MixBuilder.h"
#include "engine/core/mix/MixBuilderTrack.h"
#include "engine/core/track/Segment.h"
#include "engine/core/track/TrackInfo.h"

using namespace MixBuilderTrack;

namespace {

constexpr LONGLONG kLinkScale = 10000;
constexpr LONGLONG kMarkerSpacing = 2;

// (value x numerator) / denominator truncated toward zero, held in the 64-bit range: times near
// the ends of the axis must not wrap around.
LONGLONG Scale(LONGLONG value, LONGLONG numerator, LONGLONG denominator)
{
    if (denominator == 0)
        return 0;
    const __int128 result = static_cast<__int128>(value) * numerator / denominator;
    if (result > kTimeMax)
        return kTimeMax;
    if (result < -kTimeMax - 1)
        return -kTimeMax - 1;
    return static_cast<LONGLONG>(result);
}

void Link(LONGLONG position, const MIXBUILDER_TRACKPOINTS& p, LONG* kind, LONGLONG* offset)
{
    *kind = 0;
    *offset = 0;
    if (position < p.introStart) {
        *kind = kLinkBeforeIntro;
        *offset = position - p.introStart;
    }
    if (position >= p.introStart && position <= p.introEnd) {
        *kind = kLinkInIntro;
        *offset = Scale(position - p.introStart, kLinkScale, p.introEnd - p.introStart);
    }
    if (position > p.introEnd && position < p.outroStart) {
        *kind = kLinkBody;
        *offset = position;
    }
    if (position >= p.outroStart && position <= p.outroEnd) {
        *kind = kLinkInOutro;
        *offset = Scale(position - p.outroStart, kLinkScale, p.outroEnd - p.outroStart);
    }
    if (position > p.outroEnd) {
        *kind = kLinkAfterOutro;
        *offset = position - p.outroEnd;
    }
}

BOOL Restore(LONG kind, LONGLONG offset, const MIXBUILDER_TRACKPOINTS& p, LONGLONG* position)
{
    switch (kind) {
    case kLinkBeforeIntro:
        *position = std::max(SaturatingAdd(p.introStart, offset), p.trackStart);
        return TRUE;
    case kLinkInIntro:
        *position = p.introStart + Scale(p.introEnd - p.introStart, offset, kLinkScale);
        return TRUE;
    case kLinkBody:
        *position = offset;
        if (*position <= p.introEnd)
            *position = p.introEnd + 1;
        if (*position >= p.outroStart)
            *position = p.outroStart - 1;
        return TRUE;
    case kLinkInOutro:
        *position = p.outroStart + Scale(p.outroEnd - p.outroStart, offset, kLinkScale);
        return TRUE;
    case kLinkAfterOutro:
        *position = std::min(SaturatingAdd(p.outroEnd, offset), p.trackEnd);
        return TRUE;
    default:
        return FALSE;
    }
}

std::vector<CMarker*> MarkersOf(CTrackObjContainer& objects, DWORD mask)
{
    std::vector<CMarker*> markers;
    for (int i = 0; i < objects.GetCount(); ++i)
        if (objects.GetAt(i)->Matches(kTrackObjMarker, mask))
            markers.push_back(static_cast<CMarker*>(objects.GetAt(i)));
    return markers;
}

void Hold(CMarker* marker, LONGLONG low, LONGLONG high)
{
    LONGLONG position = marker->GetPositionValue();
    if (position < low)
        position = low;
    if (position > high)
        position = high;
    marker->SetPosition(position);
}

}  // namespace

void CMixBuilder::RelinkVolumeMarkers(CTrackInfo& track)
{
    const MIXBUILDER_TRACKPOINTS points = GetPoints(track);
    for (CMarker* marker : MarkersOf(track.MainObjects(), kMarkerVolumeMask)) {
        LONG kind = 0;
        LONGLONG offset = 0;
        Link(marker->GetPositionValue(), points, &kind, &offset);
        marker->SetValue(5, kind);
        marker->SetTime(5, offset);
    }
}

void CMixBuilder::PlaceLinkedVolumeMarkers(CTrackInfo& track)
{
    const MIXBUILDER_TRACKPOINTS points = GetPoints(track);
    const BOOL fadeInDefault = AreFadeInMarkersDefault(track);
    const BOOL fadeOutDefault = AreFadeOutMarkersDefault(track);
    for (CMarker* marker : MarkersOf(track.MainObjects(), kMarkerVolumeMask)) {
        const DWORD type = marker->GetType();
        if ((fadeInDefault && (type & kFadeInFamily)) || (fadeOutDefault && (type & kFadeOutFamily)))
            continue;
        LONG kind = 0;
        LONGLONG offset = 0;
        marker->GetValue(5, &kind);
        marker->GetTime(5, &offset);
        LONGLONG position = 0;
        if (Restore(kind, offset, points, &position))
            marker->SetPosition(position);
    }
}

void CMixBuilder::ExtendFirstSegmentTo(CTrackInfo& track, LONGLONG time)
{
    CSegment* first = nullptr;
    CTrackObjContainer& objects = track.MainObjects();
    for (int i = 0; i < objects.GetCount(); ++i) {
        CTrackObj* o = objects.GetAt(i);
        if (o->Matches(kTrackObjSegment, kSegmentPlain) && (!first || o->GetStart() < first->GetStart()))
            first = static_cast<CSegment*>(o);
    }
    if (!first)
        return;
    const LONGLONG delta = time - first->GetStart();
    first->SetSource(first->IsReversed() ? first->GetSource() - delta : first->GetSource() + delta);
    first->SetStart(time);
}

void CMixBuilder::ExtendLastSegmentTo(CTrackInfo& track, LONGLONG time)
{
    CSegment* last = nullptr;
    CTrackObjContainer& objects = track.MainObjects();
    for (int i = 0; i < objects.GetCount(); ++i) {
        CTrackObj* o = objects.GetAt(i);
        if (o->Matches(kTrackObjSegment, kSegmentPlain) && (!last || o->GetEnd() > last->GetEnd()))
            last = static_cast<CSegment*>(o);
    }
    if (last)
        last->SetEnd(time);
}

void CMixBuilder::SpaceMarkers(CTrackLayer& layer, DWORD mask)
{
    std::vector<CMarker*> markers = MarkersOf(layer.Objects(), mask);
    std::stable_sort(markers.begin(), markers.end(),
                     [](const CMarker* a, const CMarker* b) { return a->GetPositionValue() < b->GetPositionValue(); });
    for (size_t i = 1; i < markers.size(); ++i) {
        const LONGLONG before = markers[i - 1]->GetPositionValue();
        if (markers[i]->GetPositionValue() - before < kMarkerSpacing)
            markers[i]->SetPosition(before + kMarkerSpacing);
    }
}

void CMixBuilder::NormalizeTrackMarkers(CTrackInfo* committed, CTrackInfo& edit)
{
    CTrackObjContainer& objects = edit.MainObjects();
    MIXBUILDER_TRACKPOINTS points = GetPoints(edit);
    LONGLONG start = points.trackStart;
    LONGLONG end = points.trackEnd;
    if (committed && edit.IsPrimary()) {
        const MIXBUILDER_TRACKPOINTS before = GetPoints(*committed);
        LONGLONG low = 0;
        LONGLONG high = 0;
        bool extend = false;
        if (before.trackStart == start && before.trackEnd == end) {
            // The segments did not change: markers moved past the ends extend the material.
            extend = objects.GetMarkerBound(TRUE, kAllMask, &low) && objects.GetMarkerBound(FALSE, kAllMask, &high);
            low -= kMarkerSpacing;
            high += kMarkerSpacing;
        } else if (before.trackEnd - before.trackStart == end - start) {
            extend = true;
            low = points.introStart - kMarkerSpacing;
            high = points.introEnd + kMarkerSpacing;
        }
        if (extend && low < start) {
            ExtendFirstSegmentTo(edit, low);
            start = low;
        }
        if (extend && high > end) {
            ExtendLastSegmentTo(edit, high);
            end = high;
        }
        points = GetPoints(edit);
    }
    const bool beat = edit.IsBeatMixed() == S_OK;
    int intros = 0;
    int outros = 0;
    LONGLONG firstIntro = start;
    LONGLONG firstOutro = end;
    for (CMarker* marker : MarkersOf(objects, 0x7)) {
        if (marker->GetType() & kMarkerStart) {
            Hold(marker, start, points.outroStart - 1);
            if (intros++ == 0)
                firstIntro = marker->GetPositionValue();
        } else if (marker->GetType() & kMarkerEnd) {
            Hold(marker, points.introEnd + 1, end);
            if (outros++ == 0)
                firstOutro = marker->GetPositionValue();
        } else
            Hold(marker, points.introEnd + 1, points.outroStart - 1);
    }
    for (CMarker* marker : MarkersOf(objects, kMarkerMixPointMask)) {
        if (!marker->IsUserAdjusted())
            continue;
        const DWORD type = marker->GetType();
        if (beat && (type & (kTempoMarkerStart | kTempoMarkerBodyEnd)))
            Hold(marker, points.introEnd + 1, points.outroStart - 1);
        else if (type & kTempoMarkerOutroStart)
            marker->SetPosition(points.outroStart);
        else if (type & kTempoMarkerOutroEnd)
            marker->SetPosition(points.outroEnd);
        else
            Hold(marker, start, end);
    }
    if (edit.IsPrimary()) {
        const int wanted = beat ? 2 : 1;
        const bool standard = (edit.GetMixingKind() & kMixingStandard) != 0;
        if (beat || standard) {
            for (int i = intros; i < wanted; ++i)
                objects.AddStartMarker(firstIntro);
            for (int i = outros; i < wanted; ++i)
                objects.AddEndMarker(firstOutro);
        }
    }
    for (int l = 0; l < edit.Layers().GetCount(); ++l) {
        CTrackLayer* layer = nullptr;
        edit.Layers().GetLayer(l, &layer);
        SpaceMarkers(*layer, kMarkerVolumeMask);
        SpaceMarkers(*layer, kMarkerTrebleMask);
        SpaceMarkers(*layer, kMarkerBassMask);
    }
    if (edit.IsPrimary()) {
        for (int i = objects.GetCount() - 1; i >= 0; --i) {
            const CTrackObj* o = objects.GetAt(i);
            if (o->Matches(kTrackObjMarker, 0x15FFFFF0) && (o->GetStart() < start || o->GetStart() > end))
                objects.RemoveAt(i);
        }
    }
}
