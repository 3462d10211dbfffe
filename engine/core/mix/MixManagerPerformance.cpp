// Steering the playing mix: mix into the next track now, fade the current track out, pause after
// it, cue a track, loop, and the play-position queries these commands and the program use. Each
// command changes the track list and the playing track's outro, then rebuilds; the live play
// manager follows the rebuild without a break in the sound.
#include <algorithm>
#include <new>
#include <vector>

#include "engine/core/mix/MixBuilder.h"
#include "engine/core/mix/MixManager.h"
#include "engine/core/server/LiveAndPendingMixLock.h"
#include "engine/core/time/MusicTime.h"
#include "engine/core/track/Marker.h"
#include "engine/core/track/MasterBeatMap.h"
#include "engine/core/track/Segment.h"
#include "engine/playback/graph/PlayItem.h"
#include "engine/playback/playmgr/PlayManager.h"
#include "interfaces/IItemIdList.h"

namespace {

constexpr LONGLONG kMeasureTicks = CMusicTime::kTicksPerMeasure;

// The first id of a caller's list as a track id, or -1.
LONG FirstListedId(IItemIdList* ids)
{
    DWORD id = 0;
    return ids && ids->GetAt(0, &id) == S_OK ? static_cast<LONG>(id) : -1;
}

}  // namespace

BOOL CMixManager::FindCurrentTrack(LONG* trackId, LONGLONG* position)
{
    CPlayManager* live = GetLivePlayManager();
    if (!live || GetPlayPosition(position) != S_OK)
        return FALSE;
    CPlayItem* item = FindCurrentItem(*live, *position);
    if (!item || !FindTrack(item->GetTrackId(), nullptr))
        return FALSE;
    *trackId = item->GetTrackId();
    return TRUE;
}

BOOL CMixManager::InsertPauseAfter(LONG trackId)
{
    int index = 0;
    const CTrackInfo* track = FindTrack(trackId, &index);
    if (!track || track->IsPause() || m_tracks.HasPauseBeforeNextPrimary(index))
        return FALSE;
    auto* pause = new (std::nothrow) CTrackInfo();
    if (!pause)
        return FALSE;
    pause->MakePauseTrack();
    CTrackInfoContainer tail;
    while (m_tracks.GetCount() > index + 1) {
        tail.AppendReference(m_tracks.GetAt(index + 1));
        m_tracks.RemoveAt(index + 1);
    }
    m_tracks.AppendReference(pause);
    pause->ReleaseFromOwner();
    for (int i = 0; i < tail.GetCount(); ++i)
        m_tracks.AppendReference(tail.GetAt(i));
    return TRUE;
}

