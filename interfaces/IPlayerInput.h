// One stage of the pull-model audio graph (play item, mix output, effects chain, final mix).
//
// The consumer at the end of the graph (an output device's thread, the CD or file writer) pulls
// with Read and reports its not-yet-audible byte count with SetBufferedBytes; both travel
// upstream stage by stage on that device thread. SetActive, Seek, Rewind and configuration calls
// arrive on the owner's thread under the global mix lock.
//
// The interface has no identifier: stages are handed around as plain pointers inside the engine,
// and QueryInterface always fails.
#pragma once

#include <windows.h>
#include <mmreg.h>
#include <unknwn.h>

struct IPlayerInput : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetFormat(WAVEFORMATEX* format) = 0;
    // Fills exactly `bytes` bytes with the next data (silence when the stage has none).
    virtual HRESULT STDMETHODCALLTYPE Read(BYTE* buffer, unsigned bytes) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetBufferedBytes(LONGLONG bytes) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetActive(BOOL active) = 0;
    virtual HRESULT STDMETHODCALLTYPE IsActive() = 0;
    virtual HRESULT STDMETHODCALLTYPE OpenSource() = 0;
    virtual HRESULT STDMETHODCALLTYPE CloseSource() = 0;
    virtual HRESULT STDMETHODCALLTYPE GetLength(LONGLONG* bytes) = 0;
    virtual HRESULT STDMETHODCALLTYPE IsDataReady() = 0;
    virtual HRESULT STDMETHODCALLTYPE Disconnect() = 0;
    virtual HRESULT STDMETHODCALLTYPE Rewind() = 0;
    virtual HRESULT STDMETHODCALLTYPE IsFlagSet() = 0;
    virtual HRESULT STDMETHODCALLTYPE Seek(LONGLONG samplePosition) = 0;
    virtual int STDMETHODCALLTYPE HasDiscontinuity() = 0;
    // Runs the destructor; bit 0 of flags also frees the memory.
    virtual void STDMETHODCALLTYPE DeleteThis(unsigned flags) = 0;
    virtual void STDMETHODCALLTYPE EnableActivation(BOOL enable) = 0;
};
