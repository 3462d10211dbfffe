// CProfiler: one analysis job: the analysis of one catalog item's music file on a thread of its
// own at idle priority, with progress posted to the user interface as 1000 + percent.
//
// Lifecycle: created (item held) -> running (Start) -> done (the done flag) -> collected and
// released by the job queue. The job counts as engine activity from creation to destruction,
// and its thread counts itself while it runs; the thread holds a reference to the job, so the
// job outlives its thread.
//
// Threads: the job queue creates, starts, cancels and collects the job under its own lock; the
// job thread writes the results and then sets the done flag (interlocked), after which only
// the queue reads them. The cancel flags are plain 32-bit words written by the queue and polled
// by the job.
#pragma once

#include <windows.h>

#include "engine/catalog/analysis/ProfileBuilder.h"
#include "engine/catalog/analysis/ProfileResults.h"
#include "engine/catalog/analysis/ProfileSource.h"
#include "classlib/com/ComPtr.h"
#include "classlib/com/UniqueHandle.h"

class CPlotFileManager;

class CProfiler {
public:
    static constexpr int kProgressCodeBase = 1000;

    // A job with one reference for the caller; it keeps a reference to the item. context: the
    // plot file cache the job writes to (not owned; it must outlive the job's thread).
    CProfiler(IProfileSource* item, CPlotFileManager* context);
    CProfiler(const CProfiler&) = delete;
    CProfiler& operator=(const CProfiler&) = delete;

    ULONG AddRef();
    ULONG Release();

    // Stores the priority flag (a plot written by a priority job goes to the front of the plot
    // cache) and starts the thread at idle priority. FALSE when the thread cannot be started.
    BOOL Start(BOOL priority);
    // Sets the job's and its builder's cancel flags.
    void Cancel();
    // Blocks until the job's thread has ended (at once when it never started).
    void WaitForThread();

    bool IsDone() const;
    bool WasCancelled() const { return m_cancel != 0; }
    // The analysis ran to its end without cancel (read only once IsDone() is true). A cancel
    // that comes after that no longer matters.
    bool Succeeded() const { return m_succeeded; }
    // Read only once IsDone() is true.
    const CProfileResults& GetResults() const { return m_results; }
    IProfileSource* GetItem() const { return m_item.get(); }
    DWORD GetItemId() const { return m_itemId; }

private:
    ~CProfiler();

    static DWORD WINAPI ThreadProc(void* parameter);
    // Posts 1000 + percent with the item id through the item's IUiUpdateQueue, when it has one.
    void Report(int percent);

    volatile LONG m_refCount = 1;
    ComPtr<IProfileSource> m_item;
    DWORD m_itemId = 0;
    CPlotFileManager* m_context;
    CProfileResults m_results;
    CProfileBuilder m_builder;
    bool m_succeeded = false;
    volatile LONG m_done = 0;
    volatile LONG m_cancel = 0;
    BOOL m_priority = FALSE;
    UniqueKernelHandle m_thread;
};
