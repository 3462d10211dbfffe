// The engine library's entry: its one application object and DllMain.
#include "engine/core/server/BrennockApp.h"

#include <windows.h>

// Constructed while the library loads (it takes the named mutex there) and destroyed at unload.
CBrennockApp theApp;

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void*)
{
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        DisableThreadLibraryCalls(instance);
        return AfxDllProcessAttach(instance);
    case DLL_PROCESS_DETACH:
        AfxDllProcessDetach();
        break;
    default:
        break;
    }
    return TRUE;
}
