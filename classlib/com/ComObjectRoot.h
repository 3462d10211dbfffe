// CComObjectRoot: the reference count of one COM object of a plug-in library.
//
// The object holds a module lock for its lifetime, so the library stays loaded while it lives.
// The count starts at 0; whoever creates the object takes the first reference through
// QueryInterface. Counts change with interlocked operations: references may be released on any
// thread.
//
// A class derives from CComObjectRoot first (so that the root is the object's start, which keeps
// `delete this` free of pointer adjustment) and then from its interfaces, answers its IIDs in one
// InternalQueryInterface, and puts COM_OBJECT_UNKNOWN in its body.
#pragma once

#include "classlib/com/ComModule.h"

#include <unknwn.h>

class CComObjectRoot {
public:
    CComObjectRoot() { ComModule::Lock(); }
    CComObjectRoot(const CComObjectRoot&) = delete;
    CComObjectRoot& operator=(const CComObjectRoot&) = delete;
    virtual ~CComObjectRoot() { ComModule::Unlock(); }

protected:
    ULONG InternalAddRef() { return static_cast<ULONG>(InterlockedIncrement(&m_refCount)); }
    ULONG InternalRelease()
    {
        LONG count = InterlockedDecrement(&m_refCount);
        if (count == 0)
            delete this;
        return static_cast<ULONG>(count);
    }
    // Hands out `iface` (already cast to the interface asked for) with a new reference.
    HRESULT Give(void* iface, void** object)
    {
        *object = iface;
        InternalAddRef();
        return S_OK;
    }

private:
    volatile LONG m_refCount = 0;
};

// The IUnknown slots of a CComObjectRoot class; the class defines
// HRESULT InternalQueryInterface(REFIID iid, void** object), called with a non-null out-pointer
// already set to NULL.
#define COM_OBJECT_UNKNOWN                                                                                             \
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override                                       \
    {                                                                                                                  \
        if (!object)                                                                                                   \
            return E_POINTER;                                                                                          \
        *object = nullptr;                                                                                             \
        return InternalQueryInterface(iid, object);                                                                    \
    }                                                                                                                  \
    ULONG STDMETHODCALLTYPE AddRef() override                                                                          \
    {                                                                                                                  \
        return InternalAddRef();                                                                                       \
    }                                                                                                                  \
    ULONG STDMETHODCALLTYPE Release() override                                                                         \
    {                                                                                                                  \
        return InternalRelease();                                                                                      \
    }
