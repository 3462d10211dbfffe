// An audio destination at the end of a play stream's graph: a sound device, the CD writer, the
// webcast, or a file writer. It pulls 16-bit audio from its attached input (IPlayerInput) on a
// thread of its own and reports a long task through an IProgressStatus.
//
// Threads: every operation is called on the owner's thread (under the global mix lock in the
// engine); the output's own thread only reads the input. IsRunning may be asked from any thread.
// Operations a kind of output has no use for answer S_FALSE (nothing done) or E_FAIL.
#pragma once

#include "interfaces/IPlayerInput.h"
#include "interfaces/IProgressStatus.h"

#include <windows.h>
#include <oleauto.h>
#include <unknwn.h>

struct IPlayerOutput : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE IsOpen() = 0;
    virtual HRESULT STDMETHODCALLTYPE IsRunning() = 0;
    virtual HRESULT STDMETHODCALLTYPE SetBufferSize(unsigned bytes) = 0;
    virtual HRESULT STDMETHODCALLTYPE Open() = 0;
    // A format of the output's own list (GetFormatInfo's formatId).
    virtual HRESULT STDMETHODCALLTYPE SetFormat(int formatId) = 0;
    // Position 0 describes the whole file; any other byte position of the input stream starts
    // one more track. NULL strings count as empty.
    virtual HRESULT STDMETHODCALLTYPE AddTrackInfo(LONGLONG position, LPCWSTR title, LPCWSTR artist, LPCWSTR album) = 0;
    virtual HRESULT STDMETHODCALLTYPE Start() = 0;
    // The index-th format the output offers; E_FAIL past the end. The name is a new BSTR.
    virtual HRESULT STDMETHODCALLTYPE GetFormatInfo(int index, int* formatId, BSTR* name, int* bitRate) = 0;
    virtual HRESULT STDMETHODCALLTYPE StartFile(LPCWSTR path, int reserved) = 0;
    virtual HRESULT STDMETHODCALLTYPE Stop() = 0;
    virtual HRESULT STDMETHODCALLTYPE AttachInput(IPlayerInput* input, int channelPair) = 0;
    virtual HRESULT STDMETHODCALLTYPE DetachInput(IPlayerInput* input) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetProgressStatus(IProgressStatus* status) = 0;
    virtual HRESULT STDMETHODCALLTYPE Close() = 0;
};

__CRT_UUID_DECL(IPlayerOutput, 0x07199A38, 0x971B, 0x43A9, 0x95, 0xEE, 0x4B, 0xD6, 0xA6, 0x12, 0xDC, 0x08)
inline constexpr IID IID_IPlayerOutput = {0x07199A38, 0x971B, 0x43A9, {0x95, 0xEE, 0x4B, 0xD6, 0xA6, 0x12, 0xDC, 0x08}};