BOOL CMixManager::MoveOutroTo(CTrackInfo& track, LONGLONG mixTime, BOOL pauseAfter)
{
    CTrackObjContainer& objects = track.MainObjects();
    LONGLONG x = 0;
    const bool standard = track.GetMixingKind() != kMixingBeat || pauseAfter;
    if (FAILED(track.MixTimeToTrackTime(mixTime, &x)))
        return standard ? TRUE : FALSE;
    LONGLONG introEnd = 0;
    if (objects.GetLatestStartMarker(&introEnd) && x <= introEnd)
        x = introEnd + 1;
    if (standard) {
        for (int i = 0; i < objects.GetCount(); ++i)
            if (objects.GetAt(i)->Matches(kTrackObjMarker, kMarkerEnd))
                static_cast<CMarker*>(objects.GetAt(i))->SetPosition(x);
        const LONGLONG end = objects.GetLatestEnd();
        if (end < x)
            for (int i = 0; i < objects.GetCount(); ++i)
                if (objects.GetAt(i)->Matches(kTrackObjSegment, kSegmentPlain) && objects.GetAt(i)->GetEnd() == end)
                    static_cast<CSegment*>(objects.GetAt(i))->SetEnd(x + 1);
        return TRUE;
    }
    // Beat-mixed into the next track: the outro starts on the first measure boundary at or after
    // the position and keeps its length in measures.
    const LONG id = track.GetTrackIdValue();
    CMusicTime music;
    if (!m_beatMap || FAILED(m_beatMap->TrackTimeToMusicTime(id, x, &music)))
        return FALSE;
    LONGLONG ticks = music.GetTicks();
    const LONGLONG into = ((ticks % kMeasureTicks) + kMeasureTicks) % kMeasureTicks;
    if (into != 0)
        ticks += kMeasureTicks - into;
    LONGLONG back = 0;
    music.SetTicks(ticks);
    if (SUCCEEDED(m_beatMap->TrackMusicTimeToTime(id, &music, &back)) && back < x)
        ticks += kMeasureTicks;
    std::vector<LONGLONG> positions;
    for (int i = 0; i < objects.GetCount(); ++i)
        if (objects.GetAt(i)->Matches(kTrackObjMarker, kMarkerEnd))
            positions.push_back(objects.GetAt(i)->GetStart());
    std::sort(positions.begin(), positions.end());
    // Each marker keeps its distance in whole measures from the one before it, so an outro of
    // any number of markers keeps its shape.
    std::vector<LONGLONG> offsets{0};
    for (size_t i = 1; i < positions.size(); ++i) {
        WORD count = 0;
        if (SUCCEEDED(track.GetMeasureCount(positions[i - 1], positions[i], &count)) && count != 0)
            offsets.push_back(offsets.back() + count * kMeasureTicks);
    }
    // All or nothing: a marker that cannot be laid (past the track's material) leaves the outro
    // as it was, never a track without one.
    CTrackObjContainer previous;
    objects.CopyMatchingTo(previous, kTrackObjMarker, kMarkerEnd);
    objects.RemoveObjects(kTrackObjMarker, kMarkerEnd);
    for (LONGLONG offset : offsets) {
        CMusicTime at;
        at.SetTicks(ticks + offset);
        LONGLONG trackTime = 0;
        LONGLONG markerMixTime = 0;
        if (FAILED(m_beatMap->TrackMusicTimeToTime(id, &at, &trackTime)) ||
            FAILED(track.TrackTimeToMixTime(trackTime, &markerMixTime)) ||
            FAILED(track.AddMarker(markerMixTime, kMarkerEnd))) {
            objects.RemoveObjects(kTrackObjMarker, kMarkerEnd);
            while (previous.GetCount() > 0)
                objects.Append(previous.DetachAt(0));
            return FALSE;
        }
    }
    return TRUE;
}

BOOL CMixManager::MoveTransition(CTrackInfo& track, LONGLONG position, BOOL pauseRemoved)
{
    int index = 0;
    LONGLONG outroStart = 0;
    if (!FindTrack(track.GetTrackIdValue(), &index) || !track.MainObjects().GetEarliestEndMarker(&outroStart) ||
        FAILED(track.TrackTimeToMixTime(outroStart, &outroStart)))
        return FALSE;
    CTrackInfo* next = m_tracks.NextPrimaryAfter(index);
    const BOOL pauseAfter = m_tracks.HasPauseBeforeNextPrimary(index);
    LONGLONG target = position;
    if (next) {
        // The play position moves by the part of the next track that already sounds before the
        // outro, so that it still enters where it did relative to the outro.
        LONGLONG audibleStart = 0;
        if (FAILED(next->GetAudibleStart(&audibleStart)))
            return FALSE;
        const LONGLONG lead = pauseAfter ? 0 : std::max<LONGLONG>(outroStart - audibleStart, 0);
        target = position + lead;
        if (target > outroStart && !pauseRemoved)
            return FALSE;  // the transition has already begun
    } else if (!pauseAfter) {
        return FALSE;
    }
    if (!MoveOutroTo(track, target, pauseAfter))
        return FALSE;
    // Its fade-out is laid again from the new outro: every volume marker from there (the
    // fade-out family among them) goes.
    LONGLONG newOutro = 0;
    if (track.MainObjects().GetEarliestEndMarker(&newOutro))
        track.RemoveMarkersInWindow(newOutro, track.MainObjects().GetLatestEnd(), kMarkerVolumeMask);
    return TRUE;
}

void CMixManager::TrimAfterAudibleEnd(CTrackInfo& track)
{
    LONGLONG audibleEnd = 0;
    LONGLONG trackTime = 0;
    if (FAILED(track.GetAudibleEnd(&audibleEnd)) || FAILED(track.MixTimeToTrackTime(audibleEnd, &trackTime)))
        return;
    CTrackObjContainer& objects = track.MainObjects();
    const LONGLONG end = objects.GetLatestEnd();
    if (trackTime < end)
        objects.DeleteRange(trackTime, end, kTrackObjSegment, kAllMask);
}

