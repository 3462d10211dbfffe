// The library as the engine and the system see it: its class factories and objects (COM
// conformance), the engine's plug-in binding, and registration through regsvr32.
#include "classlib/com/ComPtr.h"
#include "classlib/com/ServerRegistration.h"
#include "classlib/com/UniqueHandle.h"
#include "classlib/core/RegKey.h"
#include "engine/core/server/LocalCoCreate.h"
#include "interfaces/IPcmReaderWma.h"
#include "interfaces/IPlayerOutput.h"
#include "tests/support/Programs.h"
#include "tests/support/UnixTools.h"
#include "tests/winmedia/WmaFixtures.h"
#include "winmedia/QuenbyIds.h"

#include <gtest/gtest.h>
#include <oleauto.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace {

void* Poison()
{
    return reinterpret_cast<void*>(0xDEADBEEF);
}

class Library {
public:
    Library() : m_module(LoadLibraryW(L"Quenby.DLL")) {}
    bool Loaded() const { return static_cast<bool>(m_module); }
    HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** object) const
    {
        using Fn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
        auto fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(m_module.get(), "DllGetClassObject")));
        return fn ? fn(clsid, iid, object) : E_FAIL;
    }
    HRESULT CanUnloadNow() const
    {
        using Fn = HRESULT(STDAPICALLTYPE*)();
        auto fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(m_module.get(), "DllCanUnloadNow")));
        return fn ? fn() : E_FAIL;
    }

private:
    UniqueModule m_module;
};

struct ClassCase {
    const char* name;
    const CLSID* clsid;
    const IID* servedIids[3];
    const IID* refusedIid;
};

const ClassCase kClasses[] = {
    {"reader", &CLSID_PcmReaderWma, {&IID_IUnknown, &IID_IPcmReader, &IID_IPcmReaderWma}, &IID_IPlayerOutput},
    {"writer", &CLSID_WmWriteFile, {&IID_IUnknown, &IID_IPlayerOutput, &IID_IPlayerOutput}, &IID_IPcmReader},
};

TEST(QuenbyLibrary, FactoriesAndObjectsFollowTheComRules)
{
    Library library;
    ASSERT_TRUE(library.Loaded());
    void* out = Poison();
    EXPECT_EQ(library.GetClassObject(IID_IClassFactory, IID_IClassFactory, &out), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(library.CanUnloadNow(), S_OK);

    for (const ClassCase& c : kClasses) {
        SCOPED_TRACE(c.name);
        ComPtr<IClassFactory> factory;
        ASSERT_EQ(library.GetClassObject(*c.clsid, IID_IClassFactory, factory.put_void()), S_OK);
        EXPECT_EQ(library.CanUnloadNow(), S_FALSE);
        out = Poison();
        EXPECT_EQ(factory->CreateInstance(reinterpret_cast<IUnknown*>(factory.get()), IID_IUnknown, &out),
                  CLASS_E_NOAGGREGATION);
        EXPECT_EQ(out, nullptr);
        out = Poison();
        EXPECT_EQ(factory->CreateInstance(nullptr, *c.refusedIid, &out), E_NOINTERFACE);
        EXPECT_EQ(out, nullptr);

        ComPtr<IUnknown> object;
        ASSERT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, object.put_void()), S_OK);
        for (const IID* iid : c.servedIids) {
            ComPtr<IUnknown> served;
            ASSERT_EQ(object.query(*iid, served), S_OK);
            ComPtr<IUnknown> identity;
            ASSERT_EQ(served.query(IID_IUnknown, identity), S_OK);
            EXPECT_EQ(identity.get(), object.get()) << "one identity for every interface";
        }
        EXPECT_EQ(object->AddRef(), 2u);
        EXPECT_EQ(object->Release(), 1u);
        out = Poison();
        EXPECT_EQ(object->QueryInterface(*c.refusedIid, &out), E_NOINTERFACE);
        EXPECT_EQ(out, nullptr);
        EXPECT_EQ(object->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
        object.reset();
        factory.reset();
        EXPECT_EQ(library.CanUnloadNow(), S_OK);
    }
}

