#include "engine/playback/output/PlayerOutputDSound3D.h"

#include <algorithm>

namespace {

// The 3D interfaces of a buffer and of the listener (the import library that defines them is not
// linked into the engine).
constexpr IID kDirectSound3DBufferIid = {0x279AFA86, 0x4981, 0x11CE, {0xA5, 0x21, 0x00, 0x20, 0xAF, 0x0B, 0xE5, 0x60}};
constexpr IID kDirectSound3DListenerIid = {
    0x279AFA84, 0x4981, 0x11CE, {0xA5, 0x21, 0x00, 0x20, 0xAF, 0x0B, 0xE5, 0x60}};

constexpr float kMinDistance = 1000.0f;
constexpr float kMaxDistance = 10000.0f;
// Speaker positions: left and right of the listener, in front of it or behind it.
constexpr float kSpeakerX = 577.0f;
constexpr float kSpeakerZ = 1000.0f;

}  // namespace

CPlayerOutputDSound3D::CPlayerOutputDSound3D(const GUID& device, HWND window, bool front)
    : m_device(device), m_window(window), m_front(front)
{}

CPlayerOutputDSound3D::~CPlayerOutputDSound3D()
{
    Close();
}

HRESULT CPlayerOutputDSound3D::Open()
{
    if (m_open || m_thread)
        return S_FALSE;
    if (!m_transfer.Allocate(BufferSize()) || FAILED(OpenDirectSound(m_device, m_window, m_dsound))) {
        m_transfer.Free();
        return E_FAIL;
    }
    ResetEvent(m_stopEvent.get());
    InterlockedExchange(&m_open, 1);
    if (m_input && !StartDeviceThread()) {
        InterlockedExchange(&m_open, 0);
        m_dsound.reset();
        return E_FAIL;
    }
    return S_OK;
}

bool CPlayerOutputDSound3D::CreateChannelBuffer(const WAVEFORMATEX& mono, ChannelBuffer& channel, float x, float z)
{
    WAVEFORMATEX format = mono;
    DSBUFFERDESC desc{};
    desc.dwSize = sizeof(desc);
    desc.dwFlags = DSBCAPS_GETCURRENTPOSITION2 | DSBCAPS_GLOBALFOCUS | DSBCAPS_CTRL3D | DSBCAPS_LOCHARDWARE;
    desc.dwBufferBytes = m_channelBytes;
    desc.lpwfxFormat = &format;
    // Without hardware 3D voices (Wine has none) the same buffer is mixed in software.
    if (FAILED(m_dsound->CreateSoundBuffer(&desc, channel.buffer.put(), nullptr))) {
        desc.dwFlags &= ~static_cast<DWORD>(DSBCAPS_LOCHARDWARE);
        if (FAILED(m_dsound->CreateSoundBuffer(&desc, channel.buffer.put(), nullptr)))
            return false;
    }
    if (FAILED(channel.buffer.query(kDirectSound3DBufferIid, channel.position)))
        return false;
    channel.position->SetMinDistance(kMinDistance, DS3D_IMMEDIATE);
    channel.position->SetMaxDistance(kMaxDistance, DS3D_IMMEDIATE);
    channel.position->SetPosition(x, 0.0f, z, DS3D_IMMEDIATE);
    channel.fill.Reset(m_channelBytes, m_bytesPerSample);
    channel.fill.SetBytesPerSecond(format.nAvgBytesPerSec);
    return true;
}

bool CPlayerOutputDSound3D::CreateBuffers(const WAVEFORMATEX& format)
{
    if (format.nChannels != kChannels || format.wBitsPerSample == 0)
        return false;
    m_bytesPerSample = static_cast<WORD>(format.wBitsPerSample / 8);
    m_blockAlign = format.nBlockAlign;
    m_channelBytes = BufferSize() / kChannels;
    m_channelBytes -= m_channelBytes % m_bytesPerSample;

    DSBUFFERDESC primaryDesc{};
    primaryDesc.dwSize = sizeof(primaryDesc);
    primaryDesc.dwFlags = DSBCAPS_PRIMARYBUFFER | DSBCAPS_CTRL3D;
    ComPtr<IDirectSoundBuffer> primary;
    if (FAILED(m_dsound->CreateSoundBuffer(&primaryDesc, primary.put(), nullptr)) ||
        FAILED(primary.query(kDirectSound3DListenerIid, m_listener)))
        return false;
    m_listener->SetPosition(0.0f, 0.0f, 0.0f, DS3D_IMMEDIATE);
    m_listener->SetRolloffFactor(0.0f, DS3D_IMMEDIATE);

    WAVEFORMATEX mono{};
    mono.wFormatTag = WAVE_FORMAT_PCM;
    mono.nChannels = 1;
    mono.nSamplesPerSec = format.nSamplesPerSec;
    mono.wBitsPerSample = format.wBitsPerSample;
    mono.nBlockAlign = m_bytesPerSample;
    mono.nAvgBytesPerSec = format.nSamplesPerSec * m_bytesPerSample;
    const float z = m_front ? kSpeakerZ : -kSpeakerZ;
    m_channels.resize(kChannels);
    return CreateChannelBuffer(mono, m_channels[0], -kSpeakerX, z) &&
           CreateChannelBuffer(mono, m_channels[1], kSpeakerX, z);
}

