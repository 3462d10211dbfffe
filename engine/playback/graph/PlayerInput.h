// CPlayerInput: the base of every stage of the audio graph (IPlayerInput).
//
// Gives each slot its do-nothing behaviour, so that a stage overrides only what it serves: Read
// succeeds without writing, GetFormat, GetLength and Seek fail, the flag queries report the
// stage's own flags. The reference count starts at 1 for the creator and changes with
// interlocked operations (stages are held by the owner's thread and by the device thread);
// the last Release destroys the stage through DeleteThis.
//
// Threads: Read and SetBufferedBytes come on the device thread; everything else on the owner's
// thread under the global mix lock. The base keeps no state that needs a lock.
#pragma once

#include "interfaces/IPlayerInput.h"

class CPlayerInput : public IPlayerInput {
public:
    CPlayerInput() = default;
    CPlayerInput(const CPlayerInput&) = delete;
    CPlayerInput& operator=(const CPlayerInput&) = delete;
    virtual ~CPlayerInput() = default;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetFormat(WAVEFORMATEX* format) override;
    HRESULT STDMETHODCALLTYPE Read(BYTE* buffer, unsigned bytes) override;
    HRESULT STDMETHODCALLTYPE SetBufferedBytes(LONGLONG bytes) override;
    HRESULT STDMETHODCALLTYPE SetActive(BOOL active) override;
    HRESULT STDMETHODCALLTYPE IsActive() override;
    HRESULT STDMETHODCALLTYPE OpenSource() override;
    HRESULT STDMETHODCALLTYPE CloseSource() override;
    HRESULT STDMETHODCALLTYPE GetLength(LONGLONG* bytes) override;
    HRESULT STDMETHODCALLTYPE IsDataReady() override;
    HRESULT STDMETHODCALLTYPE Disconnect() override;
    HRESULT STDMETHODCALLTYPE Rewind() override;
    HRESULT STDMETHODCALLTYPE IsFlagSet() override;
    HRESULT STDMETHODCALLTYPE Seek(LONGLONG samplePosition) override;
    int STDMETHODCALLTYPE HasDiscontinuity() override;
    void STDMETHODCALLTYPE DeleteThis(unsigned flags) override;
    void STDMETHODCALLTYPE EnableActivation(BOOL enable) override;

protected:
    // Byte position of the next Read, in the stage's own output format.
    LONGLONG m_readPosition = 0;
    // Reported by IsFlagSet; no stage sets it.
    LONG m_reservedFlag = 0;
    LONG m_active = 0;

private:
    volatile LONG m_refCount = 1;
};
