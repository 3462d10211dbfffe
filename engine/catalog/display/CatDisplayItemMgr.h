// CCatDisplayItemMgr: one catalog view's list of item ids, filtered by item kind, current
// category and text and sorted by an attribute, with a UI-update queue of its own that tells the
// view what changed (1 rebuilt, 2 filtered, 3 sorted). The engine main object creates the first
// manager; further ones are chained behind it so that one Refresh reaches them all.
//
// Threads: Refresh runs on catalog workers as well as the user-interface thread; the lock covers
// rebuilding, sorting, filtering and the row reads. Lock order: the category manager's lock and
// the catalog's locks are never held while this lock is taken the other way round: the category
// members are copied before the lock is taken, and item texts are read under it (item lock
// innermost).
#pragma once

#include <windows.h>

#include "engine/catalog/display/CatDisplayItems.h"
#include "engine/core/server/InnerPtr.h"
#include "engine/core/server/SingleThreadLock.h"
#include "engine/core/server/UiUpdateQueue.h"
#include "engine/core/server/Unknown.h"
#include "interfaces/ICatDisplayItemMgr.h"

class CCatalog;

class CCatDisplayItemMgr : public CUnknown, public ICatDisplayItemMgr {
public:
    // Own-queue codes.
    static constexpr int kListRebuiltCode = 1;
    static constexpr int kFilterAppliedCode = 2;
    static constexpr int kListSortedCode = 3;
    static constexpr DWORD kAllKindsMask = 15;

    explicit CCatDisplayItemMgr(IUnknown* outer);

    // The manager's own table answers QueryInterface itself: the view asks it, not the engine,
    // for the manager's queue.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        return NonDelegatingQueryInterface(iid, object);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return GetOuter()->AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return GetOuter()->Release(); }
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID iid, void** object) override;
    void FinalRelease() override;

    HRESULT STDMETHODCALLTYPE GetItemAt(int position, ICatDisplayItem** item) override;
    HRESULT STDMETHODCALLTYPE GetItemById(DWORD id, ICatDisplayItem** item) override;
    HRESULT STDMETHODCALLTYPE UpdateItem(ICatDisplayItem* item) override;
    HRESULT STDMETHODCALLTYPE GetCount(int* count) override;
    HRESULT STDMETHODCALLTYPE Sort(WORD attribute, BOOL ascending) override;
    HRESULT STDMETHODCALLTYPE SetFilterText(BSTR text) override;
    HRESULT STDMETHODCALLTYPE SetFlagFilter(DWORD mask) override;

    // The manager's own queue, without a reference; E_FAIL when it could not be made.
    HRESULT GetUpdateQueue(CUiUpdateQueue** queue);
    // Appends next at the end of the chain (holding it); E_FAIL for NULL.
    HRESULT AppendManager(CCatDisplayItemMgr* next);
    // Rebuilds the list from the catalog and the current category, sorts it, posts code 1 and
    // refreshes the rest of the chain. E_FAIL (list unchanged) without the catalog or the
    // category manager.
    HRESULT Refresh();

private:
    // Under the lock.
    void SortList(CCatalog* catalog, WORD attribute, BOOL ascending);
    void PostOwn(int code);

    CCatDisplayItems m_list;
    CSingleThreadToken m_lock;
    InnerPtr<CUiUpdateQueue> m_queue;
    InnerPtr<CCatDisplayItemMgr> m_next;
    WORD m_sortAttribute = 0;
    BOOL m_ascending = TRUE;
    DWORD m_flagMask = kAllKindsMask;
};
