// The player's output configuration: the IPlayer record, the stored 64-byte value and applying a
// new configuration to the streams.
#include "engine/playback/output/Player.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "classlib/core/WinApp.h"
#include "engine/playback/graph/MixOutput.h"

namespace {

constexpr wchar_t kSettings[] = L"Settings";
constexpr wchar_t kOutputConfigurationValue[] = L"Output Configuration";

unsigned ClampBufferBytes(unsigned bytes)
{
    const unsigned clamped = std::clamp(bytes, CPlayer::kMinBufferBytes, CPlayer::kMaxBufferBytes);
    return clamped / CPlayer::kBufferGranule * CPlayer::kBufferGranule;
}

}  // namespace

bool CPlayer::LoadStoredConfig()
{
    CWinApp* app = AfxGetApp();
    BYTE* data = nullptr;
    UINT bytes = 0;
    if (!app || !app->GetProfileBinary(kSettings, kOutputConfigurationValue, &data, &bytes))
        return false;
    const std::unique_ptr<BYTE[]> owned(data);
    // A value of another length is not ours to read; the default is applied as when nothing
    // is stored, so that playback is never left silently without a device.
    if (bytes != sizeof(PLAYER_STOREDCONFIG))
        return false;
    std::memcpy(&m_config, data, sizeof(m_config));
    return true;
}

void CPlayer::StoreConfig()
{
    if (CWinApp* app = AfxGetApp())
        app->WriteProfileBinary(kSettings, kOutputConfigurationValue, reinterpret_cast<const BYTE*>(&m_config),
                                sizeof(m_config));
}

int CPlayer::DeviceListIndex(const DeviceChoice& choice) const
{
    for (size_t i = 0; i < m_devices.size(); ++i) {
        if (IsEqualGUID(m_devices[i].guid, choice.guid) && m_devices[i].pairType == choice.pairType)
            return static_cast<int>(i);
    }
    return 0;
}

HRESULT CPlayer::GetOutputConfig(PLAYER_OUTPUTCONFIG* config)
{
    if (!config)
        return E_POINTER;
    CSingleThreadLock lock(&m_lock);
    config->size = sizeof(PLAYER_OUTPUTCONFIG);
    config->outputMode = m_config.outputMode;
    config->deviceKind = m_config.deviceKind;
    config->webcastFormat = static_cast<DWORD>(WebcastFormatIndex());
    config->bufferBytes = m_config.bufferBytes;
    if (m_config.deviceKind == kDirectSound) {
        config->mainDevice =
            static_cast<DWORD>(DeviceListIndex({m_config.mainIndex, m_config.mainPairType, m_config.mainGuid}));
        config->previewDevice = static_cast<DWORD>(
            DeviceListIndex({m_config.previewIndex, m_config.previewPairType, m_config.previewGuid}));
    } else {
        config->mainDevice = m_config.mainIndex;
        config->previewDevice = m_config.previewIndex;
    }
    return S_OK;
}

HRESULT CPlayer::SetOutputConfig(const PLAYER_OUTPUTCONFIG* config)
{
    if (!config)
        return E_POINTER;
    {
        CSingleThreadLock lock(&m_lock);
        ApplyConfig(*config);
    }
    // The mix manager takes the global mix lock: never called under the player's own.
    NotifyMixManager();
    return S_OK;
}

void CPlayer::ApplyConfig(const PLAYER_OUTPUTCONFIG& config)
{
    m_config.outputMode = config.outputMode;
    m_config.deviceKind = config.deviceKind;
    m_config.bufferBytes = ClampBufferBytes(config.bufferBytes);
    if (config.deviceKind == kDirectSound) {
        // A position past the end of the device list leaves that stored device as it was.
        if (config.mainDevice < m_devices.size()) {
            const DeviceEntry& main = m_devices[config.mainDevice];
            m_config.mainIndex = main.index;
            m_config.mainPairType = main.pairType;
            m_config.mainGuid = main.guid;
        }
        const DWORD preview = config.outputMode == kModeSharedDevice ? config.mainDevice : config.previewDevice;
        if (preview < m_devices.size()) {
            const DeviceEntry& entry = m_devices[preview];
            m_config.previewIndex = entry.index;
            m_config.previewPairType = entry.pairType;
            m_config.previewGuid = entry.guid;
        }
    } else {
        m_config.mainIndex = static_cast<uint16_t>(config.mainDevice);
        m_config.previewIndex =
            static_cast<uint16_t>(config.outputMode == kModeSharedDevice ? config.mainDevice : config.previewDevice);
        m_config.mainPairType = kPairStereo;
        m_config.previewPairType = kPairStereo;
        m_config.mainGuid = GUID_NULL;
        m_config.previewGuid = GUID_NULL;
    }
    if (config.webcastFormat < m_webcastFormats.size()) {
        m_config.webcastFormatType = static_cast<uint32_t>(m_webcastFormats[config.webcastFormat].type);
        m_config.webcastFormatId = static_cast<uint32_t>(m_webcastFormats[config.webcastFormat].id);
    }
    StoreConfig();

    // The preview stays unbound: the previewer adds it again for its next item. A stream that was
    // playing (or waiting for its first blocks) on its device goes on on the new one from the
    // place last heard: its old device held audio that was read but not yet played.
    std::vector<LONGLONG> resumeAt(m_streams.size(), -1);
    for (size_t i = 0; i < m_streams.size(); ++i) {
        PLAYERSTREAM_MAPITEM& stream = m_streams[i];
        if (stream.mixOutput && stream.onDevice && stream.input->IsActive() == S_OK)
            resumeAt[i] = stream.mixOutput->GetPosition();
        Unbind(stream);
    }
    for (size_t i = 0; i < m_streams.size(); ++i) {
        PLAYERSTREAM_MAPITEM& stream = m_streams[i];
        if (stream.streamId == kPreviewStream)
            continue;
        Bind(stream);
        if (resumeAt[i] < 0)
            continue;
        stream.mixOutput->ResumeFrom(resumeAt[i]);
        stream.input->SetActive(TRUE);
        if (stream.output)
            stream.output->Start();
    }
}
