// CCatUpdater: keeps the catalog in step with folders the user chose. At start and whenever the
// folder list changes it rescans them (new and changed files become items, vanished ones are
// marked missing); in between it waits on one I/O completion port that carries the change
// notifications of every folder. The catalog owns it and forwards its ICatalog slots here.
//
// Threads: the user-interface thread sets folders and flags and starts, stops and re-opens the
// watches; one worker at idle priority rescans and waits on the port. The lock guards the folders
// and the watches; the worker copies what it needs under it and calls the catalog outside it.
// StartWatching and StopWatching wake the worker with an empty packet before they take the lock.
//
// The port lives as long as the updater: a worker waiting on a port that another thread closes
// could wake on whatever object later gets the same handle value. Watches are known by a key that
// is never reused, so a packet still queued for a watch that is gone cannot reach a new one.
#pragma once

#include <windows.h>

#include <memory>
#include <vector>

#include "classlib/com/ComPtr.h"
#include "classlib/com/UniqueHandle.h"
#include "classlib/core/String.h"
#include "engine/catalog/watch/CatUpdaterDirWatch.h"
#include "engine/core/server/ProgressStatus.h"
#include "engine/core/server/SingleThreadLock.h"
#include "engine/core/server/Unknown.h"
#include "interfaces/IPathList.h"

class CCatalog;

class CCatUpdater : public CUnknown {
public:
    // UI-update codes: an item was added, changed or went missing (value: its id); the worker
    // finished a pass and waits (value 0).
    static constexpr int kItemUpdatedCode = 22;
    static constexpr int kPassDoneCode = 23;
    static constexpr int kMaxFolders = 1000;

    // outer: the engine main object, through which the worker reaches the catalog, the category
    // manager and the display lists. Reads the settings and opens the watches.
    explicit CCatUpdater(IUnknown* outer);
    // Stops the worker, waits for it and closes every watch (each waits for its pending read).
    ~CCatUpdater() override;

    HRESULT GetAutoUpdateFolders(IPathList* out);
    HRESULT SetAutoUpdateFolders(IPathList* in);
    HRESULT GetAutoUpdate(BOOL* enabled, BOOL* updateInfo);
    HRESULT SetAutoUpdate(BOOL enabled, BOOL updateInfo);
    bool IsEnabled() const { return m_enabled != 0; }

    // Starts the worker (after a stopped one has ended); E_FAIL when the thread cannot be made.
    HRESULT Start();
    // Asks the worker to stop and wakes it; does not wait.
    HRESULT Stop();
    // Stop, then wait for the worker's end.
    void StopAndWait();
    HRESULT StartWatching();
    HRESULT StopWatching();

    // The port and the key of the index-th current watch (0 when there is none), for a caller
    // that posts a packet as the system does.
    HANDLE GetCompletionPort() const { return m_port.get(); }
    ULONG_PTR GetWatchKey(size_t index);

private:
    static DWORD WINAPI WorkerProc(void* parameter);
    void Run();
    bool Cancelled();
    // Posts an empty packet: the worker returns from its wait and looks at the flags again.
    void Wake();
    // New and changed files of the folder's tree become items; vanished ones are marked missing.
    void Rescan(CCatalog* catalog, const CString& folder);
    void WaitForChanges();
    // Every file in the tree below the watched folder goes to UpdateFile.
    void ScanFolder(CCatalog* catalog, const CString& folder);
    void UpdateFile(CCatalog* catalog, const CString& path, const CString& watched);
    void CheckMissing(CCatalog* catalog, const CString& folder);
    void CheckFile(CCatalog* catalog, const CString& path);
    void FileCategory(const CString& path, const CString& watched);
    void PostItem(DWORD id);
    void WriteFolders();
    void CloseWatches();

    int m_enabled = 0;
    volatile LONG m_rescanRequested = 0;
    int m_changesSeen = 0;
    UniqueKernelHandle m_port;
    std::vector<std::unique_ptr<CCatUpdaterDirWatch>> m_watches;
    // Read by the worker while the user-interface thread may change it.
    volatile LONG m_updateInfo = 0;
    ComPtr<CProgressStatus> m_runStatus;
    std::vector<CString> m_folders;
    CSingleThreadToken m_lock;
    UniqueKernelHandle m_worker;
    ULONG_PTR m_lastKey = 0;
};
