#include "engine/playback/preview/CatPreviewer.h"

#include <algorithm>
#include <new>

#include "classlib/com/UniqueBstr.h"
#include "engine/catalog/catalog/Catalog.h"
#include "engine/catalog/catalog/EngineMembers.h"
#include "engine/playback/output/Player.h"
#include "interfaces/EngineIids.h"
#include "interfaces/IHostMedia.h"
#include "interfaces/IPlayManager.h"

namespace {

constexpr LONGLONG kMicrosecondsPerSecond = 1000000;

// How far the preview has played, 0 to 1: the device reads on past the end until the tick stops
// it, and a video player may report a position past the length the catalog knows.
float Fraction(double played)
{
    return static_cast<float>(std::clamp(played, 0.0, 1.0));
}

}  // namespace

CCatPreviewer::CCatPreviewer(IUnknown* outer) : CUnknown(outer) {}

CCatPreviewer::~CCatPreviewer() = default;

HRESULT CCatPreviewer::NonDelegatingQueryInterface(REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    if (IsEqualIID(iid, IID_ICatPreviewer))
        return GetInterface(static_cast<ICatPreviewer*>(this), object);
    return CUnknown::NonDelegatingQueryInterface(iid, object);
}

CPlayer* CCatPreviewer::AcquirePlayer()
{
    IPlayer* player = nullptr;
    if (GetOuter() == GetInner() ||
        FAILED(GetOuter()->QueryInterface(EngineIid::PlayerInternal, reinterpret_cast<void**>(&player))) || !player)
        return nullptr;
    return static_cast<CPlayer*>(player);
}

void CCatPreviewer::Post(DWORD value)
{
    if (GetOuter() != GetInner())
        PostToQueueGroup(GetOuter(), kPreviewChangedCode, static_cast<int>(value));
}

HRESULT CCatPreviewer::SetItem(DWORD catalogItemId)
{
    CSingleThreadLock lock(&m_lock);
    if (m_item && m_itemId == catalogItemId)
        return S_FALSE;
    Clear();
    ComPtr<IUnknown> hold;
    CCatalog* catalog = GetOuter() == GetInner() ? nullptr : ReachCatalog(GetOuter(), hold);
    CCatItem* item = nullptr;
    if (!catalog || !catalog->GetItemById(catalogItemId, &item))
        return E_FAIL;
    m_item = ComPtr<CCatItem>::attach(item);
    m_itemId = catalogItemId;
    m_video = (item->GetFlagWord() & CCatItem::kFlagHostMedia) ? 1 : 0;
    m_videoPending = m_video;
    Post(catalogItemId);
    return S_OK;
}

HRESULT CCatPreviewer::Clear()
{
    CSingleThreadLock lock(&m_lock);
    RemovePreview();
    m_item.reset();
    m_itemId = kNoItem;
    m_video = 0;
    m_videoPending = 0;
    Post(kNoItem);
    return S_OK;
}

HRESULT CCatPreviewer::GetItem(DWORD* catalogItemId)
{
    if (!catalogItemId)
        return E_POINTER;
    CSingleThreadLock lock(&m_lock);
    *catalogItemId = m_item ? m_itemId : kNoItem;
    return m_item ? S_OK : S_FALSE;
}

HRESULT CCatPreviewer::GetPosition(float* fraction)
{
    if (!fraction)
        return E_POINTER;
    *fraction = 0.0f;
    CSingleThreadLock lock(&m_lock);
    if (!m_item)
        return S_FALSE;
    if (IsVideo()) {
        LONGLONG position = 0;
        LONGLONG duration = 0;
        if (!m_videoPlayer || FAILED(m_videoPlayer->GetPosition(&position)) || FAILED(m_item->GetDuration(&duration)) ||
            duration <= 0)
            return S_FALSE;
        *fraction = Fraction(static_cast<double>(position) / static_cast<double>(duration));
        return S_OK;
    }
    const ULONGLONG count = m_item->GetSampleCount();
    if (!m_playItem || count == 0)
        return S_FALSE;
    *fraction = Fraction(static_cast<double>(m_playItem->GetAudibleSample()) / static_cast<double>(count));
    return S_OK;
}

HRESULT CCatPreviewer::CanPreview()
{
    CSingleThreadLock lock(&m_lock);
    if (!m_item)
        return S_FALSE;
    // The play manager the engine hands out for IPlayManager: the pending one while it exists.
    ComPtr<IPlayManager> playManager;
    if (GetOuter() != GetInner() && SUCCEEDED(GetOuter()->QueryInterface(IID_IPlayManager, playManager.put_void())) &&
        playManager && playManager->IsPerforming() == S_OK)
        return S_FALSE;
    return S_OK;
}

HRESULT CCatPreviewer::IsPlaying()
{
    CSingleThreadLock lock(&m_lock);
    if (IsVideo())
        return m_videoPlayer ? m_videoPlayer->IsPlaying() : S_FALSE;
    return m_playItem ? m_playItem->IsActive() : S_FALSE;
}

HRESULT CCatPreviewer::Play()
{
    CSingleThreadLock lock(&m_lock);
    if (CanPreview() != S_OK)
        return E_FAIL;
    Prepare();
    if (IsVideo()) {
        if (!m_videoPlayer)
            return E_FAIL;
        m_videoPlayer->Seek(0);
        return m_videoPlayer->Play();
    }
    CPlayer* player = AcquirePlayer();
    if (!player)
        return E_FAIL;
    const bool started = m_playItem && player->SeekPreview(0) && player->StartPreview();
    player->Release();
    return started ? S_OK : E_FAIL;
}

