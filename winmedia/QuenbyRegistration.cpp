#include "winmedia/QuenbyRegistration.h"

#include "classlib/com/ServerRegistration.h"
#include "winmedia/QuenbyIds.h"

#include <string>
#include <vector>

namespace {

constexpr char kAppName[] = "Quenby";
constexpr char kModuleFile[] = "Quenby.DLL";
constexpr char kWriterName[] = "WmWriteFile Class";
constexpr char kWriterProgId[] = "Quenby.WmWriteFile.1";
constexpr char kWriterIndependentProgId[] = "Quenby.WmWriteFile";
constexpr char kReaderName[] = "PcmReaderWma Class";
constexpr char kReaderProgId[] = "Quenby.PcmReaderWma.1";
constexpr char kReaderIndependentProgId[] = "Quenby.PcmReaderWma";

std::string AppIdKey()
{
    return "AppID\\" + GuidText(APPID_Quenby);
}
std::string ModuleAppIdKey()
{
    return std::string("AppID\\") + kModuleFile;
}
std::string ClassKey(REFCLSID clsid)
{
    return "CLSID\\" + GuidText(clsid);
}

}  // namespace

HRESULT RegisterQuenbyServer(HKEY root, const char* modulePath)
{
    if (!modulePath)
        return E_POINTER;
    const std::string writer = ClassKey(CLSID_WmWriteFile);
    const std::string writerClsid = GuidText(CLSID_WmWriteFile);
    const std::string reader = ClassKey(CLSID_PcmReaderWma);
    const std::string readerClsid = GuidText(CLSID_PcmReaderWma);
    const std::string writerProgId = kWriterProgId;
    const std::string writerIndependent = kWriterIndependentProgId;
    const std::string readerProgId = kReaderProgId;
    const std::string readerIndependent = kReaderIndependentProgId;
    return WriteRegistryEntries(root, {
                                          {AppIdKey(), "", kAppName},
                                          {ModuleAppIdKey(), "AppID", GuidText(APPID_Quenby)},

                                          {writerProgId, "", kWriterName},
                                          {writerProgId + "\\CLSID", "", writerClsid},
                                          {writerIndependent, "", kWriterName},
                                          {writerIndependent + "\\CLSID", "", writerClsid},
                                          {writer, "", kWriterName},
                                          {writer + "\\ProgID", "", kWriterProgId},
                                          {writer + "\\VersionIndependentProgID", "", kWriterIndependentProgId},
                                          {writer + "\\InprocServer32", "", modulePath},
                                          {writer + "\\InprocServer32", "ThreadingModel", "both"},

                                          {readerProgId, "", kReaderName},
                                          {readerProgId + "\\CLSID", "", readerClsid},
                                          {readerIndependent, "", kReaderName},
                                          {readerIndependent + "\\CLSID", "", readerClsid},
                                          {readerIndependent + "\\CurVer", "", kReaderProgId},
                                          {reader, "", kReaderName},
                                          {reader + "\\ProgID", "", kReaderProgId},
                                          {reader + "\\VersionIndependentProgID", "", kReaderIndependentProgId},
                                          {reader + "\\Programmable", "", std::nullopt},
                                          {reader + "\\InprocServer32", "", modulePath},
                                          {reader + "\\InprocServer32", "ThreadingModel", "Apartment"},
                                          {reader + "\\TypeLib", "", GuidText(LIBID_QUENBYLib)},
                                      });
}

HRESULT UnregisterQuenbyServer(HKEY root)
{
    return DeleteRegistryTrees(root, {AppIdKey(), ModuleAppIdKey(), kWriterProgId, kWriterIndependentProgId,
                                      ClassKey(CLSID_WmWriteFile), kReaderProgId, kReaderIndependentProgId,
                                      ClassKey(CLSID_PcmReaderWma)});
}