void CPlayerOutputDSound3D::RunDeviceLoop()
{
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_HIGHEST);
    bool made = false;
    {
        CSingleThreadLock lock(&m_section);
        WAVEFORMATEX format{};
        made = m_loopInput && SUCCEEDED(m_loopInput->GetFormat(&format)) && CreateBuffers(format);
        if (!made) {
            // Stop must find no half-made channel buffers.
            m_channels.clear();
            InterlockedExchange(&m_open, 0);
        }
    }
    while (made && WaitForSingleObject(m_stopEvent.get(), kPassMs) == WAIT_TIMEOUT) {
        CSingleThreadLock lock(&m_section);
        if (m_running) {
            WriteOnce();
            m_loopInput->SetBufferedBytes(static_cast<LONGLONG>(kChannels) * m_channels.front().fill.Queued());
        } else if (m_startRequested && m_loopInput->IsDataReady() == S_OK) {
            InterlockedExchange(&m_startRequested, 0);
            StartPlaying();
        }
    }
    CSingleThreadLock lock(&m_section);
    for (ChannelBuffer& channel : m_channels) {
        if (channel.buffer)
            channel.buffer->Stop();
    }
    m_channels.clear();
    m_listener.reset();
}

void CPlayerOutputDSound3D::WriteOnce()
{
    DWORD free = m_channelBytes;
    for (ChannelBuffer& channel : m_channels) {
        DWORD channelFree = 0;
        if (!channel.fill.Update(channel.buffer.get(), &channelFree))
            return;
        free = std::min(free, channelFree);
    }
    // Each channel's fill already keeps one sample free, one block align of the interleaved input.
    const DWORD bytes = kChannels * free;
    m_bufferFull = bytes == 0;
    if (m_bufferFull)
        return;
    BYTE* transfer = m_transfer.Get();
    m_loopInput->Read(transfer, bytes);
    const DWORD channelBytes = bytes / kChannels;
    for (WORD c = 0; c < kChannels; ++c) {
        ChannelBuffer& channel = m_channels[c];
        // Sample k of this channel lies at k x block align + c x sample size of the transfer.
        const auto split = [&](BYTE* part, DWORD partBytes, DWORD offset) {
            for (DWORD i = 0; i < partBytes; i += m_bytesPerSample) {
                const BYTE* from = transfer + (offset + i) / m_bytesPerSample * m_blockAlign + c * m_bytesPerSample;
                std::copy(from, from + m_bytesPerSample, part + i);
            }
        };
        if (FillBufferRegion(channel.buffer.get(), channel.fill.WriteOffset(), channelBytes, split))
            channel.fill.Advance(channelBytes);
    }
}

void CPlayerOutputDSound3D::StartPlaying()
{
    if (!m_bufferFull)
        WriteOnce();
    for (ChannelBuffer& channel : m_channels)
        channel.buffer->Play(0, 0, DSBPLAY_LOOPING);
    m_loopInput->SetActive(TRUE);
    InterlockedExchange(&m_running, 1);
}

HRESULT CPlayerOutputDSound3D::Stop()
{
    CSingleThreadLock lock(&m_section);
    if (m_input)
        m_input->SetActive(FALSE);
    InterlockedExchange(&m_startRequested, 0);
    InterlockedExchange(&m_running, 0);
    m_bufferFull = false;
    for (ChannelBuffer& channel : m_channels) {
        channel.buffer->Stop();
        channel.buffer->SetCurrentPosition(0);
        SilenceBuffer(channel.buffer.get(), m_channelBytes);
        channel.fill.Reset(m_channelBytes, m_bytesPerSample);
    }
    return S_OK;
}

HRESULT CPlayerOutputDSound3D::Close()
{
    SetEvent(m_stopEvent.get());
    const bool ended = WaitForDeviceThread();
    InterlockedExchange(&m_running, 0);
    InterlockedExchange(&m_open, 0);
    if (ended) {
        m_dsound.reset();
        m_transfer.Free();
    }
    return S_OK;
}
