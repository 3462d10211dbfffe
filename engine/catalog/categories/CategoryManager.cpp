#include "engine/catalog/categories/CategoryManager.h"

#include <algorithm>
#include <new>

#include "classlib/core/Exception.h"
#include "engine/catalog/catalog/Catalog.h"
#include "engine/catalog/catalog/EngineMembers.h"
#include "engine/catalog/categories/CategoryText.h"
#include "engine/catalog/items/CatItem.h"

namespace {

constexpr wchar_t kImportSeparator = L'|';

CString LowerCase(const CString& text)
{
    CString lower = text;
    lower.MakeLower();
    return lower;
}

// Every catalog item in id order (with one reference each); the caller releases them.
template <typename Visit>
void ForEachItem(CCatalog* catalog, Visit visit)
{
    const int count = catalog->GetItemCount();
    for (int index = 0; index < count; ++index) {
        CCatItem* item = nullptr;
        if (!catalog->GetItemById(static_cast<DWORD>(index), &item))
            continue;
        visit(item);
        item->Release();
    }
}

CString ItemCategories(CCatItem* item)
{
    CString text;
    item->GetAttributeText(CatAttribute::Categories, &text);
    return text;
}

void SetItemCategoryText(CCatItem* item, const CString& text)
{
    item->SetAttributeText(CatAttribute::Categories, text);
    item->Save(FALSE);
}

}  // namespace

CCategoryManager::CCategoryManager(IUnknown* outer) : CUnknown(outer) {}

HRESULT CCategoryManager::NonDelegatingQueryInterface(REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    if (IsEqualIID(iid, EngineIid::CategoryManager) || IsEqualIID(iid, EngineIid::CategoryManagerInternal))
        return GetInterface(static_cast<ICategoryManager*>(this), object);
    return CUnknown::NonDelegatingQueryInterface(iid, object);
}

CCatalog* CCategoryManager::ReachCatalog(ComPtr<IUnknown>& hold)
{
    if (GetOuter() == GetInner())
        return nullptr;
    return ::ReachCatalog(GetOuter(), hold);
}

void CCategoryManager::Post(int code)
{
    if (GetOuter() != GetInner())
        PostToQueueGroup(GetOuter(), code, 0);
}

void CCategoryManager::RefreshDisplayLists()
{
    if (GetOuter() != GetInner())
        ::RefreshDisplayLists(GetOuter());
}

bool CCategoryManager::IsCurrent(const CString& name)
{
    CSingleThreadLock hold(&m_lock);
    return !m_current.IsEmpty() && m_current == name;
}

BOOL CCategoryManager::Load(const CString& dataFolder)
{
    {
        CSingleThreadLock hold(&m_lock);
        m_file = std::make_unique<CItemFile>(dataFolder + kCategoryListFileName, CItemFile::flagAllowRepair);
        if (!m_file->IsOpen()) {
            m_file.reset();
            return FALSE;
        }
        std::vector<std::unique_ptr<CCategory>> loaded;
        m_file->ForEachItem([&](int index, CArchive& body) {
            auto category = std::make_unique<CCategory>();
            category->Serialize(body);
            category->recordIndex = index;
            loaded.push_back(std::move(category));
        });
        DropOlderRecords(loaded);
        ComPtr<IUnknown> catalogHold;
        CCatalog* catalog = ReachCatalog(catalogHold);
        if (catalog) {
            ForEachItem(catalog, [&](CCatItem* item) {
                const CString text = ItemCategories(item);
                if (text.IsEmpty())
                    return;
                for (auto& category : loaded)
                    if (!category->name.IsEmpty() && HasCategoryName(text, category->name))
                        category->members.InsertSorted(item->GetItemId(), item->GetItemId());
            });
        }
        for (auto& category : loaded) {
            m_nameIndex.InsertSorted(category.get(), LowerCase(category->name));
            m_categories.push_back(std::move(category));
        }
    }
    Post(kCategoryListChangedCode);
    Post(kCurrentCategoryChangedCode);
    return TRUE;
}

