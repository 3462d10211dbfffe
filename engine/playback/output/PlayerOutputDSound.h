// CPlayerOutputDSound: plays a stream through one looping DirectSound secondary buffer in the
// input's format. Open creates DirectSound and starts the device thread; the thread makes the
// buffer and, every 20 ms, refills what was played. A requested start begins only once the input
// reports its data ready, so the first thing heard is the stream, not silence or stale blocks.
//
// Threads: the owner calls Open, Start, Stop and Close; the device thread runs RunDeviceLoop at
// THREAD_PRIORITY_HIGHEST. They meet in the critical section, which covers the buffer, the fill
// count and the flags. The device thread holds it while it pulls from the input: the input's Read
// never waits for data (it hands out silence instead), so the owner's Stop waits at most one pull.
#pragma once

#include <windows.h>
#include <dsound.h>

#include "engine/core/server/SingleThreadLock.h"
#include "engine/playback/output/DirectSoundDevice.h"
#include "engine/playback/output/PlayerOutput.h"

class CPlayerOutputDSound : public CPlayerOutput {
public:
    // Writes of at least this much refill the buffer (10 ms of the mix's format).
    static constexpr DWORD kMinWriteBytes = 1764;
    static constexpr int kMaxWritesPerPass = 258;
    static constexpr DWORD kPassMs = 20;

    // device: zero for the primary device; window: for the cooperative level.
    CPlayerOutputDSound(const GUID& device, HWND window);
    ~CPlayerOutputDSound() override;

    HRESULT STDMETHODCALLTYPE Open() override;
    HRESULT STDMETHODCALLTYPE Stop() override;
    HRESULT STDMETHODCALLTYPE Close() override;
    void RunDeviceLoop() override;

private:
    bool CreateBuffer(const WAVEFORMATEX& format);
    // Under the critical section.
    void WriteOnce();
    void StartPlaying();

    CSingleThreadToken m_section;
    ComPtr<IDirectSound> m_dsound;
    ComPtr<IDirectSoundBuffer> m_buffer;
    WORD m_blockAlign = 4;
    DWORD m_bufferBytes = 0;
    CDSoundFill m_fill;
    bool m_bufferFull = false;
    GUID m_device;
    HWND m_window;
    volatile LONG m_stopFlag = 0;
};
