// ITrackLayer: one placement of a track's music file on the mix time axis, with its own objects.
// Called under the global mix lock.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include "interfaces/ITrackMarker.h"
#include "interfaces/ITrackRange.h"

struct ITrackLayer : public IUnknown {
    // The index-th marker (range) whose type shares a bit with the mask, with a reference;
    // E_FAIL past the last match.
    virtual HRESULT STDMETHODCALLTYPE GetMarker(int index, DWORD typeMask, ITrackMarker** marker) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetRange(int index, DWORD typeMask, ITrackRange** range) = 0;
    virtual HRESULT STDMETHODCALLTYPE TrackToMixTime(LONGLONG trackTime, LONGLONG* mixTime) = 0;
    virtual HRESULT STDMETHODCALLTYPE MixToTrackTime(LONGLONG mixTime, LONGLONG* trackTime) = 0;
    // E_FAIL outside the layer's time map or where no segment plays.
    virtual HRESULT STDMETHODCALLTYPE MapToFilePosition(LONGLONG mixTime, LONGLONG* filePosition) = 0;
};

__CRT_UUID_DECL(ITrackLayer, 0x12CE457E, 0x5AA3, 0x4B31, 0x9F, 0x9F, 0xCA, 0xD7, 0x79, 0x00, 0x40, 0xCB)
inline constexpr IID IID_ITrackLayer = {0x12CE457E, 0x5AA3, 0x4B31, {0x9F, 0x9F, 0xCA, 0xD7, 0x79, 0x00, 0x40, 0xCB}};
