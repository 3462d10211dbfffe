#include "engine/catalog/plots/PlotStoreManager.h"

#include <algorithm>
#include <new>

#include "engine/catalog/plots/PlotFileManager.h"
#include "engine/catalog/plots/PlotItemCatalog.h"
#include "classlib/com/ComPtr.h"
#include "interfaces/IBrennock.h"
#include "interfaces/IUiUpdateQueue.h"

CPlotStoreManager::CPlotStoreManager(IUnknown* outer, CPlotFileManager* files, IPlotItemCatalog* catalog)
    : CUnknown(outer), m_files(files), m_catalog(catalog)
{}

CPlotStoreManager::~CPlotStoreManager()
{
    Stop();
    for (Entry& entry : m_stores)
        entry.store->Release();
}

void CPlotStoreManager::FinalRelease()
{
    Stop();
    std::vector<Entry> stores;
    {
        CSingleThreadLock lock(&m_lock);
        stores.swap(m_stores);
        m_loadQueue.clear();
    }
    for (Entry& entry : stores)
        entry.store->Release();
    CUnknown::FinalRelease();
}

CPlotStoreManager::Entry* CPlotStoreManager::FindEntry(DWORD itemId)
{
    for (Entry& entry : m_stores) {
        if (entry.store->GetItemId() == itemId)
            return &entry;
    }
    return nullptr;
}

CPlotStore* CPlotStoreManager::Get(DWORD itemId)
{
    {
        CSingleThreadLock lock(&m_lock);
        if (Entry* entry = FindEntry(itemId)) {
            ++entry->uses;
            entry->store->AddRef();
            return entry->store;
        }
    }
    // Asked before taking the lock: the catalog may hold its own lock while it calls in here.
    DWORD rate = 0;
    LONGLONG length = 0;
    if (m_catalog == nullptr || !m_catalog->GetPlotItemInfo(itemId, nullptr, &rate, &length)) {
        rate = 0;
        length = 0;
    }
    CSingleThreadLock lock(&m_lock);
    if (Entry* entry = FindEntry(itemId)) {
        ++entry->uses;
        entry->store->AddRef();
        return entry->store;
    }
    CPlotStore* store = new (std::nothrow) CPlotStore(itemId, rate, length);
    if (store == nullptr)
        return nullptr;
    store->AddRef();
    store->SetUseStamp(++m_useCounter);
    m_stores.push_back({store, 1});
    QueueLoad(itemId);
    StartLoader();
    return store;
}

BOOL CPlotStoreManager::Release(DWORD itemId)
{
    CPlotStore* released = nullptr;
    {
        CSingleThreadLock lock(&m_lock);
        Entry* entry = FindEntry(itemId);
        if (entry == nullptr)
            return FALSE;
        if (--entry->uses <= 0) {
            released = entry->store;
            m_stores.erase(m_stores.begin() + (entry - m_stores.data()));
            std::erase(m_loadQueue, itemId);
        }
    }
    if (released)
        released->Release();
    return TRUE;
}

BOOL CPlotStoreManager::Touch(DWORD itemId)
{
    CSingleThreadLock lock(&m_lock);
    Entry* entry = FindEntry(itemId);
    if (entry == nullptr)
        return FALSE;
    if (entry->store->IsLoaded()) {
        entry->store->SetUseStamp(++m_useCounter);
        return TRUE;
    }
    if (std::find(m_loadQueue.begin(), m_loadQueue.end(), itemId) != m_loadQueue.end())
        return TRUE;
    UnloadLeastRecentlyUsed();
    if (!entry->store->LoadFailed()) {
        QueueLoad(itemId);
        StartLoader();
    }
    return TRUE;
}

BOOL CPlotStoreManager::Reload(DWORD itemId)
{
    CSingleThreadLock lock(&m_lock);
    Entry* entry = FindEntry(itemId);
    if (entry == nullptr)
        return FALSE;
    entry->store->SetLoadFailed(false);
    QueueLoad(itemId);
    StartLoader();
    return TRUE;
}

int CPlotStoreManager::GetLoadedCount()
{
    CSingleThreadLock lock(&m_lock);
    int loaded = 0;
    for (Entry& entry : m_stores)
        loaded += entry.store->IsLoaded() ? 1 : 0;
    return loaded;
}

