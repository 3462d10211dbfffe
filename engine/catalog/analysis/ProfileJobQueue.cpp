#include "engine/catalog/analysis/ProfileJobQueue.h"

#include <algorithm>
#include <new>

#include "engine/catalog/analysis/ProfileResults.h"
#include "engine/catalog/analysis/Profiler.h"

CProfileJobQueue::CProfileJobQueue(CPlotFileManager* context) : m_context(context) {}

CProfileJobQueue::~CProfileJobQueue()
{
    Stop();
    for (ItemList* list : {&m_top, &m_middle, &m_low}) {
        for (IProfileSource* item : *list)
            item->Release();
        list->clear();
    }
}

void CProfileJobQueue::Append(ItemList& list, IProfileSource* item)
{
    item->AddRef();
    list.push_back(item);
}

bool CProfileJobQueue::Contains(const ItemList& list, DWORD itemId)
{
    return std::any_of(list.begin(), list.end(),
                       [itemId](IProfileSource* item) { return item->GetItemId() == itemId; });
}

void CProfileJobQueue::RemoveFrom(ItemList& list, DWORD itemId)
{
    std::erase_if(list, [itemId](IProfileSource* item) {
        if (item->GetItemId() != itemId)
            return false;
        item->Release();
        return true;
    });
}

bool CProfileJobQueue::IsFailedLocked(DWORD itemId) const
{
    return std::find(m_failed.begin(), m_failed.end(), itemId) != m_failed.end();
}

void CProfileJobQueue::QueueTop(IProfileSource* item)
{
    if (item == nullptr)
        return;
    const DWORD itemId = item->GetItemId();
    CSingleThreadLock lock(&m_lock);
    if (IsFailedLocked(itemId) || Contains(m_top, itemId))
        return;
    Append(m_top, item);
    if (m_job && !Contains(m_top, m_job->GetItemId()))
        m_job->Cancel();
}

void CProfileJobQueue::QueueMiddle(IProfileSource* item)
{
    if (item == nullptr)
        return;
    const DWORD itemId = item->GetItemId();
    CSingleThreadLock lock(&m_lock);
    if (!IsFailedLocked(itemId) && !Contains(m_middle, itemId))
        Append(m_middle, item);
}

void CProfileJobQueue::QueueLow(IProfileSource* item)
{
    if (item == nullptr)
        return;
    const DWORD itemId = item->GetItemId();
    CSingleThreadLock lock(&m_lock);
    if (!IsFailedLocked(itemId) && !Contains(m_low, itemId))
        Append(m_low, item);
}

void CProfileJobQueue::Unqueue(IProfileSource* item)
{
    if (item == nullptr)
        return;
    const DWORD itemId = item->GetItemId();
    CSingleThreadLock lock(&m_lock);
    RemoveFrom(m_top, itemId);
}

void CProfileJobQueue::Remove(IProfileSource* item)
{
    if (item == nullptr)
        return;
    const DWORD itemId = item->GetItemId();
    CSingleThreadLock lock(&m_lock);
    RemoveFrom(m_top, itemId);
    RemoveFrom(m_middle, itemId);
    RemoveFrom(m_low, itemId);
}

int CProfileJobQueue::StartNext()
{
    CSingleThreadLock lock(&m_lock);
    if (m_job)
        return 0;
    IProfileSource* item = nullptr;
    BOOL priority = TRUE;
    if (!m_top.empty()) {
        item = m_top.front();
    } else if (!m_middle.empty()) {
        item = m_middle.front();
    } else if (!m_low.empty()) {
        item = m_low.front();
        priority = FALSE;
    } else {
        return 1;
    }
    CProfiler* job = new (std::nothrow) CProfiler(item, m_context);
    if (job == nullptr)
        return 0;
    if (!job->Start(priority)) {
        job->Release();
        return 0;
    }
    m_job = job;
    return 0;
}

bool CProfileJobQueue::Collect(CProfileResults* results, DWORD* itemId)
{
    CProfiler* job = nullptr;
    bool delivered = false;
    {
        CSingleThreadLock lock(&m_lock);
        if (m_job == nullptr || !m_job->IsDone())
            return false;
        job = m_job;
        m_job = nullptr;
        const DWORD id = job->GetItemId();
        if (!job->Succeeded() && job->WasCancelled()) {
            // Discarded: the item stays queued and is analysed again later.
        } else if (job->GetResults().IsValid()) {
            if (results)
                *results = job->GetResults();
            if (itemId)
                *itemId = id;
            delivered = true;
            RemoveFrom(m_top, id);
            RemoveFrom(m_middle, id);
            RemoveFrom(m_low, id);
        } else {
            RemoveFrom(m_top, id);
            RemoveFrom(m_middle, id);
            RemoveFrom(m_low, id);
            if (!IsFailedLocked(id))
                m_failed.push_back(id);
        }
    }
    job->Release();
    return delivered;
}

void CProfileJobQueue::Stop()
{
    CProfiler* job = nullptr;
    {
        CSingleThreadLock lock(&m_lock);
        job = m_job;
        m_job = nullptr;
    }
    if (job == nullptr)
        return;
    job->Cancel();
    // The job writes to the plot file cache until its thread ends; the cache must not go first.
    job->WaitForThread();
    job->Release();
}

bool CProfileJobQueue::IsFailed(DWORD itemId)
{
    CSingleThreadLock lock(&m_lock);
    return IsFailedLocked(itemId);
}

bool CProfileJobQueue::IsRunning()
{
    CSingleThreadLock lock(&m_lock);
    return m_job != nullptr;
}

int CProfileJobQueue::CountQueued(DWORD itemId)
{
    CSingleThreadLock lock(&m_lock);
    return (Contains(m_top, itemId) ? 1 : 0) + (Contains(m_middle, itemId) ? 1 : 0) + (Contains(m_low, itemId) ? 1 : 0);
}
