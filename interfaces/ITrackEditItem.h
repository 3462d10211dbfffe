// ITrackEditItem: a track of the mix with its editing operations, continuing ITrackDisplayItem's
// table. Markers, ranges, layers and objects are handed out with one reference for the caller.
// Called under the global mix lock.
#pragma once

#include "interfaces/ITrackDisplayItem.h"
#include "interfaces/ITrackLayer.h"
#include "interfaces/ITrackMarker.h"
#include "interfaces/ITrackRange.h"

struct ITrackEditItem : public ITrackDisplayItem {
    virtual HRESULT STDMETHODCALLTYPE SetLeadSpan(LONGLONG from, LONGLONG to) = 0;
    virtual HRESULT STDMETHODCALLTYPE IsPauseTrack() = 0;
    virtual HRESULT STDMETHODCALLTYPE IsBeatMixed() = 0;
    virtual HRESULT STDMETHODCALLTYPE GetMarker(int index, DWORD typeMask, ITrackMarker** marker) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetRange(int index, DWORD typeMask, ITrackRange** range) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetLayer(int index, ITrackLayer** layer) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetEditCopyId(LONG* id) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetObjectById(LONG id, IUnknown** object) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetVolumeOffset(LONG level) = 0;
    // A marker of the type on the layer heard at the mix time; E_FAIL when no layer covers it.
    virtual HRESULT STDMETHODCALLTYPE AddMarker(LONGLONG mixTime, DWORD type) = 0;
    // reset: tempo markers lose their user adjustment; otherwise they all shift by the difference
    // to the averaged tempo and become user-adjusted.
    virtual HRESULT STDMETHODCALLTYPE SetTempo(float bpm, BOOL reset) = 0;
};
