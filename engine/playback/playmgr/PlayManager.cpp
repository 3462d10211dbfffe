#include "engine/playback/playmgr/PlayManager.h"

#include <new>

#include "classlib/com/ComPtr.h"
#include "engine/core/mix/MixManagerInternal.h"
#include "engine/core/server/LiveAndPendingMixLock.h"
#include "engine/core/server/ProgressStatus.h"
#include "engine/core/time/TimeMap.h"
#include "engine/playback/graph/FinalMix.h"
#include "engine/playback/graph/MixOutput.h"
#include "engine/playback/graph/PlayItem.h"
#include "engine/playback/output/Player.h"
#include "engine/playback/output/PlayerOutputExportInfo.h"
#include "interfaces/IHostMedia.h"
#include "interfaces/IUiUpdateQueue.h"

CPlayManager::CPlayManager(IUnknown* outer, WORD streamId) : CUnknown(outer), m_streamId(streamId)
{
    CLiveAndPendingMixSingleThreadAccess lock;
    if (CPlayer* player = AcquirePlayer()) {
        if (!player->CreateStream(m_streamId, &m_mixOutput, &m_efxChain, &m_finalMix)) {
            m_mixOutput = nullptr;
            m_efxChain = nullptr;
            m_finalMix = nullptr;
        }
        player->Release();
    }
}

HRESULT CPlayManager::NonDelegatingQueryInterface(REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    if (IsEqualIID(iid, IID_IPlayManager) || IsEqualIID(iid, IID_IPlayManagerLive))
        return GetInterface(static_cast<IPlayManager*>(this), object);
    return CUnknown::NonDelegatingQueryInterface(iid, object);
}

void CPlayManager::FinalRelease()
{
    CUnknown::FinalRelease();
    Close();
}

void CPlayManager::Close()
{
    CLiveAndPendingMixSingleThreadAccess lock;
    if (m_closed)
        return;
    m_closed = true;
    UnlockPlayback();
    CPlayItem* item = nullptr;
    while (m_playList.GetLast(&item)) {
        m_playList.Remove(item);
        DetachItem(item);
        item->Release();
    }
    if (CPlayer* player = AcquirePlayer()) {
        if (m_mixOutput)
            player->ReleaseStream(m_streamId, m_mixOutput, m_efxChain);
        player->Release();
    }
    m_mixOutput = nullptr;
    m_efxChain = nullptr;
    m_finalMix = nullptr;
}

CPlayer* CPlayManager::AcquirePlayer()
{
    IPlayer* player = nullptr;
    if (FAILED(GetOuter()->QueryInterface(EngineIid::Player, reinterpret_cast<void**>(&player))) || !player)
        return nullptr;
    return static_cast<CPlayer*>(player);
}

HRESULT CPlayManager::AcquireMixManager(IMixManagerInternal** mixManager)
{
    return GetOuter()->QueryInterface(IID_IMixManagerInternal, reinterpret_cast<void**>(mixManager));
}

HRESULT CPlayManager::AcquireHostMedia(IHostMedia** hostMedia)
{
    *hostMedia = nullptr;
    if (m_streamId != 0)
        return E_NOINTERFACE;
    return GetOuter()->QueryInterface(IID_IHostMedia, reinterpret_cast<void**>(hostMedia));
}

void CPlayManager::Post(int code, int value)
{
    ComPtr<IUiUpdateQueue> queue;
    if (SUCCEEDED(GetOuter()->QueryInterface(IID_IUiUpdateQueue, queue.put_void())))
        queue->PostUpdate(code, value, FALSE);
}

bool CPlayManager::IsRunning()
{
    CPlayer* player = AcquirePlayer();
    if (!player)
        return false;
    const bool running = player->IsStreamRunning(m_streamId);
    player->Release();
    return running;
}

void CPlayManager::EndExport()
{
    if (!m_export)
        return;
    m_export->RequestCancel();
    m_export.reset();
    ReturnStreamToDevice();
}