void CPlotStoreManager::UnloadLeastRecentlyUsed()
{
    std::vector<CPlotStore*> loaded;
    for (Entry& entry : m_stores) {
        if (entry.store->IsLoaded())
            loaded.push_back(entry.store);
    }
    if (loaded.size() <= kMaxLoadedStores)
        return;
    // Smallest stamps first; the earlier store first among equal stamps.
    std::stable_sort(loaded.begin(), loaded.end(),
                     [](CPlotStore* a, CPlotStore* b) { return a->GetUseStamp() < b->GetUseStamp(); });
    for (size_t i = 0; i < loaded.size() - kMaxLoadedStores; ++i)
        loaded[i]->Unload();
}

void CPlotStoreManager::QueueLoad(DWORD itemId)
{
    if (std::find(m_loadQueue.begin(), m_loadQueue.end(), itemId) == m_loadQueue.end())
        m_loadQueue.push_back(itemId);
}

void CPlotStoreManager::StartLoader()
{
    if (!m_run || m_loaderRunning || m_loadQueue.empty())
        return;
    // A loader that found its queue empty has cleared the flag under this lock and touches the
    // manager no more; let it finish before its handle is replaced, so that Stop can always wait
    // for the one thread that may still run.
    if (m_loaderThread)
        WaitForSingleObject(m_loaderThread.get(), INFINITE);
    m_loaderThread.reset();
    HANDLE thread = CreateThread(nullptr, 0, LoaderThreadProc, this, CREATE_SUSPENDED, nullptr);
    if (thread == nullptr)
        return;
    m_loaderThread.reset(thread);
    m_loaderRunning = true;
    SetThreadPriority(thread, THREAD_PRIORITY_LOWEST);
    ResumeThread(thread);
}

void CPlotStoreManager::Stop()
{
    HANDLE thread = nullptr;
    {
        CSingleThreadLock lock(&m_lock);
        m_run = false;
        thread = m_loaderThread.get();
    }
    if (thread)
        WaitForSingleObject(thread, INFINITE);
    CSingleThreadLock lock(&m_lock);
    m_loaderThread.reset();
}

DWORD WINAPI CPlotStoreManager::LoaderThreadProc(void* parameter)
{
    ModuleCounts::AddActivity();
    static_cast<CPlotStoreManager*>(parameter)->RunLoader();
    ModuleCounts::RemoveActivity();
    return 0;
}

void CPlotStoreManager::RunLoader()
{
    for (;;) {
        CPlotStore* store = nullptr;
        DWORD itemId = 0;
        {
            CSingleThreadLock lock(&m_lock);
            while (m_run && !m_loadQueue.empty() && store == nullptr) {
                itemId = m_loadQueue.front();
                if (Entry* entry = FindEntry(itemId)) {
                    store = entry->store;
                    store->AddRef();
                } else {
                    m_loadQueue.pop_front();
                }
            }
            if (store == nullptr) {
                m_loaderRunning = false;
                return;
            }
        }
        LoadStore(store);
        {
            CSingleThreadLock lock(&m_lock);
            store->SetUseStamp(++m_useCounter);
            const auto queued = std::find(m_loadQueue.begin(), m_loadQueue.end(), itemId);
            if (queued != m_loadQueue.end())
                m_loadQueue.erase(queued);
        }
        store->Release();
    }
}

void CPlotStoreManager::LoadStore(CPlotStore* store)
{
    const DWORD itemId = store->GetItemId();
    bool loaded = false;
    CMusicFileId id;
    if (m_catalog && m_files && m_catalog->GetPlotItemInfo(itemId, &id, nullptr, nullptr)) {
        std::unique_ptr<CPlotFile> file = m_files->OpenPlotFile(id);
        if (file) {
            std::vector<BYTE> bytes;
            PLOT_TRAILER trailer{};
            if (file->GetPlotBytes(bytes, &trailer)) {
                store->Load(bytes, trailer.blockSize);
                loaded = true;
            }
            m_files->Register(std::move(file), TRUE);
        }
    }
    if (loaded) {
        PostLoaded(itemId);
    } else if (!store->LoadFailed()) {
        store->SetLoadFailed(true);
        if (m_catalog)
            m_catalog->RequeueProfile(itemId);
    }
}

void CPlotStoreManager::PostLoaded(DWORD itemId)
{
    IUnknown* outer = GetOuter();
    ComPtr<IUiUpdateQueue> queue;
    if (SUCCEEDED(outer->QueryInterface(IID_IUiUpdateQueue, queue.put_void())) && queue)
        queue->PostUpdate(kPlotLoadedCode, static_cast<int>(itemId), FALSE);
    ComPtr<IBrennock> engine;
    if (SUCCEEDED(outer->QueryInterface(IID_IBrennock, engine.put_void())) && engine)
        engine->PostUiUpdate(kEnginePlotLoadedCode, static_cast<int>(itemId));
}
