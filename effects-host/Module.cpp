// Ostrel.DLL: the effects plug-in host library. One class, the effect chain host; the engine
// creates it through DllGetClassObject without the registry, which the library can still be
// entered in.
#include "classlib/com/ComServer.h"
#include "classlib/com/ServerRegistration.h"
#include "effects-host/OstrelObject.h"

namespace {

HMODULE g_module = nullptr;

const ComClassEntry kClasses[] = {
    {&CLSID_OstrelObject, &COstrelObject::Create},
};

const ComServerNames kServerNames = {
    &CLSID_OstrelObject,
    "Carrowfold Effects Plugin Manager 5",
    "Carrowfold.Ostrel.VerKx5",
    "Carrowfold.Ostrel",
};

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
    return ComGetClassObject(kClasses, std::size(kClasses), clsid, iid, object);
}

STDAPI DllCanUnloadNow()
{
    return ComCanUnloadNow();
}

STDAPI DllRegisterServer()
{
    return RegisterComServerModule(HKEY_CLASSES_ROOT, kServerNames, g_module);
}

STDAPI DllUnregisterServer()
{
    return UnregisterComServer(HKEY_CLASSES_ROOT, kServerNames);
}
