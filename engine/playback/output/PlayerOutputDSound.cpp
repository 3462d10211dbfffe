#include "engine/playback/output/PlayerOutputDSound.h"

CPlayerOutputDSound::CPlayerOutputDSound(const GUID& device, HWND window) : m_device(device), m_window(window) {}

CPlayerOutputDSound::~CPlayerOutputDSound()
{
    Close();
}

HRESULT CPlayerOutputDSound::Open()
{
    if (m_open || m_thread)
        return S_FALSE;
    if (FAILED(OpenDirectSound(m_device, m_window, m_dsound)))
        return E_FAIL;
    InterlockedExchange(&m_stopFlag, 0);
    InterlockedExchange(&m_open, 1);
    if (!StartDeviceThread()) {
        InterlockedExchange(&m_open, 0);
        m_dsound.reset();
        return E_FAIL;
    }
    return S_OK;
}

bool CPlayerOutputDSound::CreateBuffer(const WAVEFORMATEX& format)
{
    m_blockAlign = format.nBlockAlign ? format.nBlockAlign : 4;
    m_bufferBytes = BufferSize() - BufferSize() % m_blockAlign;
    WAVEFORMATEX bufferFormat = format;
    DSBUFFERDESC desc{};
    desc.dwSize = sizeof(desc);
    desc.dwFlags = DSBCAPS_GETCURRENTPOSITION2 | DSBCAPS_GLOBALFOCUS;
    desc.dwBufferBytes = m_bufferBytes;
    desc.lpwfxFormat = &bufferFormat;
    if (SUCCEEDED(m_dsound->CreateSoundBuffer(&desc, m_buffer.put(), nullptr)))
        return true;
    // Older runtimes know only the first description and want software mixing spelt out.
    DSBUFFERDESC1 older{};
    older.dwSize = sizeof(older);
    older.dwFlags = DSBCAPS_GETCURRENTPOSITION2 | DSBCAPS_GLOBALFOCUS | DSBCAPS_CTRLVOLUME | DSBCAPS_CTRLPAN |
                    DSBCAPS_CTRLFREQUENCY | DSBCAPS_LOCSOFTWARE;
    older.dwBufferBytes = m_bufferBytes;
    older.lpwfxFormat = &bufferFormat;
    return SUCCEEDED(m_dsound->CreateSoundBuffer(reinterpret_cast<DSBUFFERDESC*>(&older), m_buffer.put(), nullptr));
}

void CPlayerOutputDSound::RunDeviceLoop()
{
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_HIGHEST);
    WAVEFORMATEX format{};
    bool made = false;
    {
        CSingleThreadLock lock(&m_section);
        made = m_loopInput && SUCCEEDED(m_loopInput->GetFormat(&format)) && CreateBuffer(format);
        if (made) {
            m_fill.Reset(m_bufferBytes, m_blockAlign);
            m_fill.SetBytesPerSecond(format.nAvgBytesPerSec);
        }
        InterlockedExchange(&m_open, made ? 1 : 0);
    }
    while (made && !m_stopFlag) {
        Sleep(kPassMs);
        CSingleThreadLock lock(&m_section);
        if (m_running) {
            DWORD free = 0;
            for (int i = 0; i < kMaxWritesPerPass && m_fill.Update(m_buffer.get(), &free) && free >= kMinWriteBytes;
                 ++i)
                WriteOnce();
            m_loopInput->SetBufferedBytes(m_fill.Queued());
        } else if (m_startRequested && m_loopInput->IsDataReady() == S_OK) {
            InterlockedExchange(&m_startRequested, 0);
            StartPlaying();
        }
    }
    CSingleThreadLock lock(&m_section);
    if (m_buffer)
        m_buffer->Stop();
    m_buffer.reset();
}

void CPlayerOutputDSound::WriteOnce()
{
    DWORD free = 0;
    if (!m_fill.Update(m_buffer.get(), &free))
        return;
    if (free == 0) {
        m_bufferFull = true;
        return;
    }
    m_bufferFull = false;
    // A failed lock skips this write; the next pass tries again.
    if (FillBufferRegion(m_buffer.get(), m_fill.WriteOffset(), free,
                         [this](BYTE* part, DWORD bytes, DWORD) { m_loopInput->Read(part, bytes); }))
        m_fill.Advance(free);
}

void CPlayerOutputDSound::StartPlaying()
{
    if (!m_bufferFull)
        WriteOnce();
    m_buffer->Play(0, 0, DSBPLAY_LOOPING);
    m_loopInput->SetActive(TRUE);
    InterlockedExchange(&m_running, 1);
}

HRESULT CPlayerOutputDSound::Stop()
{
    CSingleThreadLock lock(&m_section);
    if (m_input)
        m_input->SetActive(FALSE);
    // A start still waiting for data is dropped too: a stopped stream must not begin on its own.
    InterlockedExchange(&m_startRequested, 0);
    InterlockedExchange(&m_running, 0);
    m_bufferFull = false;
    if (m_buffer) {
        m_buffer->Stop();
        m_buffer->SetCurrentPosition(0);
        // Nothing written before the stop may be heard after the next start.
        SilenceBuffer(m_buffer.get(), m_bufferBytes);
        m_fill.Reset(m_bufferBytes, m_blockAlign);
    }
    return S_OK;
}

HRESULT CPlayerOutputDSound::Close()
{
    InterlockedExchange(&m_stopFlag, 1);
    const bool ended = WaitForDeviceThread();
    InterlockedExchange(&m_running, 0);
    InterlockedExchange(&m_open, 0);
    if (ended)
        m_dsound.reset();
    return S_OK;
}
