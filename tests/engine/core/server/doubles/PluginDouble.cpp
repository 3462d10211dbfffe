// A plug-in library double for the engine's plug-in binder. DllGetClassObject hands out a factory
// for any CLSID; the factory's objects answer IUnknown and IID_IPluginDoubleObject. Built with
// PLUGIN_DOUBLE_REFUSES_IID, the factory refuses every IID with E_NOINTERFACE.
// DllCanUnloadNow writes the call log of CallLog.h.
#include "tests/engine/core/server/doubles/PluginDouble.h"

#include "tests/engine/core/server/doubles/CallLog.h"

#include <windows.h>
#include <unknwn.h>

#include <new>

namespace {

volatile LONG g_liveObjects = 0;

class DoubleObject : public IUnknown {
public:
    DoubleObject() { InterlockedIncrement(&g_liveObjects); }
    virtual ~DoubleObject() { InterlockedDecrement(&g_liveObjects); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (!object)
            return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IPluginDoubleObject)) {
            *object = this;
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&m_count)); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const LONG count = InterlockedDecrement(&m_count);
        if (count == 0)
            delete this;
        return static_cast<ULONG>(count);
    }

private:
    volatile LONG m_count = 1;
};

class DoubleFactory : public IClassFactory {
public:
    virtual ~DoubleFactory() = default;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (!object)
            return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
            *object = this;
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&m_count)); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const LONG count = InterlockedDecrement(&m_count);
        if (count == 0)
            delete this;
        return static_cast<ULONG>(count);
    }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override
    {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
#ifdef PLUGIN_DOUBLE_REFUSES_IID
        (void)iid;
        return E_NOINTERFACE;
#else
        auto* created = new (std::nothrow) DoubleObject;
        if (!created)
            return E_OUTOFMEMORY;
        const HRESULT result = created->QueryInterface(iid, object);
        created->Release();
        return result;
#endif
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override
    {
        return S_OK;
    }

private:
    volatile LONG m_count = 1;
};

}  // namespace

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID, REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    auto* factory = new (std::nothrow) DoubleFactory;
    if (!factory)
        return E_OUTOFMEMORY;
    const HRESULT result = factory->QueryInterface(iid, object);
    factory->Release();
    return result;
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow()
{
    LogCanUnloadNow();
    return g_liveObjects == 0 ? S_OK : S_FALSE;
}
