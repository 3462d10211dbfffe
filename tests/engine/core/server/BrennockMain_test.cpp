// The engine main object inside this process (from the engine's static library), where a test
// can join a queue of its own to the UI-update group and stand in for worker threads.
#include "engine/core/server/BrennockMain.h"
#include "engine/catalog/display/CatDisplayItemMgr.h"
#include "classlib/com/ComPtr.h"
#include "classlib/com/UniqueHandle.h"
#include "classlib/core/WinApp.h"
#include "engine/core/mix/MixManager.h"
#include "engine/core/server/EngineFolders.h"
#include "engine/core/server/Factory.h"
#include "engine/core/server/ThreadStart.h"
#include "engine/core/server/UiUpdateQueue.h"
#include "engine/core/server/UiUpdateQueueGroup.h"
#include "interfaces/EngineIids.h"
#include "interfaces/ICatalog.h"
#include "interfaces/ICatPreviewer.h"
#include "tests/engine/core/server/FrameTestSupport.h"
#include "tests/engine/core/track/TrackModelBytes.h"
#include "tests/support/TextFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Msg {
    int code;
    int value;
    bool operator==(const Msg&) const = default;
};

// The catalog reports once, from the first service pass, that its analysis queue is empty; that
// report is not part of what these tests relay.
constexpr int kCatalogIdleCode = 19;

std::string Describe(const std::vector<Msg>& messages)
{
    std::string text;
    for (const Msg& message : messages)
        text += "{" + std::to_string(message.code) + "," + std::to_string(message.value) + "} ";
    return text;
}

// A running engine with a probe queue in its UI-update group, standing where a display-item
// manager's queue will be.
class RunningEngine : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(CFactory::GetClassObject(CLSID_BrennockMain, IID_IClassFactory, m_factory.put_void()), S_OK);
        ASSERT_EQ(m_factory->CreateInstance(nullptr, IID_IBrennock, m_engine.put_void()), S_OK);
        ASSERT_EQ(m_engine->Initialize(nullptr, nullptr, 1, 2), S_OK);
        ComPtr<IUiUpdateQueue> group;
        ASSERT_EQ(m_engine->QueryInterface(IID_IUiUpdateQueue, group.put_void()), S_OK);
        m_probe = new CUiUpdateQueue(nullptr);
        ASSERT_TRUE(static_cast<CUiUpdateQueueGroup*>(group.get())->AddQueue(m_probe));
    }
    void TearDown() override
    {
        if (m_engine) {
            m_engine->Shutdown();
            m_engine.reset();
        }
        if (m_probe) {
            EXPECT_EQ(m_probe->NonDelegatingRelease(), 0u) << "the group kept its member";
        }
    }

    // Everything that reached the probe within `ms`.
    std::vector<Msg> Collect(DWORD ms)
    {
        std::vector<Msg> collected;
        for (DWORD waited = 0; waited < ms; waited += 10) {
            int code = 0;
            int value = 0;
            while (m_probe->PopUpdate(&code, &value) == S_OK) {
                if (code != kCatalogIdleCode)
                    collected.push_back({code, value});
            }
            Sleep(10);
        }
        return collected;
    }

    ComPtr<IClassFactory> m_factory;
    ComPtr<IBrennock> m_engine;
    CUiUpdateQueue* m_probe = nullptr;
};

TEST_F(RunningEngine, PostUiUpdateRelaysCodeOneAsFourThenTwentyOneAndDropsTheRest)
{
    const struct {
        const char* name;
        std::vector<Msg> posts;
        std::vector<Msg> expected;
    } rows[] = {
        {"code 1", {{1, 17}}, {{4, 17}, {21, 17}}},
        {"code 5 is dropped", {{5, 0}}, {}},
        {"other codes around code 1", {{8, 0}, {1, 3}, {22, 3}, {1000, 3}}, {{4, 3}, {21, 3}}},
        {"two items", {{1, 3}, {1, 4}}, {{4, 3}, {21, 3}, {4, 4}, {21, 4}}},
        {"the same item twice before a pass", {{1, 9}, {1, 9}}, {{4, 9}, {21, 9}}},
    };
    for (const auto& row : rows) {
        for (const Msg& post : row.posts)
            EXPECT_EQ(m_engine->PostUiUpdate(post.code, post.value), S_OK) << row.name;
        const std::vector<Msg> got = Collect(400);
        EXPECT_EQ(got, row.expected) << row.name << ": got " << Describe(got);
    }
}

