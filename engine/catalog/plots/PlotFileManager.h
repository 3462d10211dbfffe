// CPlotFileManager: the cache of analysis plot files. The files ("<number>.cfm") live in the
// cache directory (profile value "Profile Cache Directory"); the directory's size is limited to
// "Profile Cache Max Size" whole MiB (-1: no limit), and the least recently used files are
// deleted first. The entry list, most recently used first, is kept between runs in
// "cacheindex.dat" in the cache directory and reconciled with the directory at start.
//
// The cache index and the plot files are read from disk and may be damaged or edited by hand:
// the index's entry count is bounded by the bytes present and by kMaxEntries, entries that name
// the same file twice are dropped, and a plot file that cannot be read is removed, so that its
// track is analysed again.
//
// Threads: analysis jobs, the plot cache's loader, catalog workers and the user-interface
// thread. The list lock guards the entries, the settings lock the directory and the maximum;
// the two are never held together.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "classlib/core/String.h"
#include "engine/catalog/plots/PlotFile.h"
#include "engine/core/storage/MusicFileId.h"
#include "engine/core/server/SingleThreadLock.h"

// One cache entry, stored raw (32 bytes) in the cache index.
struct PROF_STORE_ITEM {
    BYTE fileId[CMusicFileId::kSize];
    int32_t number;
    uint32_t size;
    // Set while reconciling with the directory; 0 in stored entries.
    uint32_t missing;
    uint32_t reserved;
};
static_assert(sizeof(PROF_STORE_ITEM) == 32);

class CPlotFileManager {
public:
    static constexpr int kDefaultMaxSizeMb = 100;
    static constexpr int kNoLimit = -1;
    // Collisions tolerated while drawing a new file number.
    static constexpr int kMaxNumberCollisions = 100000;
    // An index longer than this is damaged (a million tracks is beyond any catalog).
    static constexpr ULONGLONG kMaxEntries = 1000000;

    CPlotFileManager() = default;
    // Writes the cache index when a directory is set; file errors are ignored.
    ~CPlotFileManager();
    CPlotFileManager(const CPlotFileManager&) = delete;
    CPlotFileManager& operator=(const CPlotFileManager&) = delete;

    // Reads the settings (writing the default directory back when none is set), creates the
    // directory, loads the cache index and reconciles it with the directory.
    BOOL Initialise();
    void GetSettings(CString* directory, int* maxSizeMb);
    // <engine data folder>Archive\ and 100 MiB.
    static void GetDefaultSettings(CString* directory, int* maxSizeMb);
    // Only for an existing directory: stores and writes both settings, reconciles and trims.
    // FALSE (nothing changed) when the directory cannot be found.
    BOOL SetSettings(const CString& directory, int maxSizeMb);

    // A plot file object for writing the analysis of the file with this identity, under a
    // number that no entry uses; NULL when no number could be found.
    std::unique_ptr<CPlotFile> CreatePlotFile(const CMusicFileId& id);
    // The plot file of this identity, read. NULL when there is none; a file that cannot be
    // read is removed with its entry.
    std::unique_ptr<CPlotFile> OpenPlotFile(const CMusicFileId& id);
    // Takes over a written or read plot file: a read file's entry moves to the front when
    // touch is set; a written file gets an entry (replacing, and deleting the file of, an older
    // entry of the same identity), at the front when touch is set, else at the end. Then trims.
    void Register(std::unique_ptr<CPlotFile> file, BOOL touch);
    // Deletes the file of this identity and its entry; FALSE when there is none.
    BOOL Remove(const CMusicFileId& id);

    int GetEntryCount();
    BOOL GetEntryId(int index, CMusicFileId* id);
    // A copy of the entries, most recently used first.
    std::vector<PROF_STORE_ITEM> GetEntries();
    bool IsInitialised() const { return m_initialised; }

    // The number in a plot file name ("<digits>.cfm", any folder); FALSE for other names.
    static BOOL ParseFileNumber(const wchar_t* path, int32_t* number);

private:
    CString Directory();
    CString PathOf(const CString& directory, int32_t number) const;
    void LoadIndex(const CString& directory);
    void WriteIndex(const CString& directory);
    // Lists the directory's plot files; entries without a file go, files without an entry are
    // added (damaged ones deleted).
    void Reconcile();
    void Trim();
    // Under the list lock.
    int FindEntry(const BYTE* fileId) const;
    bool NumberInUse(int32_t number) const;
    void DeleteEntryAt(const CString& directory, size_t index);

    CString m_directory;
    int m_maxSizeMb = kDefaultMaxSizeMb;
    std::vector<PROF_STORE_ITEM> m_entries;
    CSingleThreadToken m_listLock;
    CSingleThreadToken m_settingsLock;
    bool m_initialised = false;
};
