// Track kinds and mixing modes: the enable tests behind the menu commands, switching between
// standard and beat mixing and between primary and overlay, and the settings kept for a track's
// file in the catalog.
#include <functional>
#include <vector>

#include "classlib/com/ComPtr.h"
#include "engine/catalog/analysis/ProfileResults.h"
#include "engine/catalog/catalog/Catalog.h"
#include "engine/catalog/catalog/EngineMembers.h"
#include "engine/catalog/items/CatItem.h"
#include "engine/core/mix/IdListReader.h"
#include "engine/core/mix/MixManager.h"
#include "engine/core/mix/MixProfileSource.h"
#include "engine/core/server/LiveAndPendingMixLock.h"
#include "engine/core/track/Marker.h"
#include "engine/core/track/Segment.h"

namespace {

enum : int {
    kTimeParentStart = 6,
    kTimeParentEnd = 7,
    kTimeLength = 8,
};

// A segment's place in the mix while its track still lays it out as a primary track.
struct SegmentPlace {
    LONGLONG start;
    LONGLONG mixStart;
    LONGLONG mixEnd;
};

bool IsOverlay(const CTrackInfo& track)
{
    return (track.GetFlags() & kTrackOverlay) != 0 && !track.IsPrimary();
}

}  // namespace

HRESULT CMixManager::AnyListedTrack(IItemIdList* trackIds, bool (*test)(const CTrackInfo&)) const
{
    CLiveAndPendingMixSingleThreadAccess lock;
    for (DWORD id : IdListReader::ReadIds(trackIds))
        if (const CTrackInfo* track = FindTrack(static_cast<LONG>(id), nullptr); track && test(*track))
            return S_OK;
    return S_FALSE;
}

HRESULT CMixManager::CanEditTrackProperties(IItemIdList* trackIds)
{
    CLiveAndPendingMixSingleThreadAccess lock;
    const std::vector<DWORD> ids = IdListReader::ReadIds(trackIds);
    if (ids.empty())
        return S_FALSE;
    for (DWORD id : ids) {
        const CTrackInfo* track = FindTrack(static_cast<LONG>(id), nullptr);
        if (!track || track->IsPause() || !(track->GetFlags() & (kTrackPrimary | kTrackOverlay)) ||
            !track->IsProfileApplied())
            return S_FALSE;
    }
    return S_OK;
}

HRESULT CMixManager::HasSavedTrackSettings(IItemIdList* trackIds)
{
    CLiveAndPendingMixSingleThreadAccess lock;
    ComPtr<IUnknown> hold;
    CCatalog* catalog = ReachCatalog(GetOuter(), hold);
    if (!catalog)
        return S_FALSE;
    for (DWORD id : IdListReader::ReadIds(trackIds))
        if (CTrackInfo* track = FindTrack(static_cast<LONG>(id), nullptr); track && catalog->HasDefaultMix(track))
            return S_OK;
    return S_FALSE;
}

HRESULT CMixManager::IsBeatMixed(IItemIdList* trackIds)
{
    return AnyListedTrack(trackIds,
                          [](const CTrackInfo& t) { return !t.IsPause() && (t.GetMixingKind() & kMixingBeat) != 0; });
}

HRESULT CMixManager::IsStandardMixed(IItemIdList* trackIds)
{
    return AnyListedTrack(
        trackIds, [](const CTrackInfo& t) { return !t.IsPause() && (t.GetMixingKind() & kMixingStandard) != 0; });
}

HRESULT CMixManager::CanSetBeatMixing(IItemIdList* trackIds)
{
    return AnyListedTrack(trackIds, [](const CTrackInfo& t) { return t.IsPrimary(); });
}

HRESULT CMixManager::CanSetStandardMixing(IItemIdList* trackIds)
{
    return CanSetBeatMixing(trackIds);
}

HRESULT CMixManager::HasPrimaryTrack(IItemIdList* trackIds)
{
    return CanSetBeatMixing(trackIds);
}

HRESULT CMixManager::HasOverlayTrack(IItemIdList* trackIds)
{
    return AnyListedTrack(trackIds, IsOverlay);
}

