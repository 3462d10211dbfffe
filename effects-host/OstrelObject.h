// COstrelObject: the library's one class, IOstrel over one CEffectHost. Every call but AddRef,
// Release, Lock and Unlock runs under the object's section; Lock/Unlock let a caller hold it over
// a whole processing pass.
#pragma once

#include "classlib/com/ComObjectRoot.h"
#include "classlib/com/CriticalSection.h"
#include "interfaces/IOstrel.h"

#include <memory>

class CEffectHost;

class COstrelObject : public CComObjectRoot, public IOstrel {
public:
    ~COstrelObject() override;

    // The class's create function: E_OUTOFMEMORY when the host cannot be built.
    static HRESULT Create(REFIID iid, void** object);

    COM_OBJECT_UNKNOWN
    HRESULT STDMETHODCALLTYPE Initialize() override;
    HRESULT STDMETHODCALLTYPE GetAvailableEffect(int index, CLSID* clsid, WCHAR* name) override;
    HRESULT STDMETHODCALLTYPE InsertEffect(const CLSID* clsid, LONG beforeId, IStream* state, LONG* id) override;
    HRESULT STDMETHODCALLTYPE RemoveEffect(LONG id) override;
    HRESULT STDMETHODCALLTYPE MoveEffect(LONG id, LONG beforeId) override;
    HRESULT STDMETHODCALLTYPE GetEffectById(LONG id, IUnknown** filter) override;
    HRESULT STDMETHODCALLTYPE GetInsertedEffect(int index, CLSID* clsid, WCHAR* name, LONG* id) override;
    HRESULT STDMETHODCALLTYPE GetInputBuffer(BOOL discontinuity, BYTE** data, DWORD* bytes) override;
    HRESULT STDMETHODCALLTYPE DeliverInputBuffer() override;
    HRESULT STDMETHODCALLTYPE GetOutputBuffer(BYTE** data, DWORD* bytes, LONGLONG* handle) override;
    HRESULT STDMETHODCALLTYPE ReleaseOutputBuffer(LONGLONG handle) override;
    HRESULT STDMETHODCALLTYPE HasEffects() override;
    HRESULT STDMETHODCALLTYPE Lock() override;
    HRESULT STDMETHODCALLTYPE Unlock() override;

private:
    explicit COstrelObject(CEffectHost* host);
    HRESULT InternalQueryInterface(REFIID iid, void** object);

    CComCriticalSection m_section;
    std::unique_ptr<CEffectHost> m_host;
};
