// CCatScan: the catalog's clean-up on a worker thread: removes the items whose files are gone,
// then deletes stored analysis data (plot files, profiles.dat and defaultmixes.dat entries) that
// no item uses any more. The catalog owns it; the caller follows it through the progress status.
//
// Threads: Start and Stop from the user-interface thread (Stop also at the catalog's shutdown);
// one worker at a time, a start while it runs is refused.
#pragma once

#include <windows.h>

#include "classlib/com/ComPtr.h"
#include "classlib/com/UniqueHandle.h"
#include "engine/core/server/ProgressStatus.h"
#include "interfaces/IProgressStatus.h"

class CCatalog;

class CCatScan {
public:
    // The share of the progress the first phase (missing files) takes.
    static constexpr float kMissingPhaseShare = 0.75f;

    // catalog: the owner, which outlives the scan (it stops the scan first).
    explicit CCatScan(CCatalog* catalog);
    ~CCatScan();
    CCatScan(const CCatScan&) = delete;
    CCatScan& operator=(const CCatScan&) = delete;

    // E_FAIL when both flags are FALSE or a clean-up runs; the status with one reference.
    HRESULT Start(BOOL removeMissing, BOOL removeUnusedData, IProgressStatus** status);
    void Stop();

private:
    static DWORD WINAPI WorkerProc(void* parameter);
    void Run();
    void RemoveMissing();
    void PurgeUnusedData();
    bool Cancelled();

    CCatalog* m_catalog;
    BOOL m_removeMissing = FALSE;
    BOOL m_removeUnusedData = FALSE;
    ComPtr<CProgressStatus> m_status;
    UniqueKernelHandle m_worker;
    volatile LONG m_running = 0;
};