// The engine creates the reader through its plug-in binding, from the library beside it, and
// decodes an ffmpeg-made file to what ffmpeg decodes.
TEST(QuenbyLibrary, TheEngineReadsAWmaFileThroughItsPluginBinding)
{
    if (!fixtures::HaveUnixTools())
        GTEST_SKIP() << "ffmpeg is not reachable from this process";
    fixtures::TempDir dir;
    const std::wstring wma = dir.File(L"engine.wma");
    ASSERT_TRUE(wmafixtures::Encode(dir, wmafixtures::Chirp(2.0, 44100, 2), 44100, 2, "wmav2", "128k", wma));
    std::vector<int16_t> reference;
    ASSERT_TRUE(wmafixtures::DecodeWithFfmpeg(dir, wma, reference));

    CLocalCoCreate binder;
    ComPtr<IPcmReader> reader;
    ASSERT_EQ(CLocalCoCreate::CreateInstance(PluginClsid::PcmReaderWma, &binder, IID_IPcmReader, reader.put_void()),
              S_OK);
    ASSERT_EQ(fixtures::OpenPcmReader(reader.get(), wma), S_OK);
    const std::vector<int16_t> decoded = wmafixtures::ReadAll(reader.get(), 65536);
    ASSERT_FALSE(decoded.empty());
    const std::vector<double> ours = wmafixtures::Channel(decoded, 2, 0);
    const std::vector<double> theirs = wmafixtures::Channel(reference, 2, 0);
    int lag = 0;
    size_t overlap = 0;
    EXPECT_GT(wmafixtures::AlignedSnrDb(theirs, ours, 8192, lag, overlap), 75.0);

    ComPtr<IPlayerOutput> writer;
    EXPECT_EQ(CLocalCoCreate::CreateInstance(PluginClsid::WmWriteFile, &binder, IID_IPlayerOutput, writer.put_void()),
              S_OK);
    reader.reset();
    writer.reset();
}

struct ExpectedValue {
    std::string key;
    std::string name;  // empty: the default value
    std::optional<std::string> value;
};

std::vector<ExpectedValue> ExpectedRegistry(const std::string& modulePath)
{
    const std::string writer = "CLSID\\{2A87B0D2-649D-4ED1-9DB1-5318A8F65D2F}";
    const std::string reader = "CLSID\\{A9F41E2D-C8C7-456F-BB11-BA12C52893AB}";
    const std::string writerClsid = "{2A87B0D2-649D-4ED1-9DB1-5318A8F65D2F}";
    const std::string readerClsid = "{A9F41E2D-C8C7-456F-BB11-BA12C52893AB}";
    return {
        {"AppID\\{FE27E7FD-7EB7-4C24-A86D-92059E5148E7}", "", "Quenby"},
        {"AppID\\Quenby.DLL", "AppID", "{FE27E7FD-7EB7-4C24-A86D-92059E5148E7}"},
        {"Quenby.WmWriteFile.1", "", "WmWriteFile Class"},
        {"Quenby.WmWriteFile.1\\CLSID", "", writerClsid},
        {"Quenby.WmWriteFile", "", "WmWriteFile Class"},
        {"Quenby.WmWriteFile\\CLSID", "", writerClsid},
        {writer, "", "WmWriteFile Class"},
        {writer + "\\ProgID", "", "Quenby.WmWriteFile.1"},
        {writer + "\\VersionIndependentProgID", "", "Quenby.WmWriteFile"},
        {writer + "\\InprocServer32", "", modulePath},
        {writer + "\\InprocServer32", "ThreadingModel", "both"},
        {"Quenby.PcmReaderWma.1", "", "PcmReaderWma Class"},
        {"Quenby.PcmReaderWma.1\\CLSID", "", readerClsid},
        {"Quenby.PcmReaderWma", "", "PcmReaderWma Class"},
        {"Quenby.PcmReaderWma\\CLSID", "", readerClsid},
        {"Quenby.PcmReaderWma\\CurVer", "", "Quenby.PcmReaderWma.1"},
        {reader, "", "PcmReaderWma Class"},
        {reader + "\\ProgID", "", "Quenby.PcmReaderWma.1"},
        {reader + "\\VersionIndependentProgID", "", "Quenby.PcmReaderWma"},
        {reader + "\\Programmable", "", std::nullopt},
        {reader + "\\InprocServer32", "", modulePath},
        {reader + "\\InprocServer32", "ThreadingModel", "Apartment"},
        {reader + "\\TypeLib", "", "{70356BC2-A2E8-4AF3-9B6C-9AA7844E06E5}"},
    };
}

const char* const kTopKeys[] = {
    "AppID\\{FE27E7FD-7EB7-4C24-A86D-92059E5148E7}",
    "AppID\\Quenby.DLL",
    "Quenby.WmWriteFile.1",
    "Quenby.WmWriteFile",
    "CLSID\\{2A87B0D2-649D-4ED1-9DB1-5318A8F65D2F}",
    "Quenby.PcmReaderWma.1",
    "Quenby.PcmReaderWma",
    "CLSID\\{A9F41E2D-C8C7-456F-BB11-BA12C52893AB}",
};

