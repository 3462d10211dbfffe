// The rebuild: every change of the mix ends here, and the play managers follow it without moving
// what is being heard.
#include <algorithm>
#include <memory>
#include <utility>
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

void CMixManager::MakeItemState(const CPlayItem& item, CTrackInfo& track, CPlayItem::TrackState& state)
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
    CPlayItem::MakeTrackState(track, state);
    CPlayItem::AddRenderState(track, beatMaps, state);
}

void CMixManager::UpdatePlayList(CPlayManager& manager)
{
    CPlayList& list = manager.GetPlayList();
    // 1. The item under the play position, when it renders: the rebuild may move its track in the
    // mix, and playback follows the place it was at within that track (step 7).
    CPlayItem* item = nullptr;
    LONG currentTrack = -1;
    if (manager.IsPlaying() == S_OK) {
        LONGLONG position = 0;
        manager.GetPlayPosition(&position);
        if (CPlayItem* current = FindCurrentItem(manager, position);
            current && !current->GetCurrentTrackTime(nullptr, nullptr))
            currentTrack = current->GetTrackId();
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
    // 6. Every item's new state, made before playback is held (fade maps and the effect clips'
    // hosts take milliseconds, and the device thread waits while playback is held): each item
    // follows its track's new place, and one that renders is loaded again. What the items had
    // comes back into these states and is let go at the end, past the hold too.
    std::vector<std::pair<CPlayItem*, std::unique_ptr<CPlayItem::TrackState>>> states;
    for (int i = 0; list.GetAt(i, &item); ++i) {
        CTrackInfo* track = FindTrack(item->GetTrackId(), nullptr);
        if (!track)
            continue;
        auto state = std::make_unique<CPlayItem::TrackState>();
        if (item->GetCurrentTrackTime(nullptr, nullptr))
            CPlayItem::MakeTrackState(*track, *state);
        else
            MakeItemState(*item, *track, *state);
        states.emplace_back(item, std::move(state));
    }
    // 7. Under the hold the states are only swapped in and playback moved, so that it stays at the
    // same place of its track. That place is noted once the render threads are held: one that
    // rendered a block in between would move the item's track time on by a block, and playback
    // with it, skipping the block.
    CPlayItem* current = currentTrack != -1 ? list.FindByTrack(currentTrack) : nullptr;
    if (current)
        manager.LockPlayback();
    LONGLONG trackTime = 0;
    LONGLONG sequence = 0;
    LONGLONG notedPosition = 0;
    const bool noted = current && !current->GetCurrentTrackTime(&trackTime, &sequence) &&
                       SUCCEEDED(current->TrackToMixTime(trackTime, &notedPosition));
    for (const auto& [target, state] : states)
        target->TakeTrackState(*state);
    LONGLONG moved = notedPosition;
    if (noted && SUCCEEDED(current->TrackToMixTime(trackTime, &moved)) && moved != notedPosition)
        manager.Reposition(moved - notedPosition, sequence);
    if (current)
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