void CCategoryManager::DropOlderRecords(std::vector<std::unique_ptr<CCategory>>& loaded)
{
    // A save appends the new record before it frees the old one, and a compaction that stopped
    // part way leaves a copy: a stop between the two writes leaves a category in two records.
    // Records come in file order, which compaction keeps: of one name the last is the newest.
    for (size_t i = 0; i < loaded.size();) {
        const bool newerFollows = std::any_of(loaded.begin() + static_cast<std::ptrdiff_t>(i) + 1, loaded.end(),
                                              [&](const auto& later) { return later->name == loaded[i]->name; });
        if (!newerFollows) {
            ++i;
            continue;
        }
        m_file->FreeItem(loaded[i]->recordIndex);
        loaded.erase(loaded.begin() + static_cast<std::ptrdiff_t>(i));
    }
}

CCategory* CCategoryManager::FindByName(const CString& name, INT_PTR* position)
{
    for (size_t i = 0; i < m_categories.size(); ++i) {
        if (m_categories[i]->name == name) {
            if (position)
                *position = static_cast<INT_PTR>(i);
            return m_categories[i].get();
        }
    }
    return nullptr;
}

HRESULT CCategoryManager::FindOrCreate(const CString& name, bool transient, INT_PTR* position)
{
    bool created = false;
    BOOL result = FALSE;
    {
        CSingleThreadLock hold(&m_lock);
        const CCategory* existing = FindByName(name);
        if (existing && existing->transient && !transient)
            return kFolderCategoryNameTaken;
        const INT_PTR before = static_cast<INT_PTR>(m_categories.size());
        result = FindOrCreateLocked(name, transient, position);
        created = static_cast<INT_PTR>(m_categories.size()) != before;
    }
    if (created)
        Post(kCategoryListChangedCode);
    return result ? S_OK : E_FAIL;
}

BOOL CCategoryManager::FindOrCreateLocked(const CString& name, bool transient, INT_PTR* position)
{
    if (FindByName(name, position))
        return TRUE;
    // The number is the smallest one no other category holds, so numbers of deleted categories
    // come back into use.
    int number = 0;
    for (bool taken = true; taken; ++number) {
        taken = false;
        for (const auto& category : m_categories)
            if (_wtoi(category->number) == number) {
                taken = true;
                break;
            }
        if (!taken)
            break;
    }
    auto category = std::make_unique<CCategory>();
    category->name = name;
    category->number.Format(L"%d", number);
    category->transient = transient ? 1 : 0;
    CCategory* added = category.get();
    m_categories.push_back(std::move(category));
    m_nameIndex.InsertSorted(added, LowerCase(name));
    SaveCategory(added);
    if (position)
        *position = static_cast<INT_PTR>(m_categories.size()) - 1;
    return TRUE;
}

void CCategoryManager::SaveCategory(CCategory* category)
{
    if (category->transient || !m_file)
        return;
    // The new record goes in before the old one is freed: a failed write keeps the stored one.
    CArchive* archive = nullptr;
    int index = -1;
    if (!m_file->BeginAppendItem(&archive, &index))
        return;
    try {
        category->Serialize(*archive);
    } catch (const CException&) {
        m_file->CancelAppendItem();
        return;
    }
    if (!m_file->EndAppendItem())
        return;
    if (category->recordIndex >= 0)
        m_file->FreeItem(category->recordIndex);
    category->recordIndex = index;
}

HRESULT CCategoryManager::AddCategory(BSTR name)
{
    const CString text(name);
    // A name with a comma could not be found again in the items' texts: it would lose its
    // members at the next start.
    if (!IsStorableCategoryName(text))
        return E_FAIL;
    return FindOrCreate(text, false, nullptr);
}

