// The engine library as the main program meets it: loaded by file name, its exports resolved,
// the engine created through its class factory.
#include "classlib/com/ComPtr.h"
#include "classlib/com/UniqueHandle.h"
#include "interfaces/ICatDisplayItemMgr.h"
#include "interfaces/EngineIids.h"
#include "interfaces/IBrennock.h"
#include "interfaces/IEfxPresetMgr.h"
#include "interfaces/IHostMedia.h"
#include "interfaces/IPlayer.h"
#include "interfaces/IUiUpdateQueue.h"
#include "interfaces/IVideoMontage.h"
#include "tests/engine/core/server/FrameTestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
using CanUnloadNowFn = HRESULT(STDAPICALLTYPE*)();

constexpr wchar_t kMutexName[] = L"Carrowfold 5 App Mutex";
void* const kPoison = reinterpret_cast<void*>(0xDEADBEEF);

class EngineDllTest : public testing::Test {
protected:
    void SetUp() override
    {
        m_library = LoadLibraryW(L"BrennockDemo.DLL");
        ASSERT_NE(m_library, nullptr);
        m_getClassObject =
            reinterpret_cast<GetClassObjectFn>(reinterpret_cast<void*>(GetProcAddress(m_library, "DllGetClassObject")));
        m_canUnloadNow =
            reinterpret_cast<CanUnloadNowFn>(reinterpret_cast<void*>(GetProcAddress(m_library, "DllCanUnloadNow")));
        ASSERT_NE(m_getClassObject, nullptr);
        ASSERT_NE(m_canUnloadNow, nullptr);
        ASSERT_NE(GetProcAddress(m_library, "DllRegisterServer"), nullptr);
        ASSERT_NE(GetProcAddress(m_library, "DllUnregisterServer"), nullptr);
    }
    void TearDown() override
    {
        if (m_library)
            FreeLibrary(m_library);
    }

    ComPtr<IClassFactory> Factory()
    {
        ComPtr<IClassFactory> factory;
        EXPECT_EQ(m_getClassObject(CLSID_BrennockMain, IID_IClassFactory, factory.put_void()), S_OK);
        return factory;
    }
    ComPtr<IBrennock> CreateEngine()
    {
        ComPtr<IBrennock> engine;
        ComPtr<IClassFactory> factory = Factory();
        if (factory) {
            EXPECT_EQ(factory->CreateInstance(nullptr, IID_IBrennock, engine.put_void()), S_OK);
        }
        return engine;
    }
    // The product version of the library's version resource, as the main program reads it.
    void ProductVersion(DWORD* high, DWORD* low)
    {
        wchar_t path[MAX_PATH] = {};
        GetModuleFileNameW(m_library, path, MAX_PATH);
        DWORD ignored = 0;
        const DWORD size = GetFileVersionInfoSizeW(path, &ignored);
        ASSERT_GT(size, 0u);
        std::string block(size, '\0');
        ASSERT_TRUE(GetFileVersionInfoW(path, 0, size, block.data()));
        VS_FIXEDFILEINFO* info = nullptr;
        UINT length = 0;
        ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&info), &length));
        *high = info->dwProductVersionMS;
        *low = info->dwProductVersionLS;
    }

    HMODULE m_library = nullptr;
    GetClassObjectFn m_getClassObject = nullptr;
    CanUnloadNowFn m_canUnloadNow = nullptr;
};

const CLSID kForeignClsid = {0xFD3D4D08, 0x7181, 0x4547, {0x9C, 0x08, 0x8F, 0x20, 0x44, 0xAA, 0xC8, 0x95}};
const IID kUnknownIid = {0x01234567, 0x89AB, 0xCDEF, {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF}};

