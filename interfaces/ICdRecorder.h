// ICdRecorder: the CD recording library ("Wendlecote.DLL", outside the system), created by the
// engine's plug-in binding. The engine's CD output lists the recorders, picks one, lays out the
// tracks, hands the audio over (16-bit stereo at 44100 Hz, in pieces) and has the disc written.
//
// Results: the int answers are 0 for success and non-zero for failure. Strings are ANSI.
// Threads: the CD output's own thread makes every call but GetProgress, Abort, QueryRecorder and
// GetActionStatus, which the UI thread makes while a write runs; the library serialises them.
#pragma once

#include <windows.h>
#include <unknwn.h>

struct ICdRecorder : public IUnknown {
    // Finds the recorders; non-zero when none can be used.
    virtual int STDMETHODCALLTYPE Initialize() = 0;
    // The name of recorder `index` into `name` (zero-terminated, at most `size` bytes with the
    // terminator); non-zero past the last recorder.
    virtual int STDMETHODCALLTYPE GetRecorderName(int index, char* name, int size) = 0;
    // Makes recorder `index` the one written with and fills its 84-byte information block (the
    // first 40 16-bit entries are its write speeds, 0 ending them).
    virtual int STDMETHODCALLTYPE SelectRecorder(int index, BYTE* info) = 0;
    virtual int STDMETHODCALLTYPE ClearTracks() = 0;
    // Track `index` of `bytes` bytes (a multiple of 2352); title NULL for none.
    virtual int STDMETHODCALLTYPE AddTrack(int index, const char* title, LONGLONG bytes) = 0;
    // The next piece of the audio; non-zero when the library takes no more.
    virtual int STDMETHODCALLTYPE WriteData(const BYTE* data, unsigned bytes) = 0;
    // Writes the disc from what was handed over, at `speed` (0 the recorder's best).
    virtual int STDMETHODCALLTYPE WriteDisc(int speed, BOOL burnProof) = 0;
    // The disc in the selected recorder: the library's media flags and the bytes still free.
    virtual int STDMETHODCALLTYPE GetMedia(int* flags, LONGLONG* freeBytes) = 0;
    // Progress of the write, 0 to 10000.
    virtual int STDMETHODCALLTYPE GetProgress() = 0;
    // Ends a write under way; byUser 1 when the user asked, 0 when the engine gives up.
    virtual int STDMETHODCALLTYPE Abort(BOOL byUser) = 0;
    virtual int STDMETHODCALLTYPE Shutdown() = 0;
    virtual HRESULT STDMETHODCALLTYPE QueryRecorder() = 0;
    // Non-zero when the library wants the track layout (AddTrack) before the audio.
    virtual int STDMETHODCALLTYPE NeedsTrackLayout() = 0;
    // Where the library may keep its temporary files.
    virtual int STDMETHODCALLTYPE SetTempDirectory(const char* directory) = 0;
    virtual int STDMETHODCALLTYPE GetActionStatus() = 0;
};

__CRT_UUID_DECL(ICdRecorder, 0xF0C344DC, 0x610E, 0x4D99, 0x97, 0x41, 0x21, 0xAF, 0xDB, 0x1E, 0x58, 0xAF)
inline constexpr IID IID_ICdRecorder = {0xF0C344DC, 0x610E, 0x4D99, {0x97, 0x41, 0x21, 0xAF, 0xDB, 0x1E, 0x58, 0xAF}};