void CCategoryManager::RemoveFromItem(CCatalog* catalog, DWORD id, const CString& name)
{
    CCatItem* item = nullptr;
    if (!catalog || !catalog->GetItemById(id, &item))
        return;
    const CString text = ItemCategories(item);
    if (HasCategoryName(text, name))
        SetItemCategoryText(item, RemoveCategoryName(text, name));
    item->Release();
}

HRESULT CCategoryManager::DeleteCategory(BSTR name)
{
    const CString text(name);
    bool wasCurrent = false;
    {
        CSingleThreadLock hold(&m_lock);
        INT_PTR position = 0;
        CCategory* category = FindByName(text, &position);
        if (!category)
            return S_OK;
        // Only the items that hold the name are rewritten; a catalog of thousands must not be
        // saved whole for one small category.
        ComPtr<IUnknown> catalogHold;
        CCatalog* catalog = ReachCatalog(catalogHold);
        if (catalog) {
            ForEachItem(catalog, [&](CCatItem* item) {
                const CString itemText = ItemCategories(item);
                if (HasCategoryName(itemText, text))
                    SetItemCategoryText(item, RemoveCategoryName(itemText, text));
            });
        }
        if (category->recordIndex >= 0 && m_file)
            m_file->FreeItem(category->recordIndex);
        for (INT_PTR i = 0; i < m_nameIndex.GetCount(); ++i) {
            CCategory* indexed = nullptr;
            if (m_nameIndex.GetAt(i, &indexed, nullptr) && indexed == category) {
                m_nameIndex.RemoveAt(i);
                break;
            }
        }
        m_categories.erase(m_categories.begin() + position);
        wasCurrent = m_current == text;
    }
    Post(kCategoryListChangedCode);
    if (wasCurrent)
        SetCurrentCategory(nullptr);
    return S_OK;
}

HRESULT CCategoryManager::GetCategoryName(WORD index, BSTR* name)
{
    if (!name)
        return E_POINTER;
    *name = nullptr;
    CSingleThreadLock hold(&m_lock);
    CCategory* category = nullptr;
    if (!m_nameIndex.GetAt(index, &category, nullptr))
        return S_FALSE;
    *name = category->name.AllocSysString();
    return S_OK;
}

HRESULT CCategoryManager::GetCurrentCategory(BSTR* name)
{
    if (!name)
        return E_POINTER;
    CSingleThreadLock hold(&m_lock);
    *name = m_current.AllocSysString();
    return S_OK;
}

HRESULT CCategoryManager::SetCurrentCategory(BSTR name)
{
    {
        CSingleThreadLock hold(&m_lock);
        m_current = CString(name);
    }
    RefreshDisplayLists();
    Post(kCurrentCategoryChangedCode);
    return S_OK;
}

HRESULT CCategoryManager::AddItemsToCategory(IItemIdList* ids, BSTR name)
{
    if (!ids)
        return E_POINTER;
    const CString text(name);
    {
        CSingleThreadLock hold(&m_lock);
        CCategory* category = FindByName(text);
        if (!category)
            return S_OK;
        if (category->transient)
            return kFolderCategoryNameTaken;
        ComPtr<IUnknown> catalogHold;
        CCatalog* catalog = ReachCatalog(catalogHold);
        DWORD id = 0;
        for (int index = 0; ids->GetAt(index, &id) == S_OK; ++index) {
            INT_PTR at = 0;
            if (!category->members.Find(id, &at))
                category->members.InsertSorted(id, id);
            CCatItem* item = nullptr;
            if (!catalog || !catalog->GetItemById(id, &item))
                continue;
            const CString itemText = ItemCategories(item);
            if (!HasCategoryName(itemText, text))
                SetItemCategoryText(item, AppendCategoryName(itemText, text));
            item->Release();
        }
        SaveCategory(category);
    }
    if (IsCurrent(text))
        RefreshDisplayLists();
    return S_OK;
}

