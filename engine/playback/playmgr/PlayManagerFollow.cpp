// The play manager's engine side: the service thread's tick and what the mix manager calls while
// it rebuilds the mix under a playing stream. Everything here runs under the global mix lock.
#include "classlib/com/ComPtr.h"
#include "engine/core/mix/MixManagerInternal.h"
#include "engine/core/server/LiveAndPendingMixLock.h"
#include "engine/core/server/ProgressStatus.h"
#include "engine/playback/graph/MixOutput.h"
#include "engine/playback/graph/PlayItem.h"
#include "engine/playback/playmgr/NowPlayingItem.h"
#include "engine/playback/playmgr/PlayManager.h"
#include "interfaces/IHostMedia.h"

#include <algorithm>
#include <vector>

namespace {
// The tick looks past the end position by this much for a pause track that would end a loop.
constexpr LONGLONG kJustBeforeEnd = 1;
// Bit 0 of a catalog item's flags: its audio can be played.
constexpr int kCatalogItemPlayable = 0x1;
}  // namespace

void CPlayManager::OnTick()
{
    CLiveAndPendingMixSingleThreadAccess lock;
    if (!m_mixOutput)
        return;
    if (m_export && m_export->GetCompletion() != S_FALSE) {
        m_export.reset();
        ReturnStreamToDevice();
        if (m_state.load() == kRecording)
            SetState(kStopped);
    }
    const LONGLONG position = m_mixOutput->GetPosition();
    const bool performing = IsPerformingNow();
    const bool changed = position != m_playPosition || (performing && position != m_heldPosition);
    m_playPosition = position;
    if (performing)
        m_heldPosition = position;
    bool entered = false;
    if (changed) {
        Post(PlayManagerUi::PositionChanged);
        if (position / kBucketLength != m_bucket) {
            m_bucket = position / kBucketLength;
            if (IsPerformingNow() && m_nowPlaying.IsEnabled())
                WriteNowPlaying(position);
            entered = true;
            m_activeItemsPending = ReconcileActiveItems(Reconcile::kHeardSoon, position);
        }
    }
    if (!entered && m_activeItemsPending)
        m_activeItemsPending = ReconcileActiveItems(Reconcile::kOne, position);
    CPlayItem* item = nullptr;
    for (int i = 0; m_playList.GetAt(i, &item); ++i) {
        if (!item->TakeActivityChange())
            continue;
        if (IsPerformingNow())
            UpdateCurrentTrack();
        Post(PlayManagerUi::ItemActivity, static_cast<int>(item->GetTrackId()));
    }

    const LONG state = m_state.load();
    if (!m_mixOutput->IsEndReached() || (state != kPlaying && state != kSolo && state != kPerforming))
        return;
    const LONGLONG end = m_endPosition;
    bool loops = false;
    if (m_loop.load() && state != kSolo && end == m_playList.GetLatestEndTime()) {
        ComPtr<IMixManagerInternal> mixManager;
        LONGLONG pause = 0;
        loops = FAILED(AcquireMixManager(mixManager.put())) ||
                !mixManager->FindNextTrackStart(end - kJustBeforeEnd, &pause);
    }
    if (loops && state == kPerforming) {
        SetState(kStopped);
        Stop();
        SetHeldPosition(0);
        StartPerformance();
    } else if (loops) {
        PlayFromStart();
    } else {
        SetState(kStopped);
        Stop();
        SetCursorPosition(end, TRUE);
        if (state == kPerforming) {
            SetHeldPosition(end);
            ComPtr<IMixManagerInternal> mixManager;
            if (SUCCEEDED(AcquireMixManager(mixManager.put())))
                mixManager->AppendPauseAtMixEnd(end);
        }
    }
}

void CPlayManager::WriteNowPlaying(LONGLONG position)
{
    ComPtr<IMixManagerInternal> mixManager;
    LONG trackId = kNoTrack;
    int index = 0;
    if (FAILED(AcquireMixManager(mixManager.put())) || !mixManager->FindTrackAtPosition(position, &trackId, &index))
        return;
    // The track's play item knows where it lies on the mix and how mix time maps into its file.
    CPlayItem* item = m_playList.FindByTrack(trackId);
    ComPtr<INowPlayingItem> catalogItem;
    if (!item || !item->GetCatalogItem() ||
        FAILED(item->GetCatalogItem()->QueryInterface(IID_INowPlayingItem, catalogItem.put_void())))
        return;
    LONGLONG fileTime = 0;
    if (FAILED(item->MixToTrackTime(&fileTime, position)))
        fileTime = 0;
    m_nowPlaying.WriteNowPlaying(catalogItem.get(), position - item->GetMixStart(), fileTime);
}