TEST_F(EngineDllTest, ClassObjectIsGivenOnlyForTheEngineClsid)
{
    const struct {
        const char* name;
        const CLSID* clsid;
        const IID* iid;
        HRESULT expected;
    } rows[] = {
        {"foreign CLSID", &kForeignClsid, &IID_IClassFactory, CLASS_E_CLASSNOTAVAILABLE},
        {"engine CLSID, IClassFactory", &CLSID_BrennockMain, &IID_IClassFactory, S_OK},
        {"engine CLSID, IUnknown", &CLSID_BrennockMain, &IID_IUnknown, S_OK},
        {"engine CLSID, unknown IID", &CLSID_BrennockMain, &kUnknownIid, E_NOINTERFACE},
    };
    for (const auto& row : rows) {
        void* object = kPoison;
        EXPECT_EQ(m_getClassObject(*row.clsid, *row.iid, &object), row.expected) << row.name;
        if (row.expected == S_OK) {
            ASSERT_NE(object, nullptr) << row.name;
            EXPECT_EQ(static_cast<IUnknown*>(object)->Release(), 0u) << row.name;
        } else {
            EXPECT_EQ(object, nullptr) << row.name;
        }
        EXPECT_EQ(m_canUnloadNow(), S_OK) << row.name << ": something stayed alive";
    }
}

TEST_F(EngineDllTest, FactoryRefusesAggregationAndUnknownIidsLeavingNothingAlive)
{
    ComPtr<IClassFactory> factory = Factory();
    ASSERT_TRUE(factory);
    CountingUnknown outer;
    const struct {
        const char* name;
        IUnknown* outer;
        const IID* iid;
        HRESULT expected;
    } rows[] = {
        {"with an outer object", &outer, &IID_IUnknown, CLASS_E_NOAGGREGATION},
        {"unknown IID", nullptr, &kUnknownIid, E_NOINTERFACE},
        {"IClassFactory", nullptr, &IID_IClassFactory, E_NOINTERFACE},
    };
    for (const auto& row : rows) {
        void* object = kPoison;
        EXPECT_EQ(factory->CreateInstance(row.outer, *row.iid, &object), row.expected) << row.name;
        EXPECT_EQ(object, nullptr) << row.name;
        EXPECT_EQ(m_canUnloadNow(), S_OK) << row.name << ": an engine object stayed alive";
    }
    EXPECT_EQ(outer.count, 1);

    EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    EXPECT_EQ(m_canUnloadNow(), S_FALSE);
    EXPECT_EQ(factory->LockServer(FALSE), S_OK);
    EXPECT_EQ(m_canUnloadNow(), S_OK);
}

TEST_F(EngineDllTest, EngineLivesFromCreationToLastReleaseAndShutsDownItsServiceThread)
{
    DWORD high = 0;
    DWORD low = 0;
    ProductVersion(&high, &low);
    EXPECT_EQ(high, 0x00050000u);
    EXPECT_EQ(low, 0x00000001u);

    const int threadsBefore = ThreadCount();
    ComPtr<IBrennock> engine = CreateEngine();
    ASSERT_TRUE(engine);
    EXPECT_EQ(m_canUnloadNow(), S_FALSE);

    EXPECT_EQ(engine->Initialize(nullptr, nullptr, high, low), S_OK);
    EXPECT_EQ(ThreadCount(), threadsBefore + 1) << "the service thread runs";
    EXPECT_EQ(engine->Initialize(nullptr, nullptr, 7, 8), S_FALSE);
    EXPECT_EQ(ThreadCount(), threadsBefore + 1) << "a second Initialize starts nothing";
    DWORD value1 = 0;
    DWORD value2 = 0;
    EXPECT_EQ(engine->GetInitValues(&value1, &value2), S_OK);
    EXPECT_EQ(value1, high);
    EXPECT_EQ(value2, low);

    EXPECT_EQ(engine->Shutdown(), S_OK);
    EXPECT_EQ(ThreadCount(), threadsBefore) << "Shutdown returned before the service thread ended";
    EXPECT_EQ(m_canUnloadNow(), S_FALSE) << "the engine object is still held";
    EXPECT_EQ(engine->AddRef(), 2u);
    EXPECT_EQ(engine->Release(), 1u);
    EXPECT_EQ(engine.detach()->Release(), 0u);
    EXPECT_EQ(m_canUnloadNow(), S_OK);
}

