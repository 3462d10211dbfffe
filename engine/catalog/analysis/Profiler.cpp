#include "engine/catalog/analysis/Profiler.h"

#include "engine/core/server/Unknown.h"
#include "interfaces/IUiUpdateQueue.h"

CProfiler::CProfiler(IProfileSource* item, CPlotFileManager* context) : m_context(context)
{
    if (item) {
        item->AddRef();
        m_item.reset(item);
        m_itemId = item->GetItemId();
    }
    ModuleCounts::AddActivity();
}

CProfiler::~CProfiler()
{
    ModuleCounts::RemoveActivity();
}

ULONG CProfiler::AddRef()
{
    return static_cast<ULONG>(InterlockedIncrement(&m_refCount));
}

ULONG CProfiler::Release()
{
    const LONG count = InterlockedDecrement(&m_refCount);
    if (count == 0)
        delete this;
    return static_cast<ULONG>(count);
}

BOOL CProfiler::Start(BOOL priority)
{
    if (m_thread)
        return FALSE;
    m_priority = priority;
    AddRef();
    HANDLE thread = CreateThread(nullptr, 0, ThreadProc, this, CREATE_SUSPENDED, nullptr);
    if (thread == nullptr) {
        Release();
        return FALSE;
    }
    m_thread.reset(thread);
    SetThreadPriority(thread, THREAD_PRIORITY_IDLE);
    ResumeThread(thread);
    return TRUE;
}

void CProfiler::Cancel()
{
    InterlockedExchange(&m_cancel, 1);
    m_builder.Cancel();
}

void CProfiler::WaitForThread()
{
    if (m_thread)
        WaitForSingleObject(m_thread.get(), INFINITE);
}

bool CProfiler::IsDone() const
{
    return InterlockedCompareExchange(const_cast<volatile LONG*>(&m_done), 0, 0) != 0;
}

DWORD WINAPI CProfiler::ThreadProc(void* parameter)
{
    ModuleCounts::AddActivity();
    CProfiler* job = static_cast<CProfiler*>(parameter);
    job->m_succeeded = job->m_builder.ProfileMusicFile(job->m_item.get(), job->m_context, job->m_priority,
                                                       job->m_results, [job](int percent) { job->Report(percent); });
    InterlockedExchange(&job->m_done, 1);
    job->Release();
    ModuleCounts::RemoveActivity();
    return 0;
}

void CProfiler::Report(int percent)
{
    if (!m_item)
        return;
    ComPtr<IUiUpdateQueue> queue;
    if (SUCCEEDED(m_item->QueryInterface(IID_IUiUpdateQueue, queue.put_void())) && queue)
        queue->PostUpdate(kProgressCodeBase + percent, static_cast<int>(m_itemId), FALSE);
}
