// Quenby.DLL: the Windows Media library. Two classes, the Windows Media reader and the file
// writer; the engine creates them through DllGetClassObject without the registry. Registration
// writes the classes' keys and the type library compiled into the library's resources.
#include "classlib/com/ComPtr.h"
#include "classlib/com/ComServer.h"
#include "winmedia/PcmReaderWma.h"
#include "winmedia/QuenbyIds.h"
#include "winmedia/QuenbyRegistration.h"
#include "winmedia/WmWriteFile.h"

#include <oleauto.h>

namespace {

const ComClassEntry kClasses[] = {
    {&CLSID_WmWriteFile, &ComCreateObject<CWmWriteFile>},
    {&CLSID_PcmReaderWma, &ComCreateObject<CPcmReaderWma>},
};

// Longest module path written to the registry.
constexpr DWORD kMaxModulePath = 512;
HINSTANCE g_instance = nullptr;

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        g_instance = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* object)
{
    return ComGetClassObject(kClasses, std::size(kClasses), clsid, iid, object);
}

STDAPI DllCanUnloadNow()
{
    return ComCanUnloadNow();
}

STDAPI DllRegisterServer()
{
    wchar_t widePath[kMaxModulePath + 1] = {};
    char path[kMaxModulePath + 1] = {};
    const DWORD wideLength = GetModuleFileNameW(g_instance, widePath, kMaxModulePath);
    const DWORD length = GetModuleFileNameA(g_instance, path, kMaxModulePath);
    if (wideLength == 0 || wideLength >= kMaxModulePath || length == 0 || length >= kMaxModulePath)
        return E_FAIL;
    HRESULT hr = RegisterQuenbyServer(HKEY_CLASSES_ROOT, path);
    if (FAILED(hr))
        return hr;
    ComPtr<ITypeLib> typeLib;
    hr = LoadTypeLibEx(widePath, REGKIND_NONE, typeLib.put());
    if (FAILED(hr))
        return hr;
    return RegisterTypeLib(typeLib.get(), widePath, nullptr);
}

STDAPI DllUnregisterServer()
{
    const HRESULT keys = UnregisterQuenbyServer(HKEY_CLASSES_ROOT);
    // A type library that is not registered (any more) counts as removed.
    BSTR registeredPath = nullptr;
    if (FAILED(QueryPathOfRegTypeLib(LIBID_QUENBYLib, 1, 0, LANG_NEUTRAL, &registeredPath)))
        return keys;
    SysFreeString(registeredPath);
    const HRESULT typeLib = UnRegisterTypeLib(LIBID_QUENBYLib, 1, 0, LANG_NEUTRAL, SYS_WIN64);
    return FAILED(keys) ? keys : typeLib;
}
