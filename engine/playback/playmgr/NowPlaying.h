// CNowPlaying: the live play manager's now-playing record. While a performance plays, the play
// manager hands it the track under the play position each time the position enters a new
// ten-second step; it fills the user's template with that track's title, artist, album and
// elapsed time into the destination file, and appends each new track to a monthly play log
// ("yyyymm.log", tab-separated, ANSI, UTC).
//
// The five settings live in the profile section "Settings"; they are read once at construction
// and written by SetSettings.
//
// Threads: the settings come and go on the user-interface thread, the writing runs on the service
// thread under the global mix lock; the record's own lock guards both. File errors abandon the
// update silently: the next step tries again.
#pragma once

#include <windows.h>

#include "classlib/core/String.h"
#include "engine/core/server/SingleThreadLock.h"
#include "engine/core/time/SysTime.h"

struct INowPlayingItem;

class CNowPlaying {
public:
    // The current UTC time, for the log's date, time of day and file name. Tests set their own.
    using Clock = void (*)(SYSTEMTIME* utc);
    // A template larger than this is not read: it is re-read every ten seconds of a performance.
    static constexpr ULONGLONG kMaxTemplateBytes = 1024 * 1024;

    CNowPlaying();
    CNowPlaying(const CNowPlaying&) = delete;
    CNowPlaying& operator=(const CNowPlaying&) = delete;

    void GetSettings(BOOL* fileEnabled, CString* sourceFile, CString* destinationFile, BOOL* logEnabled,
                     CString* logDirectory);
    // Stores all five in the record and in the profile, as given.
    void SetSettings(BOOL fileEnabled, const wchar_t* sourceFile, const wchar_t* destinationFile, BOOL logEnabled,
                     const wchar_t* logDirectory);
    // The file or the log is enabled.
    bool IsEnabled();
    // item: the catalog item of the track that plays; elapsed: microseconds since the track's
    // start on the mix; fileTime: the play position mapped into the track's file (microseconds).
    void WriteNowPlaying(INowPlayingItem* item, LONGLONG elapsed, LONGLONG fileTime);
    void SetClock(Clock clock);

private:
    // Appends one line when the strings differ from the last logged ones.
    void AppendToLog(const CString& title, const CString& artist, const CString& album);

    CSingleThreadToken m_lock;
    BOOL m_fileEnabled = FALSE;
    BOOL m_logEnabled = FALSE;
    CString m_sourceFile;
    CString m_destinationFile;
    CString m_logDirectory;
    CString m_lastTitle;
    CString m_lastArtist;
    CString m_lastAlbum;
    // Cleared at start: the first entry measures its elapsed time from it.
    CSysTime m_lastEntryTime;
    Clock m_clock;
};
