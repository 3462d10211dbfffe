// Overlay tracks follow the primary track they sound over: each is attached to the track playing
// at its start, keeps its place on the musical grid, and stands in the list after its parent,
// in the order in which the overlays start.
#include <algorithm>
#include <vector>

#include "engine/core/mix/MixBuilder.h"
#include "engine/core/mix/MixManager.h"
#include "engine/core/server/LiveAndPendingMixLock.h"
#include "engine/core/track/MasterBeatMap.h"
#include "engine/core/track/Segment.h"

namespace {

LONGLONG StartOf(CTrackInfo* track)
{
    LONGLONG start = 0;
    return SUCCEEDED(track->GetStartTime(&start)) ? start : 0;
}

}  // namespace

void CMixManager::RemapOverlayMusicTimes(CTrackInfo& track, LONG oldParent, LONG newParent)
{
    // Musical times relative to a parent are master musical times less the parent's offset.
    CMusicTime from;
    CMusicTime to;
    if (oldParent != -1)
        m_beatMap->GetTrackMusicTimeOffset(oldParent, &from);
    if (newParent != -1)
        m_beatMap->GetTrackMusicTimeOffset(newParent, &to);
    const LONGLONG shift = from.GetTicks() - to.GetTicks();
    for (int l = 0; l < track.Layers().GetCount(); ++l) {
        CTrackLayer* layer = nullptr;
        if (!track.Layers().GetLayer(l, &layer))
            continue;
        for (int o = 0; o < layer->Objects().GetCount(); ++o) {
            CTrackObj* object = layer->Objects().GetAt(o);
            SEGMENT_BEATRECORD* beat = object->Matches(kTrackObjSegment, kSegmentBeat)
                                           ? static_cast<CSegment*>(object)->GetBeatRecord()
                                           : nullptr;
            if (!beat)
                continue;
            for (int i = 0; i < 2; ++i)
                beat->musicTimes[i].SetTicks(beat->musicTimes[i].GetTicks() + shift);
        }
    }
}

HRESULT CMixManager::AlignOverlayTracks()
{
    CLiveAndPendingMixSingleThreadAccess lock;
    // 1. Each overlay belongs to the track that plays at its start. A pause track is no overlay:
    // it stops the mix after the primary track it follows, and stays there.
    for (int i = 0; i < m_tracks.GetCount(); ++i) {
        CTrackInfo* track = m_tracks.GetAt(i);
        LONGLONG start = 0;
        LONG found = -1;
        int at = 0;
        if (track->IsPrimary() || track->IsPause() || FAILED(track->GetStartTime(&start)) ||
            !FindTrackAtPosition(start, &found, &at) || found == track->GetTrackIdValue())
            continue;
        if (found != track->GetLinkId()) {
            if (m_beatMap)
                RemapOverlayMusicTimes(*track, track->GetLinkId(), found);
            track->SetLinkId(found);
        }
    }
    // 2. Primary tracks in their order, each followed by its overlays and then by the pause
    // tracks that followed it; pause tracks before the first primary track stay first, orphaned
    // overlays go to the end.
    CTrackInfoContainer result;
    CTrackInfoContainer orphans;
    CTrackInfoContainer pauses;
    const auto placeFollowers = [&](CTrackInfo* parent) {
        for (int i = 0; parent && i < m_tracks.GetCount(); ++i)
            if (CTrackInfo* track = m_tracks.GetAt(i);
                !track->IsPrimary() && !track->IsPause() && track->GetLinkId() == parent->GetTrackIdValue())
                result.AppendReference(track);
        for (int i = 0; i < pauses.GetCount(); ++i)
            result.AppendReference(pauses.GetAt(i));
        pauses.RemoveAll();
    };
    CTrackInfo* parent = nullptr;
    for (int i = 0; i < m_tracks.GetCount(); ++i) {
        CTrackInfo* track = m_tracks.GetAt(i);
        if (track->IsPause()) {
            pauses.AppendReference(track);
        } else if (track->IsPrimary()) {
            placeFollowers(parent);
            result.AppendReference(track);
            parent = track;
        } else if (CTrackInfo* owner = FindTrack(track->GetLinkId(), nullptr); !owner || !owner->IsPrimary()) {
            orphans.AppendReference(track);
        }
    }
    placeFollowers(parent);
    for (int i = 0; i < orphans.GetCount(); ++i)
        result.AppendReference(orphans.GetAt(i));
    m_tracks.TakeAllFrom(result);
    // 3. Laid out, then each run of overlays in the order of their starts.
    CMixBuilder::BuildMix(m_tracks);
    if (m_beatMap) {
        m_beatMap->Rebuild(m_tracks);
        CMixBuilder::LinkOverlayTracks(m_profiles, *m_beatMap.get(), m_tracks);
    }
    const auto isOverlay = [this](int i) {
        const CTrackInfo* track = m_tracks.GetAt(i);
        return !track->IsPrimary() && !track->IsPause();
    };
    for (int i = 0; i < m_tracks.GetCount();) {
        if (!isOverlay(i)) {
            ++i;
            continue;
        }
        int end = i;
        while (end < m_tracks.GetCount() && isOverlay(end))
            ++end;
        for (int a = i; a < end; ++a)
            for (int b = a + 1; b < end; ++b)
                if (StartOf(m_tracks.GetAt(b)) < StartOf(m_tracks.GetAt(a)))
                    m_tracks.Swap(a, b);
        i = end;
    }
    RebuildMix(TRUE, TRUE, nullptr);
    return S_OK;
}

HRESULT CMixManager::CanAlignOverlayTracks()
{
    CLiveAndPendingMixSingleThreadAccess lock;
    for (int i = 0; i < m_tracks.GetCount(); ++i)
        if (m_tracks.GetAt(i)->GetFlags() & kTrackOverlay)
            return S_OK;
    return S_FALSE;
}
