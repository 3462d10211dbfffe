#include "engine/catalog/items/CatStore.h"

#include <new>

#include "classlib/core/Exception.h"
#include "engine/catalog/items/CatItem.h"

CCatStore::CCatStore(const wchar_t* path) : m_file(std::make_unique<CItemFile>(path, CItemFile::flagAllowRepair)) {}

CCatStore::CCatStore(std::unique_ptr<CFile> file, const wchar_t* path)
    : m_file(std::make_unique<CItemFile>(std::move(file), path, CItemFile::flagAllowRepair))
{}

CCatStore::~CCatStore()
{
    CSingleThreadLock hold(&m_lock);
    m_file.reset();
}

bool CCatStore::IsOpen()
{
    CSingleThreadLock hold(&m_lock);
    return m_file->IsOpen();
}

int CCatStore::GetRecordCount()
{
    CSingleThreadLock hold(&m_lock);
    return m_file->GetItemCount();
}

BOOL CCatStore::ReadItem(int record, CCatItem* item)
{
    CSingleThreadLock itemHold(item->GetLock());
    CSingleThreadLock hold(&m_lock);
    CArchive* archive = nullptr;
    int length = 0;
    if (!m_file->OpenItemForRead(record, &archive, &length))
        return FALSE;
    try {
        item->Serialize(*archive);
    } catch (const CException&) {
        return FALSE;
    } catch (const std::bad_alloc&) {
        return FALSE;
    }
    item->SetRecordIndex(record);
    return TRUE;
}

std::vector<CCatItem*> CCatStore::ReadAllItems(IUnknown* outer)
{
    std::vector<CCatItem*> items;
    CSingleThreadLock hold(&m_lock);
    m_file->ForEachItem([&](int record, CArchive& body) {
        CCatItem* item = new (std::nothrow) CCatItem(outer, nullptr);
        if (!item)
            return;
        try {
            item->Serialize(body);
        } catch (...) {
            item->Release();
            throw;
        }
        item->SetRecordIndex(record);
        items.push_back(item);
    });
    return items;
}

BOOL CCatStore::WriteItem(CCatItem* item)
{
    CSingleThreadLock itemHold(item->GetLock());
    if (item->IsDeleted())
        return TRUE;
    CSingleThreadLock hold(&m_lock);
    CArchive* archive = nullptr;
    int record = -1;
    if (!m_file->BeginAppendItem(&archive, &record))
        return FALSE;
    try {
        item->Serialize(*archive);
    } catch (const CException&) {
        m_file->CancelAppendItem();
        return FALSE;
    }
    if (!m_file->EndAppendItem())
        return FALSE;
    const int older = item->GetRecordIndex();
    if (older != -1)
        m_file->FreeItem(older);
    item->SetRecordIndex(record);
    return TRUE;
}

void CCatStore::DeleteItem(CCatItem* item)
{
    CSingleThreadLock itemHold(item->GetLock());
    CSingleThreadLock hold(&m_lock);
    const int record = item->GetRecordIndex();
    if (record != -1)
        m_file->FreeItem(record);
    item->SetRecordIndex(-1);
    item->SetDeleted();
}