// A member of the UI-update group that notes the COM apartment of the thread posting to it.
class ApartmentProbe : public CUiUpdateQueue {
public:
    ApartmentProbe() : CUiUpdateQueue(nullptr) {}
    HRESULT STDMETHODCALLTYPE PostUpdate(int code, int value, BOOL coalesceByCode) override
    {
        APTTYPE type = APTTYPE_CURRENT;
        APTTYPEQUALIFIER qualifier = APTTYPEQUALIFIER_NONE;
        const HRESULT hr = CoGetApartmentType(&type, &qualifier);
        if (!noted.exchange(true)) {
            result = hr;
            apartment = type;
            apartmentQualifier = qualifier;
        }
        return CUiUpdateQueue::PostUpdate(code, value, coalesceByCode);
    }
    std::atomic<bool> noted{false};
    HRESULT result = E_FAIL;
    APTTYPE apartment = APTTYPE_CURRENT;
    APTTYPEQUALIFIER apartmentQualifier = APTTYPEQUALIFIER_NONE;
};

// The service thread binds streams to DirectSound devices again and makes effect-clip hosts: it
// holds the multithreaded apartment itself, not one that another thread of the process happens
// to keep alive (which ends when that thread leaves it).
TEST_F(RunningEngine, TheServiceThreadHoldsTheMultithreadedApartmentItself)
{
    ComPtr<IUiUpdateQueue> group;
    ASSERT_EQ(m_engine->QueryInterface(IID_IUiUpdateQueue, group.put_void()), S_OK);
    auto* probe = new ApartmentProbe;
    ASSERT_TRUE(static_cast<CUiUpdateQueueGroup*>(group.get())->AddQueue(probe));
    // The service thread relays code 1 to the group.
    EXPECT_EQ(m_engine->PostUiUpdate(1, 5), S_OK);
    for (DWORD waited = 0; waited < 2000 && !probe->noted.load(); waited += 10)
        Sleep(10);
    ASSERT_TRUE(probe->noted.load()) << "nothing was relayed";
    EXPECT_EQ(probe->result, S_OK) << "the service thread has no COM";
    EXPECT_EQ(probe->apartment, APTTYPE_MTA);
    EXPECT_EQ(probe->apartmentQualifier, APTTYPEQUALIFIER_NONE) << "the service thread borrows another's apartment";
    // The group holds the probe until the engine goes.
    probe->NonDelegatingRelease();
}

TEST_F(RunningEngine, RelayArrivesWithinAFewServicePasses)
{
    EXPECT_EQ(m_engine->PostUiUpdate(1, 42), S_OK);
    std::vector<Msg> got;
    const DWORD start = GetTickCount();
    int code = 0;
    int value = 0;
    while (got.size() < 2 && GetTickCount() - start < 2000) {
        while (m_probe->PopUpdate(&code, &value) == S_OK) {
            if (code != kCatalogIdleCode)
                got.push_back({code, value});
        }
        Sleep(5);
    }
    EXPECT_EQ(got, (std::vector<Msg>{{4, 42}, {21, 42}}));
}

TEST_F(RunningEngine, ShutdownWaitsForWorkerThreadsToEnd)
{
    // A worker counts itself for 300 ms, as the engine's threads do.
    volatile LONG workerDone = 0;
    ModuleCounts::AddActivity();
    std::thread worker([&] {
        Sleep(300);
        InterlockedExchange(&workerDone, 1);
        ModuleCounts::RemoveActivity();
    });
    EXPECT_EQ(m_engine->Shutdown(), S_OK);
    EXPECT_EQ(workerDone, 1) << "Shutdown returned while a worker still ran";
    worker.join();
}

TEST_F(RunningEngine, ShutdownGivesUpOnAWorkerThatNeverEnds)
{
    // A count that is never given back stands for a worker that cannot end: Shutdown must come
    // back after a bounded wait instead of hanging the main program's exit.
    ModuleCounts::AddActivity();
    const DWORD start = GetTickCount();
    EXPECT_EQ(m_engine->Shutdown(), S_OK);
    const DWORD took = GetTickCount() - start;
    ModuleCounts::RemoveActivity();
    EXPECT_GE(took, 1000u) << "Shutdown did not wait for the worker at all";
    EXPECT_LT(took, 20000u);
}

