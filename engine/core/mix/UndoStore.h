// CUndoStore: undo and redo of mix edits over whole snapshots of the mix. After each edit the
// mix manager saves the tracks, the mix-wide settings and the video clip list into a numbered
// file "undo%.2d.tmp" of the engine data folder; undo and redo load an earlier or later one
// back. The undo list holds at most 99 snapshots, oldest first, its last entry the current
// state; the redo list holds the next one to redo first.
//
// A snapshot is a plain class-library archive: the track container, the mix globals, then what
// the video clip list writes of itself. A snapshot that cannot be read changes neither the lists
// nor the tracks and settings given.
#pragma once

#include <windows.h>

#include <deque>

#include "classlib/core/String.h"

class CMixGlobals;
class CTrackInfoContainer;
struct IVideoClipList;

class CUndoStore {
public:
    static constexpr int kMaxSnapshots = 99;

    // folder: the engine data folder the snapshot files go to.
    explicit CUndoStore(const wchar_t* folder);

    // Saves the state as the new last undo entry and empties the redo list. A file error leaves
    // the entry in place with whatever was written.
    void SaveSnapshot(const CTrackInfoContainer& tracks, const CMixGlobals& globals, IVideoClipList* video);
    // Steps back to the snapshot before the last one. FALSE with one snapshot (it moves to the
    // redo list, nothing to load) and when the earlier snapshot cannot be read (nothing moves).
    BOOL Undo(CTrackInfoContainer& tracks, CMixGlobals& globals, IVideoClipList* video);
    // Loads the next redo snapshot and makes it the last undo entry; FALSE and nothing moves
    // when there is none or it cannot be read.
    BOOL Redo(CTrackInfoContainer& tracks, CMixGlobals& globals, IVideoClipList* video);

    int GetUndoCount() const { return static_cast<int>(m_undo.size()); }
    int GetRedoCount() const { return static_cast<int>(m_redo.size()); }
    const CString& GetUndoPath(int index) const { return m_undo[static_cast<size_t>(index)]; }
    const CString& GetRedoPath(int index) const { return m_redo[static_cast<size_t>(index)]; }

    // Creates or truncates the file and writes the three parts; FALSE on a file error.
    static BOOL WriteSnapshot(const wchar_t* path, const CTrackInfoContainer& tracks, const CMixGlobals& globals,
                              IVideoClipList* video);
    // Loads the three parts; on success the tracks and settings take what was read. FALSE on a
    // file error or malformed data: the tracks and settings are then as they were (the video
    // clip list may have taken part of its state).
    static BOOL ReadSnapshot(const wchar_t* path, CTrackInfoContainer& tracks, CMixGlobals& globals,
                             IVideoClipList* video);

private:
    // The path of the smallest snapshot number no undo entry uses.
    CString FreePath() const;

    CString m_folder;
    std::deque<CString> m_redo;
    std::deque<CString> m_undo;
};