void CPlayManager::StopStream()
{
    EndExport();
    StopDevice();
    ComPtr<IHostMedia> host;
    if (SUCCEEDED(AcquireHostMedia(host.put())))
        host->OnPlayStopped();
}

void CPlayManager::StopDevice()
{
    if (CPlayer* player = AcquirePlayer()) {
        player->StopStream(m_streamId);
        player->Release();
    }
}

bool CPlayManager::IsStarted()
{
    const LONG state = m_state.load();
    return IsRunning() || state == kPlaying || state == kLooping || state == kSolo || state == kPerforming;
}

void CPlayManager::StartStream(LONGLONG start)
{
    ComPtr<IHostMedia> host;
    AcquireHostMedia(host.put());
    if (host)
        host->OnPlayStarting(start, this);
    if (CPlayer* player = AcquirePlayer()) {
        player->StartStream(m_streamId);
        player->Release();
    }
    if (host)
        host->OnPlayStarted(start, this);
}

LONGLONG CPlayManager::OpenEndFrom(LONGLONG from)
{
    ComPtr<IMixManagerInternal> mixManager;
    LONGLONG pause = 0;
    if (SUCCEEDED(AcquireMixManager(mixManager.put())) && mixManager->FindNextTrackStart(from, &pause))
        return pause;
    return m_playList.GetLatestEndTime();
}

void CPlayManager::PlayFrom(LONGLONG start, LONGLONG end)
{
    EndExport();
    StopDevice();
    m_bucket = start / kBucketLength;
    UpdateActiveItems();
    m_rangeEnd = kUnsetTime;
    if (end == kUnsetTime)
        end = OpenEndFrom(start);
    m_endPosition = end;
    if (m_mixOutput) {
        m_mixOutput->SetEndPosition(end);
        m_mixOutput->SeekTo(start);
    }
    m_playPosition = start;
    StartStream(start);
    Post(PlayManagerUi::PlaybackStarted);
}

HRESULT CPlayManager::PlayFromCursor()
{
    CLiveAndPendingMixSingleThreadAccess lock;
    if (IsTransportHeld())
        return S_FALSE;
    PlayFromPosition(m_cursorPosition);
    return S_OK;
}

HRESULT CPlayManager::PlayFromStart()
{
    CLiveAndPendingMixSingleThreadAccess lock;
    if (IsTransportHeld())
        return E_FAIL;
    m_playList.ClearSolo();
    m_soloTrackId = kNoTrack;
    m_bucket = 0;
    SetState(kPlaying);
    PlayFrom(0, kUnsetTime);
    return S_OK;
}

HRESULT CPlayManager::PlayFromPosition(LONGLONG position)
{
    CLiveAndPendingMixSingleThreadAccess lock;
    if (IsTransportHeld())
        return S_FALSE;
    StopStream();
    m_playList.ClearSolo();
    m_soloTrackId = kNoTrack;
    SetState(kPlaying);
    PlayFrom(position, kUnsetTime);
    return S_OK;
}

HRESULT CPlayManager::PlayRange(LONGLONG start, LONGLONG end, BOOL loop)
{
    CLiveAndPendingMixSingleThreadAccess lock;
    if (IsTransportHeld())
        return S_FALSE;
    EndExport();
    StopDevice();
    m_playList.ClearSolo();
    m_soloTrackId = kNoTrack;
    m_rangeEnd = loop ? kUnsetTime : end;
    Post(PlayManagerUi::PlaybackStarted);
    m_bucket = start / kBucketLength;
    UpdateActiveItems();
    ComPtr<IHostMedia> host;
    AcquireHostMedia(host.put());
    if (m_mixOutput)
        m_mixOutput->SeekTo(start);
    if (host)
        host->OnPlayStarting(start, this);
    if (loop) {
        if (m_mixOutput) {
            m_mixOutput->SetLoop(end, start, TRUE);
            m_mixOutput->SetEndPosition(m_playList.GetLatestEndTime());
        }
        SetState(kLooping);
    } else {
        if (m_mixOutput)
            m_mixOutput->SetEndPosition(end);
        SetState(kPlaying);
    }
    if (CPlayer* player = AcquirePlayer()) {
        player->StartStream(m_streamId);
        player->Release();
    }
    if (host)
        host->OnPlayStarted(start, this);
    return S_OK;
}

