#include "classlib/com/ComServer.h"

#include "classlib/com/ComModule.h"

#include <new>

HRESULT ComGetClassObject(const ComClassEntry* table, size_t count, REFCLSID clsid, REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    for (size_t i = 0; i < count; ++i) {
        if (!IsEqualCLSID(*table[i].clsid, clsid))
            continue;
        auto* factory = new (std::nothrow) CComClassFactory(table[i].create);
        if (!factory)
            return E_OUTOFMEMORY;
        factory->AddRef();
        HRESULT hr = factory->QueryInterface(iid, object);
        factory->Release();
        return hr;
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

HRESULT ComCanUnloadNow()
{
    return ComModule::LockCount() == 0 ? S_OK : S_FALSE;
}