HRESULT CMixManager::SteerCurrentTrack(bool fadeOut)
{
    CLiveAndPendingMixSingleThreadAccess lock;
    LONG currentId = -1;
    LONGLONG position = 0;
    if (!FindCurrentTrack(&currentId, &position))
        return E_FAIL;
    int index = 0;
    CTrackInfo* current = FindTrack(currentId, &index);
    bool changedList = false;
    if (fadeOut) {
        changedList = InsertPauseAfter(currentId) != FALSE;
    } else if (CTrackInfo* after = m_tracks.GetAt(index + 1); after && after->IsPause()) {
        m_tracks.RemoveAt(index + 1);
        CMixBuilder::BuildMix(m_tracks);
        changedList = true;
    }
    const bool moved = MoveTransition(*current, position, !fadeOut && changedList) != FALSE;
    if (moved) {
        CMixBuilder::BuildMix(m_tracks);
        CMixBuilder::ApplyDefaultTransitions(m_profiles, m_tracks, FALSE);
        TrimAfterAudibleEnd(*current);
    }
    if (changedList || moved)
        RebuildMix(TRUE, TRUE, nullptr);
    return S_OK;
}

HRESULT CMixManager::MixIntoNextTrackNow()
{
    return SteerCurrentTrack(false);
}

HRESULT CMixManager::FadeOutCurrentTrack()
{
    return SteerCurrentTrack(true);
}

HRESULT CMixManager::PauseAfterCurrentTrack()
{
    CLiveAndPendingMixSingleThreadAccess lock;
    LONG currentId = -1;
    LONGLONG position = 0;
    if (FindCurrentTrack(&currentId, &position) && InsertPauseAfter(currentId))
        RebuildMix(TRUE, TRUE, nullptr);
    return S_OK;
}

HRESULT CMixManager::CanMixIntoNextTrack()
{
    CLiveAndPendingMixSingleThreadAccess lock;
    CPlayManager* live = GetLivePlayManager();
    LONG currentId = -1;
    LONGLONG position = 0;
    int index = 0;
    return live && live->IsPlaying() == S_OK && FindCurrentTrack(&currentId, &position) &&
                   FindTrack(currentId, &index) && index < m_tracks.LastPrimaryIndex()
               ? S_OK
               : S_FALSE;
}

HRESULT CMixManager::CanFadeOutCurrentTrack()
{
    CLiveAndPendingMixSingleThreadAccess lock;
    CPlayManager* live = GetLivePlayManager();
    if (!live)
        return E_FAIL;
    return live->IsPlaying() == S_OK ? S_OK : S_FALSE;
}

HRESULT CMixManager::CanPauseAfterCurrentTrack()
{
    return CanFadeOutCurrentTrack();
}

HRESULT CMixManager::GetPlayPosition(LONGLONG* position)
{
    if (!position)
        return E_POINTER;
    CLiveAndPendingMixSingleThreadAccess lock;
    CPlayManager* live = GetLivePlayManager();
    if (live && live->IsPerforming() == S_OK && SUCCEEDED(live->GetHeldPosition(position)))
        return S_OK;
    CPlayManager* current = GetCurrentPlayManager();
    if (current && current->IsPlaying() == S_OK && SUCCEEDED(current->GetPlayPosition(position)))
        return S_OK;
    return S_FALSE;
}

HRESULT CMixManager::CanInsertPauseAfterTrack(IItemIdList* ids)
{
    CLiveAndPendingMixSingleThreadAccess lock;
    int index = 0;
    const CTrackInfo* track = FindTrack(FirstListedId(ids), &index);
    return track && !track->IsPause() && !m_tracks.HasPauseBeforeNextPrimary(index) ? S_OK : S_FALSE;
}

HRESULT CMixManager::InsertPauseAfterTrack(IItemIdList* ids)
{
    CLiveAndPendingMixSingleThreadAccess lock;
    if (InsertPauseAfter(FirstListedId(ids)))
        RebuildMix(TRUE, TRUE, nullptr);
    return S_OK;
}