void CPlayManager::UpdateActiveItems()
{
    CLiveAndPendingMixSingleThreadAccess lock;
    // A full refresh asks the mix manager again for every item it could not prepare.
    m_unpreparedTracks.clear();
    m_activeItemsPending = ReconcileActiveItems(Reconcile::kAll, m_playPosition);
}

bool CPlayManager::ReconcileActiveItems(Reconcile scope, LONGLONG position)
{
    CLiveAndPendingMixSingleThreadAccess lock;
    if (!m_mixOutput)
        return false;
    ComPtr<IMixManagerInternal> mixManager;
    if (FAILED(AcquireMixManager(mixManager.put())))
        return false;
    const LONGLONG windowStart = m_bucket * kBucketLength;
    const LONGLONG windowEnd = windowStart + kActiveWindow;
    // The next track after the one sounding at the window's end starts rendering early, so that a
    // long cross-fade into it is ready when the window reaches it.
    const CPlayItem* following = nullptr;
    LONG trackAtEnd = kNoTrack;
    int index = 0;
    if (mixManager->FindTrackAtPosition(windowEnd, &trackAtEnd, &index))
        following = m_playList.GetNextPrimary(m_playList.FindByTrack(trackAtEnd));
    const auto unprepared = [&](const CPlayItem* item) {
        return std::find(m_unpreparedTracks.begin(), m_unpreparedTracks.end(), item->GetTrackId()) !=
               m_unpreparedTracks.end();
    };
    const auto change = [&](CPlayItem* item, bool add) {
        if (add) {
            // An item whose track cannot be loaded has nothing to render: it is heard as silence,
            // as a gap in the mix would be, and is not asked for again until the next full
            // refresh. Waiting for it would hold an export at its start for ever.
            if (mixManager->PreparePlayItem(item))
                m_mixOutput->AddInput(item);
            else
                m_unpreparedTracks.push_back(item->GetTrackId());
        } else {
            m_mixOutput->RemoveInput(item);
            mixManager->CancelPlayItemAnalysis(item);
        }
    };
    int left = 0;
    // Items the window wants that are still without an input, by mix start: an export pulls many
    // times faster than real time and must not read into them before the ticks have added them.
    std::vector<const CPlayItem*> missing;
    CPlayItem* chosen = nullptr;
    bool chosenAdds = false;
    CPlayItem* item = nullptr;
    for (int i = 0; m_playList.GetAt(i, &item); ++i) {
        bool wanted = (item->GetMixEnd() >= windowStart && item->GetMixStart() <= windowEnd) || item == following;
        int flags = 0;
        if (wanted)
            wanted = !unprepared(item) &&
                     SUCCEEDED(mixManager->GetTrackCatalogFlags(static_cast<DWORD>(item->GetTrackId()), &flags)) &&
                     (flags & kCatalogItemPlayable) != 0;
        if (wanted == m_mixOutput->HasInput(item))
            continue;
        const bool heardSoon = item->GetMixEnd() >= position && item->GetMixStart() <= position + kBucketLength;
        if (scope == Reconcile::kAll || (scope == Reconcile::kHeardSoon && wanted && heardSoon)) {
            change(item, wanted);
            continue;
        }
        ++left;
        if (wanted && item->GetMixEnd() >= position)
            missing.push_back(item);
        // Inputs before removals, the item heard first before the others.
        if (scope == Reconcile::kOne && (!chosen || (wanted && !chosenAdds) ||
                                         (wanted && chosenAdds && item->GetMixStart() < chosen->GetMixStart()))) {
            chosen = item;
            chosenAdds = wanted;
        }
    }
    if (chosen)
        change(chosen, chosenAdds);
    LONGLONG horizon = windowEnd;
    for (const CPlayItem* waiting : missing)
        if (waiting != chosen)
            horizon = std::min(horizon, waiting->GetMixStart());
    m_mixOutput->SetReadyHorizon(horizon);
    return chosen ? left > 1 : left > 0;
}

void CPlayManager::UpdateCurrentTrack()
{
    CLiveAndPendingMixSingleThreadAccess lock;
    LONG current = kNoTrack;
    const LONGLONG held = m_heldPosition;
    CPlayItem* item = nullptr;
    for (int i = 0; m_playList.GetAt(i, &item); ++i) {
        if (item->GetMixEnd() > held) {
            current = item->GetTrackId();
            break;
        }
    }
    if (current == m_currentTrackId)
        return;
    m_currentTrackId = current;
    Post(PlayManagerUi::CurrentTrack);
}

