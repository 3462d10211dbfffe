// The track list operations, editing, performance commands and undo arrive with the mix
// manager's editing; until then they answer E_NOTIMPL and change nothing.
#include "engine/core/mix/MixManager.h"

#include "engine/core/server/LiveAndPendingMixLock.h"

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

HRESULT CMixManager::GetPlayPosition(LONGLONG*)
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
