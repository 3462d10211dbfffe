// TestEffectDmo.dll: the test effect's class factory, exports and registration (the COM class
// and the DMO in the audio-effect category, both removed again by DllUnregisterServer).
#include "tests/effects-host/dmo/TestEffectDmo.h"

#include <dmoreg.h>
#include <uuids.h>

#include <string>

extern LONG g_testEffectObjects;

namespace {

HMODULE g_module = nullptr;
LONG g_serverLocks = 0;

class CTestEffectFactory : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IClassFactory))
            return E_NOINTERFACE;
        *object = static_cast<IClassFactory*>(this);
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override
    {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        // An aggregating outer may only ask for the inner IUnknown.
        if (outer && !IsEqualIID(iid, IID_IUnknown))
            return CLASS_E_NOAGGREGATION;
        IUnknown* inner = CTestEffectDmo::Create(outer);
        if (!inner)
            return E_OUTOFMEMORY;
        const HRESULT hr = inner->QueryInterface(iid, object);
        inner->Release();
        return hr;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override
    {
        if (lock)
            InterlockedIncrement(&g_serverLocks);
        else
            InterlockedDecrement(&g_serverLocks);
        return S_OK;
    }
};

CTestEffectFactory g_factory;

std::wstring ClsidKey()
{
    wchar_t text[39] = {};
    StringFromGUID2(CLSID_TestEffectDmo, text, 39);
    return std::wstring(L"CLSID\\") + text;
}

LONG SetString(HKEY key, const wchar_t* name, const std::wstring& value)
{
    return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

HRESULT RegisterClassKey()
{
    wchar_t path[MAX_PATH] = {};
    if (!GetModuleFileNameW(g_module, path, MAX_PATH))
        return E_FAIL;
    HKEY key = nullptr;
    LONG result = RegCreateKeyExW(HKEY_CLASSES_ROOT, (ClsidKey() + L"\\InprocServer32").c_str(), 0, nullptr, 0,
                                  KEY_ALL_ACCESS, nullptr, &key, nullptr);
    if (result != ERROR_SUCCESS)
        return HRESULT_FROM_WIN32(result);
    result = SetString(key, nullptr, path);
    if (result == ERROR_SUCCESS)
        result = SetString(key, L"ThreadingModel", L"Both");
    RegCloseKey(key);
    return HRESULT_FROM_WIN32(result);
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (!IsEqualGUID(clsid, CLSID_TestEffectDmo))
        return CLASS_E_CLASSNOTAVAILABLE;
    return g_factory.QueryInterface(iid, object);
}

STDAPI DllCanUnloadNow()
{
    return g_testEffectObjects == 0 && g_serverLocks == 0 ? S_OK : S_FALSE;
}

STDAPI DllRegisterServer()
{
    HRESULT hr = RegisterClassKey();
    if (FAILED(hr))
        return hr;
    DMO_PARTIAL_MEDIATYPE type = {MEDIATYPE_Audio, MEDIASUBTYPE_PCM};
    return DMORegister(const_cast<LPWSTR>(kTestEffectName), CLSID_TestEffectDmo, DMOCATEGORY_AUDIO_EFFECT, 0, 1, &type,
                       1, &type);
}

STDAPI DllUnregisterServer()
{
    const HRESULT dmo = DMOUnregister(CLSID_TestEffectDmo, DMOCATEGORY_AUDIO_EFFECT);
    const LONG removed = RegDeleteTreeW(HKEY_CLASSES_ROOT, ClsidKey().c_str());
    if (removed != ERROR_SUCCESS && removed != ERROR_FILE_NOT_FOUND)
        return HRESULT_FROM_WIN32(removed);
    return FAILED(dmo) ? dmo : S_OK;
}