LONGLONG CPlayManager::ExplicitEnd()
{
    const LONG state = m_state.load();
    if (state == kSolo) {
        const CPlayItem* item = m_playList.FindByTrack(m_soloTrackId);
        return item ? item->GetMixEnd() : kUnsetTime;
    }
    return state == kPlaying ? m_rangeEnd : kUnsetTime;
}

void CPlayManager::UpdateEndPosition()
{
    CLiveAndPendingMixSingleThreadAccess lock;
    // An export's range was fixed when its writer took the stream's length.
    if (m_mixOutput && IsRunning() && m_state.load() != kRecording) {
        const LONGLONG explicitEnd = ExplicitEnd();
        if (explicitEnd != kUnsetTime) {
            // A range ends where it was asked to; solo playback where its item now ends.
            if (m_state.load() == kSolo)
                m_endPosition = explicitEnd;
            m_mixOutput->SetEndPosition(explicitEnd);
        } else {
            const LONGLONG end = OpenEndFrom(IsPerformingNow() ? m_heldPosition.load() : m_playPosition.load());
            m_endPosition = end;
            m_mixOutput->SetEndPosition(end);
        }
    }
    UpdateCurrentTrack();
    UpdateActiveItems();
}

void CPlayManager::FailExport()
{
    m_export->SetError(HRESULT_FROM_WIN32(ERROR_INVALID_STATE));
    EndExport();
    SetState(kStopped);
}

void CPlayManager::Reposition(LONGLONG offset, LONGLONG sequence)
{
    CLiveAndPendingMixSingleThreadAccess lock;
    if (m_export && m_export->GetCompletion() == S_FALSE) {
        FailExport();
        return;
    }
    // The stream's end moves with it (the mix output shifts its own); a range's end follows.
    if (m_rangeEnd != kUnsetTime)
        m_rangeEnd += offset;
    m_bucket = (m_playPosition + offset) / kBucketLength;
    LONGLONG position = 0;
    if (m_mixOutput) {
        m_mixOutput->Shift(offset, sequence);
        position = m_mixOutput->GetPosition();
    }
    m_playPosition = position;
    ComPtr<IHostMedia> host;
    LONGLONG told = 0;
    if (SUCCEEDED(AcquireHostMedia(host.put())) && host->OnReposition(offset, position, &told) == S_OK)
        m_playPosition = told;
    if (IsPerformingNow())
        m_heldPosition = m_playPosition.load();
}

void CPlayManager::LockPlayback()
{
    CLiveAndPendingMixSingleThreadAccess lock;
    if (m_playbackLocked)
        return;
    m_playbackLocked = true;
    // The items first: each waits for its render thread to finish the block it renders, and the
    // device thread, which takes only the mix output's lock, must not wait for that too.
    m_playList.LockAll();
    if (m_mixOutput)
        m_mixOutput->Lock();
}

void CPlayManager::UnlockPlayback()
{
    CLiveAndPendingMixSingleThreadAccess lock;
    if (!m_playbackLocked)
        return;
    m_playbackLocked = false;
    if (m_mixOutput)
        m_mixOutput->Unlock();
    m_playList.UnlockAll();
}

void CPlayManager::DetachItem(CPlayItem* item)
{
    CLiveAndPendingMixSingleThreadAccess lock;
    if (m_mixOutput && item)
        m_mixOutput->RemoveInput(item);
}

void CPlayManager::RemoveItemsOfTrack(DWORD catalogItemId)
{
    CLiveAndPendingMixSingleThreadAccess lock;
    if (!m_mixOutput)
        return;
    ComPtr<IMixManagerInternal> mixManager;
    AcquireMixManager(mixManager.put());
    CPlayItem* item = nullptr;
    for (int i = 0; m_playList.GetAt(i, &item); ++i) {
        if (item->GetCatalogItemId() != catalogItemId || !m_mixOutput->RemoveInput(item))
            continue;
        if (mixManager)
            mixManager->CancelPlayItemAnalysis(item);
    }
}

void CPlayManager::SetLoopEnabled(BOOL loop)
{
    CLiveAndPendingMixSingleThreadAccess lock;
    m_loop = loop ? 1 : 0;
    UpdateActiveItems();
}