TEST_F(EngineDllTest, OperationsWhoseServiceObjectsAreMissingFailOrSkip)
{
    ComPtr<IBrennock> engine = CreateEngine();
    ASSERT_TRUE(engine);
    ASSERT_EQ(engine->Initialize(nullptr, nullptr, 1, 2), S_OK);

    // The mix manager exists: a document that is not there fails to load, and one in a folder
    // that is not there fails to save.
    BSTR path = SysAllocString(L"C:\\mixes\\party.cfp");
    EXPECT_TRUE(FAILED(engine->LoadPlaylist(path, FALSE)));
    EXPECT_TRUE(FAILED(engine->SavePlaylist(path)));
    SysFreeString(path);
    EXPECT_EQ(engine->NewMix(), S_OK);
    CountingUnknown locator;
    EXPECT_EQ(engine->SetFileMapperCallback(&locator), S_OK);
    EXPECT_EQ(locator.count, 2) << "the file mapper keeps one reference";
    EXPECT_EQ(engine->ClearFileMapperCallback(), S_OK);
    EXPECT_EQ(engine->ClearFileMapperCallback(), S_FALSE);
    EXPECT_EQ(locator.count, 1);
    ICatDisplayItemMgr* manager = reinterpret_cast<ICatDisplayItemMgr*>(kPoison);
    EXPECT_EQ(engine->CreateCatDisplayItemMgr(&manager), S_OK) << "the catalog's managers are built";
    ASSERT_NE(manager, nullptr);
    manager->Release();

    EXPECT_EQ(engine->Shutdown(), S_OK);
}

TEST_F(EngineDllTest, UnknownIidsGiveNoInterfaceAndNullWithoutAnAttachedObject)
{
    ComPtr<IBrennock> engine = CreateEngine();
    ASSERT_TRUE(engine);
    ASSERT_EQ(engine->Initialize(nullptr, nullptr, 1, 2), S_OK);
    const struct {
        const char* name;
        const IID* iid;
    } rows[] = {
        {"unknown IID", &kUnknownIid},
        {"video interface", &IID_IVideoMontage},
    };
    for (const auto& row : rows) {
        void* object = kPoison;
        EXPECT_EQ(engine->QueryInterface(*row.iid, &object), E_NOINTERFACE) << row.name;
        EXPECT_EQ(object, nullptr) << row.name;
    }
    EXPECT_EQ(engine->Shutdown(), S_OK);
}

// The effect-preset manager is made at Initialize: its list starts with the empty entry (no
// effects) and it belongs to the engine.
TEST_F(EngineDllTest, ThePresetManagerAnswersAfterInitialize)
{
    ComPtr<IBrennock> engine = CreateEngine();
    ASSERT_TRUE(engine);
    ASSERT_EQ(engine->Initialize(nullptr, nullptr, 1, 2), S_OK);
    ComPtr<IEfxPresetMgr> presets;
    ASSERT_EQ(engine->QueryInterface(IID_IEfxPresetMgr, presets.put_void()), S_OK);
    BSTR name = reinterpret_cast<BSTR>(kPoison);
    ASSERT_EQ(presets->GetPresetName(0, &name), S_OK);
    EXPECT_STREQ(name, L"");
    SysFreeString(name);
    name = reinterpret_cast<BSTR>(kPoison);
    EXPECT_EQ(presets->GetPresetName(-1, &name), E_FAIL);
    EXPECT_EQ(name, nullptr);
    ComPtr<IBrennock> back;
    EXPECT_EQ(presets->QueryInterface(IID_IBrennock, back.put_void()), S_OK);
    EXPECT_EQ(back.get(), engine.get());
    back.reset();
    presets.reset();
    EXPECT_EQ(engine->NewMix(), S_OK);
    EXPECT_EQ(engine->Shutdown(), S_OK);
}

