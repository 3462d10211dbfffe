#include "engine/playback/output/Player.h"

#include <new>

#include "engine/catalog/catalog/EngineMembers.h"
#include "engine/core/mix/MixManagerInternal.h"
#include "engine/playback/graph/EfxChain.h"
#include "engine/playback/graph/FinalMix.h"
#include "engine/playback/graph/MixOutput.h"
#include "engine/playback/output/PlayerOutputFactory.h"
#include "interfaces/EngineIids.h"

CPlayer::CPlayer(IUnknown* outer) : CUnknown(outer) {}

CPlayer::~CPlayer() = default;

HRESULT CPlayer::NonDelegatingQueryInterface(REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    if (IsEqualIID(iid, EngineIid::Player) || IsEqualIID(iid, EngineIid::PlayerInternal))
        return GetInterface(static_cast<IPlayer*>(this), object);
    return CUnknown::NonDelegatingQueryInterface(iid, object);
}

void CPlayer::FinalRelease()
{
    CUnknown::FinalRelease();
    CSingleThreadLock lock(&m_lock);
    for (PLAYERSTREAM_MAPITEM& stream : m_streams)
        Unbind(stream);
    m_streams.clear();
}

PLAYERSTREAM_MAPITEM* CPlayer::FindStream(int streamId)
{
    for (PLAYERSTREAM_MAPITEM& stream : m_streams) {
        if (stream.streamId == streamId)
            return &stream;
    }
    return nullptr;
}

void CPlayer::Setup(HWND window)
{
    // Setup runs once, before anyone else can reach the player: the lists are built without the
    // lock, which is never held while plug-in libraries or the video montage library are asked.
    m_window = window;
    EnumerateDevices();
    BuildExportLists();
    BuildWebcastFormats();
    {
        CSingleThreadLock lock(&m_lock);
        if (LoadStoredConfig())
            return;
    }
    const PLAYER_OUTPUTCONFIG defaults{sizeof(PLAYER_OUTPUTCONFIG), kModeSharedDevice, kDirectSound, 0, 88200, 0, 0};
    SetOutputConfig(&defaults);
}

bool CPlayer::CreateStream(int streamId, CMixOutput** output, CEfxChain** chain, CFinalMix** finalMix)
{
    if (!output || !chain || !finalMix)
        return false;
    *output = nullptr;
    *chain = nullptr;
    *finalMix = nullptr;
    CMixOutput* mixOutput = new (std::nothrow) CMixOutput();
    if (!mixOutput)
        return false;
    CEfxChain* efxChain = new (std::nothrow) CEfxChain(mixOutput);
    CFinalMix* last = efxChain ? new (std::nothrow) CFinalMix(efxChain) : nullptr;
    CSingleThreadLock lock(&m_lock);
    bool added = false;
    if (last) {
        try {
            m_streams.push_back({ComPtr<IPlayerInput>::copy(last), {}, static_cast<int16_t>(streamId), mixOutput});
            added = true;
        } catch (const std::bad_alloc&) {
        }
    }
    if (!added) {
        if (last) {
            last->Disconnect();
            last->Release();
        }
        if (efxChain)
            efxChain->Release();
        mixOutput->Release();
        return false;
    }
    Bind(m_streams.back());
    // The map holds its own reference on the final mix; the creation references of the three
    // stages stay with the stream until ReleaseStream.
    *output = mixOutput;
    *chain = efxChain;
    *finalMix = last;
    return true;
}

ComPtr<IPlayerInput> CPlayer::TakeStream(int streamId)
{
    for (auto it = m_streams.begin(); it != m_streams.end(); ++it) {
        if (it->streamId == streamId) {
            Unbind(*it);
            ComPtr<IPlayerInput> input = std::move(it->input);
            m_streams.erase(it);
            return input;
        }
    }
    return {};
}

void CPlayer::ReleaseStream(int streamId, CMixOutput* output, CEfxChain* chain)
{
    CSingleThreadLock lock(&m_lock);
    if (const ComPtr<IPlayerInput> last = TakeStream(streamId)) {
        last->Disconnect();
        // The creation reference; the map's goes with `last`.
        last->Release();
    }
    if (chain)
        chain->Release();
    if (output)
        output->Release();
}

BOOL CPlayer::StartStream(int streamId)
{
    return SwitchStream(streamId, true);
}

BOOL CPlayer::StopStream(int streamId)
{
    return SwitchStream(streamId, false);
}

BOOL CPlayer::SwitchStream(int streamId, bool run)
{
    CSingleThreadLock lock(&m_lock);
    PLAYERSTREAM_MAPITEM* stream = FindStream(streamId);
    if (!stream)
        return FALSE;
    stream->input->SetActive(run ? TRUE : FALSE);
    if (stream->output) {
        if (run)
            stream->output->Start();
        else
            stream->output->Stop();
    }
    return TRUE;
}

BOOL CPlayer::IsStreamRunning(int streamId)
{
    CSingleThreadLock lock(&m_lock);
    PLAYERSTREAM_MAPITEM* stream = FindStream(streamId);
    return stream && stream->output && stream->output->IsRunning() == S_OK;
}

void CPlayer::Bind(PLAYERSTREAM_MAPITEM& stream)
{
    if (stream.streamId == kLiveStream && m_config.outputMode == kModeWebcast)
        BindWebcast(stream);
    else if (stream.streamId == kLiveStream)
        BindDevice(stream, {m_config.mainIndex, m_config.mainPairType, m_config.mainGuid});
    else
        BindDevice(stream, {m_config.previewIndex, m_config.previewPairType, m_config.previewGuid});
    stream.onDevice = static_cast<bool>(stream.output);
}

void CPlayer::BindDevice(PLAYERSTREAM_MAPITEM& stream, const DeviceChoice& device)
{
    ComPtr<IPlayerOutput> output =
        CreateDeviceOutput(m_config.deviceKind, device.pairType, device.index, device.guid, m_window);
    if (!output)
        return;
    output->SetBufferSize(m_config.bufferBytes);
    output->AttachInput(stream.input.get(), device.pairType);
    output->Open();
    if (output->IsOpen() == S_OK) {
        stream.output = std::move(output);
        return;
    }
    output->DetachInput(stream.input.get());
}

void CPlayer::Unbind(PLAYERSTREAM_MAPITEM& stream)
{
    stream.input->SetActive(FALSE);
    if (stream.output) {
        stream.output->Close();
        stream.output->DetachInput(stream.input.get());
        stream.output.reset();
    }
    stream.onDevice = false;
    if (stream.streamId == kLiveStream && !m_webcastUrl.IsEmpty())
        SetWebcastUrl(CString());
}

void CPlayer::SetWebcastUrl(const CString& url)
{
    m_webcastUrl = url;
    if (GetOuter() != GetInner())
        PostToQueueGroup(GetOuter(), kWebcastChangedCode, 0);
}

void CPlayer::NotifyMixManager()
{
    ComPtr<IMixManagerInternal> mixManager;
    if (GetOuter() != GetInner() &&
        SUCCEEDED(GetOuter()->QueryInterface(IID_IMixManagerInternal, mixManager.put_void())) && mixManager)
        mixManager->OnOutputConfigurationChanged(FALSE);
}
