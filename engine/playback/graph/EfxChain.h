// CEfxChain: the stage between the mix output and the final mix that runs the master effects over
// the mix. It owns one effects host ("Ostrel.DLL"), created through the engine's plug-in binder;
// without the host, or with no effect in it, audio passes through unchanged. The host takes input
// and gives output in buffers of its own size, so a pass sends whole input buffers and serves the
// request from the processed ones, keeping a partly used one for the next pass; the difference
// between the bytes taken from upstream and those delivered travels upstream with the buffered
// bytes, so the audible position includes the effects' latency. A seek upstream flushes the
// effects.
//
// Threads: Read and SetBufferedBytes on the device thread; Read holds the host's lock for the whole
// pass so that the user interface cannot change the chain in the middle of it.
#pragma once

#include <windows.h>

#include "classlib/com/ComPtr.h"
#include "interfaces/IOstrel.h"
#include "engine/playback/graph/ChainStage.h"

class CEfxChain : public CChainStage {
public:
    static constexpr int kMaxPassSteps = 64;

    // Takes a reference on upstream and creates and initialises the host.
    explicit CEfxChain(IPlayerInput* upstream);
    ~CEfxChain() override;

    HRESULT STDMETHODCALLTYPE GetFormat(WAVEFORMATEX* format) override;
    HRESULT STDMETHODCALLTYPE Read(BYTE* buffer, unsigned bytes) override;
    HRESULT STDMETHODCALLTYPE SetBufferedBytes(LONGLONG bytes) override;
    HRESULT STDMETHODCALLTYPE GetLength(LONGLONG* bytes) override;
    HRESULT STDMETHODCALLTYPE Disconnect() override;

    // The host, for the effects manager to apply the master effect list to (no reference added);
    // null when it could not be created.
    IOstrel* GetHost() const { return m_hostReady ? m_host.get() : nullptr; }

private:
    void Flush();
    void ForgetHeldOutput();
    // Copies processed output into buffer until `bytes` are done or none is left.
    void Drain(BYTE* buffer, unsigned bytes, unsigned* done);

    ComPtr<IOstrel> m_host;
    bool m_hostReady = false;
    DWORD m_heldLeft = 0;
    LONGLONG m_heldHandle = -1;
    // Bytes taken from upstream minus bytes delivered since the effects were last flushed.
    LONGLONG m_offset = 0;
};