// Every listed key holds exactly the listed values (REG_SZ, ANSI) and the listed sub-keys.
void ExpectRegistry(HKEY root, const std::vector<ExpectedValue>& expected)
{
    std::map<std::string, std::vector<const ExpectedValue*>> byKey;
    for (const ExpectedValue& value : expected)
        byKey[value.key].push_back(&value);
    for (const auto& [path, values] : byKey) {
        RegKey key;
        ASSERT_EQ(RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, key.put()), ERROR_SUCCESS) << path;
        DWORD subKeys = 0;
        DWORD valueCount = 0;
        RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, &valueCount, nullptr,
                         nullptr, nullptr, nullptr);
        DWORD expectedValues = 0;
        for (const ExpectedValue* value : values) {
            if (!value->value)
                continue;
            ++expectedValues;
            char data[600] = {};
            DWORD type = 0;
            DWORD size = sizeof(data);
            const char* name = value->name.empty() ? nullptr : value->name.c_str();
            ASSERT_EQ(RegQueryValueExA(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size),
                      ERROR_SUCCESS)
                << path << " " << value->name;
            EXPECT_EQ(type, static_cast<DWORD>(REG_SZ)) << path;
            EXPECT_EQ(std::string(data), *value->value) << path << " " << value->name;
        }
        EXPECT_EQ(valueCount, expectedValues) << path;
        DWORD expectedSubKeys = 0;
        for (const auto& [other, unused] : byKey) {
            if (other.size() > path.size() + 1 && other.compare(0, path.size(), path) == 0 &&
                other[path.size()] == '\\' && other.find('\\', path.size() + 1) == std::string::npos)
                ++expectedSubKeys;
        }
        EXPECT_EQ(subKeys, expectedSubKeys) << path;
    }
}

// regsvr32 registers and unregisters the real library; reg reads back what it wrote, and the
// type library loads from its registration.
TEST(QuenbyLibrary, Regsvr32RegistersExactlyTheClassesAndTheTypeLibraryAndRemovesThem)
{
    struct RemoveAtEnd {
        ~RemoveAtEnd() { DeleteRegistryTrees(HKEY_CLASSES_ROOT, {std::begin(kTopKeys), std::end(kTopKeys)}); }
    } removeAtEnd;
    const std::wstring library = BinFolder() + L"Quenby.DLL";
    char ansiLibrary[MAX_PATH] = {};
    WideCharToMultiByte(CP_ACP, 0, library.c_str(), -1, ansiLibrary, MAX_PATH, nullptr, nullptr);

    ASSERT_EQ(RunProgram(L"regsvr32.exe /s \"" + library + L"\""), 0);
    ExpectRegistry(HKEY_CLASSES_ROOT, ExpectedRegistry(ansiLibrary));
    std::string output;
    EXPECT_EQ(RunProgram(L"reg.exe query \"HKCR\\CLSID\\{A9F41E2D-C8C7-456F-BB11-BA12C52893AB}\\InprocServer32\" /v "
                         L"ThreadingModel",
                         &output),
              0);
    EXPECT_NE(output.find("Apartment"), std::string::npos) << output;

    ComPtr<ITypeLib> typeLib;
    ASSERT_EQ(LoadRegTypeLib(LIBID_QUENBYLib, 1, 0, LANG_NEUTRAL, typeLib.put()), S_OK);
    BSTR name = nullptr;
    BSTR help = nullptr;
    ASSERT_EQ(typeLib->GetDocumentation(-1, &name, &help, nullptr, nullptr), S_OK);
    EXPECT_STREQ(name, L"QUENBYLib");
    EXPECT_STREQ(help, L"Quenby 1.0 Type Library");
    SysFreeString(name);
    SysFreeString(help);
    for (const GUID* described :
         {&CLSID_PcmReaderWma, &CLSID_WmWriteFile, &IID_IPcmReader, &IID_IPcmReaderWma, &IID_IPlayerOutput}) {
        ComPtr<ITypeInfo> info;
        EXPECT_EQ(typeLib->GetTypeInfoOfGuid(*described, info.put()), S_OK) << GuidText(*described);
    }
    typeLib.reset();

    EXPECT_EQ(RunProgram(L"regsvr32.exe /u /s \"" + library + L"\""), 0);
    for (const char* top : kTopKeys) {
        RegKey gone;
        EXPECT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, top, 0, KEY_READ, gone.put()), ERROR_FILE_NOT_FOUND) << top;
    }
    EXPECT_TRUE(FAILED(LoadRegTypeLib(LIBID_QUENBYLib, 1, 0, LANG_NEUTRAL, typeLib.put())));
    EXPECT_EQ(RunProgram(L"regsvr32.exe /u /s \"" + library + L"\""), 0) << "unregistering what is gone succeeds";
}

}  // namespace
