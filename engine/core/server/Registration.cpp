#include "engine/core/server/Registration.h"

#include "classlib/com/ServerRegistration.h"
#include "interfaces/IBrennock.h"

namespace {

const ComServerNames kEngineNames = {
    &CLSID_BrennockMain,
    "Carrowfold Playback Engine",
    "CarrowfoldPro.Ver5",
    "Carrowfold.PlaybackEngine",
};

}  // namespace

HRESULT RegisterEngineServer(HKEY root, const char* modulePath)
{
    return RegisterComServer(root, kEngineNames, modulePath);
}

HRESULT UnregisterEngineServer(HKEY root)
{
    return UnregisterComServer(root, kEngineNames);
}