HRESULT CMixManager::CanCueTrack(IItemIdList* ids)
{
    CLiveAndPendingMixSingleThreadAccess lock;
    const CTrackInfo* track = FindTrack(FirstListedId(ids), nullptr);
    return track && track->IsPrimary() ? S_OK : S_FALSE;
}

HRESULT CMixManager::CueTrack(IItemIdList* ids)
{
    CLiveAndPendingMixSingleThreadAccess lock;
    CPlayManager* live = GetLivePlayManager();
    if (!ids) {
        if (live)
            live->SetHeldPosition(0);
        Post(MixManagerUi::MixChanged, 0);
        Post(MixManagerUi::ModifiedChanged, m_modified);
        return S_OK;
    }
    int index = 0;
    CTrackInfo* track = FindTrack(FirstListedId(ids), &index);
    if (!track || !track->IsPrimary())
        return S_FALSE;
    // The cued track starts after a pause: the track before it stops there and waits.
    if (CTrackInfo* previous = m_tracks.PreviousPrimaryBefore(index);
        previous && InsertPauseAfter(previous->GetTrackIdValue()))
        RebuildMix(TRUE, TRUE, nullptr);
    LONGLONG audibleStart = 0;
    if (live && SUCCEEDED(track->GetAudibleStart(&audibleStart))) {
        live->SetHeldPosition(audibleStart);
        // The flag as it stands: a pause inserted above is an edit still to be saved.
        Post(MixManagerUi::MixChanged, 0);
        Post(MixManagerUi::ModifiedChanged, m_modified);
    }
    return S_OK;
}

HRESULT CMixManager::GetFirstVisibleTrackStart(LONGLONG* time)
{
    if (!time)
        return E_POINTER;
    *time = 0;
    CLiveAndPendingMixSingleThreadAccess lock;
    if (m_showPerformed)
        return S_OK;
    const int hidden = HiddenTrackCount();
    if (hidden == 0)
        return S_OK;
    if (CTrackInfo* first = m_tracks.GetAt(hidden); first && SUCCEEDED(first->GetStartTime(time)))
        return S_OK;
    LONGLONG end = 0;
    if (SUCCEEDED(m_tracks.GetAt(hidden - 1)->GetEndTime(&end))) {
        *time = end + 1;
        return S_OK;
    }
    *time = 0;
    return S_FALSE;
}

HRESULT CMixManager::SetShowPerformedTracks(BOOL show)
{
    CLiveAndPendingMixSingleThreadAccess lock;
    m_showPerformed = show ? TRUE : FALSE;
    Post(MixManagerUi::MixChanged, 0);
    // A view setting leaves the document as it was: the flag is posted as it stands.
    Post(MixManagerUi::ModifiedChanged, m_modified);
    return S_OK;
}

HRESULT CMixManager::GetShowPerformedTracks()
{
    CLiveAndPendingMixSingleThreadAccess lock;
    return m_showPerformed ? S_OK : S_FALSE;
}

HRESULT CMixManager::IsLoopEnabled()
{
    CLiveAndPendingMixSingleThreadAccess lock;
    CPlayManager* live = GetLivePlayManager();
    if (!live)
        return E_FAIL;
    return live->IsLoopEnabled() ? S_OK : S_FALSE;
}

HRESULT CMixManager::SetLoopEnabled(BOOL loop)
{
    CLiveAndPendingMixSingleThreadAccess lock;
    // Each play manager refreshes its active items as it takes the flag.
    for (const auto& manager : m_playManagers)
        manager->SetLoopEnabled(loop);
    return S_OK;
}

BOOL CMixManager::IsPerformanceRunning()
{
    CLiveAndPendingMixSingleThreadAccess lock;
    return m_playManagers.size() > 1 ? TRUE : FALSE;
}

HRESULT CMixManager::GetTrackAtTime(LONGLONG time, DWORD* id, int* index)
{
    if (!id)
        return E_POINTER;
    CLiveAndPendingMixSingleThreadAccess lock;
    LONG found = -1;
    int at = 0;
    if (!FindTrackAtPosition(time, &found, &at))
        return E_FAIL;
    *id = static_cast<DWORD>(found);
    if (index)
        *index = at;
    return S_OK;
}
