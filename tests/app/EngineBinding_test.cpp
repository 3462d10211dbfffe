#include "ProgramRun.h"

#include "app/EngineBinding.h"
#include "interfaces/IBrennock.h"

#include <gtest/gtest.h>

namespace {

constexpr CLSID kUnknownClass = {0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};

TEST(EngineBinding, UnknownClassFailsWithoutTouchingAnyLibrary)
{
    void* object = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(CreateLocalInstance(kUnknownClass, IID_IUnknown, &object), E_FAIL);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(GetModuleHandleW(L"BrennockDemo.DLL"), nullptr);
    EXPECT_EQ(GetModuleHandleW(L"Saltcombe.DLL"), nullptr);
}

TEST(EngineBinding, LibraryWithoutClassObjectExportFails)
{
    // The test folder holds a "Saltcombe.DLL" that exports nothing; it is found through the
    // current directory, as the program finds its libraries.
    wchar_t saved[MAX_PATH] = L"";
    GetCurrentDirectoryW(MAX_PATH, saved);
    ASSERT_TRUE(SetCurrentDirectoryW(BuildFolder(L"app-double").c_str()));
    void* object = reinterpret_cast<void*>(0x1);
    const HRESULT hr = CreateLocalInstance(CLSID_SaltcombeMontage, IID_IUnknown, &object);
    SetCurrentDirectoryW(saved);
    EXPECT_EQ(hr, E_FAIL);
    EXPECT_EQ(object, nullptr);
    EXPECT_NE(GetModuleHandleW(L"Saltcombe.DLL"), nullptr) << "loaded: the missing export failed the binding";
}

TEST(EngineBinding, ClassIdsCompareAllSixteenBytes)
{
    CLSID other = CLSID_BrennockMain;
    EXPECT_TRUE(IsEqualClassId(CLSID_BrennockMain, other));
    other.Data4[7] ^= 1;
    EXPECT_FALSE(IsEqualClassId(CLSID_BrennockMain, other));
    other = CLSID_BrennockMain;
    other.Data1 ^= 0x80000000;
    EXPECT_FALSE(IsEqualClassId(CLSID_BrennockMain, other));
}

}  // namespace