// The previewer is made at the first request for it, with the engine as its outer (its posts reach
// the group; its QueryInterface answers the engine's interfaces), kept for later requests, and
// cleared when the engine shuts down.
TEST_F(RunningEngine, ThePreviewerIsMadeAtItsFirstRequestAndClearedAtShutdown)
{
    ComPtr<ICatPreviewer> first;
    ComPtr<ICatPreviewer> second;
    ASSERT_EQ(m_engine->QueryInterface(IID_ICatPreviewer, first.put_void()), S_OK);
    ASSERT_EQ(m_engine->QueryInterface(IID_ICatPreviewer, second.put_void()), S_OK);
    EXPECT_EQ(first.get(), second.get());
    ComPtr<IBrennock> engine;
    ASSERT_EQ(first->QueryInterface(IID_IBrennock, engine.put_void()), S_OK);
    EXPECT_EQ(engine.get(), m_engine.get());

    EXPECT_EQ(first->SetItem(0xFFFFFF00), E_FAIL) << "an id the catalog does not have";
    EXPECT_EQ(Collect(300), (std::vector<Msg>{{7, -1}}));
    EXPECT_EQ(m_engine->Shutdown(), S_OK);
    EXPECT_EQ(Collect(100), (std::vector<Msg>{{7, -1}})) << "Shutdown clears the previewer";
}

TEST(BrennockMain, ReleasingWithoutInitializeLeavesNothingAlive)
{
    const LONG activityBefore = ModuleCounts::Activity();
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(CFactory::GetClassObject(CLSID_BrennockMain, IID_IClassFactory, factory.put_void()), S_OK);
    ComPtr<IBrennock> engine;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, engine.put_void()), S_OK);
    EXPECT_EQ(ModuleCounts::Activity(), activityBefore + 1);
    void* object = reinterpret_cast<void*>(0xDEADBEEF);
    EXPECT_EQ(engine->QueryInterface(IID_IUiUpdateQueue, &object), E_NOINTERFACE) << "no group before Initialize";
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(engine->Shutdown(), S_OK);
    engine.reset();
    EXPECT_EQ(ModuleCounts::Activity(), activityBefore);
}

ComPtr<IBrennock> NewEngine()
{
    ComPtr<IClassFactory> factory;
    ComPtr<IBrennock> engine;
    EXPECT_EQ(CFactory::GetClassObject(CLSID_BrennockMain, IID_IClassFactory, factory.put_void()), S_OK);
    if (factory) {
        EXPECT_EQ(factory->CreateInstance(nullptr, IID_IBrennock, engine.put_void()), S_OK);
    }
    return engine;
}

// The default preset is the master chain the engine starts with and the one a new mix starts
// with. The profile is one of the test's own; the preset lies in the engine's data folder.
TEST(BrennockMain, TheDefaultPresetIsTheChainAtTheStartAndOfANewMix)
{
    const std::wstring key = L"Carrowfold Engine Preset Test " + std::to_wstring(GetCurrentProcessId());
    auto app = std::make_unique<CWinApp>(L"EnginePresetTests");
    app->SetRegistryKey(key.c_str());
    const std::wstring name = L"Engine Test Default " + std::to_wstring(GetCurrentProcessId());
    ASSERT_TRUE(app->WriteProfileString(L"Settings", L"Default Effects Preset", name.c_str()));
    ASSERT_TRUE(CreateEngineDataFolder());
    const std::wstring folder = std::wstring(GetEngineDataFolder().GetString()) + L"EfxPrset";
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring preset = folder + L"\\" + name + L".cfx";
    // Two effects of a plug-in that is not installed: the chain keeps them, the hosts refuse them.
    Bytes effect;
    Put32(effect, 28);
    for (int i = 0; i < 16; ++i)
        effect.push_back(static_cast<BYTE>(0xA0 + i));
    Put32(effect, 0);
    Put32(effect, 1);
    PutWide(effect, L"", true);
    const Bytes form = Form("CFME", {Chunk("EFXI", effect), Chunk("EFXI", effect)});
    fixtures::WriteFileText(preset, std::string(form.begin(), form.end()));

    ComPtr<IBrennock> engine = NewEngine();
    ASSERT_TRUE(engine);
    ASSERT_EQ(engine->Initialize(nullptr, nullptr, 1, 2), S_OK);
    ComPtr<IMixManagerInternal> mix;
    ASSERT_EQ(engine->QueryInterface(IID_IMixManagerInternal, mix.put_void()), S_OK);
    auto* manager = static_cast<CMixManager*>(mix.get());
    EXPECT_EQ(manager->Globals().Effects().GetCount(), 2) << "the chain at the start";
    manager->SetMixGlobals(CMixGlobals(), FALSE);
    ASSERT_EQ(manager->Globals().Effects().GetCount(), 0);
    EXPECT_EQ(engine->NewMix(), S_OK);
    EXPECT_EQ(manager->Globals().Effects().GetCount(), 2) << "the chain of a new mix";

    mix.reset();
    EXPECT_EQ(engine->Shutdown(), S_OK);
    engine.reset();
    DeleteFileW(preset.c_str());
    app.reset();
    RegDeleteTreeW(HKEY_CURRENT_USER, (L"Software\\" + key).c_str());
}

