// What the user interface and the play managers read of the mix.
#include <algorithm>
#include <new>
#include <vector>

#include "classlib/com/ComPtr.h"
#include "engine/catalog/catalog/Catalog.h"
#include "engine/catalog/catalog/EngineMembers.h"
#include "engine/core/mix/MixBuilder.h"
#include "engine/core/mix/MixManager.h"
#include "engine/core/mix/MixTrackLookup.h"
#include "engine/core/mix/MixTrackSource.h"
#include "engine/core/server/LiveAndPendingMixLock.h"
#include "engine/core/track/Marker.h"
#include "engine/playback/graph/PlayItem.h"
#include "engine/playback/playmgr/PlayManager.h"

namespace {

constexpr DWORD kTrackKindMask = kTrackPrimary | kTrackOverlay | kTrackPause;

}  // namespace

CTrackInfo* CMixManager::FindTrack(LONG trackId, int* index) const
{
    int at = -1;
    if (!m_tracks.IndexOfId(trackId, &at))
        return nullptr;
    if (index)
        *index = at;
    return m_tracks.GetAt(at);
}

int CMixManager::HiddenTrackCount() const
{
    CPlayManager* live = GetLivePlayManager();
    if (m_showPerformed || !live)
        return 0;
    const LONG current = live->GetCurrentTrackId();
    if (current == CPlayManager::kNoTrack)
        return m_tracks.GetCount();
    int index = 0;
    CTrackInfo* track = FindTrack(current, &index);
    if (!track)
        return 0;
    if (!track->IsPrimary())
        for (int i = index - 1; i >= 0; --i)
            if (m_tracks.GetAt(i)->IsPrimary())
                return i;
    return index;
}

BOOL CMixManager::IsPerformed(int index) const
{
    CPlayManager* live = GetLivePlayManager();
    if (!m_showPerformed || !live)
        return FALSE;
    const LONG current = live->GetCurrentTrackId();
    if (current == CPlayManager::kNoTrack)
        return TRUE;
    int currentIndex = 0;
    return FindTrack(current, &currentIndex) && index < currentIndex;
}

HRESULT CMixManager::GetVisibleTrackCount(int* count)
{
    if (!count)
        return E_POINTER;
    CLiveAndPendingMixSingleThreadAccess lock;
    *count = m_tracks.GetCount() - HiddenTrackCount();
    return S_OK;
}

HRESULT CMixManager::GetVisibleTrack(int index, ITrackEditItem** copy)
{
    CLiveAndPendingMixSingleThreadAccess lock;
    const int visible = m_tracks.GetCount() - HiddenTrackCount();
    // The index comes from the caller: outside the visible list it answers as past the end,
    // never with a hidden track.
    if (index < 0 || index >= visible)
        return GetTrackCopy(-1, copy);
    return GetTrackCopy(index + m_tracks.GetCount() - visible, copy);
}

HRESULT CMixManager::GetTrackCopy(int index, ITrackEditItem** copy)
{
    if (!copy)
        return E_POINTER;
    *copy = nullptr;
    CLiveAndPendingMixSingleThreadAccess lock;
    const CTrackInfo* track = index >= 0 ? m_tracks.GetAt(index) : nullptr;
    if (!track)
        return E_FAIL;
    auto* made = new (std::nothrow) CTrackInfo();
    if (!made)
        return E_OUTOFMEMORY;
    made->CopyFrom(*track);
    made->SetPerformed(IsPerformed(index));
    *copy = made;
    return S_OK;
}

HRESULT CMixManager::GetTrackCount(int* count)
{
    if (!count)
        return E_POINTER;
    CLiveAndPendingMixSingleThreadAccess lock;
    *count = m_tracks.GetCount();
    return S_OK;
}

HRESULT CMixManager::GetTrackById(DWORD id, ITrackEditItem** item)
{
    if (!item)
        return E_POINTER;
    *item = nullptr;
    CLiveAndPendingMixSingleThreadAccess lock;
    int index = 0;
    CTrackInfo* track = FindTrack(static_cast<LONG>(id), &index);
    if (!track)
        return E_FAIL;
    track->SetPerformed(IsPerformed(index));
    track->AddRef();
    *item = track;
    return S_OK;
}

HRESULT CMixManager::GetMixLength(LONGLONG* length)
{
    if (!length)
        return E_POINTER;
    *length = GetMixEndTime();
    return S_OK;
}

HRESULT CMixManager::ContainsTrackId(DWORD trackId)
{
    CLiveAndPendingMixSingleThreadAccess lock;
    return FindTrack(static_cast<LONG>(trackId), nullptr) ? S_OK : S_FALSE;
}

