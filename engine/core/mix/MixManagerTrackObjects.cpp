// Single timeline commands on the objects of tracks: copy, delete and paste objects and time
// ranges, split segments, add effect clips. Each change ends in one rebuild as an edit (one undo
// step). Objects travel over the clipboard under copies of their tracks, at track times that start
// at 0, so that a paste can lay them anywhere.
#include <algorithm>
#include <climits>
#include <new>
#include <set>

#include "engine/core/mix/MixManager.h"
#include "engine/core/server/LiveAndPendingMixLock.h"
#include "engine/core/track/Segment.h"
#include "engine/core/track/TrackLayerMap.h"
#include "engine/playback/playmgr/PlayManager.h"
#include "interfaces/IItemIdList.h"

namespace {

int SegmentCount(const CTrackInfo& track)
{
    int count = 0;
    for (int l = 0; l < track.Layers().GetCount(); ++l) {
        CTrackLayer* layer = nullptr;
        if (track.Layers().GetLayer(l, &layer))
            count += layer->Objects().CountSegments();
    }
    return count;
}

// A copy of the track without its objects: what a clipboard entry carries its objects under.
CTrackInfo* EmptyCopyOf(const CTrackInfo& track)
{
    auto* copy = new (std::nothrow) CTrackInfo();
    if (!copy)
        return nullptr;
    copy->CopyFrom(track);
    copy->SetEditCopyId(-1);
    copy->Layers().RemoveObjects(kAllMask, kAllMask);
    return copy;
}

// Each layer's objects into the layer of the same index, moved by the delta.
void CopyLayersInto(const CTrackLayerContainer& source, CTrackLayerContainer& destination, LONGLONG delta)
{
    for (int l = 0; l < source.GetCount(); ++l) {
        CTrackLayer* from = nullptr;
        CTrackLayer* to = nullptr;
        if (!source.GetLayer(l, &from) || from->Objects().GetCount() == 0)
            continue;
        while (destination.GetCount() <= l)
            if (FAILED(destination.AddLayer(nullptr)))
                return;
        if (destination.GetLayer(l, &to))
            to->Objects().CopyObjectsFrom(from->Objects(), delta, kAllMask, kAllMask);
    }
}

}  // namespace

CTrackInfo* CMixManager::FindObjectTrack(LONG objectId) const
{
    for (int i = 0; i < m_tracks.GetCount(); ++i)
        if (m_tracks.GetAt(i)->Layers().ContainsId(objectId))
            return m_tracks.GetAt(i);
    return nullptr;
}

void CMixManager::NumberTrackObjects()
{
    LONG next = 1;
    for (int i = 0; i < m_tracks.GetCount(); ++i) {
        const CTrackLayerContainer& layers = m_tracks.GetAt(i)->Layers();
        for (int l = 0; l < layers.GetCount(); ++l) {
            CTrackLayer* layer = nullptr;
            if (!layers.GetLayer(l, &layer))
                continue;
            // Ids come from stored documents too: one at the top of the range is not counted on.
            for (int o = 0; o < layer->Objects().GetCount(); ++o)
                if (const LONG id = layer->Objects().GetAt(o)->GetId(); id < LONG_MAX)
                    next = std::max(next, id + 1);
        }
    }
    for (int i = 0; i < m_tracks.GetCount(); ++i)
        m_tracks.GetAt(i)->NumberObjects(&next);
}

void CMixManager::SettleEditedTrack(int index)
{
    CTrackInfo* track = m_tracks.GetAt(index);
    if (SegmentCount(*track) == 0)
        m_tracks.RemoveAt(index);
    else
        PrepareAsForCommit(*track);
}

HRESULT CMixManager::CopyTrackObjects(IItemIdList* objectIds)
{
    CLiveAndPendingMixSingleThreadAccess lock;
    CTrackInfoContainer clip;
    clip.SetClipboardFormatName(kTrackObjectsClipboardFormat);
    DWORD id = 0;
    for (int i = 0; objectIds && objectIds->GetAt(i, &id) == S_OK; ++i) {
        const CTrackInfo* track = FindObjectTrack(static_cast<LONG>(id));
        if (!track)
            continue;
        if (!clip.FindById(track->GetTrackIdValue(), nullptr)) {
            CTrackInfo* copy = EmptyCopyOf(*track);
            if (!copy)
                return E_OUTOFMEMORY;
            clip.AppendReference(copy);
            copy->ReleaseFromOwner();
        }
        clip.CollectObject(static_cast<LONG>(id), m_tracks);
    }
    clip.NormalizeObjectTimes();
    return clip.CopyToClipboard() ? S_OK : E_FAIL;
}

