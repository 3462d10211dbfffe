// Rearranging the track list: move, remove, copy and paste through the clipboard, sort and
// shuffle. Each change is one rebuild as an edit, so one undo step.
#include <exception>

#include "classlib/core/Exception.h"
#include "engine/core/mix/IdListReader.h"
#include "engine/core/mix/MixManager.h"
#include "engine/core/mix/TrackListOrder.h"
#include "engine/core/server/LiveAndPendingMixLock.h"
#include "engine/core/track/MasterBeatMap.h"

int CMixManager::InsertIndex(int visiblePosition) const
{
    const int count = m_tracks.GetCount();
    const int hidden = HiddenTrackCount();
    // The position comes from the caller: one outside the visible list means the end.
    if (visiblePosition < 0 || visiblePosition > count - hidden)
        return count;
    return visiblePosition + hidden;
}

void CMixManager::CollectTracks(IItemIdList* trackIds, CTrackInfoContainer& found) const
{
    for (DWORD id : IdListReader::ReadIds(trackIds)) {
        CTrackInfo* track = FindTrack(static_cast<LONG>(id), nullptr);
        int already = 0;
        if (track && !found.IndexOfId(track->GetTrackIdValue(), &already))
            found.AppendReference(track);
    }
}

HRESULT CMixManager::MoveTracks(IItemIdList* trackIds, int visiblePosition)
{
    CLiveAndPendingMixSingleThreadAccess lock;
    CTrackInfoContainer moved;
    CollectTracks(trackIds, moved);
    if (moved.GetCount() == 0)
        return S_FALSE;
    InsertTracksAt(moved, InsertIndex(visiblePosition));
    return S_OK;
}

HRESULT CMixManager::RemoveTracks(IItemIdList* trackIds)
{
    CLiveAndPendingMixSingleThreadAccess lock;
    bool removed = false;
    for (DWORD id : IdListReader::ReadIds(trackIds)) {
        int index = 0;
        if (FindTrack(static_cast<LONG>(id), &index)) {
            m_tracks.RemoveAt(index);
            removed = true;
        }
    }
    // Nothing listed was in the mix: no rebuild, so no empty undo step.
    if (!removed)
        return S_FALSE;
    RebuildMix(TRUE, TRUE, nullptr);
    return S_OK;
}

HRESULT CMixManager::CopyTracks(IItemIdList* trackIds)
{
    CLiveAndPendingMixSingleThreadAccess lock;
    CTrackInfoContainer copies;
    for (DWORD id : IdListReader::ReadIds(trackIds))
        if (CTrackInfo* track = FindTrack(static_cast<LONG>(id), nullptr); track && !copies.AppendCopy(*track))
            return E_OUTOFMEMORY;
    if (copies.GetCount() == 0)
        return S_FALSE;
    return copies.CopyToClipboard() ? S_OK : E_FAIL;
}

HRESULT CMixManager::CanPasteTracks()
{
    CTrackInfoContainer clip;
    return clip.CanPaste() ? S_OK : S_FALSE;
}

BOOL CMixManager::ReadWholeClipboard(CTrackInfoContainer& clip)
{
    // Any process may have written the clipboard: what does not read as a whole container is
    // not pasted at all.
    try {
        return clip.PasteFromClipboard() ? TRUE : FALSE;
    } catch (const CException&) {
        return FALSE;
    } catch (const std::exception&) {
        return FALSE;
    }
}

HRESULT CMixManager::PasteTracks(int visiblePosition)
{
    CLiveAndPendingMixSingleThreadAccess lock;
    CTrackInfoContainer clip;
    if (!clip.CanPaste() || !ReadWholeClipboard(clip) || clip.GetCount() == 0)
        return S_FALSE;
    // A paste is new material: the tracks get ids of their own at the rebuild, so pasting twice
    // gives two sets.
    clip.ClearTrackIds();
    return InsertTracksAt(clip, InsertIndex(visiblePosition)) > 0 ? S_OK : S_FALSE;
}

HRESULT CMixManager::ReorderTracks(IItemIdList* trackIds, int (*reorder)(CTrackInfoContainer&, BOOL), BOOL ascending)
{
    CLiveAndPendingMixSingleThreadAccess lock;
    if (!trackIds) {
        reorder(m_tracks, ascending);
        RebuildMix(TRUE, TRUE, nullptr);
        return S_OK;
    }
    DWORD first = 0;
    int index = 0;
    if (!IdListReader::ReadFirstId(trackIds, &first) || !FindTrack(static_cast<LONG>(first), &index))
        return S_OK;
    CTrackInfoContainer listed;
    CollectTracks(trackIds, listed);
    reorder(listed, ascending);
    InsertTracksAt(listed, index);
    return S_OK;
}

HRESULT CMixManager::SortTracksByBpm(BOOL ascending, IItemIdList* trackIds)
{
    return ReorderTracks(trackIds, SortTrackListByTempo, ascending);
}

HRESULT CMixManager::ShuffleTracks(IItemIdList* trackIds)
{
    return ReorderTracks(
        trackIds, [](CTrackInfoContainer& tracks, BOOL) { return ShuffleTrackList(tracks); }, FALSE);
}

HRESULT CMixManager::CanSortTracks(IItemIdList* trackIds)
{
    CLiveAndPendingMixSingleThreadAccess lock;
    if (!trackIds)
        return m_tracks.GetCount() >= 2 ? S_OK : S_FALSE;
    DWORD id = 0;
    return trackIds->GetAt(1, &id) == S_OK ? S_OK : S_FALSE;
}

HRESULT CMixManager::CanShuffleTracks(IItemIdList* trackIds)
{
    return CanSortTracks(trackIds);
}

HRESULT CMixManager::LookUpTrackBeatMaps(IItemIdList* trackIds)
{
    CLiveAndPendingMixSingleThreadAccess lock;
    if (!GetLivePlayManager())
        return E_FAIL;
    const std::vector<DWORD> ids = IdListReader::ReadIds(trackIds);
    if (ids.empty())
        return S_FALSE;
    for (DWORD id : ids) {
        CMusicTime offset;
        if (FindTrack(static_cast<LONG>(id), nullptr) && m_beatMap)
            m_beatMap->GetTrackMusicTimeOffset(static_cast<LONG>(id), &offset);
    }
    return S_OK;
}
