// The exported entry points of a plug-in library's COM server, over its one table of classes.
#pragma once

#include "classlib/com/ClassFactory.h"

#include <cstddef>

struct ComClassEntry {
    const CLSID* clsid;
    ComCreateFunction create;
};

// DllGetClassObject: a class factory for a CLSID of the table, as `iid`;
// CLASS_E_CLASSNOTAVAILABLE for any other CLSID.
HRESULT ComGetClassObject(const ComClassEntry* table, size_t count, REFCLSID clsid, REFIID iid, void** object);

// DllCanUnloadNow: S_OK when no object, factory or server lock of the library is left.
HRESULT ComCanUnloadNow();

// Creates a new object of class T (derived from CComObjectRoot) and answers it as `iid`; the
// object is destroyed again when it does not serve `iid`.
template <class T>
HRESULT ComCreateObject(REFIID iid, void** object)
{
    T* created = new T;
    created->AddRef();
    HRESULT hr = created->QueryInterface(iid, object);
    created->Release();
    return hr;
}