TEST(BrennockMain, ForwardedQueryThatTheAttachedObjectRefusesAnswersNull)
{
    FakeAttachedObject attached;
    attached.leavesOutPointerOnRefusal = true;
    ComPtr<IBrennock> engine = NewEngine();
    ASSERT_TRUE(engine);
    ASSERT_EQ(engine->Initialize(nullptr, &attached, 1, 2), S_OK);
    const IID unknownIid = {0x6b1e2d4a, 0x1c2b, 0x4f3e, {0x9a, 0x8b, 0x7c, 0x6d, 0x5e, 0x4f, 0x3a, 0x2b}};
    void* object = reinterpret_cast<void*>(0xDEADBEEF);
    EXPECT_EQ(engine->QueryInterface(unknownIid, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(std::count_if(attached.serviceQueries.begin(), attached.serviceQueries.end(),
                            [&](const IID& iid) { return IsEqualIID(iid, unknownIid); }),
              1)
        << "the query was forwarded";
    EXPECT_EQ(engine->Shutdown(), S_OK);
}

HANDLE FailingThreadCreate(LPTHREAD_START_ROUTINE, void*)
{
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
}

// A service thread that cannot start leaves the engine uninitialised and its attached object
// detached, so that a second Initialize runs the whole start again instead of answering
// "already initialized" on an engine with no service thread.
TEST(BrennockMain, FailedServiceThreadStartLeavesTheEngineUninitialised)
{
    FakeAttachedObject attached;
    ComPtr<IBrennock> engine = NewEngine();
    ASSERT_TRUE(engine);
    HRESULT failed = S_OK;
    {
        // The platform's thread start comes back when this scope ends, whatever happens in it.
        struct Restore {
            ThreadCreateFunction platform;
            ~Restore() { SetThreadCreateFunction(platform); }
        } restore{SetThreadCreateFunction(FailingThreadCreate)};
        failed = engine->Initialize(nullptr, &attached, 1, 2);
    }
    EXPECT_TRUE(FAILED(failed)) << std::hex << failed;
    EXPECT_EQ(attached.attachCalls, attached.detachCalls) << "left attached to an engine that did not start";

    ASSERT_EQ(engine->Initialize(nullptr, &attached, 1, 2), S_OK) << "the second start was refused";
    EXPECT_EQ(attached.attachCalls, attached.detachCalls + 1);
    ComPtr<IUiUpdateQueue> group;
    ASSERT_EQ(engine->QueryInterface(IID_IUiUpdateQueue, group.put_void()), S_OK);
    auto* probe = new CUiUpdateQueue(nullptr);
    ASSERT_TRUE(static_cast<CUiUpdateQueueGroup*>(group.get())->AddQueue(probe));
    // The service thread runs: it relays the engine queue to the group.
    EXPECT_EQ(engine->PostUiUpdate(1, 5), S_OK);
    int code = 0;
    int value = 0;
    const DWORD start = GetTickCount();
    while ((probe->PopUpdate(&code, &value) != S_OK || code == kCatalogIdleCode) && GetTickCount() - start < 2000)
        Sleep(5);
    EXPECT_EQ(code, 4);
    EXPECT_EQ(value, 5);
    EXPECT_EQ(engine->Shutdown(), S_OK);
    group.reset();
    engine.reset();
    EXPECT_EQ(probe->NonDelegatingRelease(), 0u);
    EXPECT_EQ(attached.count, 1) << "the engine let every reference to the attached object go";
}

// A catalog file that cannot be opened (another program holds it) fails the start instead of
// running an empty catalog that keeps nothing; once the file is free a second start runs.
TEST(BrennockMain, ACatalogThatCannotBeOpenedFailsTheStart)
{
    ASSERT_TRUE(CreateEngineDataFolder());
    const std::wstring path = std::wstring(GetEngineDataFolder().GetString()) + L"catalog.dat";
    ComPtr<IBrennock> engine = NewEngine();
    ASSERT_TRUE(engine);
    {
        UniqueFile held(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, 0, nullptr));
        ASSERT_TRUE(held);
        EXPECT_TRUE(FAILED(engine->Initialize(nullptr, nullptr, 1, 2)));
    }
    ASSERT_EQ(engine->Initialize(nullptr, nullptr, 1, 2), S_OK);
    ComPtr<ICatalog> catalog;
    EXPECT_EQ(engine->QueryInterface(EngineIid::Catalog, catalog.put_void()), S_OK);
    catalog.reset();
    EXPECT_EQ(engine->Shutdown(), S_OK);
}

}  // namespace

