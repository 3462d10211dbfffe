// CCatalog: the engine's music catalog. It owns every catalog item (by id, and in a path index),
// the catalog file, the stores of analysis results ("profiles.dat") and of per-file saved mix
// settings ("defaultmixes.dat"), the plot file cache, the plot cache in memory, the analysis
// job queue, and the importer, the clean-up and the folder updater that work on their own
// threads. The engine main object creates it at Initialize and ticks it from the service
// thread; the main program reaches it through ICatalog, the engine's own components through the
// engine IID, the plot cache through IPlotItemCatalog and the mix builder through
// IMixProfileSource.
//
// Threads: the user-interface thread (ICatalog), the service thread (the tick), analysis jobs
// and catalog workers. The item-array lock guards both arrays; the catalog lock serialises
// adding, loading, deleting and stored-settings changes. Lock order: catalog lock, item-array
// lock, analysis queue, then an item's own lock; an item never takes the catalog's locks.
#pragma once

#include <windows.h>

#include <memory>
#include <vector>

#include "classlib/core/String.h"
#include "engine/catalog/analysis/ProfileJobQueue.h"
#include "engine/catalog/items/CatStore.h"
#include "engine/catalog/plots/PlotFileManager.h"
#include "engine/catalog/plots/PlotItemCatalog.h"
#include "engine/catalog/plots/PlotStoreManager.h"
#include "engine/core/mix/MixProfileSource.h"
#include "engine/core/mix/MixTrackSource.h"
#include "engine/core/server/InnerPtr.h"
#include "engine/core/server/SingleThreadLock.h"
#include "engine/core/server/Unknown.h"
#include "engine/core/storage/MusicFileIdObjStore.h"
#include "interfaces/ICatalog.h"

class CCatImporter;
class CCatScan;
class CCatUpdater;
class CCatItem;
class CProfileResults;
class CTrackInfo;

