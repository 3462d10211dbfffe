// The track list operations, editing, performance commands and undo arrive with the mix
// manager's editing; until then they answer E_NOTIMPL and change nothing.
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

HRESULT CMixManager::MixIntoNextTrackNow()
{
    return E_NOTIMPL;
}

HRESULT CMixManager::FadeOutCurrentTrack()
{
    return E_NOTIMPL;
}

HRESULT CMixManager::PauseAfterCurrentTrack()
{
    return E_NOTIMPL;
}

HRESULT CMixManager::CanMixIntoNextTrack()
{
    return E_NOTIMPL;
}

HRESULT CMixManager::CanFadeOutCurrentTrack()
{
    return E_NOTIMPL;
}

HRESULT CMixManager::CanPauseAfterCurrentTrack()
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

HRESULT CMixManager::GetPlayPosition(LONGLONG*)
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

HRESULT CMixManager::CanInsertPauseAfterTrack(IItemIdList*)
{
    return E_NOTIMPL;
}

HRESULT CMixManager::InsertPauseAfterTrack(IItemIdList*)
{
    return E_NOTIMPL;
}

HRESULT CMixManager::CanCueTrack(IItemIdList*)
{
    return E_NOTIMPL;
}

HRESULT CMixManager::CueTrack(IItemIdList*)
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

HRESULT CMixManager::IsEditCopyUnchanged(DWORD, int)
{
    return E_NOTIMPL;
}

HRESULT CMixManager::BeginTrackEdit(DWORD, ITrackEditItem**)
{
    return E_NOTIMPL;
}

HRESULT CMixManager::EndTrackEdit(ITrackEditItem*)
{
    return E_NOTIMPL;
}

HRESULT CMixManager::GetFirstVisibleTrackStart(LONGLONG*)
{
    return E_NOTIMPL;
}

HRESULT CMixManager::CommitTrackEdits(IItemIdList*, BOOL)
{
    return E_NOTIMPL;
}

HRESULT CMixManager::SetShowPerformedTracks(BOOL)
{
    return E_NOTIMPL;
}

HRESULT CMixManager::GetShowPerformedTracks()
{
    return E_NOTIMPL;
}

HRESULT CMixManager::AddEffectClipToTracks(IItemIdList*, int, LONGLONG, LONGLONG)
{
    return E_NOTIMPL;
}

HRESULT CMixManager::SplitSegmentsAt(IItemIdList*, LONGLONG)
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

HRESULT CMixManager::CopyTrackObjects(IItemIdList*)
{
    return E_NOTIMPL;
}

HRESULT CMixManager::DeleteTrackObjects(IItemIdList*)
{
    return E_NOTIMPL;
}

HRESULT CMixManager::PasteTrackObjects(IItemIdList*, LONGLONG)
{
    return E_NOTIMPL;
}

HRESULT CMixManager::CanPasteTrackObjects()
{
    return E_NOTIMPL;
}

HRESULT CMixManager::CopyTrackRange(IItemIdList*, LONGLONG, LONGLONG)
{
    return E_NOTIMPL;
}

HRESULT CMixManager::DeleteTrackRange(IItemIdList*, LONGLONG, LONGLONG)
{
    return E_NOTIMPL;
}

HRESULT CMixManager::ResetTransitions(IItemIdList*)
{
    return E_NOTIMPL;
}

HRESULT CMixManager::IsLoopEnabled()
{
    return E_NOTIMPL;
}

HRESULT CMixManager::SetLoopEnabled(BOOL)
{
    return E_NOTIMPL;
}

HRESULT CMixManager::InsertCatalogItemsAtTime(IItemIdList*, DWORD, LONGLONG)
{
    return E_NOTIMPL;
}

BOOL CMixManager::IsPerformanceRunning()
{
    CLiveAndPendingMixSingleThreadAccess lock;
    return m_playManagers.size() > 1 ? TRUE : FALSE;
}

HRESULT CMixManager::ResetObjectMarkers(IItemIdList*)
{
    return E_NOTIMPL;
}

HRESULT CMixManager::AlignOverlayTracks()
{
    return E_NOTIMPL;
}

HRESULT CMixManager::CanAlignOverlayTracks()
{
    return E_NOTIMPL;
}

HRESULT CMixManager::UpdateTracksFromCatalogItem(DWORD)
{
    return E_NOTIMPL;
}

HRESULT CMixManager::ReverseTrackRange(IItemIdList*, LONGLONG, LONGLONG)
{
    return E_NOTIMPL;
}

HRESULT CMixManager::ReverseTrackObjects(IItemIdList*)
{
    return E_NOTIMPL;
}

HRESULT CMixManager::GetTrackAtTime(LONGLONG, DWORD*, int*)
{
    return E_NOTIMPL;
}

HRESULT CMixManager::LookUpTrackBeatMaps(IItemIdList*)
{
    return E_NOTIMPL;
}
