// "Ostrel.DLL" as a COM server: its class factory and object follow the COM rules, regsvr32
// writes and removes exactly its keys (read back with reg), and the engine creates the host by
// CLSID through its plug-in table.
#include "engine/core/server/LocalCoCreate.h"
#include "tests/effects-host/OstrelFixture.h"
#include "tests/support/Programs.h"

#include <gtest/gtest.h>

#include <dshow.h>

namespace {

using namespace ostrel_test;

void* Poison()
{
    return reinterpret_cast<void*>(0xDEADBEEF);
}

TEST(OstrelLibrary, FactoryAndObjectFollowTheComRules)
{
    Library library;
    ASSERT_TRUE(library.Loaded());
    void* out = Poison();
    EXPECT_EQ(library.GetClassObject(IID_IClassFactory, IID_IClassFactory, &out), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(library.CanUnloadNow(), S_OK);

    ComPtr<IClassFactory> factory;
    ASSERT_EQ(library.GetClassObject(CLSID_OstrelObject, IID_IClassFactory, factory.put_void()), S_OK);
    out = Poison();
    EXPECT_EQ(factory->CreateInstance(reinterpret_cast<IUnknown*>(factory.get()), IID_IUnknown, &out),
              CLASS_E_NOAGGREGATION);
    EXPECT_EQ(out, nullptr);
    out = Poison();
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IClassFactory, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    factory.reset();
    EXPECT_EQ(library.CanUnloadNow(), S_FALSE);
    ASSERT_EQ(library.GetClassObject(CLSID_OstrelObject, IID_IClassFactory, factory.put_void()), S_OK);
    EXPECT_EQ(factory->LockServer(FALSE), S_OK);
    factory.reset();
    EXPECT_EQ(library.CanUnloadNow(), S_OK);

    {
        ComPtr<IOstrel> host = library.CreateHost();
        ASSERT_TRUE(host);
        EXPECT_EQ(library.CanUnloadNow(), S_FALSE);
        EXPECT_EQ(host->AddRef(), 2u);
        EXPECT_EQ(host->Release(), 1u);
        ComPtr<IUnknown> unknown;
        ASSERT_EQ(host.query(IID_IUnknown, unknown), S_OK);
        EXPECT_EQ(static_cast<void*>(unknown.get()), static_cast<void*>(host.get()));
        EXPECT_EQ(unknown->AddRef(), 3u);
        EXPECT_EQ(unknown->Release(), 2u);
        for (const IID* refused : {&IID_IClassFactory, &IID_IBaseFilter, &IID_IStream}) {
            out = Poison();
            EXPECT_EQ(host->QueryInterface(*refused, &out), E_NOINTERFACE);
            EXPECT_EQ(out, nullptr);
        }
        // An initialised host with a chain is still released in full.
        ASSERT_EQ(host->Initialize(), S_OK);
        ASSERT_GT(InsertTestEffect(host.get(), {1.0f, 0, 0}), 0);
    }
    EXPECT_EQ(library.CanUnloadNow(), S_OK);
}

TEST(OstrelLibrary, TheEngineCreatesTheHostByClsid)
{
    CLocalCoCreate binder;
    ComPtr<IOstrel> host;
    ASSERT_EQ(CLocalCoCreate::CreateInstance(PluginClsid::Ostrel, &binder, IID_IOstrel, host.put_void()), S_OK);
    EXPECT_EQ(host->Initialize(), S_OK);
    EXPECT_EQ(host->HasEffects(), 0);
    host.reset();
    EXPECT_EQ(binder.LoadCount(GetModuleHandleW(L"Ostrel.DLL")), 1);
}

TEST(OstrelLibrary, Regsvr32WritesAndRemovesExactlyItsKeys)
{
    const std::wstring library = BinFolder() + L"Ostrel.DLL";
    const std::string clsid = "{0B5D9802-8E47-4AAE-9396-F0D00C04EC93}";
    std::string path(library.begin(), library.end());
    const struct {
        std::string key;
        std::string value;
    } keys[] = {
        {"CLSID\\" + clsid, "Carrowfold Effects Plugin Manager 5"},
        {"CLSID\\" + clsid + "\\InprocServer32", path},
        {"CLSID\\" + clsid + "\\ProgID", "Carrowfold.Ostrel.VerKx5"},
        {"CLSID\\" + clsid + "\\VersionIndependentProgID", "Carrowfold.Ostrel"},
        {"Carrowfold.Ostrel", "Carrowfold Effects Plugin Manager 5"},
        {"Carrowfold.Ostrel\\CLSID", clsid},
        {"Carrowfold.Ostrel\\CurVer", "Carrowfold.Ostrel.VerKx5"},
        {"Carrowfold.Ostrel.VerKx5", "Carrowfold Effects Plugin Manager 5"},
        {"Carrowfold.Ostrel.VerKx5\\CLSID", clsid},
    };
    ASSERT_EQ(RunProgram(L"regsvr32.exe /s \"" + library + L"\""), 0);
    for (const auto& key : keys) {
        std::string output;
        const std::wstring wide(key.key.begin(), key.key.end());
        EXPECT_EQ(RunProgram(L"reg.exe query \"HKCR\\" + wide + L"\" /ve", &output), 0) << key.key;
        EXPECT_NE(output.find(key.value), std::string::npos) << key.key << "\n" << output;
    }
    EXPECT_EQ(RunProgram(L"regsvr32.exe /u /s \"" + library + L"\""), 0);
    for (const char* top : {"Carrowfold.Ostrel", "Carrowfold.Ostrel.VerKx5"}) {
        const std::string name(top);
        EXPECT_NE(RunProgram(L"reg.exe query \"HKCR\\" + std::wstring(name.begin(), name.end()) + L"\""), 0) << top;
    }
    const std::wstring clsidKey(L"HKCR\\CLSID\\" + std::wstring(clsid.begin(), clsid.end()));
    EXPECT_NE(RunProgram(L"reg.exe query \"" + clsidKey + L"\""), 0);
}

}  // namespace