HRESULT CMixManager::DeleteTrackObjects(IItemIdList* objectIds)
{
    CLiveAndPendingMixSingleThreadAccess lock;
    std::set<LONG> touched;
    DWORD id = 0;
    for (int i = 0; objectIds && objectIds->GetAt(i, &id) == S_OK; ++i) {
        CTrackInfo* track = FindObjectTrack(static_cast<LONG>(id));
        if (!track)
            continue;
        touched.insert(track->GetTrackIdValue());
        CTrackObjContainer& main = track->MainObjects();
        CTrackObj* object = nullptr;
        if (main.FindById(static_cast<LONG>(id), &object) && object->Matches(kTrackObjSegment, kSegmentPlain)) {
            // A piece of the track's own material: what follows closes the gap.
            main.RemoveTimeRange(object->GetStart(), object->GetEnd());
            continue;
        }
        track->Layers().RemoveById(static_cast<LONG>(id));
    }
    for (LONG trackId : touched) {
        int index = 0;
        if (FindTrack(trackId, &index))
            SettleEditedTrack(index);
    }
    RebuildMix(TRUE, TRUE, nullptr);
    return S_OK;
}

HRESULT CMixManager::PasteTrackObjects(IItemIdList* trackIds, LONGLONG mixTime)
{
    CLiveAndPendingMixSingleThreadAccess lock;
    CTrackInfoContainer clip;
    clip.SetClipboardFormatName(kTrackObjectsClipboardFormat);
    if (!ReadWholeClipboard(clip) || clip.GetCount() == 0)
        return S_FALSE;
    // The pasted objects are new objects of the mix.
    clip.ClearObjectIds();
    CTrackInfo* source = clip.GetAt(0);
    DWORD listed = 0;
    CTrackInfo* first =
        trackIds && trackIds->GetAt(0, &listed) == S_OK ? FindTrack(static_cast<LONG>(listed), nullptr) : nullptr;
    if (SegmentCount(*source) == 0) {
        // Markers and effect clips: into the first listed track at the time.
        LONGLONG trackTime = 0;
        if (first && SUCCEEDED(first->MixTimeToTrackTime(mixTime, &trackTime))) {
            for (int i = 0; i < clip.GetCount(); ++i)
                CopyLayersInto(clip.GetAt(i)->Layers(), first->Layers(), trackTime);
            PrepareAsForCommit(*first);
        } else {
            return PasteAsTracks(clip, mixTime);
        }
        RebuildMix(TRUE, TRUE, nullptr);
        return S_OK;
    }
    int targetIndex = 0;
    CTrackInfo* target = FindTrack(source->GetTrackIdValue(), &targetIndex);
    if (!target)
        return PasteAsTracks(clip, mixTime);
    LONGLONG start = 0;
    LONGLONG end = 0;
    LONGLONG at = 0;
    if (target->IsPrimary() && SUCCEEDED(target->GetStartTime(&start)) && SUCCEEDED(target->GetEndTime(&end)) &&
        start <= mixTime && mixTime <= end && SUCCEEDED(target->MixTimeToTrackTime(mixTime, &at))) {
        // Into the track's own material: it opens at the time by the pasted length.
        const CTrackObjContainer& pasted = source->MainObjects();
        const LONGLONG length = pasted.GetLatestEnd() - pasted.GetEarliestStart() + 1;
        target->MainObjects().InsertTimeAt(at, length);
        target->MainObjects().CopyObjectsFrom(pasted, at - pasted.GetEarliestStart(), kAllMask, kAllMask);
        PrepareAsForCommit(*target);
        RebuildMix(TRUE, TRUE, nullptr);
        LONGLONG cursor = 0;
        if (CPlayManager* manager = GetCurrentPlayManager();
            manager && SUCCEEDED(target->TrackTimeToMixTime(at + length, &cursor)))
            manager->SetCursorPosition(cursor, TRUE);
        return S_OK;
    }
    // Beside the track: the pasted material becomes overlay tracks of it, starting at the time.
    LONGLONG offset = mixTime;
    target->MixTimeToTrackTime(mixTime, &offset);
    for (int i = 0; i < clip.GetCount(); ++i) {
        CTrackInfo* track = clip.GetAt(i);
        track->SetTrackId(-1);
        track->SetPrimary(FALSE);
        track->SetOverlayMusicTimesSet(FALSE);
        track->SetLinkId(target->GetTrackIdValue());
        for (int l = 0; l < track->Layers().GetCount(); ++l) {
            CTrackLayer* layer = nullptr;
            if (track->Layers().GetLayer(l, &layer))
                layer->Objects().MoveObjects(offset);
        }
    }
    InsertTracksAt(clip, targetIndex + 1);
    return S_OK;
}

