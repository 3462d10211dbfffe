// The CD recording library double ("Wendlecote.DLL", built for the output tests and the CD
// benchmark only): it answers from a script the test hands in (recorders, their information
// blocks, the disc, failures), saves the audio it receives to a file and logs its calls.
#pragma once

#include <windows.h>

inline constexpr int kCdDoubleRecorders = 4;
inline constexpr int kCdDoubleTracks = 16;
inline constexpr int kCdDoubleInfoBytes = 84;

struct CDDOUBLE_SCRIPT {
    int recorderCount;
    char recorderNames[kCdDoubleRecorders][64];
    BYTE info[kCdDoubleRecorders][kCdDoubleInfoBytes];
    int initializeResult;
    // SelectRecorder refuses this index (-1: none).
    int refusedRecorder;
    int mediaFlags;
    LONGLONG freeBytes;
    int needsTrackLayout;
    // WriteData refuses once this many bytes were taken (-1: never).
    LONGLONG refuseDataAfter;
    // WriteData waits for an abort once this many bytes were taken (-1: never).
    LONGLONG stallDataAfter;
    int writeDiscResult;
    int progress;
    int actionStatus;
    HRESULT queryResult;
    // Where the received audio is saved (empty: not saved).
    wchar_t dataPath[MAX_PATH];
};

struct CDDOUBLE_TRACK {
    int index;
    int titled;
    char title[300];
    LONGLONG bytes;
};

struct CDDOUBLE_LOG {
    LONG created;
    LONG live;
    LONGLONG bytesReceived;
    LONG largestPiece;
    int trackCount;
    CDDOUBLE_TRACK tracks[kCdDoubleTracks];
    int writeSpeed;
    BOOL burnProof;
    char tempDirectory[600];
    // The calls in order, one per line ("WriteData 0 37632" for the first piece only); a call
    // repeated at once is written once.
    char calls[4096];
};

// The script applies to libraries created after it; the log is cleared with it.
using CdDoubleSetScriptFn = void(__cdecl*)(const CDDOUBLE_SCRIPT* script);
using CdDoubleGetLogFn = void(__cdecl*)(CDDOUBLE_LOG* log);

// Two recorders, the first with speeds 4, 8, 16 and the second with 24, 48; a disc with 79.6
// minutes free; nothing refused.
inline CDDOUBLE_SCRIPT CdDoubleDefaultScript()
{
    CDDOUBLE_SCRIPT script{};
    script.recorderCount = 2;
    lstrcpynA(script.recorderNames[0], "Test Recorder A", 64);
    lstrcpynA(script.recorderNames[1], "Test Recorder B", 64);
    const WORD first[] = {4, 8, 16};
    const WORD second[] = {24, 48};
    CopyMemory(script.info[0], first, sizeof(first));
    CopyMemory(script.info[1], second, sizeof(second));
    script.refusedRecorder = -1;
    script.mediaFlags = 0x10;
    script.freeBytes = 80LL * 10584000 - 4233600;
    script.needsTrackLayout = 1;
    script.refuseDataAfter = -1;
    script.stallDataAfter = -1;
    script.progress = 2500;
    script.actionStatus = 7;
    script.queryResult = S_OK;
    return script;
}
