// ICatDisplayItem: one catalog item as the catalog view and the document read it. Texts are read
// under the item's lock; changes stay in the item until ICatDisplayItemMgr::UpdateItem stores
// them.
#pragma once

#include "interfaces/IMusicFileId.h"

#include <windows.h>
#include <oleauto.h>
#include <unknwn.h>

struct ICatDisplayItem : public IUnknown {
    // The attribute's text, a new BSTR freed by the caller; E_FAIL when the item has none.
    virtual HRESULT STDMETHODCALLTYPE GetAttribute(WORD attribute, BSTR* text) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetAttribute(WORD attribute, BSTR text) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetId(DWORD* id) = 0;
    // Keeps its place in the table; answers S_FALSE.
    virtual HRESULT STDMETHODCALLTYPE Unused6() = 0;
    // Microseconds; E_FAIL when the sample rate is 0.
    virtual HRESULT STDMETHODCALLTYPE GetDuration(LONGLONG* duration) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetBlob(int index, BYTE* buffer, DWORD* size) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetFlags(DWORD* flags) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetFileId(IMusicFileId* target) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetKey(WORD* note, WORD* mode) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetKey(WORD note, WORD mode) = 0;
};

__CRT_UUID_DECL(ICatDisplayItem, 0xCDC591F4, 0x22CA, 0x4F26, 0x82, 0x31, 0x0A, 0xFE, 0xEF, 0x09, 0x02, 0x1D)
inline constexpr IID IID_ICatDisplayItem = {
    0xCDC591F4, 0x22CA, 0x4F26, {0x82, 0x31, 0x0A, 0xFE, 0xEF, 0x09, 0x02, 0x1D}};
