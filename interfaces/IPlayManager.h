// IPlayManager: the transport of one play stream (the edited mix's or the live performance's).
// While a performance runs (play state 5) the transport commands answer without acting.
// Positions are microseconds of mix time. Queries take no lock; commands take the global mix
// lock.
#pragma once

#include "interfaces/EngineIids.h"

#include <windows.h>
#include <oleauto.h>
#include <unknwn.h>

struct IBurnCdr;
struct IProgressStatus;

// What ExportMix writes: an export type and one of its formats, as IPlayer lists them, and
// whether each track's end goes into the file with its title, artist and album (the Windows
// Media writer's sub-items; a WAV file carries none).
struct MixExportOptions {
    int exportType;
    int formatId;
    BOOL perTrackInfo;
};

struct IPlayManager : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE PlayFromCursor() = 0;
    virtual HRESULT STDMETHODCALLTYPE PlayFromStart() = 0;
    virtual HRESULT STDMETHODCALLTYPE PlayFromPosition(LONGLONG position) = 0;
    virtual HRESULT STDMETHODCALLTYPE PlayRange(LONGLONG start, LONGLONG end, BOOL loop) = 0;
    virtual HRESULT STDMETHODCALLTYPE StartPerformance() = 0;
    virtual HRESULT STDMETHODCALLTYPE StopPerformance() = 0;
    virtual HRESULT STDMETHODCALLTYPE TogglePause() = 0;
    virtual HRESULT STDMETHODCALLTYPE SkipToNextTrack() = 0;
    virtual HRESULT STDMETHODCALLTYPE SkipToPreviousTrack() = 0;
    virtual HRESULT STDMETHODCALLTYPE CanPlay() = 0;
    virtual HRESULT STDMETHODCALLTYPE CanStartPerformance() = 0;
    virtual HRESULT STDMETHODCALLTYPE CanPause() = 0;
    virtual HRESULT STDMETHODCALLTYPE CanStopPerformance() = 0;
    virtual HRESULT STDMETHODCALLTYPE CanSkipToNext() = 0;
    virtual HRESULT STDMETHODCALLTYPE CanSkipToPrevious() = 0;
    virtual HRESULT STDMETHODCALLTYPE GetCursorPosition(LONGLONG* position) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetCursorPosition(LONGLONG position, BOOL notify) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetPlayPosition(LONGLONG* position) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetHeldPosition(LONGLONG* position) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetHeldPosition(LONGLONG position) = 0;
    virtual HRESULT STDMETHODCALLTYPE IsTrackActive(DWORD trackId) = 0;
    virtual HRESULT STDMETHODCALLTYPE IsPlaying() = 0;
    virtual HRESULT STDMETHODCALLTYPE IsPlayingNormally() = 0;
    // S_OK while the stream runs as a live performance.
    virtual HRESULT STDMETHODCALLTYPE IsPerforming() = 0;
    virtual HRESULT STDMETHODCALLTYPE UpdateLoopRange(LONGLONG start, LONGLONG end) = 0;
    // Renders the whole mix of this stream into a file at `path` on a writer thread and hands back
    // the task's progress status (one reference for the caller), which reports progress, errors
    // and completion and takes a cancel. E_FAIL while performing, with per-track information
    // asked and a track without title or artist, or for a type or format the player does not
    // list; the stream returns to its device when the task ends.
    virtual HRESULT STDMETHODCALLTYPE ExportMix(BSTR path, const MixExportOptions* options,
                                                IProgressStatus** progress) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateCdBurner(IBurnCdr** burner) = 0;
    virtual HRESULT STDMETHODCALLTYPE EndCdBurn() = 0;
    virtual HRESULT STDMETHODCALLTYPE PlayTrack(DWORD trackId) = 0;
    virtual HRESULT STDMETHODCALLTYPE PlayTrackFromStart(DWORD trackId) = 0;
    virtual HRESULT STDMETHODCALLTYPE Stop() = 0;
    virtual HRESULT STDMETHODCALLTYPE StopTrack(DWORD trackId) = 0;
    // Peak levels in dB; E_FAIL without a final mix stage.
    virtual HRESULT STDMETHODCALLTYPE GetOutputLevels(float* left, float* right, float* leftHold, float* rightHold) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetNowPlayingSettings(BOOL* fileEnabled, BSTR* sourceFile, BSTR* destinationFile,
                                                            BOOL* logEnabled, BSTR* logDirectory) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetNowPlayingSettings(BOOL fileEnabled, LPCWSTR sourceFile,
                                                            LPCWSTR destinationFile, BOOL logEnabled,
                                                            LPCWSTR logDirectory) = 0;
};

__CRT_UUID_DECL(IPlayManager, 0x14EDA105, 0x1D41, 0x42EB, 0x91, 0xE3, 0xBC, 0x47, 0xF7, 0xCD, 0x95, 0xC6)
// The pending play manager when a performance is being prepared, else the live one.
inline constexpr IID IID_IPlayManager = EngineIid::PlayManager;
// Always the live play manager.
inline constexpr IID IID_IPlayManagerLive = EngineIid::PlayManagerInternal;
