// Undo and redo: the mix steps back or forward to a whole snapshot written after an edit.
#include "classlib/com/ComPtr.h"
#include "engine/core/mix/MixManager.h"
#include "engine/core/server/LiveAndPendingMixLock.h"
#include "engine/playback/effects/EfxManager.h"
#include "interfaces/IVideoMontage.h"

HRESULT CMixManager::CanUndo()
{
    CLiveAndPendingMixSingleThreadAccess lock;
    // The last snapshot is the current state, not a step.
    return m_undo && m_undo->GetUndoCount() >= 2 ? S_OK : S_FALSE;
}

HRESULT CMixManager::CanRedo()
{
    CLiveAndPendingMixSingleThreadAccess lock;
    return m_undo && m_undo->GetRedoCount() > 0 ? S_OK : S_FALSE;
}

HRESULT CMixManager::Undo()
{
    return RestoreSnapshot(FALSE);
}

HRESULT CMixManager::Redo()
{
    return RestoreSnapshot(TRUE);
}

HRESULT CMixManager::RestoreSnapshot(BOOL redo)
{
    CLiveAndPendingMixSingleThreadAccess lock;
    // The store moves a lone snapshot to the redo list without loading anything: that is no
    // step, and must leave both lists as they are.
    if ((redo ? CanRedo() : CanUndo()) != S_OK)
        return S_FALSE;
    ComPtr<IVideoMontage> montage;
    ComPtr<IVideoClipList> video;
    if (SUCCEEDED(AcquireVideo(montage.put())))
        montage->GetVideoState(video.put());
    CTrackInfoContainer tracks;
    CMixGlobals globals;
    const BOOL restored =
        redo ? m_undo->Redo(tracks, globals, video.get()) : m_undo->Undo(tracks, globals, video.get());
    if (!restored)
        return S_FALSE;
    m_tracks.TakeAllFrom(tracks);
    m_globals.CopyFrom(globals);
    if (m_efxManager)
        m_efxManager->SetEffectList(m_globals.Effects());
    // No new snapshot, and the modified flag keeps its value.
    RebuildMix(FALSE, TRUE, video.get());
    return S_OK;
}
