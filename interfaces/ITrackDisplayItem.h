// ITrackDisplayItem: the read side of a track of the mix as the main program's views see it.
// ITrackEditItem continues its table with the editing operations; one object serves both. Times
// are mix times in microseconds unless a line says track time. Called under the global mix lock.
#pragma once

#include <windows.h>
#include <unknwn.h>

// Filled by GetInfo: nine 32-bit fields without gaps.
struct TRACKITEM_INFO {
    DWORD size;             // set to 36 by the caller; the engine neither checks nor writes it
    DWORD trackType;        // 0x40000 pause, 0x10000 primary, 0x20000 overlay
    DWORD mixingKind;       // 1 standard, 2 beat
    LONG relatedTrack;      // the primary track the track belongs to, -1 when none
    float tempo;            // the track's original tempo, BPM
    float playbackTempo;    // mean of the tempo markers' values / 1000; the tempo without markers
    DWORD tempoUnadjusted;  // 1 when no tempo marker is user-adjusted
    DWORD analysisApplied;  // 1 once the analysis results were applied; always 1 for a pause
    DWORD performed;        // 1 when the live mix has played past the track
};
static_assert(sizeof(TRACKITEM_INFO) == 36, "TRACKITEM_INFO is 36 bytes");

struct ITrackDisplayItem : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetAudibleStart(LONGLONG* time) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetAudibleEnd(LONGLONG* time) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetStartTime(LONGLONG* time) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetEndTime(LONGLONG* time) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetCatalogItemId(LONG* id) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetTrackId(LONG* id) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetInfo(TRACKITEM_INFO* info) = 0;
    // Track times of the first and last start (type 1) / end (type 2) marker; either may be NULL.
    virtual HRESULT STDMETHODCALLTYPE GetType1MarkerSpan(LONGLONG* first, LONGLONG* last) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetType2MarkerSpan(LONGLONG* first, LONGLONG* last) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetVolumeOffset(LONG* level) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetTrackType(DWORD* type) = 0;
    virtual HRESULT STDMETHODCALLTYPE TrackTimeToMixTime(LONGLONG trackTime, LONGLONG* mixTime) = 0;
    virtual HRESULT STDMETHODCALLTYPE MixTimeToTrackTime(LONGLONG mixTime, LONGLONG* trackTime) = 0;
    // Measures of four beats at the track's tempo between two track times, rounded.
    virtual HRESULT STDMETHODCALLTYPE GetMeasureCount(LONGLONG from, LONGLONG to, WORD* count) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetMeasureSpan(LONGLONG from, LONGLONG to, float* span) = 0;
    virtual HRESULT STDMETHODCALLTYPE MixTimeToFilePosition(LONGLONG mixTime, LONGLONG* position) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetMeasureDuration(LONGLONG* microseconds) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetRuntimeId3(LONG* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE IsPrimaryTrack() = 0;
    // S_FALSE when the span is not set (both 0).
    virtual HRESULT STDMETHODCALLTYPE GetLeadSpan(LONGLONG* from, LONGLONG* to) = 0;
};
