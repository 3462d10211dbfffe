// The rebuild: every change of the mix ends here, and the play managers follow it without moving
// what is being heard.
#include <algorithm>
#include <map>
#include <memory>
#include <vector>

#include "classlib/com/ComPtr.h"
#include "engine/catalog/analysis/ProfileResults.h"
#include "engine/catalog/catalog/Catalog.h"
#include "engine/catalog/catalog/EngineMembers.h"
#include "engine/catalog/items/CatItem.h"
#include "engine/core/mix/MixBuilder.h"
#include "engine/core/mix/MixManager.h"
#include "engine/core/mix/MixProfileSource.h"
#include "engine/core/mix/MixTrackSource.h"
#include "engine/core/server/LiveAndPendingMixLock.h"
#include "engine/core/track/MasterBeatMap.h"
#include "engine/core/track/TrackBeatMap.h"
#include "engine/playback/effects/EfxManager.h"
#include "engine/playback/graph/PlayItem.h"
#include "engine/playback/playmgr/PlayManager.h"
#include "interfaces/IVideoMontage.h"

void CMixManager::RebuildMix(BOOL edit, BOOL setModified, IVideoClipList* video)
{
    CLiveAndPendingMixSingleThreadAccess lock;
    if (!m_enabled)
        return;
    m_ready = FALSE;
    ApplyPendingAnalysis();
    AssignTrackIds();
    CMixBuilder::BuildMix(m_tracks);
    if (m_beatMap) {
        m_beatMap->Rebuild(m_tracks);
        CMixBuilder::LinkOverlayTracks(m_profiles, *m_beatMap.get(), m_tracks);
        // The overlays and transitions moved markers the beat maps follow.
        m_beatMap->Rebuild(m_tracks);
    }
    // The builder updates some marker families in place and lays others again at the end of
    // their layer (the analysis its object markers, the layout its default tempo markers): put
    // them in one order, so that every rebuild of the same mix leaves the same order, a saved mix
    // loaded and rebuilt saves the same bytes, and an undo gives back the mix it was taken from.
    for (int i = 0; i < m_tracks.GetCount(); ++i)
        for (int l = 0; l < m_tracks.GetAt(i)->Layers().GetCount(); ++l) {
            CTrackLayer* layer = nullptr;
            if (m_tracks.GetAt(i)->Layers().GetLayer(l, &layer))
                layer->Objects().OrderMarkers();
        }
    // After the builder: the markers it laid are objects of the mix too.
    NumberTrackObjects();
    for (const auto& manager : m_playManagers)
        UpdatePlayList(*manager.get());
    for (const auto& manager : m_playManagers)
        manager->UpdateEndPosition();
    if (m_efxManager)
        m_efxManager->GetEffectList(m_globals.Effects());
    ComPtr<IVideoMontage> montage;
    if (SUCCEEDED(AcquireVideo(montage.put()))) {
        if (video)
            montage->RestoreVideoState(video);
        montage->OnMixChanged();
    }
    // Only a loaded document that replaced the mix clears the flag: background rebuilds (a
    // pending stream, effect changes, analysis taken over) must not make unsaved changes look
    // saved.
    if (edit && !setModified)
        m_modified = FALSE;
    else if (edit && setModified)
        m_modified = TRUE;
    Post(MixManagerUi::MixChanged, 0);
    Post(MixManagerUi::ModifiedChanged, m_modified);
    m_ready = TRUE;
    if (edit)
        SaveUndoSnapshot(FALSE);
}

BOOL CMixManager::IsStandardMixingDefault()
{
    // Without the catalog's setting, tracks mix by standard mixing.
    ComPtr<IUnknown> hold;
    CCatalog* catalog = ReachCatalog(GetOuter(), hold);
    return !catalog || (catalog->GetDefaultMixTypeValue() & 1) ? TRUE : FALSE;
}

void CMixManager::ApplyPendingAnalysis()
{
    if (!m_profiles)
        return;
    for (int i = 0; i < m_tracks.GetCount(); ++i) {
        CTrackInfo* track = m_tracks.GetAt(i);
        if (track->IsProfileApplied() || track->IsPause())
            continue;
        CProfileResults results;
        if (m_profiles->GetProfileResults(track->GetMusicFileId(), &results))
            track->ApplyProfile(results, IsStandardMixingDefault());
    }
}

