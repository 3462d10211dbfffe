// A stand-in for the engine's catalog display list, for the in-process tests: items with an id,
// a title, an artist and a duration; GetItemAt walks the list, GetItemById finds any item. Sort
// records its arguments; other queries go to the engine object. Reference counts are kept, not acted on: the owner
// deletes them.
#pragma once

#include "interfaces/ICatDisplayItemMgr.h"

#include "tests/app/double/NotCalled.h"

#include <windows.h>

#include <string>
#include <vector>

class CatItemDouble : public ICatDisplayItem {
public:
    CatItemDouble(DWORD id, std::wstring title, std::wstring artist, LONGLONG duration)
        : m_id(id), m_title(std::move(title)), m_artist(std::move(artist)), m_duration(duration)
    {}
    virtual ~CatItemDouble() = default;
    LONG refs = 1;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override
    {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs)); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(InterlockedDecrement(&refs)); }
    // Attribute 1 is the title, 4 the artist; the others have no text.
    HRESULT STDMETHODCALLTYPE GetAttribute(WORD attribute, BSTR* text) override
    {
        *text = nullptr;
        if (attribute != 1 && attribute != 4)
            return E_FAIL;
        *text = SysAllocString(attribute == 1 ? m_title.c_str() : m_artist.c_str());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetId(DWORD* id) override
    {
        *id = m_id;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDuration(LONGLONG* duration) override
    {
        *duration = m_duration;
        return m_duration > 0 ? S_OK : E_FAIL;
    }
    DOUBLE_NOT_CALLED(SetAttribute, (WORD, BSTR))
    DOUBLE_NOT_CALLED(Unused6, ())
    DOUBLE_NOT_CALLED(GetBlob, (int, BYTE*, DWORD*))
    DOUBLE_NOT_CALLED(GetFlags, (DWORD*))
    DOUBLE_NOT_CALLED(GetFileId, (IMusicFileId*))
    DOUBLE_NOT_CALLED(GetKey, (WORD*, WORD*))
    DOUBLE_NOT_CALLED(SetKey, (WORD, WORD))

private:
    DWORD m_id;
    std::wstring m_title;
    std::wstring m_artist;
    LONGLONG m_duration;
};

class CatalogDouble : public ICatDisplayItemMgr {
public:
    virtual ~CatalogDouble() = default;
    std::vector<CatItemDouble*> items;  // not owned
    std::vector<std::string> calls;
    LONG refs = 1;
    // Like the engine's manager, it passes the queries it does not answer to the engine object.
    IUnknown* engine = nullptr;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        *out = nullptr;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_ICatDisplayItemMgr)) {
            AddRef();
            *out = static_cast<ICatDisplayItemMgr*>(this);
            return S_OK;
        }
        return engine ? engine->QueryInterface(iid, out) : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs)); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(InterlockedDecrement(&refs)); }
    HRESULT STDMETHODCALLTYPE GetItemAt(int position, ICatDisplayItem** item) override
    {
        *item = nullptr;
        if (position < 0 || static_cast<size_t>(position) >= items.size())
            return E_FAIL;
        return Hand(items[static_cast<size_t>(position)], item);
    }
    HRESULT STDMETHODCALLTYPE GetItemById(DWORD id, ICatDisplayItem** item) override
    {
        *item = nullptr;
        for (CatItemDouble* candidate : items) {
            DWORD candidateId = 0;
            candidate->GetId(&candidateId);
            if (candidateId == id)
                return Hand(candidate, item);
        }
        return E_FAIL;
    }
    HRESULT STDMETHODCALLTYPE GetCount(int* count) override
    {
        *count = static_cast<int>(items.size());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Sort(WORD attribute, BOOL ascending) override
    {
        calls.push_back("Sort " + std::to_string(attribute) + " " + std::to_string(ascending));
        return S_OK;
    }
    DOUBLE_NOT_CALLED(UpdateItem, (ICatDisplayItem*))
    DOUBLE_NOT_CALLED(SetFilterText, (BSTR))
    DOUBLE_NOT_CALLED(SetFlagFilter, (DWORD))

private:
    static HRESULT Hand(CatItemDouble* source, ICatDisplayItem** item)
    {
        source->AddRef();
        *item = source;
        return S_OK;
    }
};