// The player is made at Initialize and answers the main program's IID and the engine's own with one
// object, holding a complete output configuration.
TEST_F(EngineDllTest, PlayerAnswersBothIidsAfterInitialize)
{
    ComPtr<IBrennock> engine = CreateEngine();
    ASSERT_TRUE(engine);
    void* object = kPoison;
    EXPECT_EQ(engine->QueryInterface(EngineIid::Player, &object), E_NOINTERFACE) << "a player before Initialize";
    EXPECT_EQ(object, nullptr);
    ASSERT_EQ(engine->Initialize(nullptr, nullptr, 1, 2), S_OK);
    ComPtr<IPlayer> player;
    ComPtr<IPlayer> engineSide;
    ASSERT_EQ(engine->QueryInterface(IID_IPlayer, player.put_void()), S_OK);
    ASSERT_EQ(engine->QueryInterface(EngineIid::Player, engineSide.put_void()), S_OK);
    EXPECT_EQ(player.get(), engineSide.get());
    PLAYER_OUTPUTCONFIG config{};
    EXPECT_EQ(player->GetOutputConfig(&config), S_OK);
    EXPECT_EQ(config.size, sizeof(PLAYER_OUTPUTCONFIG));
    EXPECT_GE(config.bufferBytes, 14080u);
    EXPECT_LE(config.bufferBytes, 176384u);
    ComPtr<IBrennock> back;
    EXPECT_EQ(player->QueryInterface(IID_IBrennock, back.put_void()), S_OK) << "the player is the engine's member";
    EXPECT_EQ(back.get(), engine.get());
    back.reset();
    player.reset();
    engineSide.reset();
    EXPECT_EQ(engine->Shutdown(), S_OK);
}

TEST_F(EngineDllTest, AttachedObjectServesWhatTheEngineDoesNotAndIsAttachedAndDetached)
{
    FakeAttachedObject attached;
    // An interface that the engine itself never calls: the counting stand-in has no table beyond
    // IUnknown, the catalog asks IHostMedia for its extensions at start and the mix manager calls
    // the video montage on every rebuild.
    attached.servedIid = kUnknownIid;
    ComPtr<IBrennock> engine = CreateEngine();
    ASSERT_TRUE(engine);
    ASSERT_EQ(engine->Initialize(nullptr, &attached, 1, 2), S_OK);
    EXPECT_EQ(attached.attachCalls, 1);
    EXPECT_EQ(attached.count, 2) << "the engine keeps one reference";
    ComPtr<IBrennock> attachedEngine;
    ASSERT_NE(attached.attachedEngine, nullptr);
    ASSERT_EQ(attached.attachedEngine->QueryInterface(IID_IBrennock, attachedEngine.put_void()), S_OK);
    EXPECT_EQ(attachedEngine.get(), engine.get()) << "Attach is given the engine itself";
    EXPECT_EQ(attached.attachedEngine, static_cast<IUnknown*>(engine.get()));
    attachedEngine.reset();

    void* object = kPoison;
    EXPECT_EQ(engine->QueryInterface(kUnknownIid, &object), S_OK);
    EXPECT_EQ(object, &attached.service);
    EXPECT_EQ(attached.service.count, 2);
    static_cast<IUnknown*>(object)->Release();

    // What the engine serves itself never reaches the attached object.
    const size_t queriesBefore = attached.serviceQueries.size();
    ComPtr<IUiUpdateQueue> group;
    EXPECT_EQ(engine->QueryInterface(IID_IUiUpdateQueue, group.put_void()), S_OK);
    ComPtr<IEfxPresetMgr> presets;
    EXPECT_EQ(engine->QueryInterface(IID_IEfxPresetMgr, presets.put_void()), S_OK);
    EXPECT_EQ(attached.serviceQueries.size(), queriesBefore);
    group.reset();
    presets.reset();

    EXPECT_EQ(engine->Shutdown(), S_OK);
    EXPECT_EQ(attached.detachCalls, 1);
    EXPECT_EQ(attached.count, 2) << "the attached object is kept until the last Release";
    engine.reset();
    EXPECT_EQ(attached.count, 1) << "the last Release lets the attached object go";
    EXPECT_EQ(m_canUnloadNow(), S_OK);
}