void CMixManager::AssignTrackIds()
{
    LONG parent = -1;
    for (int i = 0; i < m_tracks.GetCount(); ++i) {
        CTrackInfo* track = m_tracks.GetAt(i);
        if (track->GetTrackIdValue() == -1)
            track->SetTrackId(++m_nextTrackId);
        if (track->IsPrimary())
            parent = track->GetTrackIdValue();
        else
            track->SetLinkId(parent);
    }
}

CPlayItem* CMixManager::FindCurrentItem(CPlayManager& manager, LONGLONG position)
{
    CPlayList& list = manager.GetPlayList();
    CPlayItem* item = nullptr;
    for (int i = 0; i < list.GetCount(); ++i)
        if (list.GetAt(i, &item) && item->GetMixStart() <= position && position <= item->GetMixEnd())
            return item;
    for (int i = list.GetCount() - 1; i >= 0; --i)
        if (list.GetAt(i, &item) && item->GetMixStart() <= position)
            return item;
    return nullptr;
}

BOOL CMixManager::PrepareItem(CPlayItem& item, CTrackInfo& track, CPlayItem::EffectClipChains& clipChains)
{
    ComPtr<IUnknown> hold;
    if (CCatalog* catalog = ReachCatalog(GetOuter(), hold)) {
        CCatItem* catalogItem = nullptr;
        const DWORD itemId = item.GetCatalogItemId();
        if (itemId != static_cast<DWORD>(-1) && catalog->GetItemById(itemId, &catalogItem)) {
            if (catalog->NeedsProfile(catalogItem))
                catalog->RequestProfileNow(itemId);
            catalogItem->Release();
        }
    }
    std::vector<std::unique_ptr<CTrackBeatMap>> maps;
    std::vector<const CTrackBeatMap*> beatMaps;
    for (int l = 0; l < track.Layers().GetCount(); ++l) {
        CTrackLayer* layer = nullptr;
        if (!track.Layers().GetLayer(l, &layer))
            continue;
        maps.push_back(std::make_unique<CTrackBeatMap>(CMasterBeatMap::kStartEndMask));
        maps.back()->Update(*layer, track);
        beatMaps.push_back(maps.back().get());
    }
    return item.LoadFromTrack(track, beatMaps, clipChains);
}

