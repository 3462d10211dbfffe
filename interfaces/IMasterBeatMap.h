// IMasterBeatMap: the mix's musical time axis and the user's snap settings, as the main program
// reaches them through the engine object. Times are mix times in microseconds unless a line says
// track time; musical times cross as IMusicTime, read only through GetTime and written only
// through SetTime. Every call runs under the global mix lock.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include "interfaces/EngineIids.h"
#include "interfaces/IMusicTime.h"

struct IMasterBeatMap : public IUnknown {
    // Snap type codes: 1, 2, 4, 8 measures; 9 half note; 10 quarter note; 11 eighth note.
    virtual HRESULT STDMETHODCALLTYPE GetSnapPositionType(int* code) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetSnapPositionType(int code) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetSnapDurationType(int* code) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetSnapDurationType(int code) = 0;
    // S_FALSE with the time unchanged when the track has no beat map or a step fails.
    virtual HRESULT STDMETHODCALLTYPE SnapToTrackGrid(LONG trackId, LONGLONG mixTime, LONGLONG* snapped) = 0;
    virtual HRESULT STDMETHODCALLTYPE SnapLengthToTrackGrid(LONG trackId, LONGLONG time, LONGLONG reference,
                                                            LONGLONG* snapped) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetSnapEnabled(BOOL on) = 0;
    virtual HRESULT STDMETHODCALLTYPE IsSnapEnabled() = 0;
    virtual HRESULT STDMETHODCALLTYPE AddSnapDuration(LONGLONG time, LONGLONG* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE SubtractSnapDuration(LONGLONG time, LONGLONG* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE SnapTime(LONGLONG time, LONGLONG* snapped) = 0;
    virtual HRESULT STDMETHODCALLTYPE TimeToMusicTime(LONGLONG time, IMusicTime* musicTime) = 0;
    // S_FALSE when the time lies past the last range (extrapolated).
    virtual HRESULT STDMETHODCALLTYPE MusicTimeToTime(IMusicTime* musicTime, LONGLONG* time) = 0;
    virtual HRESULT STDMETHODCALLTYPE TrackMusicTimeToTime(LONG trackId, IMusicTime* musicTime,
                                                           LONGLONG* trackTime) = 0;
    virtual HRESULT STDMETHODCALLTYPE TrackTimeToMusicTime(LONG trackId, LONGLONG trackTime, IMusicTime* musicTime) = 0;
    virtual HRESULT STDMETHODCALLTYPE MixTimeToTrackMusicTime(LONG trackId, LONGLONG mixTime,
                                                              IMusicTime* musicTime) = 0;
    // Round the given musical time in place to the nearest multiple of the snap position
    // (duration) unit, a tie going up; a zero unit gives 0.
    virtual HRESULT STDMETHODCALLTYPE GetSnapPositionUnit(IMusicTime* musicTime) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetSnapDurationUnit(IMusicTime* musicTime) = 0;
};

__CRT_UUID_DECL(IMasterBeatMap, 0x9E832F31, 0x2335, 0x4196, 0xAC, 0x53, 0x18, 0x16, 0x59, 0x11, 0xDD, 0x82)
inline constexpr IID IID_IMasterBeatMap = EngineIid::MasterBeatMap;
