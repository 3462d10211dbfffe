#include "classlib/com/ClassFactory.h"

#include <new>

HRESULT CComClassFactory::InternalQueryInterface(REFIID iid, void** object)
{
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory))
        return Give(static_cast<IClassFactory*>(this), object);
    return E_NOINTERFACE;
}

HRESULT STDMETHODCALLTYPE CComClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (outer)
        return CLASS_E_NOAGGREGATION;
    try {
        return m_create(iid, object);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

HRESULT STDMETHODCALLTYPE CComClassFactory::LockServer(BOOL lock)
{
    if (lock)
        ComModule::Lock();
    else
        ComModule::Unlock();
    return S_OK;
}
