// CPlayerOutput: the common base of the engine's output devices (IPlayerOutput). It keeps the
// attached input, the progress status, the start-request, running and open flags and the buffer
// size, and starts the device thread, which opens the input, runs the device's loop
// (RunDeviceLoop) and closes the input again.
//
// Threads: the owner calls every IPlayerOutput operation on its own thread (the player, under its
// lock); the device thread runs RunDeviceLoop. The flags are 32-bit words changed with
// interlocked operations: each device says where its own lock covers them. The thread holds a
// reference on the output and on the input while it runs, so neither goes away under it.
#pragma once

#include <windows.h>

#include "classlib/com/ComPtr.h"
#include "classlib/com/UniqueHandle.h"
#include "engine/core/server/Unknown.h"
#include "interfaces/IPlayerOutput.h"

class CPlayerOutput : public IPlayerOutput, public CUnknownStandAlone {
public:
    static constexpr unsigned kMinBufferBytes = 14112;
    static constexpr unsigned kMaxBufferBytes = 176400;
    // Close waits this long for the device thread.
    static constexpr DWORD kCloseWaitMs = 10000;

    CPlayerOutput();
    ~CPlayerOutput() override;

    DECLARE_STANDALONE_UNKNOWN
    HRESULT LookupInterface(REFIID iid, void** object) override;

    HRESULT STDMETHODCALLTYPE IsOpen() override;
    HRESULT STDMETHODCALLTYPE IsRunning() override;
    HRESULT STDMETHODCALLTYPE SetBufferSize(unsigned bytes) override;
    HRESULT STDMETHODCALLTYPE Open() override;
    HRESULT STDMETHODCALLTYPE SetFormat(int formatId) override;
    HRESULT STDMETHODCALLTYPE AddTrackInfo(LONGLONG position, LPCWSTR title, LPCWSTR artist, LPCWSTR album) override;
    HRESULT STDMETHODCALLTYPE Start() override;
    HRESULT STDMETHODCALLTYPE GetFormatInfo(int index, int* formatId, BSTR* name, int* bitRate) override;
    HRESULT STDMETHODCALLTYPE StartFile(LPCWSTR path, int reserved) override;
    HRESULT STDMETHODCALLTYPE Stop() override;
    HRESULT STDMETHODCALLTYPE AttachInput(IPlayerInput* input, int channelPair) override;
    HRESULT STDMETHODCALLTYPE DetachInput(IPlayerInput* input) override;
    HRESULT STDMETHODCALLTYPE SetProgressStatus(IProgressStatus* status) override;
    HRESULT STDMETHODCALLTYPE Close() override;

    // The device thread's body.
    virtual void RunDeviceLoop() = 0;

    unsigned BufferSize() const { return m_bufferSize; }

protected:
    // Starts the device thread with a reference on this output; FALSE when it cannot be made.
    bool StartDeviceThread();
    // Waits up to kCloseWaitMs for the device thread and lets go of its handle; TRUE when it
    // ended.
    bool WaitForDeviceThread();

    ComPtr<IPlayerInput> m_input;
    // The input the device thread pulls from: the thread's own reference, set before RunDeviceLoop
    // and kept until it returns, so that the owner may detach m_input meanwhile.
    IPlayerInput* m_loopInput = nullptr;
    ComPtr<IProgressStatus> m_status;
    volatile LONG m_startRequested = 0;
    volatile LONG m_running = 0;
    volatile LONG m_open = 0;
    unsigned m_bufferSize = 256;
    // Auto-reset, not signalled: the devices that wait on it end their loop when it is set.
    UniqueKernelHandle m_stopEvent;
    UniqueKernelHandle m_thread;

private:
    static DWORD WINAPI DeviceThreadProc(void* parameter);
};
