// The base of the small COM objects the program hands to the engine for a call (id lists, path
// lists): one interface, a reference count that starts at the owner's 1, and a QueryInterface
// that answers no identifier, since the object is only ever handed out as that interface itself.
// Owners mostly hold them by value, which never releases to zero; one made with new is deleted
// by its last Release.
#pragma once

#include <windows.h>
#include <unknwn.h>

template <class Interface>
class CSingleInterfaceObject : public Interface {
public:
    CSingleInterfaceObject() = default;
    virtual ~CSingleInterfaceObject() = default;
    CSingleInterfaceObject(const CSingleInterfaceObject&) = delete;
    CSingleInterfaceObject& operator=(const CSingleInterfaceObject&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override
    {
        if (object)
            *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&m_refCount)); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const LONG count = InterlockedDecrement(&m_refCount);
        if (count == 0)
            delete this;
        return static_cast<ULONG>(count);
    }

private:
    LONG m_refCount = 1;
};
