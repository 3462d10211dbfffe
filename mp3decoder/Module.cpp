// Morvenna.DLL: the MP3 decoder library. One class, the MP3 PCM reader; the engine creates it
// through DllGetClassObject without the registry.
#include "classlib/com/ComServer.h"
#include "mp3decoder/MorvennaClsid.h"
#include "mp3decoder/Mp3PcmReader.h"

namespace {
const ComClassEntry kClasses[] = {
    {&CLSID_Mp3PcmReader, &ComCreateObject<CMp3PcmReader>},
};
}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
        DisableThreadLibraryCalls(instance);
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
