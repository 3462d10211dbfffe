#include "engine/core/server/Factory.h"

#include "engine/core/server/BrennockMain.h"
#include "engine/core/server/Unknown.h"
#include "interfaces/IBrennock.h"

#include <new>

HRESULT CFactory::GetClassObject(REFCLSID clsid, REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (!IsEqualCLSID(clsid, CLSID_BrennockMain))
        return CLASS_E_CLASSNOTAVAILABLE;
    auto* factory = new (std::nothrow) CFactory;
    if (!factory)
        return E_OUTOFMEMORY;
    const HRESULT result = factory->QueryInterface(iid, object);
    factory->Release();
    return result;
}

HRESULT CFactory::CanUnloadNow()
{
    return ModuleCounts::Activity() == 0 && ModuleCounts::ServerLocks() == 0 ? S_OK : S_FALSE;
}

HRESULT CFactory::QueryInterface(REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
        *object = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG CFactory::AddRef()
{
    return static_cast<ULONG>(InterlockedIncrement(&m_refCount));
}

ULONG CFactory::Release()
{
    const LONG count = InterlockedDecrement(&m_refCount);
    if (count == 0)
        delete this;
    return static_cast<ULONG>(count);
}

HRESULT CFactory::CreateInstance(IUnknown* outer, REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (outer)
        return CLASS_E_NOAGGREGATION;
    CBrennockMain* main = CBrennockMain::Create();
    if (!main)
        return E_OUTOFMEMORY;
    IBrennock* brennock = main;
    const HRESULT result = brennock->QueryInterface(iid, object);
    brennock->Release();
    return result;
}

HRESULT CFactory::LockServer(BOOL lock)
{
    ModuleCounts::LockServer(lock != FALSE);
    return S_OK;
}