HRESULT CPlayManager::StartPerformance()
{
    CLiveAndPendingMixSingleThreadAccess lock;
    if (IsTransportHeld())
        return S_FALSE;
    m_playList.ClearSolo();
    m_soloTrackId = kNoTrack;
    SetState(kPerforming);
    PlayFrom(m_heldPosition, kUnsetTime);
    return S_OK;
}

HRESULT CPlayManager::StopPerformance()
{
    // Under the global mix lock like every other command: the tick restarts a looping
    // performance at the mix end, and an unlocked stop could land between its steps.
    CLiveAndPendingMixSingleThreadAccess lock;
    if (m_cdBurner)
        return S_FALSE;
    // A performance still waiting for its first blocks is stopped too: its device would
    // otherwise start later in state 0, which nothing ever ends.
    if (IsStarted())
        StopStream();
    SetState(kStopped);
    return S_OK;
}

HRESULT CPlayManager::TogglePause()
{
    CLiveAndPendingMixSingleThreadAccess lock;
    if (IsTransportHeld())
        return S_FALSE;
    CPlayer* player = AcquirePlayer();
    if (!player)
        return S_OK;
    player->Release();
    // A start still waiting for its first blocks pauses too (at the place it was to start from).
    if (IsStarted()) {
        // The tick's position may be up to one period old: the pause lands where the stream is.
        if (m_mixOutput)
            m_playPosition = m_mixOutput->GetPosition();
        StopStream();
        SetState(kStopped);
        SetCursorPosition(m_playPosition, TRUE);
    } else {
        PlayFromPosition(m_cursorPosition);
    }
    return S_OK;
}

HRESULT CPlayManager::SkipToNextTrack()
{
    return SkipTo(TRUE);
}

HRESULT CPlayManager::SkipToPreviousTrack()
{
    return SkipTo(FALSE);
}

HRESULT CPlayManager::SkipTo(BOOL next)
{
    CLiveAndPendingMixSingleThreadAccess lock;
    if (IsTransportHeld())
        return E_FAIL;
    m_playList.ClearSolo();
    m_soloTrackId = kNoTrack;
    const LONGLONG from = m_state.load() == kPlaying ? m_playPosition.load() : m_cursorPosition.load();
    ComPtr<IMixManagerInternal> mixManager;
    LONGLONG start = 0;
    if (SUCCEEDED(AcquireMixManager(mixManager.put())) &&
        SUCCEEDED(mixManager->FindAdjacentTrackStart(from, next, &start))) {
        SetState(kPlaying);
        PlayFrom(start, kUnsetTime);
        return S_OK;
    }
    return PlayFromStart();
}

HRESULT CPlayManager::CanPlay()
{
    CLiveAndPendingMixSingleThreadAccess lock;
    return m_playList.GetCount() > 0 && IsPerforming() == S_FALSE ? S_OK : S_FALSE;
}

HRESULT CPlayManager::CanStartPerformance()
{
    return CanPlay();
}

HRESULT CPlayManager::CanPause()
{
    return IsRunning() && !IsPerformingNow() ? S_OK : S_FALSE;
}

HRESULT CPlayManager::CanStopPerformance()
{
    return IsRunning() && IsPerformingNow() ? S_OK : S_FALSE;
}

HRESULT CPlayManager::CanSkipToNext()
{
    CLiveAndPendingMixSingleThreadAccess lock;
    return m_playList.GetCount() > 0 && !IsPerformingNow() ? S_OK : S_FALSE;
}