void CMixManager::UpdatePlayList(CPlayManager& manager)
{
    CPlayList& list = manager.GetPlayList();
    // 0. The effect clip chains of the items that render (those step 6 loads again), made before
    // playback is held below: the device thread waits for the held mix output, and making a host
    // takes milliseconds. The chains the items had are let go at the end, past the hold too.
    std::map<LONG, CPlayItem::EffectClipChains> clipChains;
    CPlayItem* item = nullptr;
    for (int i = 0; list.GetAt(i, &item); ++i) {
        LONGLONG trackTime = 0;
        LONGLONG sequence = 0;
        if (CTrackInfo* track = FindTrack(item->GetTrackId(), nullptr);
            track && !item->GetCurrentTrackTime(&trackTime, &sequence))
            clipChains[item->GetTrackId()] = CPlayItem::MakeEffectClipChains(*track);
    }
    // 1. Where playback is, within its track: the rebuild may move that track in the mix.
    LONG currentTrack = -1;
    LONGLONG notedPosition = 0;
    bool locked = false;
    if (manager.IsPlaying() == S_OK) {
        LONGLONG position = 0;
        manager.GetPlayPosition(&position);
        if (CPlayItem* item = FindCurrentItem(manager, position)) {
            // Held before the item's place is noted: a render thread that renders a block between
            // the two would move the item's track time on by a block, and step 7 would then move
            // playback on by that block, skipping it.
            manager.LockPlayback();
            LONGLONG trackTime = 0;
            LONGLONG sequence = 0;
            if (!item->GetCurrentTrackTime(&trackTime, &sequence) &&
                SUCCEEDED(item->TrackToMixTime(trackTime, &notedPosition))) {
                currentTrack = item->GetTrackId();
                locked = true;
            } else {
                manager.UnlockPlayback();
            }
        }
    }
    // 2. The cue position of the live stream, as a place within its track.
    LONG heldTrack = -1;
    LONGLONG heldPosition = 0;
    LONGLONG heldOffset = 0;
    const bool keepHeld = manager.GetStreamId() == kLiveStream && manager.IsPerforming() == S_FALSE &&
                          SUCCEEDED(manager.GetHeldPosition(&heldPosition)) && heldPosition != 0;
    if (keepHeld) {
        int index = 0;
        CTrackInfo* track = nullptr;
        if (FindTrackAtPosition(heldPosition, &heldTrack, &index) && (track = m_tracks.GetAt(index)) &&
            FAILED(track->MixTimeToTrackTime(heldPosition, &heldOffset)))
            heldTrack = -1;
    }
    // 3. Items whose track left the mix.
    bool stop = false;
    for (int i = list.GetCount() - 1; i >= 0; --i) {
        if (!list.GetAt(i, &item) || FindTrack(item->GetTrackId(), nullptr))
            continue;
        if (item->GetTrackId() == currentTrack) {
            stop = true;
            currentTrack = -1;
        }
        list.Remove(item);
        manager.DetachItem(item);
        item->Release();
    }
    // 4. The list in the track list's order, pause tracks left out.
    int position = 0;
    for (int i = 0; i < m_tracks.GetCount(); ++i) {
        CTrackInfo* track = m_tracks.GetAt(i);
        if (track->IsPause())
            continue;
        const int found = list.FindIndexByTrack(track->GetTrackIdValue());
        if (found >= 0 && found != position)
            list.Swap(found, position);
        if (found >= 0)
            ++position;
    }
    // 5. New items for the tracks that have none.
    position = 0;
    for (int i = 0; i < m_tracks.GetCount(); ++i) {
        CTrackInfo* track = m_tracks.GetAt(i);
        if (track->IsPause())
            continue;
        if (!list.GetAt(position, &item) || item->GetTrackId() != track->GetTrackIdValue()) {
            ComPtr<IProfileSource> source;
            if (m_files)
                m_files->GetTrackItem(*track, source.put());
            auto* created = new (std::nothrow) CPlayItem(source.get(), manager.GetStreamId(), track->GetTrackIdValue());
            if (!created)
                continue;
            list.InsertAt(position, created);
        }
        ++position;
    }
    // 6. Every item follows its track's new place; one that renders is loaded again.
    for (int i = 0; i < list.GetCount(); ++i) {
        CTrackInfo* track = nullptr;
        if (!list.GetAt(i, &item) || !(track = FindTrack(item->GetTrackId(), nullptr)))
            continue;
        item->UpdateFromTrack(*track);
        LONGLONG trackTime = 0;
        LONGLONG sequence = 0;
        if (item->GetCurrentTrackTime(&trackTime, &sequence))
            continue;
        auto made = clipChains.find(item->GetTrackId());
        if (made == clipChains.end())
            made = clipChains.emplace(item->GetTrackId(), CPlayItem::MakeEffectClipChains(*track)).first;
        PrepareItem(*item, *track, made->second);
    }
    // 7. Playback stays at the same place of its track.
    if (currentTrack != -1 && (item = list.FindByTrack(currentTrack))) {
        LONGLONG trackTime = 0;
        LONGLONG sequence = 0;
        LONGLONG moved = notedPosition;
        if (!item->GetCurrentTrackTime(&trackTime, &sequence) && SUCCEEDED(item->TrackToMixTime(trackTime, &moved)) &&
            moved != notedPosition)
            manager.Reposition(moved - notedPosition, sequence);
    }
    if (locked)
        manager.UnlockPlayback();
    if (stop)
        manager.Stop();
    // 8. The cue position follows its track.
    if (keepHeld) {
        CTrackInfo* track = heldTrack != -1 ? FindTrack(heldTrack, nullptr) : nullptr;
        LONGLONG held = std::min(heldPosition, list.GetLatestEndTime());
        if (track && FAILED(track->TrackTimeToMixTime(heldOffset, &held)))
            track->GetStartTime(&held);
        manager.SetHeldPosition(held);
    }
}
