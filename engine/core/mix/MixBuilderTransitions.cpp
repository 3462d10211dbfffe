// Default cross-fades of primary tracks: a fade into the next track, a fade to silence before a
// pause or at the end of the mix, and a fade-in after the previous track. Families the user has
// adjusted are never laid again.
#include <algorithm>
#include <new>

#include "engine/catalog/analysis/ProfileResults.h"
#include "engine/core/track/Marker.h"
#include "engine/core/mix/MixBuilder.h"
#include "engine/core/mix/MixBuilderTrack.h"
#include "engine/core/mix/MixProfileSource.h"
#include "engine/core/track/TrackInfo.h"
#include "engine/core/track/TrackInfoContainer.h"

using namespace MixBuilderTrack;

namespace {

constexpr LONGLONG kFadeSpan = 5000000;
constexpr LONG kLevelQuiet = -5000;
constexpr LONG kLevelDip = -600;
constexpr LONG kLevelDeep = -2400;

// A track time moved by a span of mix time: through the track's map and back, or moved
// directly when the track has no map to convert with.
LONGLONG MoveByMixTime(CTrackInfo& track, LONGLONG position, LONGLONG delta)
{
    LONGLONG mixTime = 0;
    LONGLONG result = 0;
    if (FAILED(track.TrackTimeToMixTime(position, &mixTime)))
        return position + delta;
    if (FAILED(track.MixTimeToTrackTime(mixTime + delta, &result)))
        return position + delta;
    return result;
}

// The end of a fade-out after the outro end, and its middle.
void FadeOutTail(CTrackInfo& track, const MIXBUILDER_TRACKPOINTS& points, LONGLONG* middle, LONGLONG* end)
{
    const LONGLONG x = std::min(MoveByMixTime(track, points.outroEnd, kFadeSpan), points.trackEnd);
    LONGLONG mid = (points.outroEnd + x) / 2;
    if (mid >= x)
        mid = x - 1;
    *middle = mid;
    *end = x;
}

void LayStandard(IMixProfileSource* source, CTrackInfo& track, const MIXBUILDER_NEIGHBOURS& neighbours)
{
    CMixBuilder::RemoveMarkersOfType(track, kFadeInIntroEnd | kFadeOutBeatMiddle);
    const MIXBUILDER_TRACKPOINTS points = GetPoints(track);
    if (CMixBuilder::AreFadeInMarkersDefault(track)) {
        CMixBuilder::SetVolumeMarker(track, kFadeInStart, points.trackStart, 0);
        CMixBuilder::SetVolumeMarker(track, kFadeInIntroStart, points.introStart, 0);
    }
    if (!CMixBuilder::AreFadeOutMarkersDefault(track))
        return;
    if (neighbours.pauseAfter) {
        CMixBuilder::PlaceStandardFadeOut(track);
        return;
    }
    if (neighbours.next) {
        if (!CMixBuilder::PlaceProfileFadeOut(source, track, *neighbours.next))
            CMixBuilder::PlaceStandardFadeOut(track);
        return;
    }
    // The last track of the mix does not fade: it ends.
    CMixBuilder::SetVolumeMarker(track, kFadeOutStart, std::min(points.outroStart, points.trackEnd - 2), 0);
    CMixBuilder::SetVolumeMarker(track, kFadeOutStandardMiddle, points.trackEnd - 1, 0);
    CMixBuilder::SetVolumeMarker(track, kFadeOutEnd, points.trackEnd, 0);
}

void LayBeat(CTrackInfo& track, const MIXBUILDER_NEIGHBOURS& neighbours)
{
    CMixBuilder::RemoveMarkersOfType(track, kFadeOutStandardMiddle);
    const MIXBUILDER_TRACKPOINTS points = GetPoints(track);
    if (CMixBuilder::AreFadeInMarkersDefault(track)) {
        LONGLONG intro = points.introStart;
        if (intro <= points.trackStart)
            intro = points.trackStart + 1;
        LONGLONG introEnd = points.introEnd;
        if (introEnd <= intro)
            introEnd = intro + 1;
        LONGLONG fadeStart = MoveByMixTime(track, intro, -kFadeSpan);
        if (fadeStart < points.trackStart || fadeStart >= intro)
            fadeStart = points.trackStart;
        const bool linked = neighbours.previous != nullptr;
        CMixBuilder::SetVolumeMarker(track, kFadeInStart, fadeStart, linked ? kLevelQuiet : 0);
        CMixBuilder::SetVolumeMarker(track, kFadeInIntroStart, intro, linked ? kLevelDip : 0);
        CMixBuilder::SetVolumeMarker(track, kFadeInIntroEnd, introEnd, 0);
    }
    if (!CMixBuilder::AreFadeOutMarkersDefault(track))
        return;
    if (neighbours.pauseAfter) {
        CMixBuilder::PlaceBeatFadeOut(track);
        return;
    }
    const LONGLONG end = points.trackEnd;
    LONGLONG outroEnd = points.outroEnd;
    if (outroEnd >= end)
        outroEnd = end - 1;
    LONGLONG outroStart = points.outroStart;
    if (outroStart >= outroEnd)
        outroStart = outroEnd - 1;
    LONGLONG fadeEnd = MoveByMixTime(track, outroEnd, kFadeSpan);
    if (fadeEnd > end || fadeEnd <= outroEnd)
        fadeEnd = end;
    const bool next = neighbours.next != nullptr;
    CMixBuilder::SetVolumeMarker(track, kFadeOutStart, outroStart, 0);
    CMixBuilder::SetVolumeMarker(track, kFadeOutBeatMiddle, outroEnd, next ? kLevelDip : 0);
    CMixBuilder::SetVolumeMarker(track, kFadeOutEnd, fadeEnd, next ? kLevelQuiet : 0);
}

}  // namespace