HRESULT CCatPreviewer::NotImplemented10(DWORD, DWORD)
{
    return E_NOTIMPL;
}

HRESULT CCatPreviewer::Stop()
{
    CSingleThreadLock lock(&m_lock);
    if (IsVideo()) {
        if (m_videoPlayer) {
            m_videoPlayer->Stop();
            m_videoPlayer->Seek(0);
        }
    } else if (m_playItem) {
        if (CPlayer* player = AcquirePlayer()) {
            player->StopPreview();
            player->SeekPreview(0);
            player->Release();
        }
    }
    Post(m_item ? m_itemId : kNoItem);
    return S_OK;
}

HRESULT CCatPreviewer::SeekAhead()
{
    CSingleThreadLock lock(&m_lock);
    if (CanPreview() != S_OK)
        return E_FAIL;
    Prepare();
    // A stopped preview starts from the beginning: the jump is relative to what is being heard.
    if (IsPlaying() != S_OK)
        return Play();
    if (IsVideo()) {
        LONGLONG position = 0;
        if (!m_videoPlayer || FAILED(m_videoPlayer->GetPosition(&position)))
            return E_FAIL;
        return m_videoPlayer->Seek(position + kSeekAheadSeconds * kMicrosecondsPerSecond);
    }
    CPlayer* player = AcquirePlayer();
    if (!player)
        return E_FAIL;
    // (audible / rate + 30) x rate, kept in samples so that the jump is exactly 30 seconds.
    const LONGLONG target =
        m_playItem->GetAudibleSample() + kSeekAheadSeconds * static_cast<LONGLONG>(m_item->GetSampleRate());
    const bool moved = player->SeekPreview(target);
    player->Release();
    return moved ? S_OK : E_FAIL;
}

HRESULT CCatPreviewer::Detach()
{
    CSingleThreadLock lock(&m_lock);
    RemovePreview();
    return S_OK;
}

void CCatPreviewer::Tick()
{
    CSingleThreadLock lock(&m_lock);
    if (IsPlaying() != S_OK)
        return;
    // The device keeps pulling (silence) past the file's end; the preview ends here instead. An item
    // whose length the catalog does not know plays until it is stopped.
    if (!IsVideo() && m_playItem) {
        const ULONGLONG count = m_item->GetSampleCount();
        const LONGLONG audible = m_playItem->GetAudibleSample();
        if (count > 0 && audible >= 0 && static_cast<ULONGLONG>(audible) >= count) {
            Stop();
            return;
        }
    }
    Post(m_itemId);
}

void CCatPreviewer::Prepare()
{
    if (IsVideo())
        PrepareVideo();
    else
        PrepareAudio();
}

bool CCatPreviewer::AnyStreamRuns()
{
    CPlayer* player = AcquirePlayer();
    if (!player)
        return false;
    const bool runs = player->IsStreamRunning(CPlayer::kLiveStream) || player->IsStreamRunning(CPlayer::kPendingStream);
    player->Release();
    return runs;
}

void CCatPreviewer::PrepareVideo()
{
    // The video library's player shares the screen and the sound with the mix: no video preview
    // while the mix plays.
    if (AnyStreamRuns()) {
        RemovePreview();
        return;
    }
    if (!m_videoPending)
        return;
    RemovePreview();
    ComPtr<IHostMedia> host;
    if (GetOuter() == GetInner() || FAILED(GetOuter()->QueryInterface(IID_IHostMedia, host.put_void())) || !host)
        return;
    UniqueBstr deviceName;
    if (CPlayer* player = AcquirePlayer()) {
        PLAYER_OUTPUTCONFIG config{};
        config.size = sizeof(config);
        int deviceId = 0;
        if (SUCCEEDED(player->GetOutputConfig(&config)))
            player->GetOutputDevice(static_cast<int>(config.previewDevice), &deviceId, deviceName.put());
        player->Release();
    }
    const UniqueBstr path(m_item->GetPath());
    ComPtr<IVideoPreviewPlayer> videoPlayer;
    if (FAILED(host->CreateVideoPreview(path.get(), deviceName.get(), videoPlayer.put())) || !videoPlayer)
        return;
    m_videoPlayer = std::move(videoPlayer);
    m_videoPending = 0;
    m_active = 1;
}

void CCatPreviewer::PrepareAudio()
{
    if (m_playItem)
        return;
    CPlayer* player = AcquirePlayer();
    if (!player)
        return;
    auto item = ComPtr<CPlayItem>::attach(new (std::nothrow) CPlayItem(m_item.get(), CPlayItem::kPreviewStream, 0));
    if (item && player->AddPreview(item.get())) {
        m_playItem = std::move(item);
        m_active = 1;
    }
    player->Release();
}

void CCatPreviewer::RemovePreview()
{
    if (!m_active)
        return;
    Stop();
    m_videoPlayer.reset();
    if (m_playItem) {
        if (CPlayer* player = AcquirePlayer()) {
            player->RemovePreview();
            player->Release();
        }
        m_playItem.reset();
    }
    m_active = 0;
    m_videoPending = m_video;
}
