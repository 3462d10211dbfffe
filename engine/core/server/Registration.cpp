#include "engine/core/server/Registration.h"

#include "interfaces/IBrennock.h"

#include <string>

namespace {

constexpr char kDescription[] = "Carrowfold Playback Engine";
constexpr char kProgId[] = "CarrowfoldPro.Ver5";
constexpr char kVersionIndependentProgId[] = "Carrowfold.PlaybackEngine";

std::string EngineClsidKey()
{
    return "CLSID\\" + GuidText(CLSID_BrennockMain);
}

}  // namespace

HRESULT RegisterEngineServer(HKEY root, const char* modulePath)
{
    if (!modulePath)
        return E_POINTER;
    const std::string clsidText = GuidText(CLSID_BrennockMain);
    const std::string clsidKey = EngineClsidKey();
    const std::string versionIndependent = kVersionIndependentProgId;
    const std::string progId = kProgId;
    return WriteRegistryEntries(root, {
                                          {clsidKey, "", kDescription},
                                          {clsidKey + "\\InprocServer32", "", modulePath},
                                          {clsidKey + "\\ProgID", "", kProgId},
                                          {clsidKey + "\\VersionIndependentProgID", "", kVersionIndependentProgId},
                                          {versionIndependent, "", kDescription},
                                          {versionIndependent + "\\CLSID", "", clsidText},
                                          {versionIndependent + "\\CurVer", "", kProgId},
                                          {progId, "", kDescription},
                                          {progId + "\\CLSID", "", clsidText},
                                      });
}

HRESULT UnregisterEngineServer(HKEY root)
{
    return DeleteRegistryTrees(root, {EngineClsidKey(), kVersionIndependentProgId, kProgId});
}
