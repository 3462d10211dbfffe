// CPlayerOutputWaveOut: plays a stream through a wave-out device with four headers of a quarter
// of the buffer size each. The device is open only while the output runs: the loop opens it for
// a start and resets and closes it after a stop, so a stop discards everything still queued.
//
// Threads: the owner calls Open, Start, Stop and Close and changes only the flags. The device
// thread (waiting on the stop event with a 20 ms time-out) does every wave-out call. The
// system's callback thread only clears a slot's queued flag and the interlocked queued count,
// because wave-out functions must not be called from the callback. The critical section covers
// one pass of the loop and Stop: once Stop returns no pull is under way, so the owner may seek
// the input without a pull moving it on afterwards. The callback never takes it.
#pragma once

#include <windows.h>
#include <mmsystem.h>

#include <array>

#include "engine/core/server/SingleThreadLock.h"
#include "engine/core/storage/PageBuffer.h"
#include "engine/playback/output/PlayerOutput.h"

class CPlayerOutputWaveOut : public CPlayerOutput {
public:
    static constexpr int kSlotCount = 4;
    static constexpr DWORD kPassMs = 20;

    // The seam through which every output hands a header to the device: a test puts a refusing
    // function in place of waveOutWrite to see what a refused write leaves behind. NULL restores
    // the platform's; answers the one it replaces.
    using WriteFunction = MMRESULT(WINAPI*)(HWAVEOUT device, WAVEHDR* header, UINT size);
    static WriteFunction SetWriteFunction(WriteFunction write);

    explicit CPlayerOutputWaveOut(UINT deviceId);
    ~CPlayerOutputWaveOut() override;

    HRESULT STDMETHODCALLTYPE Open() override;
    HRESULT STDMETHODCALLTYPE Stop() override;
    HRESULT STDMETHODCALLTYPE Close() override;
    void RunDeviceLoop() override;

private:
    struct Slot {
        WAVEHDR header{};
        CPageBuffer memory;
        volatile LONG queued = 0;
        bool prepared = false;
    };

    static void CALLBACK WaveOutCallback(HWAVEOUT device, UINT message, DWORD_PTR instance, DWORD_PTR param1,
                                         DWORD_PTR param2);
    // Device thread only.
    bool OpenDevice();
    void CloseDevice();
    void UnprepareDone();
    void QueueOne();
    LONGLONG BufferedBytes();

    CSingleThreadToken m_section;
    // Set by Stop: the next pass resets and closes the device even when a start already waits,
    // so that nothing queued before the stop is heard after it.
    bool m_resetPending = false;
    HWAVEOUT m_device = nullptr;
    volatile LONG m_queuedCount = 0;
    LONGLONG m_totalWritten = 0;
    UINT m_deviceId;
    WAVEFORMATEX m_format{};
    std::array<Slot, kSlotCount> m_slots;
};