HRESULT CMixManager::PasteAsTracks(CTrackInfoContainer& clip, LONGLONG mixTime)
{
    clip.ClearTrackIds();
    LONG at = -1;
    int index = m_tracks.GetCount();
    if (FindTrackAtPosition(mixTime, &at, &index))
        ++index;
    InsertTracksAt(clip, index);
    return S_OK;
}

HRESULT CMixManager::CanPasteTrackObjects()
{
    CTrackInfoContainer clip;
    clip.SetClipboardFormatName(kTrackObjectsClipboardFormat);
    return clip.CanPaste() ? S_OK : S_FALSE;
}

HRESULT CMixManager::CopyTrackRange(IItemIdList* trackIds, LONGLONG start, LONGLONG end)
{
    CLiveAndPendingMixSingleThreadAccess lock;
    CTrackInfoContainer clip;
    clip.SetClipboardFormatName(kTrackObjectsClipboardFormat);
    DWORD id = 0;
    for (int i = 0; trackIds && trackIds->GetAt(i, &id) == S_OK; ++i) {
        const CTrackInfo* track = FindTrack(static_cast<LONG>(id), nullptr);
        if (!track)
            continue;
        CTrackInfo* copy = EmptyCopyOf(*track);
        if (!copy)
            return E_OUTOFMEMORY;
        track->Layers().CopyMixRange(copy->Layers(), start, end);
        clip.AppendReference(copy);
        copy->ReleaseFromOwner();
    }
    clip.NormalizeObjectTimes();
    return clip.CopyToClipboard() ? S_OK : E_FAIL;
}

HRESULT CMixManager::DeleteTrackRange(IItemIdList* trackIds, LONGLONG start, LONGLONG end)
{
    CLiveAndPendingMixSingleThreadAccess lock;
    DWORD id = 0;
    for (int i = 0; trackIds && trackIds->GetAt(i, &id) == S_OK; ++i) {
        int index = 0;
        CTrackInfo* track = FindTrack(static_cast<LONG>(id), &index);
        if (!track)
            continue;
        track->RemoveMixRange(start, end);
        SettleEditedTrack(index);
    }
    RebuildMix(TRUE, TRUE, nullptr);
    return S_OK;
}

void CMixManager::SplitTrackAt(CTrackInfo& track, LONGLONG mixTime)
{
    CTrackLayerMap map;
    map.Build(track.Layers());
    int index = 0;
    CTrackLayer* layer = nullptr;
    if (SUCCEEDED(map.GetLayerAt(mixTime, &index)) && track.Layers().GetLayer(index, &layer))
        layer->SplitSegmentsAtMixTime(mixTime);
}

HRESULT CMixManager::SplitSegmentsAt(IItemIdList* trackIds, LONGLONG mixTime)
{
    CLiveAndPendingMixSingleThreadAccess lock;
    DWORD id = 0;
    for (int i = 0; trackIds && trackIds->GetAt(i, &id) == S_OK; ++i)
        if (CTrackInfo* track = FindTrack(static_cast<LONG>(id), nullptr))
            SplitTrackAt(*track, mixTime);
    RebuildMix(TRUE, TRUE, nullptr);
    return S_OK;
}

HRESULT CMixManager::AddEffectClipToTracks(IItemIdList* trackIds, int effectId, LONGLONG start, LONGLONG end)
{
    CLiveAndPendingMixSingleThreadAccess lock;
    DWORD id = 0;
    for (int i = 0; trackIds && trackIds->GetAt(i, &id) == S_OK; ++i) {
        CTrackInfo* track = FindTrack(static_cast<LONG>(id), nullptr);
        LONGLONG from = 0;
        LONGLONG to = 0;
        if (track && SUCCEEDED(track->MixTimeToTrackTime(start, &from)) &&
            SUCCEEDED(track->MixTimeToTrackTime(end, &to)) && !track->AddEffectClip(effectId, from, to))
            return E_OUTOFMEMORY;
    }
    RebuildMix(TRUE, TRUE, nullptr);
    return S_OK;
}
