// IOstrel: one chain of audio effect plug-ins hosted by "Ostrel.DLL", for one play stream. The
// engine creates it by CLSID through its plug-in table (the registry is not consulted).
//
// Audio in and out is 32-bit float stereo at 44100 Hz. Every method but AddRef, Release, Lock and
// Unlock takes the object's lock; a caller that runs a processing pass holds Lock/Unlock around
// the whole pass, so that the chain cannot change in the middle of it. Buffers handed out stay
// owned by the host.
#pragma once

#include <windows.h>
#include <objidl.h>

struct IOstrel : public IUnknown {
    // Builds the graph and lists the installed effects, once; S_FALSE when already done.
    virtual HRESULT STDMETHODCALLTYPE Initialize() = 0;
    // The index-th installed effect; name receives at most 128 wide characters with the
    // terminator. S_FALSE past the end.
    virtual HRESULT STDMETHODCALLTYPE GetAvailableEffect(int index, CLSID* clsid, WCHAR* name) = 0;
    // Inserts before the effect whose id is beforeId (appends when none has it; -1 appends);
    // state, when given, is loaded into the effect's IPersistStream.
    virtual HRESULT STDMETHODCALLTYPE InsertEffect(const CLSID* clsid, LONG beforeId, IStream* state, LONG* id) = 0;
    virtual HRESULT STDMETHODCALLTYPE RemoveEffect(LONG id) = 0;
    virtual HRESULT STDMETHODCALLTYPE MoveEffect(LONG id, LONG beforeId) = 0;
    // The effect's filter, with a reference.
    virtual HRESULT STDMETHODCALLTYPE GetEffectById(LONG id, IUnknown** filter) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetInsertedEffect(int index, CLSID* clsid, WCHAR* name, LONG* id) = 0;
    // An empty input buffer to fill; S_FALSE when no effect is inserted.
    virtual HRESULT STDMETHODCALLTYPE GetInputBuffer(BOOL discontinuity, BYTE** data, DWORD* bytes) = 0;
    // Sends the filled input buffer through the chain (on the caller's thread).
    virtual HRESULT STDMETHODCALLTYPE DeliverInputBuffer() = 0;
    // handle -1: the first queued processed buffer; otherwise the buffer with that handle. The
    // buffer's handle is written back.
    virtual HRESULT STDMETHODCALLTYPE GetOutputBuffer(BYTE** data, DWORD* bytes, LONGLONG* handle) = 0;
    // Gives a processed buffer back; -1 gives back all of them.
    virtual HRESULT STDMETHODCALLTYPE ReleaseOutputBuffer(LONGLONG handle) = 0;
    // 1 when at least one effect is inserted, else 0.
    virtual HRESULT STDMETHODCALLTYPE HasEffects() = 0;
    virtual HRESULT STDMETHODCALLTYPE Lock() = 0;
    virtual HRESULT STDMETHODCALLTYPE Unlock() = 0;
};

__CRT_UUID_DECL(IOstrel, 0x5283EBDC, 0x09FA, 0x4892, 0xA6, 0x25, 0x36, 0xE1, 0xA6, 0xE7, 0x7F, 0xBC)
inline constexpr IID IID_IOstrel = {0x5283EBDC, 0x09FA, 0x4892, {0xA6, 0x25, 0x36, 0xE1, 0xA6, 0xE7, 0x7F, 0xBC}};
// The host's class ("Carrowfold.Ostrel").
inline constexpr CLSID CLSID_OstrelObject = {
    0x0B5D9802, 0x8E47, 0x4AAE, {0x93, 0x96, 0xF0, 0xD0, 0x0C, 0x04, 0xEC, 0x93}};
