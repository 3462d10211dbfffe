// Tracks made from catalog items and music files joining the mix, and tracks taking over what
// the catalog learnt of their files.
#include <new>
#include <vector>

#include "classlib/com/ComPtr.h"
#include "engine/catalog/analysis/ProfileResults.h"
#include "engine/catalog/catalog/Catalog.h"
#include "engine/catalog/catalog/EngineMembers.h"
#include "engine/catalog/files/FileMapper.h"
#include "engine/catalog/items/CatItem.h"
#include "engine/core/mix/IdListReader.h"
#include "engine/core/mix/MixManager.h"
#include "engine/core/server/LiveAndPendingMixLock.h"
#include "engine/core/track/MasterBeatMap.h"
#include "engine/core/track/Segment.h"
#include "engine/playback/playmgr/PlayManager.h"
#include "interfaces/IFileMapper.h"

namespace {

// A dropped selection of files is bounded like an id list: the list comes from another module.
constexpr int kMaxPaths = IdListReader::kMaxIds;

enum : int {
    kMusicStart = 1,
};

// A new primary track of the item: one full segment, the default markers, then what the catalog
// knows of the file (its analysis lays the mix points on that segment).
CTrackInfo* MakeItemTrack(CCatItem& item)
{
    auto* track = new (std::nothrow) CTrackInfo();
    if (!track)
        return nullptr;
    track->SetSampleInfo(item.GetSampleRate(), static_cast<LONGLONG>(item.GetSampleCount()));
    track->ResetToDefaults();
    item.FillTrackInfo(track);
    return track;
}

}  // namespace

BOOL CMixManager::MakeCatalogTracks(const std::vector<DWORD>& itemIds, CTrackInfoContainer& tracks)
{
    ComPtr<IUnknown> hold;
    CCatalog* catalog = ReachCatalog(GetOuter(), hold);
    if (!catalog)
        return FALSE;
    for (DWORD itemId : itemIds) {
        CCatItem* item = nullptr;
        if (!catalog->GetItemById(itemId, &item))
            continue;
        CTrackInfo* track = MakeItemTrack(*item);
        item->Release();
        if (!track)
            continue;
        catalog->ApplyDefaultMix(track);
        track->SetTrackId(-1);
        tracks.AppendReference(track);
        track->ReleaseFromOwner();
    }
    return TRUE;
}

BOOL CMixManager::MakeFileTracks(std::vector<CString>& paths, CTrackInfoContainer& tracks)
{
    CLiveAndPendingMixSingleThreadAccess lock;
    ComPtr<IUnknown> hold;
    CCatalog* catalog = ReachCatalog(GetOuter(), hold);
    if (!catalog)
        return FALSE;
    ComPtr<IFileMapper> mapper;
    if (SUCCEEDED(GetOuter()->QueryInterface(EngineIid::FileMapperInternal, mapper.put_void())) && mapper)
        static_cast<CFileMapper*>(mapper.get())->ResolvePaths(paths, TRUE);
    std::vector<DWORD> itemIds;
    for (const CString& path : paths) {
        CCatItem* item = nullptr;
        if (catalog->FindItemByPath(path, &item) || catalog->AddItemFromFile(path, &item, FALSE)) {
            itemIds.push_back(item->GetItemId());
            item->Release();
        }
    }
    return MakeCatalogTracks(itemIds, tracks);
}

HRESULT CMixManager::InsertCatalogItems(IItemIdList* catalogItemIds, int visiblePosition)
{
    CLiveAndPendingMixSingleThreadAccess lock;
    CTrackInfoContainer tracks;
    if (!MakeCatalogTracks(IdListReader::ReadIds(catalogItemIds), tracks) || tracks.GetCount() == 0)
        return E_FAIL;
    return InsertTracksAt(tracks, InsertIndex(visiblePosition)) > 0 ? S_OK : E_FAIL;
}

HRESULT CMixManager::InsertFiles(IPathList* paths, int visiblePosition)
{
    CLiveAndPendingMixSingleThreadAccess lock;
    std::vector<CString> files;
    BSTR text = nullptr;
    for (int i = 0; paths && i < kMaxPaths && paths->GetAt(i, &text) == S_OK; ++i) {
        if (text && *text)
            files.emplace_back(text);
        SysFreeString(text);
        text = nullptr;
    }
    CTrackInfoContainer tracks;
    if (!MakeFileTracks(files, tracks) || tracks.GetCount() == 0)
        return S_FALSE;
    return InsertTracksAt(tracks, InsertIndex(visiblePosition)) > 0 ? S_OK : S_FALSE;
}

