// ITrackMarker: a point on a track's time axis carrying a typed value (volume, treble, bass,
// tempo, mix point, label). Positions are track times in microseconds. Called under the global
// mix lock. Markers answer no IID of their own: they are reached through a track or a layer.
#pragma once

#include <windows.h>
#include <unknwn.h>
#include <oleauto.h>

struct ITrackMarker : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetPosition(LONGLONG* time) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetPosition(LONGLONG time) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetType(DWORD* type) = 0;
    // S_OK when the user has adjusted the value, else S_FALSE.
    virtual HRESULT STDMETHODCALLTYPE IsModified() = 0;
    // Kind 5: the second time.
    virtual HRESULT STDMETHODCALLTYPE GetTime(int kind, LONGLONG* time) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetTime(int kind, LONGLONG time) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetId(LONG* id) = 0;
    // Kinds 1 and 2: the main value; 5: the second value; 6: the user-adjusted flag.
    virtual HRESULT STDMETHODCALLTYPE GetValue(int kind, LONG* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetValue(int kind, LONG value) = 0;
    // Kind 1: a new BSTR copy of the label that the caller frees.
    virtual HRESULT STDMETHODCALLTYPE GetLabel(int kind, BSTR* text) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetLabel(int kind, LPCWSTR text) = 0;
};
