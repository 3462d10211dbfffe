#include "app/EngineBinding.h"

#include "interfaces/IBrennock.h"

#include <cstring>
#include <memory>
#include <objbase.h>

namespace {

struct LocalClass {
    const CLSID* clsid;
    const wchar_t* library;
};

const LocalClass kLocalClasses[] = {
    {&CLSID_BrennockMain, kEngineLibrary},
    {&CLSID_SaltcombeMontage, L"Saltcombe.DLL"},
};

}  // namespace

BOOL IsEqualClassId(const GUID& a, const GUID& b)
{
    return std::memcmp(&a, &b, sizeof(GUID)) == 0;
}

HRESULT CreateLocalInstance(const CLSID& clsid, const IID& iid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    const wchar_t* library = nullptr;
    for (const LocalClass& entry : kLocalClasses) {
        if (IsEqualClassId(*entry.clsid, clsid))
            library = entry.library;
    }
    if (!library)
        return E_FAIL;
    // COM may free the library once nothing of it is in use (automatic freeing on).
    HINSTANCE module = CoLoadLibrary(const_cast<LPOLESTR>(library), TRUE);
    if (!module)
        return E_FAIL;
    using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
    auto getClassObject =
        reinterpret_cast<GetClassObjectFn>(reinterpret_cast<void*>(GetProcAddress(module, "DllGetClassObject")));
    if (!getClassObject)
        return E_FAIL;
    IClassFactory* factory = nullptr;
    HRESULT hr = getClassObject(clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory));
    if (FAILED(hr))
        return hr;
    hr = factory->CreateInstance(nullptr, iid, ppv);
    factory->Release();
    return hr;
}

HRESULT GetEngineVersion(DWORD* versionMS, DWORD* versionLS)
{
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(kEngineLibrary, &handle);
    if (size == 0)
        return E_FAIL;
    std::unique_ptr<BYTE[]> buffer(new (std::nothrow) BYTE[size]);
    if (!buffer)
        return E_FAIL;
    if (!GetFileVersionInfoW(kEngineLibrary, 0, size, buffer.get()))
        return E_FAIL;
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(buffer.get(), L"\\", reinterpret_cast<void**>(&info), &length) || !info ||
        length < sizeof(VS_FIXEDFILEINFO))
        return E_FAIL;
    *versionMS = info->dwProductVersionMS;
    *versionLS = info->dwProductVersionLS;
    return S_OK;
}
