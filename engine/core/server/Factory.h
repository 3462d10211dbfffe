// CFactory: the engine library's one class factory; it creates the engine main object
// (CLSID_BrennockMain) and nothing else, never aggregated.
#pragma once

#include <windows.h>
#include <unknwn.h>

class CFactory : public IClassFactory {
public:
    CFactory() = default;
    CFactory(const CFactory&) = delete;
    CFactory& operator=(const CFactory&) = delete;
    virtual ~CFactory() = default;

    // DllGetClassObject: CLASS_E_CLASSNOTAVAILABLE for any CLSID but the engine's; otherwise a
    // new factory's answer for iid (E_NOINTERFACE with NULL leaves nothing alive).
    static HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** object);
    // DllCanUnloadNow: S_OK when no engine main object lives, no engine worker thread runs and
    // no server lock is held; else S_FALSE.
    static HRESULT CanUnloadNow();

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    // CLASS_E_NOAGGREGATION with an outer object; otherwise a new engine main object's answer
    // for iid, after which the creation reference is dropped (an unanswered IID destroys it).
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;

private:
    volatile LONG m_refCount = 1;
};
