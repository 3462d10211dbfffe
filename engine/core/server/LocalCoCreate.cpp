#include "engine/core/server/LocalCoCreate.h"

#include "classlib/com/ComPtr.h"

#include <iterator>

CLocalCoCreate g_localCoCreate;

namespace {

struct PluginLibrary {
    const CLSID* clsid;
    const wchar_t* file;
};

// Searched in this order; file names are loaded without a folder.
const PluginLibrary kPluginLibraries[] = {
    {&PluginClsid::Mp3Decoder, L"Morvenna.DLL"},    {&PluginClsid::WmWriteFile, L"Quenby.DLL"},
    {&PluginClsid::PcmReaderWma, L"Quenby.DLL"},    {&PluginClsid::Webcast, L"Kestrow.DLL"},
    {&PluginClsid::Ostrel, L"Ostrel.DLL"},          {&PluginClsid::CdRecorder, L"Wendlecote.DLL"},
    {&PluginClsid::VideoMontage, L"Saltcombe.DLL"}, {&PluginClsid::AudioRendererFilter, L"Ellisford.AX"},
};

using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
using CanUnloadNowFn = HRESULT(STDAPICALLTYPE*)();

template <typename Fn>
Fn ExportOf(HMODULE module, const char* name)
{
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

}  // namespace

CLocalCoCreate::~CLocalCoCreate()
{
    FreeAllModules();
}

HMODULE CLocalCoCreate::LoadLibraryFor(REFCLSID clsid)
{
    CSingleThreadLock lock(&m_lock);
    for (const PluginLibrary& library : kPluginLibraries) {
        if (IsEqualCLSID(clsid, *library.clsid))
            return LoadLibraryW(library.file);
    }
    return nullptr;
}

HRESULT CLocalCoCreate::CreateInstance(REFCLSID clsid, CLocalCoCreate* binder, REFIID iid, void** object)
{
    if (!binder || !object)
        return E_POINTER;
    *object = nullptr;
    const HMODULE module = binder->LoadLibraryFor(clsid);
    if (!module)
        return E_FAIL;

    HRESULT result = E_FAIL;
    if (const auto getClassObject = ExportOf<GetClassObjectFn>(module, "DllGetClassObject")) {
        ComPtr<IClassFactory> factory;
        result = getClassObject(clsid, IID_IClassFactory, factory.put_void());
        if (SUCCEEDED(result)) {
            if (factory)
                result = factory->CreateInstance(nullptr, iid, object);
            else
                result = E_FAIL;
        }
    }
    // The load is recorded whatever happened after it, so that it is undone at unload.
    binder->AddModuleRef(module);
    return result;
}

void CLocalCoCreate::AddModuleRef(HMODULE module)
{
    CSingleThreadLock lock(&m_lock);
    for (LOCOCR_DLLREF& entry : m_modules) {
        if (entry.module == module) {
            ++entry.loadCount;
            return;
        }
    }
    m_modules.push_back({module, 1, -1, -1});
}

LONG CLocalCoCreate::LoadCount(HMODULE module)
{
    CSingleThreadLock lock(&m_lock);
    for (const LOCOCR_DLLREF& entry : m_modules) {
        if (entry.module == module)
            return entry.loadCount;
    }
    return 0;
}

void CLocalCoCreate::FreeAllModules()
{
    CSingleThreadLock lock(&m_lock);
    for (const LOCOCR_DLLREF& entry : m_modules) {
        if (const auto canUnloadNow = ExportOf<CanUnloadNowFn>(entry.module, "DllCanUnloadNow"))
            canUnloadNow();
        for (LONG i = 0; i < entry.loadCount; ++i)
            FreeLibrary(entry.module);
    }
    m_modules.clear();
}
