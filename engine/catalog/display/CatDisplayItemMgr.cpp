#include "engine/catalog/display/CatDisplayItemMgr.h"

#include <new>
#include <vector>

#include "engine/catalog/catalog/Catalog.h"
#include "engine/catalog/catalog/EngineMembers.h"
#include "engine/catalog/categories/CategoryManager.h"
#include "engine/catalog/display/CatDisplaySort.h"
#include "engine/catalog/items/CatItem.h"
#include "engine/core/server/UiUpdateMsg.h"
#include "interfaces/IUiUpdateQueue.h"

namespace {

constexpr WORD kTextAttributeBits = 0xFF;

bool IsListed(CCatItem* item, DWORD mask)
{
    return item->IsPresent() && (item->GetFlagWord() & mask) != 0;
}

}  // namespace

CCatDisplayItemMgr::CCatDisplayItemMgr(IUnknown* outer) : CUnknown(outer)
{
    m_queue.reset(new (std::nothrow) CUiUpdateQueue(GetOuter()));
}

HRESULT CCatDisplayItemMgr::NonDelegatingQueryInterface(REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    if (IsEqualIID(iid, EngineIid::CatDisplayItemMgr) || IsEqualIID(iid, EngineIid::CatDisplayItemMgrInternal))
        return GetInterface(static_cast<ICatDisplayItemMgr*>(this), object);
    if (IsEqualIID(iid, IID_IUiUpdateQueue) && m_queue)
        return GetInterface(static_cast<IUiUpdateQueue*>(m_queue.get()), object);
    return CUnknown::NonDelegatingQueryInterface(iid, object);
}

void CCatDisplayItemMgr::FinalRelease()
{
    CUnknown::FinalRelease();
    m_next.reset();
    m_queue.reset();
}

void CCatDisplayItemMgr::PostOwn(int code)
{
    if (m_queue)
        m_queue->PostUpdate(code, 0, FALSE);
}

HRESULT CCatDisplayItemMgr::GetUpdateQueue(CUiUpdateQueue** queue)
{
    if (!queue)
        return E_POINTER;
    *queue = m_queue.get();
    return m_queue ? S_OK : E_FAIL;
}

HRESULT CCatDisplayItemMgr::AppendManager(CCatDisplayItemMgr* next)
{
    if (!next)
        return E_FAIL;
    CCatDisplayItemMgr* last = this;
    while (last->m_next)
        last = last->m_next.get();
    // The chain holds its members on their own counts: a reference through the outer (the
    // engine) would keep the engine alive from inside itself.
    next->NonDelegatingAddRef();
    last->m_next.reset(next);
    return S_OK;
}

HRESULT CCatDisplayItemMgr::GetItemAt(int position, ICatDisplayItem** item)
{
    if (!item)
        return E_POINTER;
    *item = nullptr;
    DWORD id = 0;
    {
        CSingleThreadLock lock(&m_lock);
        if (position < 0 || position >= m_list.ids.GetSize())
            return E_FAIL;
        id = m_list.ids[position];
    }
    return GetItemById(id, item);
}

HRESULT CCatDisplayItemMgr::GetItemById(DWORD id, ICatDisplayItem** item)
{
    if (!item)
        return E_POINTER;
    *item = nullptr;
    ComPtr<IUnknown> hold;
    CCatalog* catalog = ReachCatalog(GetOuter(), hold);
    CCatItem* found = nullptr;
    if (!catalog || !catalog->GetItemById(id, &found))
        return E_FAIL;
    *item = found;
    return S_OK;
}

HRESULT CCatDisplayItemMgr::UpdateItem(ICatDisplayItem* item)
{
    if (!item)
        return E_POINTER;
    DWORD id = 0;
    if (FAILED(item->GetId(&id)))
        return S_OK;
    ComPtr<IUnknown> hold;
    CCatalog* catalog = ReachCatalog(GetOuter(), hold);
    CCatItem* found = nullptr;
    if (!catalog || !catalog->GetItemById(id, &found))
        return S_OK;
    // Writing the tags into the music file is not supported; what counts is the record.
    found->Save(TRUE);
    const bool saved = !found->HasUnsavedChanges();
    found->Release();
    PostToQueueGroup(GetOuter(), UiUpdateCode::ItemChanged, static_cast<int>(id));
    return saved ? S_OK : HRESULT_FROM_WIN32(ERROR_WRITE_FAULT);
}