class CCatalog : public CUnknown,
                 public ICatalog,
                 public IPlotItemCatalog,
                 public IMixProfileSource,
                 public IMixTrackSource {
public:
    // UI-update codes the catalog posts.
    static constexpr int kItemChangedCode = 4;
    static constexpr int kAnalysisIdleCode = 19;
    static constexpr DWORD kDefaultMixTypeAtStart = 2;

    // outer: the engine main object (not owned); NULL for a catalog of its own.
    explicit CCatalog(IUnknown* outer);
    ~CCatalog() override;

    DECLARE_DELEGATING_UNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID iid, void** object) override;
    // Stops the workers, then releases the plot caches, every item, the stores and the queue.
    void FinalRelease() override;

    // ICatalog
    HRESULT STDMETHODCALLTYPE AddImportFile(BSTR path) override;
    HRESULT STDMETHODCALLTYPE StartImportFiles(BSTR category, BOOL expandFolders, IProgressStatus** status) override;
    HRESULT STDMETHODCALLTYPE StartImportDirectory(BSTR folder, BSTR category, IProgressStatus** status) override;
    HRESULT STDMETHODCALLTYPE StartImportTextList(BSTR path, IProgressStatus** status) override;
    HRESULT STDMETHODCALLTYPE Unused7(DWORD value) override;
    HRESULT STDMETHODCALLTYPE ImportDefaultTrackSettings(BSTR path) override;
    HRESULT STDMETHODCALLTYPE StartCleanup(BOOL removeMissing, BOOL removeUnusedData,
                                           IProgressStatus** status) override;
    HRESULT STDMETHODCALLTYPE DeleteItems(IItemIdList* ids, BOOL deleteFiles) override;
    HRESULT STDMETHODCALLTYPE GetTrackPlot(DWORD id, ITrackPlot** plot) override;
    HRESULT STDMETHODCALLTYPE ReleaseTrackPlot(ITrackPlot* plot) override;
    HRESULT STDMETHODCALLTYPE TouchTrackPlot(ITrackPlot* plot) override;
    HRESULT STDMETHODCALLTYPE GetProfileCacheSettings(BSTR* folder, int* maxSize) override;
    HRESULT STDMETHODCALLTYPE SetProfileCacheSettings(BSTR folder, int maxSize) override;
    HRESULT STDMETHODCALLTYPE GetDefaultProfileCacheSettings(BSTR* folder, int* maxSize) override;
    HRESULT STDMETHODCALLTYPE IsModifyMusicFilesEnabled() override;
    HRESULT STDMETHODCALLTYPE SetModifyMusicFiles(BOOL enabled) override;
    HRESULT STDMETHODCALLTYPE GetUnupdatableMusicFiles(IPathList* out) override;
    HRESULT STDMETHODCALLTYPE StopUpdatingMusicFiles(IPathList* paths) override;
    HRESULT STDMETHODCALLTYPE ClearDefaultTrackSettings(IItemIdList* ids) override;
    HRESULT STDMETHODCALLTYPE HasDefaultTrackSettings(IItemIdList* ids) override;
    HRESULT STDMETHODCALLTYPE GetAutoUpdateFolders(IPathList* out) override;
    HRESULT STDMETHODCALLTYPE SetAutoUpdateFolders(IPathList* in) override;
    HRESULT STDMETHODCALLTYPE GetAutoUpdate(BOOL* enabled, BOOL* updateInfo) override;
    HRESULT STDMETHODCALLTYPE SetAutoUpdate(BOOL enabled, BOOL updateInfo) override;
    HRESULT STDMETHODCALLTYPE GetDefaultMixType(DWORD* type) override;
    HRESULT STDMETHODCALLTYPE SetDefaultMixType(DWORD type) override;

    // IPlotItemCatalog
    BOOL GetPlotItemInfo(DWORD itemId, CMusicFileId* id, DWORD* sampleRate, LONGLONG* lengthMicroseconds) override;
    // Queues an audio item's analysis at middle priority.
    void RequeueProfile(DWORD itemId) override;

    // IMixProfileSource
    BOOL GetProfileResults(const CMusicFileId& id, CProfileResults* results) override;

    // IMixTrackSource: the track's catalog item.
    BOOL GetTrackItem(CTrackInfo& track, IProfileSource** item) override;
    BOOL GetTrackItemFlags(CTrackInfo& track, int* flags) override;
    void TouchTrackPlot(CTrackInfo& track) override;

    // Opens the stores in dataFolder (the engine data folder, ending in a backslash), starts the
    // plot file cache and loads the items. FALSE when catalog.dat cannot be opened: nothing else
    // is set up then.
    BOOL Init(const CString& dataFolder);
    // Stops the importer, the clean-up, the folder updater, the plot loader and the analysis job,
    // and waits for each.
    void StopWorkers();

    // The item of the path (refreshed from its file when asked), or a new item for the file.
    // out (when given) gets one reference. FALSE when the file cannot be made an item.
    bool AddItemFromFile(const wchar_t* path, CCatItem** out, BOOL refresh);
    // With one reference.
    bool FindItemByPath(const wchar_t* path, CCatItem** out);
    bool GetItemById(DWORD id, CCatItem** out);
    // Without a reference: only for callers that hold the item otherwise.
    bool LookupItemById(DWORD id, CCatItem** out);
    // TRUE for every index below the count, with NULL (no reference) for a deleted item.
    bool GetItemByIndex(int index, CCatItem** out);
    int GetItemCount();
    // With one reference (the clean-up may delete the item as soon as the lock is let go);
    // FALSE for an invalid identity.
    bool FindItemByFileId(const CMusicFileId& id, CCatItem** out);
    // "wav;mp3;" and so on: the extensions of the readers this system has.
    const CString& GetSupportedExtensions() const { return m_extensions; }
    bool IsSupportedExtension(const CString& extension);

    // The service-thread tick: takes over finished analyses and starts the next job.
    void ProcessProfileQueue();
    void RequestProfileNow(DWORD id);
    void CancelProfileRequest(DWORD id);
    bool LoadProfile(const CMusicFileId& id, CProfileResults* results);
    bool HasProfile(CCatItem* item);
    // An audio item whose identity has no stored analysis.
    bool NeedsProfile(CCatItem* item);

    void SaveDefaultMix(CTrackInfo* track);
    bool ApplyDefaultMix(CTrackInfo* track);
    bool HasDefaultMix(CTrackInfo* track);
    void DeleteDefaultMix(const CMusicFileId& id);

    CCatStore& GetStore() { return *m_store; }
    CPlotFileManager* GetPlotFileManager() { return m_plotFiles.get(); }
    // NULL before Init.
    CCatUpdater* GetUpdater() { return m_updater.get(); }
    // profiles.dat and defaultmixes.dat; NULL before Init.
    CMusicFileIdObjStore* GetProfileStore() { return m_profiles.get(); }
    CMusicFileIdObjStore* GetDefaultMixStore() { return m_defaultMixes.get(); }
    DWORD GetDefaultMixTypeValue() const { return m_defaultMixType; }

private:
    void LoadItems();
    // Under the item-array lock.
    void AppendItem(CCatItem* item);
    // Position of a path folded by FoldPathCase in the path index.
    INT_PTR FindPathPosition(const CString& folded, bool* found) const;
    void RemoveFromPathIndex(CCatItem* item);
    void QueueIfNeeded(CCatItem* item);
    void PostToQueueGroup(int code, int value);
    bool ReadDefaultMix(const CMusicFileId& id, CTrackInfo* into);
    bool HasStoredDefaultMix(const CMusicFileId& id);

    // An item of the path index beside its path folded once, as it entered the index: a lookup
    // folds only the path it is asked for, not the items' paths at each step of its search.
    struct PathIndexEntry {
        CString foldedPath;
        CCatItem* item;
    };

    std::vector<CCatItem*> m_items;
    // Sorted by folded path (CompareFoldedPaths).
    std::vector<PathIndexEntry> m_pathIndex;
    std::unique_ptr<CCatStore> m_store;
    InnerPtr<CPlotStoreManager> m_plotStores;
    std::unique_ptr<CProfileJobQueue> m_queue;
    std::unique_ptr<CPlotFileManager> m_plotFiles;
    InnerPtr<CCatImporter> m_importer;
    std::unique_ptr<CCatScan> m_scan;
    InnerPtr<CCatUpdater> m_updater;
    CSingleThreadToken m_itemsLock;
    CSingleThreadToken m_catalogLock;
    CString m_extensions;
    std::unique_ptr<CMusicFileIdObjStore> m_profiles;
    std::unique_ptr<CMusicFileIdObjStore> m_defaultMixes;
    int m_idleReported = 0;
    DWORD m_defaultMixType = kDefaultMixTypeAtStart;
};
