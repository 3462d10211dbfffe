// CPlayerOutputDSound3D: plays one channel pair of a stream through DirectSound 3D, one mono 3D
// buffer per channel placed where its speaker stands (front left and right, or rear left and
// right), the listener at the origin without roll-off. The device thread splits each pull of the
// interleaved input into the channel buffers.
//
// Threads: as CPlayerOutputDSound: the owner calls Open, Start, Stop and Close; the device thread
// waits on the stop event with a 20 ms time-out at THREAD_PRIORITY_HIGHEST; the critical section
// covers the buffers, their fill counts and the flags.
#pragma once

#include <windows.h>
#include <dsound.h>

#include <vector>

#include "engine/core/server/SingleThreadLock.h"
#include "engine/core/storage/PageBuffer.h"
#include "engine/playback/output/DirectSoundDevice.h"
#include "engine/playback/output/PlayerOutput.h"

class CPlayerOutputDSound3D : public CPlayerOutput {
public:
    static constexpr DWORD kPassMs = 20;
    static constexpr WORD kChannels = 2;

    // front: the pair plays at the front speakers, else at the rear ones.
    CPlayerOutputDSound3D(const GUID& device, HWND window, bool front);
    ~CPlayerOutputDSound3D() override;

    HRESULT STDMETHODCALLTYPE Open() override;
    HRESULT STDMETHODCALLTYPE Stop() override;
    HRESULT STDMETHODCALLTYPE Close() override;
    void RunDeviceLoop() override;

private:
    struct ChannelBuffer {
        ComPtr<IDirectSoundBuffer> buffer;
        ComPtr<IDirectSound3DBuffer> position;
        CDSoundFill fill;
    };

    bool CreateBuffers(const WAVEFORMATEX& format);
    bool CreateChannelBuffer(const WAVEFORMATEX& mono, ChannelBuffer& channel, float x, float z);
    // Under the critical section.
    void WriteOnce();
    void StartPlaying();

    CSingleThreadToken m_section;
    ComPtr<IDirectSound> m_dsound;
    ComPtr<IDirectSound3DListener> m_listener;
    CPageBuffer m_transfer;
    std::vector<ChannelBuffer> m_channels;
    WORD m_bytesPerSample = 2;
    WORD m_blockAlign = 4;
    DWORD m_channelBytes = 0;
    GUID m_device;
    HWND m_window;
    bool m_front;
    bool m_bufferFull = false;
};