HRESULT CCatDisplayItemMgr::GetCount(int* count)
{
    if (!count)
        return E_POINTER;
    CSingleThreadLock lock(&m_lock);
    *count = static_cast<int>(m_list.ids.GetSize());
    return S_OK;
}

void CCatDisplayItemMgr::SortList(CCatalog* catalog, WORD attribute, BOOL ascending)
{
    const INT_PTR count = m_list.ids.GetSize();
    const bool byText = (attribute & kTextAttributeBits) != 0;
    std::vector<CCatDisplaySortItem> entries(static_cast<size_t>(count));
    for (INT_PTR i = 0; i < count; ++i) {
        CCatDisplaySortItem& entry = entries[static_cast<size_t>(i)];
        entry.id = m_list.ids[i];
        entry.position = static_cast<DWORD>(i);
        ComPtr<CCatItem> item;
        if (!catalog->GetItemById(entry.id, item.put()))
            continue;
        if (byText)
            item->GetAttributeText(attribute, &entry.text);
        else
            entry.number = static_cast<DWORD>(item->GetSortNumber(attribute));
    }
    ShellSortDisplayItems(entries, byText, ascending != FALSE);
    for (INT_PTR i = 0; i < count; ++i)
        m_list.ids[i] = entries[static_cast<size_t>(i)].id;
    m_list.positions.RemoveAll();
}

HRESULT CCatDisplayItemMgr::Sort(WORD attribute, BOOL ascending)
{
    ComPtr<IUnknown> hold;
    CCatalog* catalog = ReachCatalog(GetOuter(), hold);
    {
        CSingleThreadLock lock(&m_lock);
        m_sortAttribute = attribute;
        m_ascending = ascending;
        if (catalog)
            SortList(catalog, attribute, ascending);
    }
    PostOwn(kListSortedCode);
    return S_OK;
}

HRESULT CCatDisplayItemMgr::SetFilterText(BSTR text)
{
    ComPtr<IUnknown> hold;
    CCatalog* catalog = ReachCatalog(GetOuter(), hold);
    if (!catalog)
        return S_FALSE;
    CString filter(text);
    filter.MakeLower();
    {
        CSingleThreadLock lock(&m_lock);
        if (!m_list.unfilteredTaken) {
            m_list.unfiltered.Copy(m_list.ids);
            m_list.unfilteredTaken = true;
        }
        m_list.ids.RemoveAll();
        m_list.positions.RemoveAll();
        for (INT_PTR i = 0; i < m_list.unfiltered.GetSize(); ++i) {
            const DWORD id = m_list.unfiltered[i];
            ComPtr<CCatItem> item;
            if (filter.IsEmpty() || (catalog->GetItemById(id, item.put()) && item->MatchesFilter(filter)))
                m_list.ids.Add(id);
        }
    }
    PostOwn(kFilterAppliedCode);
    return S_OK;
}

HRESULT CCatDisplayItemMgr::SetFlagFilter(DWORD mask)
{
    {
        CSingleThreadLock lock(&m_lock);
        m_flagMask = mask;
    }
    return Refresh();
}

HRESULT CCatDisplayItemMgr::Refresh()
{
    ComPtr<IUnknown> categoriesHold;
    ComPtr<IUnknown> catalogHold;
    CCategoryManager* categories = ReachCategoryManager(GetOuter(), categoriesHold);
    CCatalog* catalog = ReachCatalog(GetOuter(), catalogHold);
    if (!categories || !catalog)
        return E_FAIL;
    std::vector<DWORD> members;
    const bool inCategory = categories->GetCurrentMembers(&members) != FALSE;
    {
        CSingleThreadLock lock(&m_lock);
        m_list.Clear();
        const auto consider = [&](DWORD id) {
            ComPtr<CCatItem> item;
            if (catalog->GetItemById(id, item.put()) && IsListed(item.get(), m_flagMask))
                m_list.ids.Add(id);
        };
        if (inCategory) {
            for (DWORD id : members)
                consider(id);
        } else {
            const int count = catalog->GetItemCount();
            for (int id = 0; id < count; ++id)
                consider(static_cast<DWORD>(id));
        }
        SortList(catalog, m_sortAttribute, m_ascending);
    }
    PostOwn(kListRebuiltCode);
    if (m_next)
        m_next->Refresh();
    return S_OK;
}
