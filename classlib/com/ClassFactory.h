// CComClassFactory: the class factory of one class of a plug-in library.
//
// Creates objects through the class's create function; refuses aggregation. LockServer counts in
// the module's lock count.
#pragma once

#include "classlib/com/ComObjectRoot.h"

#include <unknwn.h>

// Creates one object and answers it as `iid` (the object's own count then holds that reference).
using ComCreateFunction = HRESULT (*)(REFIID iid, void** object);

class CComClassFactory : public CComObjectRoot, public IClassFactory {
public:
    explicit CComClassFactory(ComCreateFunction create) : m_create(create) {}

    COM_OBJECT_UNKNOWN
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;

private:
    HRESULT InternalQueryInterface(REFIID iid, void** object);

    ComCreateFunction m_create;
};
