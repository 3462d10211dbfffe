// A plug-in library double for the engine's plug-in binder. DllGetClassObject hands out a factory
// for any CLSID; the factory's objects answer IUnknown and IID_IPluginDoubleObject. Built with
// PLUGIN_DOUBLE_REFUSES_IID, the factory refuses every IID with E_NOINTERFACE.
// DllCanUnloadNow writes the call log of CallLog.h.
#include "tests/engine/core/server/doubles/PluginDouble.h"

#include "tests/engine/core/server/doubles/CallLog.h"
#include "tests/support/ComObjectDouble.h"

#include <new>

namespace {

volatile LONG g_liveObjects = 0;

class DoubleObject : public ComObjectDouble<IUnknown, IID_IPluginDoubleObject> {
public:
    DoubleObject() { InterlockedIncrement(&g_liveObjects); }
    ~DoubleObject() override { InterlockedDecrement(&g_liveObjects); }
};

class DoubleFactory : public ComObjectDouble<IClassFactory, IID_IClassFactory> {
public:
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