TEST_F(EngineDllTest, AnObjectWithoutTheAttachedInterfaceIsNotKept)
{
    CountingUnknown notAttachable;
    ComPtr<IBrennock> engine = CreateEngine();
    ASSERT_TRUE(engine);
    ASSERT_EQ(engine->Initialize(nullptr, &notAttachable, 1, 2), S_OK);
    EXPECT_EQ(notAttachable.count, 1);
    void* object = kPoison;
    EXPECT_EQ(engine->QueryInterface(kUnknownIid, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(engine->Shutdown(), S_OK);
}

TEST_F(EngineDllTest, TheQueueGroupCannotBePopped)
{
    ComPtr<IBrennock> engine = CreateEngine();
    ASSERT_TRUE(engine);
    ASSERT_EQ(engine->Initialize(nullptr, nullptr, 1, 2), S_OK);
    ComPtr<IUiUpdateQueue> group;
    ASSERT_EQ(engine->QueryInterface(IID_IUiUpdateQueue, group.put_void()), S_OK);
    int code = 0;
    int value = 0;
    EXPECT_EQ(group->PopUpdate(&code, &value), E_FAIL);
    EXPECT_EQ(group->PostUpdate(8, 0, FALSE), S_OK);
    EXPECT_EQ(engine->PostUiUpdate(1, 5), S_OK);
    group.reset();
    EXPECT_EQ(engine->Shutdown(), S_OK);
}

TEST_F(EngineDllTest, StringNineteenNamesTheEngine)
{
    wchar_t text[64] = {};
    ASSERT_GT(LoadStringW(m_library, 19, text, 64), 0);
    EXPECT_STREQ(text, L"Carrowfold Engine Express 5");
}

TEST_F(EngineDllTest, NamedMutexExistsWhileTheLibraryIsLoaded)
{
    UniqueKernelHandle whileLoaded(OpenMutexW(SYNCHRONIZE, FALSE, kMutexName));
    EXPECT_TRUE(whileLoaded);
    whileLoaded.reset();
    FreeLibrary(m_library);
    m_library = nullptr;
    UniqueKernelHandle afterUnload(OpenMutexW(SYNCHRONIZE, FALSE, kMutexName));
    EXPECT_FALSE(afterUnload);
}

// A second process that loads the engine (here regsvr32, unregistering: harmless when nothing is
// registered) waits at load until this process unloads the library, and not longer.
TEST_F(EngineDllTest, ASecondProcessWaitsUntilTheLibraryIsUnloaded)
{
    const std::wstring commandLine = L"regsvr32.exe /u /s \"" + BinFolder() + L"BrennockDemo.DLL\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    std::wstring mutableLine = commandLine;
    ASSERT_TRUE(
        CreateProcessW(nullptr, mutableLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process));
    UniqueKernelHandle processHandle(process.hProcess);
    UniqueKernelHandle threadHandle(process.hThread);
    EXPECT_EQ(WaitForSingleObject(process.hProcess, 2000), static_cast<DWORD>(WAIT_TIMEOUT))
        << "the second process did not wait for the first";
    FreeLibrary(m_library);
    m_library = nullptr;
    ASSERT_EQ(WaitForSingleObject(process.hProcess, 30000), static_cast<DWORD>(WAIT_OBJECT_0))
        << "the second process still waits after the library was unloaded";
    DWORD exitCode = 1;
    GetExitCodeProcess(process.hProcess, &exitCode);
    EXPECT_EQ(exitCode, 0u);
}

}  // namespace
