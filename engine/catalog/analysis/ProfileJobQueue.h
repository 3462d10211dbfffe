// CProfileJobQueue: the catalog's analysis job queue. Items wait in three lists (top, middle,
// low priority) until their analysis has been collected; one job runs at a time. The catalog's
// service-thread tick collects a finished job and starts the next one.
//
// An item whose analysis fails (its file cannot be opened or read, or the results are not
// valid) is marked failed and never queued again while the engine runs. A cancelled job (Stop,
// or pre-emption by a top-priority item) is discarded: its results are not delivered and its
// item stays queued, so that it is analysed again later.
//
// Threads: every operation holds the queue lock; job threads never take it. Lock order: the
// catalog lock before the queue lock.
#pragma once

#include <windows.h>

#include <vector>

#include "engine/catalog/analysis/ProfileSource.h"
#include "engine/core/server/SingleThreadLock.h"

class CPlotFileManager;
class CProfileResults;
class CProfiler;

class CProfileJobQueue {
public:
    // context: the plot file cache handed to each job (not owned; it must outlive the queue).
    explicit CProfileJobQueue(CPlotFileManager* context);
    // Stops the running job and releases every queued item.
    ~CProfileJobQueue();
    CProfileJobQueue(const CProfileJobQueue&) = delete;
    CProfileJobQueue& operator=(const CProfileJobQueue&) = delete;

    // Appends the item unless it failed before or is in the top list already; a running job
    // whose item is not in the top list is cancelled, so that the top item runs next.
    void QueueTop(IProfileSource* item);
    // Append unless failed before or already in that list.
    void QueueMiddle(IProfileSource* item);
    void QueueLow(IProfileSource* item);
    // Removes every occurrence of the item from the top list.
    void Unqueue(IProfileSource* item);
    // Removes every occurrence of the item from all three lists.
    void Remove(IProfileSource* item);

    // When no job exists: starts a job for the first item of the top, else the middle, else the
    // low list. 1 when there was nothing to start, else 0.
    int StartNext();
    // When the job is done: valid results of a completed analysis are copied out with the item
    // id, the item leaves the lists, and the result is true. Invalid results of a completed or
    // failed analysis mark the item failed (it leaves the lists). A cancelled job is discarded
    // and its item stays queued. The job is released in every done case.
    bool Collect(CProfileResults* results, DWORD* itemId);
    // Cancels the running job, waits for its thread and releases it.
    void Stop();

    bool IsFailed(DWORD itemId);
    bool IsRunning();
    // The number of lists (0..3) that hold the item.
    int CountQueued(DWORD itemId);

private:
    using ItemList = std::vector<IProfileSource*>;

    // Appends the item with a reference.
    static void Append(ItemList& list, IProfileSource* item);
    static bool Contains(const ItemList& list, DWORD itemId);
    static void RemoveFrom(ItemList& list, DWORD itemId);
    bool IsFailedLocked(DWORD itemId) const;

    CPlotFileManager* const m_context;
    ItemList m_top;
    ItemList m_middle;
    ItemList m_low;
    std::vector<DWORD> m_failed;
    CProfiler* m_job = nullptr;
    CSingleThreadToken m_lock;
};
