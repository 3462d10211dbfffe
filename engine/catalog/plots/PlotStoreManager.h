// CPlotStoreManager: the plot cache in memory. Hands out one CPlotStore per catalog item (with a
// use count of its own), loads plots from the plot file cache on a loader thread of lowest
// priority, and keeps at most kMaxLoadedStores loaded, unloading the least recently used.
//
// A plot that cannot be loaded marks its store failed once and asks the catalog to analyse the
// item again; after the new analysis Reload queues it once more.
//
// Threads: Get, Release, Touch and Reload from the user-interface and service threads; the
// loader thread fills stores without the manager's lock (each store guards its own bytes). The
// run flag and the loader-running flag are changed under the manager's lock. Stop (called
// before the catalog lets go of the manager) waits for the loader to end.
#pragma once

#include <windows.h>

#include <deque>
#include <vector>

#include "engine/catalog/plots/PlotStore.h"
#include "classlib/com/UniqueHandle.h"
#include "engine/core/server/SingleThreadLock.h"
#include "engine/core/server/Unknown.h"

class CPlotFileManager;
struct IPlotItemCatalog;

class CPlotStoreManager : public CUnknown {
public:
    static constexpr size_t kMaxLoadedStores = 256;
    // UI-update code: the plot of the item (value) was loaded.
    static constexpr int kPlotLoadedCode = 16;
    // Engine-queue code posted through IBrennock with it.
    static constexpr int kEnginePlotLoadedCode = 2;

    // outer: the engine main object (asked for IUiUpdateQueue and IBrennock when a plot was
    // loaded); files and catalog are not owned and must outlive the manager's loader.
    CPlotStoreManager(IUnknown* outer, CPlotFileManager* files, IPlotItemCatalog* catalog);
    ~CPlotStoreManager() override;

    // Stops the loader and releases every store.
    void FinalRelease() override;

    // The item's store with one more use and one reference for the caller; NULL when the store
    // cannot be made.
    CPlotStore* Get(DWORD itemId);
    // Drops one use; at none the store leaves the cache. FALSE when the item has no store.
    BOOL Release(DWORD itemId);
    // Marks a loaded store most recently used, else queues its loading. FALSE without a store.
    BOOL Touch(DWORD itemId);
    // After a new analysis: the store loads its plot again. FALSE without a store.
    BOOL Reload(DWORD itemId);
    // Ends the loader thread (waits for it); later requests no longer start it.
    void Stop();

    int GetLoadedCount();

private:
    struct Entry {
        CPlotStore* store;
        LONG uses;
    };

    static DWORD WINAPI LoaderThreadProc(void* parameter);
    void RunLoader();
    void LoadStore(CPlotStore* store);
    void PostLoaded(DWORD itemId);
    // Under the lock.
    Entry* FindEntry(DWORD itemId);
    void QueueLoad(DWORD itemId);
    void StartLoader();
    void UnloadLeastRecentlyUsed();

    CPlotFileManager* const m_files;
    IPlotItemCatalog* const m_catalog;
    std::vector<Entry> m_stores;
    std::deque<DWORD> m_loadQueue;
    ULONGLONG m_useCounter = 0;
    UniqueKernelHandle m_loaderThread;
    bool m_loaderRunning = false;
    bool m_run = true;
    CSingleThreadToken m_lock;
};
