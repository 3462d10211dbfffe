// A stand-in for the engine's live play manager: it answers IsPerforming with the value set in
// it; the other operations answer E_NOTIMPL. Reference counts are kept, not acted on.
#pragma once

#include "interfaces/IPlayManager.h"

#include "tests/app/double/NotCalled.h"

#include <windows.h>

class PlayManagerDouble : public IPlayManager {
public:
    virtual ~PlayManagerDouble() = default;
    HRESULT performing = S_FALSE;
    LONG refs = 1;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override
    {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs)); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(InterlockedDecrement(&refs)); }
    HRESULT STDMETHODCALLTYPE IsPerforming() override { return performing; }
    DOUBLE_NOT_CALLED(PlayFromCursor, ())
    DOUBLE_NOT_CALLED(PlayFromStart, ())
    DOUBLE_NOT_CALLED(PlayFromPosition, (LONGLONG))
    DOUBLE_NOT_CALLED(PlayRange, (LONGLONG, LONGLONG, BOOL))
    DOUBLE_NOT_CALLED(StartPerformance, ())
    DOUBLE_NOT_CALLED(StopPerformance, ())
    DOUBLE_NOT_CALLED(TogglePause, ())
    DOUBLE_NOT_CALLED(SkipToNextTrack, ())
    DOUBLE_NOT_CALLED(SkipToPreviousTrack, ())
    DOUBLE_NOT_CALLED(CanPlay, ())
    DOUBLE_NOT_CALLED(CanStartPerformance, ())
    DOUBLE_NOT_CALLED(CanPause, ())
    DOUBLE_NOT_CALLED(CanStopPerformance, ())
    DOUBLE_NOT_CALLED(CanSkipToNext, ())
    DOUBLE_NOT_CALLED(CanSkipToPrevious, ())
    DOUBLE_NOT_CALLED(GetCursorPosition, (LONGLONG*))
    DOUBLE_NOT_CALLED(SetCursorPosition, (LONGLONG, BOOL))
    DOUBLE_NOT_CALLED(GetPlayPosition, (LONGLONG*))
    DOUBLE_NOT_CALLED(GetHeldPosition, (LONGLONG*))
    DOUBLE_NOT_CALLED(SetHeldPosition, (LONGLONG))
    DOUBLE_NOT_CALLED(IsTrackActive, (DWORD))
    DOUBLE_NOT_CALLED(IsPlaying, ())
    DOUBLE_NOT_CALLED(IsPlayingNormally, ())
    DOUBLE_NOT_CALLED(UpdateLoopRange, (LONGLONG, LONGLONG))
    DOUBLE_NOT_CALLED(ExportMix, (BSTR, const MixExportOptions*, IProgressStatus**))
    DOUBLE_NOT_CALLED(CreateCdBurner, (IBurnCdr**))
    DOUBLE_NOT_CALLED(EndCdBurn, ())
    DOUBLE_NOT_CALLED(PlayTrack, (DWORD))
    DOUBLE_NOT_CALLED(PlayTrackFromStart, (DWORD))
    DOUBLE_NOT_CALLED(Stop, ())
    DOUBLE_NOT_CALLED(StopTrack, (DWORD))
    DOUBLE_NOT_CALLED(GetOutputLevels, (float*, float*, float*, float*))
    DOUBLE_NOT_CALLED(GetNowPlayingSettings, (BOOL*, BSTR*, BSTR*, BOOL*, BSTR*))
    DOUBLE_NOT_CALLED(SetNowPlayingSettings, (BOOL, LPCWSTR, LPCWSTR, BOOL, LPCWSTR))
};
