#include "engine/playback/output/DirectSoundDevice.h"

#include <cstring>

namespace {

// The DirectSound object and its interface, created through COM.
constexpr CLSID kDirectSoundClsid = {0x47D4D946, 0x62E8, 0x11CF, {0x93, 0xBC, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
constexpr IID kDirectSoundIid = {0x279AFA83, 0x4981, 0x11CE, {0xA5, 0x21, 0x00, 0x20, 0xAF, 0x0B, 0xE5, 0x60}};

}  // namespace

HRESULT OpenDirectSound(const GUID& device, HWND window, ComPtr<IDirectSound>& dsound)
{
    dsound.reset();
    ComPtr<IDirectSound> created;
    HRESULT hr =
        CoCreateInstance(kDirectSoundClsid, nullptr, CLSCTX_INPROC_SERVER, kDirectSoundIid, created.put_void());
    if (FAILED(hr))
        return hr;
    GUID deviceGuid = device;
    hr = created->Initialize(IsEqualGUID(device, GUID_NULL) ? nullptr : &deviceGuid);
    if (FAILED(hr))
        return hr;
    hr = created->SetCooperativeLevel(window, DSSCL_PRIORITY);
    if (FAILED(hr))
        return hr;
    DSBUFFERDESC primaryDesc{};
    primaryDesc.dwSize = sizeof(primaryDesc);
    primaryDesc.dwFlags = DSBCAPS_PRIMARYBUFFER;
    ComPtr<IDirectSoundBuffer> primary;
    hr = created->CreateSoundBuffer(&primaryDesc, primary.put(), nullptr);
    if (SUCCEEDED(hr)) {
        WAVEFORMATEX format{};
        format.wFormatTag = WAVE_FORMAT_PCM;
        format.nChannels = 2;
        format.nSamplesPerSec = 44100;
        format.wBitsPerSample = 16;
        format.nBlockAlign = 4;
        format.nAvgBytesPerSec = 44100 * 4;
        hr = primary->SetFormat(&format);
    }
    const HRESULT normal = created->SetCooperativeLevel(window, DSSCL_NORMAL);
    if (FAILED(hr))
        return hr;
    if (FAILED(normal))
        return normal;
    dsound = std::move(created);
    return S_OK;
}

void CDSoundFill::Reset(DWORD bufferBytes, DWORD blockAlign)
{
    m_size = bufferBytes;
    m_blockAlign = blockAlign ? blockAlign : 1;
    m_writeOffset = 0;
    m_queued = 0;
    m_lastPlay = 0;
    m_lastLook = 0;
}

bool CDSoundFill::Update(IDirectSoundBuffer* buffer, DWORD* freeBytes)
{
    *freeBytes = 0;
    DWORD play = 0;
    DWORD write = 0;
    if (!m_size || FAILED(buffer->GetCurrentPosition(&play, &write)))
        return false;
    const ULONGLONG now = GetTickCount64();
    ULONGLONG played = (play + m_size - m_lastPlay) % m_size;
    if (m_lastLook && m_bytesPerSecond) {
        // Whole turns are counted only when the time says more than half a turn beyond what the
        // cursor shows: a play cursor that runs behind the clock never gains a turn it did not make.
        const ULONGLONG elapsed = (now - m_lastLook) * m_bytesPerSecond / 1000;
        if (elapsed > played + m_size / 2)
            played += (elapsed - played + m_size / 2) / m_size * m_size;
    }
    m_lastPlay = play;
    m_lastLook = now;
    if (played <= m_queued) {
        m_queued -= static_cast<DWORD>(played);
    } else {
        // Ran dry: the play cursor went past what was written. Writing resumes at the write
        // cursor, the first byte not yet committed to the device.
        m_writeOffset = write - write % m_blockAlign;
        m_queued = (m_writeOffset + m_size - play) % m_size;
    }
    DWORD free = m_size - m_queued;
    free = free >= m_blockAlign ? free - m_blockAlign : 0;
    *freeBytes = free - free % m_blockAlign;
    return true;
}

void CDSoundFill::Advance(DWORD bytes)
{
    m_writeOffset = (m_writeOffset + bytes) % m_size;
    m_queued += bytes;
}

void SilenceBuffer(IDirectSoundBuffer* buffer, DWORD bytes)
{
    FillBufferRegion(buffer, 0, bytes, [](BYTE* part, DWORD partBytes, DWORD) { std::memset(part, 0, partBytes); });
}