namespace {

TEST(ModuleCounts, LibraryMayUnloadOnlyWithoutWorkersAndServerLocks)
{
    ASSERT_EQ(CFactory::CanUnloadNow(), S_OK);
    const struct {
        const char* name;
        void (*take)();
        void (*give)();
    } rows[] = {
        {"a running worker thread", [] { ModuleCounts::AddActivity(); }, [] { ModuleCounts::RemoveActivity(); }},
        {"a server lock", [] { ModuleCounts::LockServer(true); }, [] { ModuleCounts::LockServer(false); }},
    };
    for (const auto& row : rows) {
        row.take();
        EXPECT_EQ(CFactory::CanUnloadNow(), S_FALSE) << row.name;
        row.give();
        EXPECT_EQ(CFactory::CanUnloadNow(), S_OK) << row.name;
    }
}

}  // namespace

// The main display-item manager answers its own queue, which is a member of the group; a further
// manager made by CreateCatDisplayItemMgr joins the group and the chain and is built at once.
TEST_F(RunningEngine, DisplayItemManagersEachHaveAQueueInTheGroup)
{
    ComPtr<ICatDisplayItemMgr> main;
    ASSERT_EQ(m_engine->QueryInterface(IID_ICatDisplayItemMgr, main.put_void()), S_OK);
    ComPtr<IUiUpdateQueue> mainQueue;
    ASSERT_EQ(main->QueryInterface(IID_IUiUpdateQueue, mainQueue.put_void()), S_OK);
    ComPtr<ICatDisplayItemMgr> further;
    ASSERT_EQ(m_engine->CreateCatDisplayItemMgr(further.put()), S_OK);
    ComPtr<IUiUpdateQueue> furtherQueue;
    ASSERT_EQ(further->QueryInterface(IID_IUiUpdateQueue, furtherQueue.put_void()), S_OK);
    EXPECT_NE(mainQueue.get(), furtherQueue.get());
    for (IUiUpdateQueue* queue : {mainQueue.get(), furtherQueue.get()}) {
        int code = 0;
        int value = 0;
        while (queue->PopUpdate(&code, &value) == S_OK) {
        }
    }
    ComPtr<IUiUpdateQueue> group;
    ASSERT_EQ(m_engine->QueryInterface(IID_IUiUpdateQueue, group.put_void()), S_OK);
    EXPECT_NE(group.get(), mainQueue.get());
    ASSERT_EQ(group->PostUpdate(77, 5, FALSE), S_OK);
    const auto drain = [](IUiUpdateQueue* queue) {
        std::vector<Msg> messages;
        int code = 0;
        int value = 0;
        while (queue->PopUpdate(&code, &value) == S_OK)
            if (code != kCatalogIdleCode)
                messages.push_back({code, value});
        return messages;
    };
    for (IUiUpdateQueue* queue : {mainQueue.get(), furtherQueue.get()})
        EXPECT_EQ(drain(queue), (std::vector<Msg>{{77, 5}}));
    // One refresh of the main manager reaches the chained one.
    ASSERT_EQ(static_cast<CCatDisplayItemMgr*>(main.get())->Refresh(), S_OK);
    EXPECT_EQ(drain(furtherQueue.get()), (std::vector<Msg>{{CCatDisplayItemMgr::kListRebuiltCode, 0}}));
    int count = -1;
    EXPECT_EQ(further->GetCount(&count), S_OK);
}