HRESULT CPlayManager::CanSkipToPrevious()
{
    return CanSkipToNext();
}

HRESULT CPlayManager::GetCursorPosition(LONGLONG* position)
{
    if (!position)
        return E_POINTER;
    *position = m_cursorPosition;
    return S_OK;
}

HRESULT CPlayManager::SetCursorPosition(LONGLONG position, BOOL notify)
{
    m_cursorPosition = position;
    if (notify)
        Post(PlayManagerUi::CursorSet);
    return S_OK;
}

HRESULT CPlayManager::GetPlayPosition(LONGLONG* position)
{
    if (!position)
        return E_POINTER;
    *position = m_playPosition;
    return S_OK;
}

HRESULT CPlayManager::GetHeldPosition(LONGLONG* position)
{
    if (!position)
        return E_POINTER;
    *position = m_heldPosition;
    return S_OK;
}

HRESULT CPlayManager::SetHeldPosition(LONGLONG position)
{
    if (IsPerformingNow())
        return S_OK;
    m_heldPosition = position;
    UpdateCurrentTrack();
    Post(PlayManagerUi::PositionChanged);
    return S_OK;
}

HRESULT CPlayManager::IsTrackActive(DWORD trackId)
{
    CLiveAndPendingMixSingleThreadAccess lock;
    CPlayItem* item = m_playList.FindByTrack(static_cast<LONG>(trackId));
    return item ? item->IsActive() : S_FALSE;
}

HRESULT CPlayManager::IsPlaying()
{
    return IsRunning() ? S_OK : S_FALSE;
}

HRESULT CPlayManager::IsPlayingNormally()
{
    return IsRunning() && !IsPerformingNow() ? S_OK : S_FALSE;
}

HRESULT CPlayManager::IsPerforming()
{
    return IsRunning() && IsPerformingNow() ? S_OK : S_FALSE;
}

HRESULT CPlayManager::UpdateLoopRange(LONGLONG start, LONGLONG end)
{
    // Locked for the same reason as StopPerformance: it changes the mix output under the tick.
    CLiveAndPendingMixSingleThreadAccess lock;
    if (m_state.load() == kLooping && m_mixOutput) {
        m_mixOutput->SetEndPosition(m_playList.GetLatestEndTime());
        m_mixOutput->SetLoop(end, start, TRUE);
    }
    return S_OK;
}

HRESULT CPlayManager::ExportMix(BSTR path, const MixExportOptions* options, IProgressStatus** progress)
{
    if (!progress)
        return E_POINTER;
    *progress = nullptr;
    if (!path || !options)
        return E_POINTER;
    CLiveAndPendingMixSingleThreadAccess lock;
    // One export at a time; one that has ended but whose stream the tick has not yet returned
    // is put back by the stop below.
    if (IsTransportHeld() || (m_export && m_export->GetCompletion() == S_FALSE))
        return E_FAIL;
    Stop();
    m_playList.ClearSolo();
    m_soloTrackId = kNoTrack;
    m_bucket = 0;
    UpdateActiveItems();
    ComPtr<IMixManagerInternal> mixManager;
    CPlayerOutputExportInfo tracks;
    if (FAILED(AcquireMixManager(mixManager.put())) ||
        FAILED(mixManager->BuildExportTrackList(CPlayerOutputExportInfo::kTrackEnds, &tracks)))
        return E_FAIL;
    if (options->perTrackInfo) {
        CString title;
        CString artist;
        for (int i = 0; tracks.GetItem(i, nullptr, &title, &artist, nullptr); ++i)
            if (title.IsEmpty() || artist.IsEmpty())
                return E_FAIL;
    }
    CPlayer* player = AcquirePlayer();
    if (!player || !m_mixOutput) {
        if (player)
            player->Release();
        return E_FAIL;
    }
    auto status = ComPtr<CProgressStatus>::attach(new (std::nothrow) CProgressStatus());
    if (!status) {
        player->Release();
        return E_OUTOFMEMORY;
    }
    SetState(kRecording);
    const LONGLONG end = m_playList.GetLatestEndTime();
    m_endPosition = end;
    m_mixOutput->SetEndPosition(end);
    m_mixOutput->SeekTo(0);
    m_playPosition = 0;
    const HRESULT hr = player->BindExport(m_streamId, options->exportType, options->formatId, path,
                                          options->perTrackInfo ? &tracks : nullptr, status.get());
    player->Release();
    if (FAILED(hr)) {
        SetState(kStopped);
        return hr;
    }
    m_export = status;
    *progress = status.detach();
    return S_OK;
}

