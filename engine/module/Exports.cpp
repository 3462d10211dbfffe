// The engine library's four exports (named without decoration in BrennockDemo.def).
#include "classlib/core/WinApp.h"
#include "engine/core/server/Factory.h"
#include "engine/core/server/Registration.h"

#include <windows.h>

namespace {
// Longest module path written to the registry.
constexpr DWORD kMaxModulePath = 512;
}  // namespace

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** object)
{
    return CFactory::GetClassObject(clsid, iid, object);
}

STDAPI DllCanUnloadNow()
{
    return CFactory::CanUnloadNow();
}

STDAPI DllRegisterServer()
{
    char path[kMaxModulePath + 1] = {};
    const DWORD length = GetModuleFileNameA(AfxGetInstanceHandle(), path, kMaxModulePath);
    if (length == 0 || length >= kMaxModulePath)
        return E_FAIL;
    return RegisterEngineServer(HKEY_CLASSES_ROOT, path);
}

STDAPI DllUnregisterServer()
{
    return UnregisterEngineServer(HKEY_CLASSES_ROOT);
}
