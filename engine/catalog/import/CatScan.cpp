#include "engine/catalog/import/CatScan.h"

#include <new>
#include <vector>

#include "engine/catalog/catalog/Catalog.h"
#include "engine/catalog/catalog/EngineMembers.h"
#include "engine/catalog/files/PathNames.h"
#include "engine/catalog/ids/ItemIdList.h"
#include "engine/catalog/items/CatItem.h"
#include "engine/core/server/ThreadStart.h"
#include "engine/core/storage/MusicFileIdObjStore.h"

CCatScan::CCatScan(CCatalog* catalog)
    : m_catalog(catalog), m_status(ComPtr<CProgressStatus>::attach(new CProgressStatus()))
{}

CCatScan::~CCatScan()
{
    Stop();
}

void CCatScan::Stop()
{
    if (!m_worker)
        return;
    m_status->RequestCancel();
    WaitForSingleObject(m_worker.get(), INFINITE);
    m_worker.reset();
}

HRESULT CCatScan::Start(BOOL removeMissing, BOOL removeUnusedData, IProgressStatus** status)
{
    if (!status)
        return E_POINTER;
    *status = nullptr;
    if (!removeMissing && !removeUnusedData)
        return E_FAIL;
    if (InterlockedCompareExchange(&m_running, 1, 0) != 0)
        return E_FAIL;
    if (m_worker)
        WaitForSingleObject(m_worker.get(), INFINITE);
    m_removeMissing = removeMissing;
    m_removeUnusedData = removeUnusedData;
    m_status->Reset();
    ModuleCounts::AddActivity();
    m_worker.reset(CreateSuspendedThread(WorkerProc, this));
    if (!m_worker) {
        ModuleCounts::RemoveActivity();
        InterlockedExchange(&m_running, 0);
        return E_FAIL;
    }
    ResumeThread(m_worker.get());
    m_status->AddRef();
    *status = m_status.get();
    return S_OK;
}

DWORD WINAPI CCatScan::WorkerProc(void* parameter)
{
    static_cast<CCatScan*>(parameter)->Run();
    ModuleCounts::RemoveActivity();
    return 0;
}

bool CCatScan::Cancelled()
{
    return m_status->IsCancelRequested() == S_OK;
}

void CCatScan::Run()
{
    if (m_removeMissing)
        RemoveMissing();
    m_status->SetProgress(kMissingPhaseShare);
    if (m_removeUnusedData)
        PurgeUnusedData();
    m_status->SetProgress(1.0f);
    InterlockedExchange(&m_running, 0);
    m_status->SetComplete();
}

void CCatScan::RemoveMissing()
{
    ComPtr<CItemIdList> missing = ComPtr<CItemIdList>::attach(new (std::nothrow) CItemIdList());
    if (!missing)
        return;
    const int count = m_catalog->GetItemCount();
    for (int index = 0; index < count && !Cancelled(); ++index) {
        CCatItem* item = nullptr;
        if (!m_catalog->GetItemById(static_cast<DWORD>(index), &item))
            continue;
        const CString path = item->GetPath();
        m_status->SetText(path);
        m_status->SetProgress(kMissingPhaseShare * static_cast<float>(index + 1) / static_cast<float>(count));
        if (!FileExists(path))
            missing->Add(item->GetItemId());
        item->Release();
    }
    if (missing->GetCount() > 0)
        m_catalog->DeleteItems(missing.get(), FALSE);
}

void CCatScan::PurgeUnusedData()
{
    const auto unused = [&](const CMusicFileId& id) {
        CCatItem* item = nullptr;
        if (!m_catalog->FindItemByFileId(id, &item))
            return true;
        item->Release();
        return false;
    };
    if (CPlotFileManager* plots = m_catalog->GetPlotFileManager()) {
        std::vector<CMusicFileId> purge;
        CMusicFileId id;
        for (int i = 0; i < plots->GetEntryCount() && !Cancelled(); ++i)
            if (plots->GetEntryId(i, &id) && unused(id))
                purge.push_back(id);
        for (const CMusicFileId& each : purge)
            plots->Remove(each);
    }
    for (CMusicFileIdObjStore* store : {m_catalog->GetProfileStore(), m_catalog->GetDefaultMixStore()}) {
        if (!store)
            continue;
        std::vector<CMusicFileId> purge;
        CMusicFileId id;
        for (int i = 0; i < store->GetCount() && !Cancelled(); ++i)
            if (store->GetIdAt(i, &id) && unused(id))
                purge.push_back(id);
        for (const CMusicFileId& each : purge)
            store->RemoveObject(each);
    }
}
