// The track list operations and undo arrive with the mix manager's list editing; until then they
// answer E_NOTIMPL and change nothing.
#include "engine/core/mix/MixManager.h"

#include "engine/core/server/LiveAndPendingMixLock.h"

HRESULT CMixManager::InsertCatalogItems(IItemIdList*, int)
{
    return E_NOTIMPL;
}

HRESULT CMixManager::MoveTracks(IItemIdList*, int)
{
    return E_NOTIMPL;
}

HRESULT CMixManager::InsertFiles(IPathList*, int)
{
    return E_NOTIMPL;
}

HRESULT CMixManager::PasteTracks(int)
{
    return E_NOTIMPL;
}

HRESULT CMixManager::CanPasteTracks()
{
    return E_NOTIMPL;
}

HRESULT CMixManager::CopyTracks(IItemIdList*)
{
    return E_NOTIMPL;
}

HRESULT CMixManager::RemoveTracks(IItemIdList*)
{
    return E_NOTIMPL;
}

HRESULT CMixManager::CanEditTrackProperties(IItemIdList*)
{
    return E_NOTIMPL;
}

HRESULT CMixManager::HasSavedTrackSettings(IItemIdList*)
{
    return E_NOTIMPL;
}

HRESULT CMixManager::IsBeatMixed(IItemIdList*)
{
    return E_NOTIMPL;
}

HRESULT CMixManager::IsStandardMixed(IItemIdList*)
{
    return E_NOTIMPL;
}

HRESULT CMixManager::CanSetBeatMixing(IItemIdList*)
{
    return E_NOTIMPL;
}

HRESULT CMixManager::CanSetStandardMixing(IItemIdList*)
{
    return E_NOTIMPL;
}

HRESULT CMixManager::SetBeatMixing(IItemIdList*)
{
    return E_NOTIMPL;
}

HRESULT CMixManager::SetStandardMixing(IItemIdList*)
{
    return E_NOTIMPL;
}

HRESULT CMixManager::HasPrimaryTrack(IItemIdList*)
{
    return E_NOTIMPL;
}

HRESULT CMixManager::HasOverlayTrack(IItemIdList*)
{
    return E_NOTIMPL;
}

HRESULT CMixManager::MakePrimaryTracks(IItemIdList*)
{
    return E_NOTIMPL;
}

HRESULT CMixManager::MakeOverlayTracks(IItemIdList*)
{
    return E_NOTIMPL;
}

HRESULT CMixManager::NotImplemented39()
{
    return E_FAIL;
}

HRESULT CMixManager::RestoreSavedTrackSettings(IItemIdList*)
{
    return E_NOTIMPL;
}

HRESULT CMixManager::ApplyCatalogSettings(IItemIdList*)
{
    return E_NOTIMPL;
}

HRESULT CMixManager::SortTracksByBpm(BOOL, IItemIdList*)
{
    return E_NOTIMPL;
}

HRESULT CMixManager::CanSortTracks(IItemIdList*)
{
    return E_NOTIMPL;
}

HRESULT CMixManager::ShuffleTracks(IItemIdList*)
{
    return E_NOTIMPL;
}

HRESULT CMixManager::CanShuffleTracks(IItemIdList*)
{
    return E_NOTIMPL;
}

HRESULT CMixManager::CanUndo()
{
    return E_NOTIMPL;
}

HRESULT CMixManager::CanRedo()
{
    return E_NOTIMPL;
}

HRESULT CMixManager::Undo()
{
    return E_NOTIMPL;
}

HRESULT CMixManager::Redo()
{
    return E_NOTIMPL;
}

HRESULT CMixManager::InsertCatalogItemsAtTime(IItemIdList*, DWORD, LONGLONG)
{
    return E_NOTIMPL;
}

HRESULT CMixManager::UpdateTracksFromCatalogItem(DWORD)
{
    return E_NOTIMPL;
}

HRESULT CMixManager::LookUpTrackBeatMaps(IItemIdList*)
{
    return E_NOTIMPL;
}
