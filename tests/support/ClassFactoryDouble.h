// The class factory of a test double library: every CreateInstance makes a new Object (counted
// from 1, released by the caller) and asks it for the IID; aggregation is refused. Header only, so
// that double libraries need nothing else of the test support.
#pragma once

#include "tests/support/ComObjectDouble.h"

#include <new>

template <typename Object>
class ClassFactoryDouble : public ComObjectDouble<IClassFactory, IID_IClassFactory> {
public:
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override
    {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        auto* created = new (std::nothrow) Object();
        if (!created)
            return E_OUTOFMEMORY;
        const HRESULT result = created->QueryInterface(iid, object);
        created->Release();
        return result;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

    // The library's DllGetClassObject: a new factory asked for the IID.
    static HRESULT GetClassObject(REFIID iid, void** object)
    {
        auto* factory = new (std::nothrow) ClassFactoryDouble();
        if (!factory)
            return E_OUTOFMEMORY;
        const HRESULT result = factory->QueryInterface(iid, object);
        factory->Release();
        return result;
    }
};