void CPlayManager::ReturnStreamToDevice()
{
    if (CPlayer* player = AcquirePlayer()) {
        player->ReturnToDevice(m_streamId);
        player->Release();
    }
}

HRESULT CPlayManager::PlayTrack(DWORD trackId)
{
    return PlaySolo(trackId, true);
}

HRESULT CPlayManager::PlayTrackFromStart(DWORD trackId)
{
    return PlaySolo(trackId, false);
}

HRESULT CPlayManager::PlaySolo(DWORD trackId, bool fromCursor)
{
    CLiveAndPendingMixSingleThreadAccess lock;
    if (IsTransportHeld())
        return E_FAIL;
    m_playList.ClearSolo();
    m_soloTrackId = kNoTrack;
    CPlayItem* item = m_playList.FindByTrack(static_cast<LONG>(trackId));
    if (!item)
        return S_OK;
    m_playList.Solo(item);
    m_soloTrackId = item->GetTrackId();
    SetState(kSolo);
    LONGLONG start = m_cursorPosition;
    if (!fromCursor || start < item->GetMixStart() || start >= item->GetMixEnd())
        start = item->GetMixStart();
    PlayFrom(start, item->GetMixEnd());
    return S_OK;
}

HRESULT CPlayManager::Stop()
{
    CLiveAndPendingMixSingleThreadAccess lock;
    if (IsTransportHeld())
        return S_FALSE;
    StopStream();
    SetState(kStopped);
    return S_OK;
}

HRESULT CPlayManager::StopTrack(DWORD)
{
    if (IsTransportHeld())
        return E_FAIL;
    Stop();
    return S_OK;
}

HRESULT CPlayManager::GetOutputLevels(float* left, float* right, float* leftHold, float* rightHold)
{
    if (!left || !right || !leftHold || !rightHold)
        return E_POINTER;
    if (!m_finalMix)
        return E_FAIL;
    const BOOL running = IsRunning() && m_state.load() != kRecording;
    return m_finalMix->GetLevels(left, right, leftHold, rightHold, running);
}

HRESULT CPlayManager::GetNowPlayingSettings(BOOL* fileEnabled, BSTR* sourceFile, BSTR* destinationFile,
                                            BOOL* logEnabled, BSTR* logDirectory)
{
    if (!fileEnabled || !sourceFile || !destinationFile || !logEnabled || !logDirectory)
        return E_POINTER;
    CString source;
    CString destination;
    CString directory;
    m_nowPlaying.GetSettings(fileEnabled, &source, &destination, logEnabled, &directory);
    *sourceFile = source.AllocSysString();
    *destinationFile = destination.AllocSysString();
    *logDirectory = directory.AllocSysString();
    return S_OK;
}

HRESULT CPlayManager::SetNowPlayingSettings(BOOL fileEnabled, LPCWSTR sourceFile, LPCWSTR destinationFile,
                                            BOOL logEnabled, LPCWSTR logDirectory)
{
    m_nowPlaying.SetSettings(fileEnabled, sourceFile, destinationFile, logEnabled, logDirectory);
    return S_OK;
}
