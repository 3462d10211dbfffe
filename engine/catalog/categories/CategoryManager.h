// CCategoryManager: the user's categories, their members and the current category, with the
// names stored in "categorylist.dat" and each item's membership in its own category text, from
// which the members are rebuilt at Load. The engine main object creates it (as outer) and loads it
// after the catalog; the UI reaches it through ICategoryManager, the engine through the engine
// IID and this class.
//
// Threads: the user-interface thread, the import worker and the updater worker. The lock covers
// categories, the name index and the record file. Lock order: this lock, then the catalog's
// locks, then an item's own. The display lists are refreshed only after the lock is let go: their
// refresh asks this object for the current members.
#pragma once

#include <windows.h>

#include <memory>
#include <vector>

#include "classlib/com/ComPtr.h"
#include "classlib/core/String.h"
#include "engine/catalog/categories/Category.h"
#include "engine/catalog/ids/IdArray.h"
#include "engine/core/server/SingleThreadLock.h"
#include "engine/core/server/Unknown.h"
#include "engine/core/storage/ItemFile.h"
#include "interfaces/ICategoryManager.h"

class CCatalog;
class CCatItem;

inline constexpr wchar_t kCategoryListFileName[] = L"categorylist.dat";

class CCategoryManager : public CUnknown, public ICategoryManager {
public:
    static constexpr int kCategoryListChangedCode = 5;
    static constexpr int kCurrentCategoryChangedCode = 6;
    // AddCategory and AddItemsToCategory on a name that a folder category of the watched folders
    // holds: such a category is never stored nor filled by the user, so the name is refused.
    static constexpr HRESULT kFolderCategoryNameTaken =
        MAKE_HRESULT(SEVERITY_ERROR, FACILITY_WIN32, ERROR_ALREADY_EXISTS);

    explicit CCategoryManager(IUnknown* outer);

    DECLARE_DELEGATING_UNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID iid, void** object) override;

    HRESULT STDMETHODCALLTYPE AddCategory(BSTR name) override;
    HRESULT STDMETHODCALLTYPE DeleteCategory(BSTR name) override;
    HRESULT STDMETHODCALLTYPE GetCategoryName(WORD index, BSTR* name) override;
    HRESULT STDMETHODCALLTYPE GetCurrentCategory(BSTR* name) override;
    HRESULT STDMETHODCALLTYPE SetCurrentCategory(BSTR name) override;
    HRESULT STDMETHODCALLTYPE AddItemsToCategory(IItemIdList* ids, BSTR name) override;
    HRESULT STDMETHODCALLTYPE RemoveItemsFromCategory(IItemIdList* ids, BSTR name) override;
    HRESULT STDMETHODCALLTYPE AreItemsInCategory(IItemIdList* ids, BSTR name) override;
    HRESULT STDMETHODCALLTYPE AddFileToCategory(BSTR path, BSTR name) override;

    // Opens categorylist.dat in dataFolder (ending in a backslash), rebuilds every category's
    // members from the item texts and posts codes 5 and 6. FALSE when the file cannot be opened.
    BOOL Load(const CString& dataFolder);
    // The position of the category with exactly this name, created (and stored unless transient)
    // when none has it. kFolderCategoryNameTaken when a user category is asked for and a folder
    // category holds the name; E_FAIL when it cannot be made.
    HRESULT FindOrCreate(const CString& name, bool transient, INT_PTR* position);
    // The members of the current category in ascending order; FALSE when the current category is
    // the whole catalog or names no category.
    BOOL GetCurrentMembers(std::vector<DWORD>* ids);
    // Replaces the item's memberships by the names in text, separated by "|" (text import).
    void SetItemCategories(CCatItem* item, const CString& text);

private:
    // Under the lock.
    // Keeps the last record of each name (the newest) and frees the others.
    void DropOlderRecords(std::vector<std::unique_ptr<CCategory>>& loaded);
    CCategory* FindByName(const CString& name, INT_PTR* position = nullptr);
    BOOL FindOrCreateLocked(const CString& name, bool transient, INT_PTR* position);
    void SaveCategory(CCategory* category);
    void RemoveFromItem(CCatalog* catalog, DWORD id, const CString& name);

    // The catalog through the outer object; NULL when it cannot be reached.
    CCatalog* ReachCatalog(ComPtr<IUnknown>& hold);
    void Post(int code);
    void RefreshDisplayLists();
    bool IsCurrent(const CString& name);

    std::vector<std::unique_ptr<CCategory>> m_categories;
    CIdArray<CCategory*, CString> m_nameIndex;
    CSingleThreadToken m_lock;
    std::unique_ptr<CItemFile> m_file;
    CString m_current;
    WORD m_lastUsed = 0;
};
