#include "classlib/com/ComPtr.h"
#include "engine/core/server/LocalCoCreate.h"
#include "tests/engine/core/server/FrameTestSupport.h"
#include "tests/engine/core/server/doubles/PluginDouble.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The doubles live in a folder of their own (see CMakeLists.txt); it joins the library search
// path for these tests only.
class LocalCoCreateTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(SetDllDirectoryW((BinFolder() + L"core_server_doubles").c_str())); }
    void TearDown() override { SetDllDirectoryW(nullptr); }

    static int CanUnloadCalls(const wchar_t* file)
    {
        wchar_t text[32] = {};
        const std::wstring variable = std::wstring(L"CORE_FRAME_CANUNLOAD_") + file;
        return GetEnvironmentVariableW(variable.c_str(), text, 32) ? _wtoi(text) : 0;
    }
};

struct BindCase {
    const char* name;
    const CLSID* clsid;
    const wchar_t* file;  // NULL: nothing may be loaded
    HRESULT expected;
    bool recorded;
};

const CLSID kForeignClsid = {0x11111111, 0x2222, 0x3333, {0x44, 0x44, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55}};

const BindCase kBindCases[] = {
    {"library with the export", &PluginClsid::Webcast, L"Kestrow.DLL", S_OK, true},
    {"library without DllGetClassObject", &PluginClsid::CdRecorder, L"Wendlecote.DLL", E_FAIL, true},
    {"library refusing the IID", &PluginClsid::AudioRendererFilter, L"Ellisford.AX", E_NOINTERFACE, true},
    {"library that is not there", &PluginClsid::VideoMontage, nullptr, E_FAIL, false},
    {"CLSID outside the table", &kForeignClsid, nullptr, E_FAIL, false},
};

TEST_F(LocalCoCreateTest, EachCaseGivesItsResultAndRecordsWhatItLoaded)
{
    for (const BindCase& row : kBindCases) {
        CLocalCoCreate binder;
        void* object = reinterpret_cast<void*>(0xDEADBEEF);
        EXPECT_EQ(CLocalCoCreate::CreateInstance(*row.clsid, &binder, IID_IPluginDoubleObject, &object), row.expected)
            << row.name;
        if (row.expected == S_OK) {
            ASSERT_NE(object, nullptr) << row.name;
            EXPECT_EQ(static_cast<IUnknown*>(object)->Release(), 0u) << row.name;
        } else {
            EXPECT_EQ(object, nullptr) << row.name;
        }
        if (row.file) {
            const HMODULE module = GetModuleHandleW(row.file);
            ASSERT_NE(module, nullptr) << row.name << ": the library is not loaded";
            EXPECT_EQ(binder.LoadCount(module), row.recorded ? 1 : 0) << row.name;
            const int callsBefore = CanUnloadCalls(row.file);
            binder.FreeAllModules();
            EXPECT_EQ(GetModuleHandleW(row.file), nullptr) << row.name << ": still loaded after FreeAllModules";
            EXPECT_EQ(CanUnloadCalls(row.file), callsBefore + 1) << row.name << ": DllCanUnloadNow not asked once";
        }
    }
}

TEST_F(LocalCoCreateTest, TwoObjectsFromOneLibraryShareOneEntryFreedTwice)
{
    CLocalCoCreate binder;
    ComPtr<IUnknown> first;
    ComPtr<IUnknown> second;
    ASSERT_EQ(CLocalCoCreate::CreateInstance(PluginClsid::Webcast, &binder, IID_IUnknown, first.put_void()), S_OK);
    ASSERT_EQ(CLocalCoCreate::CreateInstance(PluginClsid::Webcast, &binder, IID_IUnknown, second.put_void()), S_OK);
    const HMODULE module = GetModuleHandleW(L"Kestrow.DLL");
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(binder.LoadCount(module), 2);
    first.reset();
    second.reset();
    // Freed once per recorded load: after both, nothing holds the library.
    binder.FreeAllModules();
    EXPECT_EQ(GetModuleHandleW(L"Kestrow.DLL"), nullptr);
    EXPECT_EQ(binder.LoadCount(module), 0);
}

TEST_F(LocalCoCreateTest, TheBindersEndFreesItsLibraries)
{
    {
        CLocalCoCreate binder;
        ComPtr<IUnknown> object;
        ASSERT_EQ(CLocalCoCreate::CreateInstance(PluginClsid::Webcast, &binder, IID_IUnknown, object.put_void()), S_OK);
        object.reset();
        ASSERT_NE(GetModuleHandleW(L"Kestrow.DLL"), nullptr);
    }
    EXPECT_EQ(GetModuleHandleW(L"Kestrow.DLL"), nullptr);
}

TEST_F(LocalCoCreateTest, TheGlobalBinderCreatesObjects)
{
    ComPtr<IUnknown> object;
    ASSERT_EQ(CLocalCoCreate::CreateInstance(PluginClsid::Webcast, &g_localCoCreate, IID_IPluginDoubleObject,
                                             object.put_void()),
              S_OK);
    object.reset();
    g_localCoCreate.FreeAllModules();
    EXPECT_EQ(GetModuleHandleW(L"Kestrow.DLL"), nullptr);
}

}  // namespace