HRESULT CMixManager::ContainsCatalogItem(DWORD catalogItemId)
{
    CLiveAndPendingMixSingleThreadAccess lock;
    for (int i = 0; i < m_tracks.GetCount(); ++i) {
        LONG id = -1;
        if (SUCCEEDED(m_tracks.GetAt(i)->GetCatalogItemId(&id)) && id == static_cast<LONG>(catalogItemId))
            return S_OK;
    }
    return S_FALSE;
}

HRESULT CMixManager::GetTrackIdAt(int index, DWORD* id)
{
    if (!id)
        return E_POINTER;
    CLiveAndPendingMixSingleThreadAccess lock;
    LONG value = -1;
    if (index < 0 || !m_tracks.GetTrackIdAt(index, &value))
        return S_FALSE;
    *id = static_cast<DWORD>(value);
    return S_OK;
}

HRESULT CMixManager::GetTrackInfoAt(int index, DWORD* id, int* kind, int* mixingMode)
{
    if (!id)
        return E_POINTER;
    CLiveAndPendingMixSingleThreadAccess lock;
    const CTrackInfo* track = index >= 0 ? m_tracks.GetAt(index) : nullptr;
    if (!track)
        return E_FAIL;
    *id = static_cast<DWORD>(track->GetTrackIdValue());
    if (kind)
        *kind = static_cast<int>(track->GetFlags() & kTrackKindMask);
    if (mixingMode)
        *mixingMode = static_cast<int>(track->GetMixingKind());
    return S_OK;
}

BOOL CMixManager::PreparePlayItem(CPlayItem* item)
{
    CLiveAndPendingMixSingleThreadAccess lock;
    CTrackInfo* track = item ? FindTrack(item->GetTrackId(), nullptr) : nullptr;
    if (!track)
        return FALSE;
    CPlayItem::TrackState state;
    MakeItemState(*item, *track, state);
    return item->TakeTrackState(state);
}

BOOL CMixManager::CancelPlayItemAnalysis(CPlayItem* item)
{
    ComPtr<IUnknown> hold;
    if (CCatalog* catalog = ReachCatalog(GetOuter(), hold); catalog && item)
        catalog->CancelProfileRequest(item->GetCatalogItemId());
    return TRUE;
}

BOOL CMixManager::FindTrackAtPosition(LONGLONG position, LONG* trackId, int* index)
{
    CLiveAndPendingMixSingleThreadAccess lock;
    return MixTrackLookup::FindTrackAtPosition(m_tracks, position, trackId, index);
}

BOOL CMixManager::FindNextTrackStart(LONGLONG position, LONGLONG* start)
{
    CLiveAndPendingMixSingleThreadAccess lock;
    return MixTrackLookup::FindNextPauseStart(m_tracks, position, start);
}

HRESULT CMixManager::FindAdjacentTrackStart(LONGLONG position, BOOL next, LONGLONG* start)
{
    CLiveAndPendingMixSingleThreadAccess lock;
    return MixTrackLookup::FindAdjacentTrackStart(m_tracks, position, next, start);
}

BOOL CMixManager::AppendPauseAtMixEnd(LONGLONG position)
{
    CLiveAndPendingMixSingleThreadAccess lock;
    CTrackInfo* last = m_tracks.GetLast();
    if (!last || last->IsPause() || position != GetMixEndTime())
        return FALSE;
    if (CMixBuilder::AreFadeOutMarkersDefault(*last)) {
        // The track plays out at full level into the pause, and the builder lays no fade before it.
        CTrackObjContainer& objects = last->MainObjects();
        for (int i = 0; i < objects.GetCount(); ++i)
            if (objects.GetAt(i)->Matches(kTrackObjMarker, kFadeOutFamily)) {
                auto* marker = static_cast<CMarker*>(objects.GetAt(i));
                marker->SetMainValue(0);
                marker->SetUserAdjusted(TRUE);
            }
    }
    auto* pause = new (std::nothrow) CTrackInfo();
    if (!pause)
        return FALSE;
    pause->MakePauseTrack();
    m_tracks.AppendReference(pause);
    pause->ReleaseFromOwner();
    RebuildMix(TRUE, TRUE, nullptr);
    return TRUE;
}

HRESULT CMixManager::GetTrackCatalogFlags(DWORD trackId, int* flags)
{
    if (!flags)
        return E_POINTER;
    CLiveAndPendingMixSingleThreadAccess lock;
    CTrackInfo* track = FindTrack(static_cast<LONG>(trackId), nullptr);
    return track && m_files && m_files->GetTrackItemFlags(*track, flags) ? S_OK : E_FAIL;
}