HRESULT CMixManager::NotImplemented39()
{
    return E_FAIL;
}

BOOL CMixManager::SwitchMixingMode(CTrackInfo& track, BOOL toStandard)
{
    BOOL changed = FALSE;
    const DWORD other = toStandard ? kMixingBeat : kMixingStandard;
    if (track.IsPrimary() && (track.GetMixingKind() & other)) {
        CProfileResults results;
        if (m_profiles && m_profiles->GetProfileResults(track.GetMusicFileId(), &results))
            changed = track.SwitchMixing(results, toStandard);
        // The tempo and mix-point markers belong to the mode the track leaves. Removing them is a
        // change too: the user's tempo markers must come back with an undo.
        ForEachObject(track.Layers(), kTrackObjMarker, kMarkerMixPointMask, [&changed](CTrackObj*) { changed = TRUE; });
        track.Layers().RemoveObjects(kTrackObjMarker, kMarkerMixPointMask);
    } else if (toStandard && !track.IsPrimary() && !track.IsPause() && track.GetMixingKind() != kMixingStandard) {
        // Overlay tracks always mix by standard mixing.
        track.SetMixingKind(kMixingStandard);
        changed = TRUE;
    }
    return changed;
}

HRESULT CMixManager::SetMixingModes(IItemIdList* trackIds, BOOL toStandard)
{
    CLiveAndPendingMixSingleThreadAccess lock;
    CTrackInfoContainer listed;
    CollectTracks(trackIds, listed);
    BOOL changed = FALSE;
    for (int i = 0; i < listed.GetCount(); ++i)
        changed = SwitchMixingMode(*listed.GetAt(i), toStandard) || changed;
    for (int i = 0; i < listed.GetCount(); ++i)
        PrepareAsForCommit(*listed.GetAt(i));
    if (changed)
        RebuildMix(TRUE, TRUE, nullptr);
    return S_OK;
}

HRESULT CMixManager::SetBeatMixing(IItemIdList* trackIds)
{
    return SetMixingModes(trackIds, FALSE);
}

HRESULT CMixManager::SetStandardMixing(IItemIdList* trackIds)
{
    return SetMixingModes(trackIds, TRUE);
}

HRESULT CMixManager::MakePrimaryTracks(IItemIdList* trackIds)
{
    CLiveAndPendingMixSingleThreadAccess lock;
    CTrackInfoContainer listed;
    CollectTracks(trackIds, listed);
    const BOOL standard = IsStandardMixingDefault();
    BOOL changed = FALSE;
    for (int i = 0; i < listed.GetCount(); ++i) {
        CTrackInfo& track = *listed.GetAt(i);
        if (!IsOverlay(track))
            continue;
        track.SetPrimary(TRUE);
        // As an overlay it lost its start and end markers: they come back from its analysis,
        // else as the defaults.
        track.AddDefaultMarkers();
        CProfileResults results;
        if (m_profiles && m_profiles->GetProfileResults(track.GetMusicFileId(), &results))
            track.SwitchMixing(results, standard);
        PrepareAsForCommit(track);
        changed = TRUE;
    }
    if (changed)
        RebuildMix(TRUE, TRUE, nullptr);
    return S_OK;
}

