// IBurnCdr: the main program's control of a CD recording, handed out by the play manager's
// CreateCdBurner: the recorder to write with, the write options, the start, progress and result.
// It has no identifier of its own; QueryInterface answers what the engine main object answers.
//
// Threads: called on the main program's UI thread while the recording's own thread talks to the
// recording library. SelectRecorder blocks until that thread has switched (a few seconds at most).
#pragma once

#include <windows.h>
#include <oleauto.h>
#include <unknwn.h>

struct IBurnCdr : public IUnknown {
    // flags: the media flags of the last poll, 1 while writing, 2 when the disc holds less than the
    // mix, 4 after a recorder failure. freeMinutes: the disc's free space, to the nearest minute.
    virtual HRESULT STDMETHODCALLTYPE GetStatus(int* flags, int* freeMinutes) = 0;
    // A new BSTR; E_FAIL outside the list of recorders.
    virtual HRESULT STDMETHODCALLTYPE GetRecorderName(int index, BSTR* name) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetRecorder(int* index) = 0;
    // E_INVALIDARG outside the list; E_FAIL when the recording thread did not switch to it.
    virtual HRESULT STDMETHODCALLTYPE SelectRecorder(int index) = 0;
    // S_OK when buffer-underrun protection is on.
    virtual HRESULT STDMETHODCALLTYPE GetBurnProof() = 0;
    virtual HRESULT STDMETHODCALLTYPE SetBurnProof(BOOL on) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetWriteSpeed(int* speed) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetWriteSpeed(int speed) = 0;
    // The index-th write speed the selected recorder supports; E_FAIL past the end.
    virtual HRESULT STDMETHODCALLTYPE GetSupportedSpeed(int index, int* speed) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetTempDirectory(BSTR* directory) = 0;
    // E_INVALIDARG for a text longer than the stored field holds.
    virtual HRESULT STDMETHODCALLTYPE SetTempDirectory(LPCWSTR directory) = 0;
    // S_OK while the recording thread runs.
    virtual HRESULT STDMETHODCALLTYPE IsActive() = 0;
    virtual HRESULT STDMETHODCALLTYPE IsRecorderListReady() = 0;
    // E_FAIL when the temporary directory's disk lacks room for the mix.
    virtual HRESULT STDMETHODCALLTYPE StartWrite() = 0;
    virtual HRESULT STDMETHODCALLTYPE Abort() = 0;
    virtual HRESULT STDMETHODCALLTYPE IsAborted() = 0;
    // S_OK when the disc was written, E_FAIL after a failure, S_FALSE while in progress.
    virtual HRESULT STDMETHODCALLTYPE GetResult() = 0;
    // 0 to 1.
    virtual HRESULT STDMETHODCALLTYPE GetProgress(float* progress) = 0;
    // 1 when the mix could not be delivered, else the recording library's own status code.
    virtual HRESULT STDMETHODCALLTYPE GetActionStatus(int* status) = 0;
    // Where the mix is split into CD tracks: at each track's end, or at the label markers.
    virtual HRESULT STDMETHODCALLTYPE SetSplitAutomatic() = 0;
    virtual HRESULT STDMETHODCALLTYPE SetSplitAtLabelMarkers() = 0;
    virtual HRESULT STDMETHODCALLTYPE IsSplitAutomatic() = 0;
    virtual HRESULT STDMETHODCALLTYPE IsSplitAtLabelMarkers() = 0;
    // The recording library's answer about the selected recorder.
    virtual HRESULT STDMETHODCALLTYPE QueryRecorder() = 0;
};