HRESULT CMixManager::InsertCatalogItemsAtTime(IItemIdList* catalogItemIds, DWORD targetTrackId, LONGLONG mixTime)
{
    CLiveAndPendingMixSingleThreadAccess lock;
    CTrackInfoContainer tracks;
    if (!MakeCatalogTracks(IdListReader::ReadIds(catalogItemIds), tracks) || tracks.GetCount() == 0)
        return E_FAIL;
    LONG targetId = static_cast<LONG>(targetTrackId);
    int targetIndex = -1;
    if (targetId == -1)
        FindTrackAtPosition(mixTime, &targetId, &targetIndex);
    CTrackInfo* target = targetId != -1 ? FindTrack(targetId, &targetIndex) : nullptr;
    // Where the drop lands on the musical grid, relative to the target as overlays count it.
    CMusicTime dropMusic;
    BOOL haveDropMusic = m_beatMap && SUCCEEDED(m_beatMap->TimeToMusicTime(mixTime, &dropMusic));
    CMusicTime targetOffset;
    if (haveDropMusic && target)
        m_beatMap->GetTrackMusicTimeOffset(target->GetTrackIdValue(), &targetOffset);
    for (int i = 0; i < tracks.GetCount(); ++i) {
        CTrackInfo& track = *tracks.GetAt(i);
        if (track.IsPrimary()) {
            const LONGLONG first = track.MainObjects().GetEarliestStart();
            // Each segment starts at the drop, as far after it as it lay after the track's
            // first one.
            BecomeOverlay(track, target, [&](CSegment& segment) {
                const LONGLONG start = mixTime + segment.GetStart() - first;
                PlaceOverlaySegment(segment, target, start, start + segment.GetEnd() - segment.GetStart());
            });
        } else if (haveDropMusic && !track.IsPause()) {
            // An overlay from saved settings keeps its shape: all its musical times move by one
            // amount, so that its earliest start falls on the drop.
            bool any = false;
            LONGLONG earliest = 0;
            ForEachObject(track.Layers(), kTrackObjSegment, kSegmentBeat, [&](CTrackObj* object) {
                CMusicTime start;
                if (SUCCEEDED(static_cast<CSegment*>(object)->GetMusicTime(kMusicStart, &start)) &&
                    (!any || start.GetTicks() < earliest)) {
                    earliest = start.GetTicks();
                    any = true;
                }
            });
            if (any) {
                track.ShiftMusicTimes(CMusicTime(dropMusic.GetTicks() - targetOffset.GetTicks() - earliest));
                track.SetOverlayMusicTimesSet(TRUE);
            }
            track.SetLinkId(target ? target->GetTrackIdValue() : -1);
        }
    }
    return InsertTracksAt(tracks, target ? targetIndex + 1 : 0) > 0 ? S_OK : E_FAIL;
}

HRESULT CMixManager::UpdateTracksFromCatalogItem(DWORD catalogItemId)
{
    CLiveAndPendingMixSingleThreadAccess lock;
    CTrackInfo* track = nullptr;
    for (int i = 0; i < m_tracks.GetCount() && !track; ++i) {
        LONG id = -1;
        if (SUCCEEDED(m_tracks.GetAt(i)->GetCatalogItemId(&id)) && id == static_cast<LONG>(catalogItemId))
            track = m_tracks.GetAt(i);
    }
    if (!track)
        return S_OK;
    ComPtr<IUnknown> hold;
    CCatalog* catalog = ReachCatalog(GetOuter(), hold);
    CCatItem* item = nullptr;
    if (catalog && catalog->GetItemById(catalogItemId, &item)) {
        if (!track->IsProfileApplied()) {
            CProfileResults results;
            if (catalog->LoadProfile(track->GetMusicFileId(), &results))
                track->ApplyProfile(results, IsStandardMixingDefault());
            else
                item->FillTrackInfo(track);
        }
        if (item->IsFrameTableMissing())
            for (const auto& manager : m_playManagers)
                manager->RemoveItemsOfTrack(catalogItemId);
        item->Release();
    }
    // A take-over of analysis is no edit: no undo step, and an edited, unsaved mix stays marked
    // modified (a cleared flag would offer no save for the user's changes).
    RebuildMix(FALSE, FALSE, nullptr);
    return S_OK;
}
