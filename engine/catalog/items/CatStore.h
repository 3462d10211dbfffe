// CCatStore: the catalog file "catalog.dat", one record per catalog item, opened with its repair
// scan (damaged records are skipped, the rest load).
//
// Threads: catalog workers, the service thread and the user-interface thread write items; each
// operation takes the item's lock first, then the store's. Items are serialised under their own
// lock, so that order is the only one.
#pragma once

#include <windows.h>

#include <unknwn.h>

#include <memory>
#include <vector>

#include "engine/core/server/SingleThreadLock.h"
#include "engine/core/storage/ItemFile.h"

class CCatItem;

inline constexpr wchar_t kCatalogFileName[] = L"catalog.dat";

class CCatStore {
public:
    explicit CCatStore(const wchar_t* path);
    // The same over a file object of the caller's, not yet open (the record file's seam: a test
    // hands in a file that stops writing part way, as a crash would).
    CCatStore(std::unique_ptr<CFile> file, const wchar_t* path);
    // Closes the record file, which squeezes out the freed records.
    ~CCatStore();
    CCatStore(const CCatStore&) = delete;
    CCatStore& operator=(const CCatStore&) = delete;

    bool IsOpen();
    int GetRecordCount();
    // Loads the record into the item and sets its record index; FALSE when it cannot be read.
    BOOL ReadItem(int record, CCatItem* item);
    // Every record that can be read, as a new item (outer as given) with its record index, in
    // record order; the file is read in large pieces. Two records of one item, as a crash can
    // leave them, both come back: the catalog keeps the last and deletes the other.
    std::vector<CCatItem*> ReadAllItems(IUnknown* outer);
    // Appends the item's record and frees its old one only when the new one was stored, so that
    // a failed write keeps the item as it was. FALSE when the record could not be written. A
    // deleted item is not written: TRUE, and nothing of it is stored.
    BOOL WriteItem(CCatItem* item);
    // Frees the item's record, sets its index to -1 and marks it deleted, so that a thread still
    // holding it cannot bring it back with a later write.
    void DeleteItem(CCatItem* item);

private:
    std::unique_ptr<CItemFile> m_file;
    CSingleThreadToken m_lock;
};
