// ICatDisplayItemMgr: the filtered, sorted list of catalog items that the catalog view shows.
// Items are handed out with one reference for the caller. The engine object's manager also
// answers IUiUpdateQueue.
#pragma once

#include "interfaces/EngineIids.h"
#include "interfaces/ICatDisplayItem.h"

#include <windows.h>
#include <oleauto.h>
#include <unknwn.h>

struct ICatDisplayItemMgr : public IUnknown {
    // E_FAIL outside the list.
    virtual HRESULT STDMETHODCALLTYPE GetItemAt(int position, ICatDisplayItem** item) = 0;
    // Listed or not; E_FAIL when the catalog has no such item.
    virtual HRESULT STDMETHODCALLTYPE GetItemById(DWORD id, ICatDisplayItem** item) = 0;
    // Stores the item's record; a failure HRESULT when it could not be written (the edit stays
    // in memory, to be stored by a later write).
    virtual HRESULT STDMETHODCALLTYPE UpdateItem(ICatDisplayItem* item) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetCount(int* count) = 0;
    virtual HRESULT STDMETHODCALLTYPE Sort(WORD attribute, BOOL ascending) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetFilterText(BSTR text) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetFlagFilter(DWORD mask) = 0;
};

__CRT_UUID_DECL(ICatDisplayItemMgr, 0x3C3C5BBE, 0x6B31, 0x4499, 0x86, 0x27, 0x69, 0x44, 0x9E, 0xA9, 0x5C, 0x9E)
inline constexpr IID IID_ICatDisplayItemMgr = EngineIid::CatDisplayItemMgr;