void CMixBuilder::ApplyDefaultTransitions(IMixProfileSource* source, CTrackInfoContainer& tracks, BOOL relink)
{
    for (int index = 0; index < tracks.GetCount(); ++index) {
        CTrackInfo& track = *tracks.GetAt(index);
        if (!track.IsPrimary())
            continue;
        const MIXBUILDER_NEIGHBOURS neighbours = GetNeighbours(tracks, index);
        if (track.GetMixingKind() & kMixingBeat)
            LayBeat(track, neighbours);
        else if (track.GetMixingKind() & kMixingStandard)
            LayStandard(source, track, neighbours);
        if (relink)
            RelinkVolumeMarkers(track);
        else
            PlaceLinkedVolumeMarkers(track);
    }
}

BOOL CMixBuilder::SetVolumeMarker(CTrackInfo& track, DWORD type, LONGLONG position, LONG level)
{
    CMarker* marker = FirstMarker(track, type);
    if (!marker) {
        marker = new (std::nothrow) CMarker(type, position);
        if (!marker)
            return FALSE;
        track.MainObjects().Append(marker);
    }
    marker->SetPosition(position);
    marker->SetMainValue(level);
    return TRUE;
}

void CMixBuilder::RemoveMarkersOfType(CTrackInfo& track, DWORD mask)
{
    CTrackObjContainer& objects = track.MainObjects();
    for (int i = objects.GetCount() - 1; i >= 0; --i)
        if (objects.GetAt(i)->Matches(kTrackObjMarker, mask))
            objects.RemoveAt(i);
}

BOOL CMixBuilder::AreFadeInMarkersDefault(const CTrackInfo& track)
{
    return !AnyUserAdjusted(track, kFadeInFamily);
}

BOOL CMixBuilder::AreFadeOutMarkersDefault(const CTrackInfo& track)
{
    return !AnyUserAdjusted(track, kFadeOutFamily);
}

BOOL CMixBuilder::PlaceStandardFadeOut(CTrackInfo& track)
{
    const MIXBUILDER_TRACKPOINTS points = GetPoints(track);
    SetVolumeMarker(track, kFadeOutStart, std::min(points.outroStart, points.trackEnd - 2), 0);
    LONGLONG middle = 0;
    LONGLONG end = 0;
    FadeOutTail(track, points, &middle, &end);
    SetVolumeMarker(track, kFadeOutStandardMiddle, middle, kLevelDip);
    SetVolumeMarker(track, kFadeOutEnd, end, kLevelQuiet);
    return TRUE;
}

BOOL CMixBuilder::PlaceBeatFadeOut(CTrackInfo& track)
{
    const MIXBUILDER_TRACKPOINTS points = GetPoints(track);
    SetVolumeMarker(track, kFadeOutStart, std::min(points.outroEnd, points.trackEnd - 2), 0);
    LONGLONG middle = 0;
    LONGLONG end = 0;
    FadeOutTail(track, points, &middle, &end);
    SetVolumeMarker(track, kFadeOutBeatMiddle, middle, kLevelDip);
    SetVolumeMarker(track, kFadeOutEnd, end, kLevelQuiet);
    return TRUE;
}

BOOL CMixBuilder::PlaceProfileFadeOut(IMixProfileSource* source, CTrackInfo& outgoing, CTrackInfo& incoming)
{
    const MIXBUILDER_TRACKPOINTS points = GetPoints(outgoing);
    SetVolumeMarker(outgoing, kFadeOutStart, std::min(points.outroStart, points.trackEnd - 2), 0);
    CProfileResults results;
    if (!source || !source->GetProfileResults(incoming.GetMusicFileId(), &results))
        return FALSE;
    LONGLONG position = 0;
    if (!incoming.MainObjects().TrackTimeToFilePosition(GetPoints(incoming).introStart, &position))
        position = 0;
    int level = 0;
    LONGLONG dipTime = 0;
    LONGLONG deepTime = 0;
    if (!results.GetFadeLevelAt(position, &level) || !results.GetFadeTimeForLevel(level + kLevelDip, &dipTime) ||
        !results.GetFadeTimeForLevel(level + kLevelDeep, &deepTime))
        return FALSE;
    SetVolumeMarker(outgoing, kFadeOutStandardMiddle,
                    std::min(points.outroStart + (dipTime - position), points.trackEnd - 1), kLevelDip);
    SetVolumeMarker(outgoing, kFadeOutEnd, std::min(points.outroStart + (deepTime - position), points.trackEnd),
                    kLevelQuiet);
    return TRUE;
}
