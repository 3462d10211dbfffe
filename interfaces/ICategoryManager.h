// ICategoryManager: the user's named categories of catalog items, and the current category the
// catalog view shows ("" = the whole catalog). Two IIDs, one table (EngineIid::CategoryManager
// and EngineIid::CategoryManagerInternal).
#pragma once

#include "interfaces/EngineIids.h"
#include "interfaces/IItemIdList.h"

#include <windows.h>
#include <oleauto.h>
#include <unknwn.h>

struct ICategoryManager : public IUnknown {
    // E_FAIL for an empty name (or one that could not be stored).
    virtual HRESULT STDMETHODCALLTYPE AddCategory(BSTR name) = 0;
    virtual HRESULT STDMETHODCALLTYPE DeleteCategory(BSTR name) = 0;
    // In name order, ignoring case; S_FALSE past the last.
    virtual HRESULT STDMETHODCALLTYPE GetCategoryName(WORD index, BSTR* name) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetCurrentCategory(BSTR* name) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetCurrentCategory(BSTR name) = 0;
    virtual HRESULT STDMETHODCALLTYPE AddItemsToCategory(IItemIdList* ids, BSTR name) = 0;
    virtual HRESULT STDMETHODCALLTYPE RemoveItemsFromCategory(IItemIdList* ids, BSTR name) = 0;
    // S_OK when the category exists and holds every listed id; S_FALSE otherwise.
    virtual HRESULT STDMETHODCALLTYPE AreItemsInCategory(IItemIdList* ids, BSTR name) = 0;
    // S_OK when the path's catalog item became a member now; S_FALSE otherwise.
    virtual HRESULT STDMETHODCALLTYPE AddFileToCategory(BSTR path, BSTR name) = 0;
};

__CRT_UUID_DECL(ICategoryManager, 0x2D67C198, 0xFDE3, 0x4338, 0xB3, 0x76, 0x71, 0x2D, 0x09, 0xDE, 0x1C, 0x11)
inline constexpr IID IID_ICategoryManager = EngineIid::CategoryManagerInternal;