HRESULT CMixManager::MakeOverlayTracks(IItemIdList* trackIds)
{
    CLiveAndPendingMixSingleThreadAccess lock;
    DWORD first = 0;
    int firstIndex = 0;
    if (!IdListReader::ReadFirstId(trackIds, &first) || !FindTrack(static_cast<LONG>(first), &firstIndex))
        return S_OK;
    CTrackInfo* parent = m_tracks.PreviousPrimaryBefore(firstIndex);
    // Without a primary track before the first listed one there is no parent: nothing changes.
    if (!parent)
        return S_OK;
    CTrackInfoContainer listed;
    CollectTracks(trackIds, listed);
    BOOL changed = FALSE;
    for (int i = 0; i < listed.GetCount(); ++i) {
        CTrackInfo& track = *listed.GetAt(i);
        if (!track.IsPrimary() || &track == parent)
            continue;
        std::vector<SegmentPlace> places;
        ForEachObject(track.Layers(), kTrackObjSegment, kSegmentTypeMask, [&](const CTrackObj* object) {
            SegmentPlace place{object->GetStart(), 0, 0};
            if (SUCCEEDED(track.TrackTimeToMixTime(object->GetStart(), &place.mixStart)) &&
                SUCCEEDED(track.TrackTimeToMixTime(object->GetEnd(), &place.mixEnd)))
                places.push_back(place);
        });
        // Each beat segment keeps its place: its mix span becomes the parent's track times and
        // its length.
        BecomeOverlay(track, parent, [&](CSegment& segment) {
            LONGLONG length = 0;
            if (SUCCEEDED(segment.GetTime(kTimeLength, &length)) && length != 0)
                return;
            for (const SegmentPlace& place : places)
                if (place.start == segment.GetStart() &&
                    PlaceOverlaySegment(segment, parent, place.mixStart, place.mixEnd))
                    return;
        });
        PrepareAsForCommit(track);
        changed = TRUE;
    }
    if (changed)
        RebuildMix(TRUE, TRUE, nullptr);
    return S_OK;
}

void CMixManager::BecomeOverlay(CTrackInfo& track, CTrackInfo* parent,
                                const std::function<void(CSegment&)>& placeSegment)
{
    track.SetPrimary(FALSE);
    track.SetLinkId(parent ? parent->GetTrackIdValue() : -1);
    // Overlay tracks mix by standard mixing.
    track.SetMixingKind(kMixingStandard);
    ForEachObject(track.Layers(), kTrackObjSegment, kSegmentBeat,
                  [&](CTrackObj* object) { placeSegment(*static_cast<CSegment*>(object)); });
    // The builder takes the musical times from the parent's track times at the rebuild.
    track.SetOverlayMusicTimesSet(FALSE);
}

BOOL CMixManager::PlaceOverlaySegment(CSegment& segment, CTrackInfo* parent, LONGLONG mixStart, LONGLONG mixEnd)
{
    LONGLONG parentStart = mixStart;
    LONGLONG parentEnd = mixEnd;
    if (parent && (FAILED(parent->MixTimeToTrackTime(mixStart, &parentStart)) ||
                   FAILED(parent->MixTimeToTrackTime(mixEnd, &parentEnd))))
        return FALSE;
    segment.SetTime(kTimeParentStart, parentStart);
    segment.SetTime(kTimeParentEnd, parentEnd);
    segment.SetTime(kTimeLength, mixEnd - mixStart);
    return TRUE;
}

HRESULT CMixManager::RestoreSavedTrackSettings(IItemIdList* trackIds)
{
    return RefillTracks(trackIds, TRUE);
}

HRESULT CMixManager::ApplyCatalogSettings(IItemIdList* trackIds)
{
    return RefillTracks(trackIds, FALSE);
}

HRESULT CMixManager::RefillTracks(IItemIdList* trackIds, BOOL savedSettings)
{
    CLiveAndPendingMixSingleThreadAccess lock;
    ComPtr<IUnknown> hold;
    CCatalog* catalog = ReachCatalog(GetOuter(), hold);
    CTrackInfoContainer listed;
    CollectTracks(trackIds, listed);
    for (int i = 0; catalog && i < listed.GetCount(); ++i) {
        CTrackInfo& track = *listed.GetAt(i);
        const LONG id = track.GetTrackIdValue();
        if (!savedSettings || !catalog->ApplyDefaultMix(&track))
            FillFromCatalogItem(catalog, track);
        track.SetTrackId(id);
    }
    if (listed.GetCount() > 0)
        RebuildMix(TRUE, TRUE, nullptr);
    return S_OK;
}

BOOL CMixManager::FillFromCatalogItem(CCatalog* catalog, CTrackInfo& track)
{
    LONG itemId = -1;
    CCatItem* item = nullptr;
    if (FAILED(track.GetCatalogItemId(&itemId)) || itemId == -1 ||
        !catalog->GetItemById(static_cast<DWORD>(itemId), &item))
        return FALSE;
    item->FillTrackInfo(&track);
    item->Release();
    return TRUE;
}