HRESULT CCategoryManager::RemoveItemsFromCategory(IItemIdList* ids, BSTR name)
{
    if (!ids)
        return E_POINTER;
    const CString text(name);
    {
        CSingleThreadLock hold(&m_lock);
        CCategory* category = FindByName(text);
        if (!category)
            return S_OK;
        ComPtr<IUnknown> catalogHold;
        CCatalog* catalog = ReachCatalog(catalogHold);
        DWORD id = 0;
        for (int index = 0; ids->GetAt(index, &id) == S_OK; ++index) {
            category->members.Remove(id);
            RemoveFromItem(catalog, id, text);
        }
        SaveCategory(category);
    }
    if (IsCurrent(text))
        RefreshDisplayLists();
    return S_OK;
}

HRESULT CCategoryManager::AreItemsInCategory(IItemIdList* ids, BSTR name)
{
    if (!ids)
        return E_POINTER;
    CSingleThreadLock hold(&m_lock);
    CCategory* category = FindByName(CString(name));
    if (!category)
        return S_FALSE;
    DWORD id = 0;
    int index = 0;
    for (; ids->GetAt(index, &id) == S_OK; ++index) {
        INT_PTR at = 0;
        if (!category->members.Find(id, &at))
            return S_FALSE;
    }
    return index > 0 ? S_OK : S_FALSE;
}

HRESULT CCategoryManager::AddFileToCategory(BSTR path, BSTR name)
{
    const CString text(name);
    bool created = false;
    HRESULT result = S_FALSE;
    {
        CSingleThreadLock hold(&m_lock);
        INT_PTR position = m_lastUsed;
        if (position >= static_cast<INT_PTR>(m_categories.size()) || m_categories[position]->name != text) {
            const size_t before = m_categories.size();
            if (!FindOrCreateLocked(text, true, &position))
                return S_FALSE;
            created = m_categories.size() != before;
            m_lastUsed = static_cast<WORD>(position);
        }
        CCategory* category = m_categories[position].get();
        ComPtr<IUnknown> catalogHold;
        CCatalog* catalog = ReachCatalog(catalogHold);
        CCatItem* item = nullptr;
        if (catalog && path && catalog->FindItemByPath(path, &item)) {
            const DWORD id = item->GetItemId();
            item->Release();
            INT_PTR at = 0;
            if (!category->members.Find(id, &at)) {
                category->members.InsertSorted(id, id);
                result = S_OK;
            }
        }
    }
    if (created)
        Post(kCategoryListChangedCode);
    return result;
}

BOOL CCategoryManager::GetCurrentMembers(std::vector<DWORD>* ids)
{
    CSingleThreadLock hold(&m_lock);
    if (m_current.IsEmpty())
        return FALSE;
    CCategory* category = FindByName(m_current);
    if (!category)
        return FALSE;
    ids->clear();
    DWORD id = 0;
    for (INT_PTR i = 0; category->members.GetAt(i, &id, nullptr); ++i)
        ids->push_back(id);
    return TRUE;
}

void CCategoryManager::SetItemCategories(CCatItem* item, const CString& text)
{
    bool created = false;
    {
        CSingleThreadLock hold(&m_lock);
        const DWORD id = item->GetItemId();
        for (auto& category : m_categories)
            category->members.Remove(id);
        CString itemText;
        int start = 0;
        while (start <= text.GetLength()) {
            int end = text.Find(kImportSeparator, start);
            if (end < 0)
                end = text.GetLength();
            const CString name = text.Mid(start, end - start);
            start = end + 1;
            // A name with a comma could not be found again in the item's text.
            if (!IsStorableCategoryName(name))
                continue;
            INT_PTR position = 0;
            const size_t before = m_categories.size();
            if (!FindOrCreateLocked(name, false, &position))
                continue;
            created |= m_categories.size() != before;
            CCategory* category = m_categories[position].get();
            INT_PTR at = 0;
            if (!category->members.Find(id, &at))
                category->members.InsertSorted(id, id);
            if (!HasCategoryName(itemText, name))
                itemText = AppendCategoryName(itemText, name);
        }
        SetItemCategoryText(item, itemText);
    }
    if (created)
        Post(kCategoryListChangedCode);
}
