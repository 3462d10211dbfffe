// ITrackRange: a stretch on a track's time axis (a segment or an effect clip), as the engine hands
// it to the main program. Times are track times in microseconds. Called under the global mix lock.
#pragma once

#include <windows.h>
#include <unknwn.h>
#include <oleauto.h>

#include "interfaces/IMusicTime.h"

struct ITrackRange : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetStart(LONGLONG* time) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetEnd(LONGLONG* time) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetStart(LONGLONG time) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetEnd(LONGLONG time) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetType(DWORD* type) = 0;
    virtual HRESULT STDMETHODCALLTYPE IsModified() = 0;
    // Kind 1: file position at the start; 2: file position at the end; 6-10: beat values.
    virtual HRESULT STDMETHODCALLTYPE GetTime(int kind, LONGLONG* time) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetTime(int kind, LONGLONG time) = 0;
    // Kinds 1-3: the musical times of the beat record, copied through IMusicTime.
    virtual HRESULT STDMETHODCALLTYPE GetMusicTime(int kind, IMusicTime* target) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetMusicTime(int kind, IMusicTime* source) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetValue(int kind, LONG* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetValue(int kind, LONG value) = 0;
    // A new BSTR that the caller frees.
    virtual HRESULT STDMETHODCALLTYPE GetLabel(int kind, BSTR* text) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetLabel(int kind, LPCWSTR text) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetId(LONG* id) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetTag(DWORD* tag) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetTag(DWORD tag) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetFlags(DWORD* flags) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetFlags(DWORD flags) = 0;
};

__CRT_UUID_DECL(ITrackRange, 0xDD302206, 0x16A7, 0x4556, 0xBB, 0xD6, 0xBD, 0xBE, 0xC2, 0x2F, 0x56, 0xC9)
inline constexpr IID IID_ITrackRange = {0xDD302206, 0x16A7, 0x4556, {0xBB, 0xD6, 0xBD, 0xBE, 0xC2, 0x2F, 0x56, 0xC9}};
