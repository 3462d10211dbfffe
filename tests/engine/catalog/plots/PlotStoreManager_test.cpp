#include <gtest/gtest.h>

#include <map>
#include <mutex>

#include "tests/engine/catalog/FakeEngine.h"
#include "tests/engine/catalog/ProfilerTestSupport.h"
#include "engine/catalog/plots/PlotFileManager.h"
#include "engine/catalog/plots/PlotItemCatalog.h"
#include "engine/catalog/plots/PlotStoreManager.h"
#include "tests/support/TempDir.h"

using namespace profiler_test;

namespace {

// The catalog as the plot cache sees it: items by id, and the analysis requests it received.
class FakeCatalog : public IPlotItemCatalog {
public:
    void AddItem(DWORD itemId, const CMusicFileId& id)
    {
        std::lock_guard<std::mutex> hold(m_mutex);
        m_items[itemId] = id;
    }
    BOOL GetPlotItemInfo(DWORD itemId, CMusicFileId* id, DWORD* rate, LONGLONG* length) override
    {
        std::lock_guard<std::mutex> hold(m_mutex);
        if (id)
            m_loaderPriority = GetThreadPriority(GetCurrentThread());
        const auto found = m_items.find(itemId);
        if (found == m_items.end())
            return FALSE;
        if (id)
            *id = found->second;
        if (rate)
            *rate = 25600;
        if (length)
            *length = 100000;
        return TRUE;
    }
    void RequeueProfile(DWORD itemId) override
    {
        std::lock_guard<std::mutex> hold(m_mutex);
        m_requeued.push_back(itemId);
    }
    int LoaderPriority()
    {
        std::lock_guard<std::mutex> hold(m_mutex);
        return m_loaderPriority;
    }
    std::vector<DWORD> Requeued()
    {
        std::lock_guard<std::mutex> hold(m_mutex);
        return m_requeued;
    }

private:
    std::mutex m_mutex;
    std::map<DWORD, CMusicFileId> m_items;
    std::vector<DWORD> m_requeued;
    int m_loaderPriority = THREAD_PRIORITY_ERROR_RETURN;
};

class PlotStoreManagerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_app.App().WriteProfileString(L"Settings", L"Profile Cache Directory", (m_dir.Path() + L"\\").c_str());
        ASSERT_TRUE(m_files.Initialise());
        m_manager = new CPlotStoreManager(static_cast<IUiUpdateQueue*>(&m_engine), &m_files, &m_catalog);
    }
    void TearDown() override { m_manager->NonDelegatingRelease(); }

    // The path of the registered plot file (empty on failure).
    CString WritePlot(const CMusicFileId& id, const Bytes& levels)
    {
        std::unique_ptr<CPlotFile> plot = m_files.CreatePlotFile(id);
        EXPECT_TRUE(plot);
        if (!plot)
            return CString();
        EXPECT_TRUE(plot->Write(levels.data(), static_cast<DWORD>(levels.size()), nullptr, 0));
        const CString path = plot->GetPath();
        m_files.Register(std::move(plot), TRUE);
        return path;
    }

    void AddItem(DWORD itemId, bool withPlot)
    {
        m_catalog.AddItem(itemId, MakeId(itemId));
        if (withPlot)
            WritePlot(MakeId(itemId), Bytes(10, static_cast<BYTE>(itemId)));
    }

    TestApp m_app;
    fixtures::TempDir m_dir{L"plotstores"};
    CPlotFileManager m_files;
    FakeCatalog m_catalog;
    FakeEngine m_engine;
    CPlotStoreManager* m_manager = nullptr;
};

}  // namespace

TEST_F(PlotStoreManagerTest, LoaderFillsTheStoreAndAnnouncesIt)
{
    AddItem(7, true);
    CPlotStore* store = m_manager->Get(7);
    ASSERT_NE(store, nullptr);
    ASSERT_TRUE(WaitFor([&] { return store->IsLoaded(); }));
    BYTE peak = 0;
    EXPECT_EQ(store->GetPeak(0, 30000, FALSE, &peak, nullptr), S_OK);
    EXPECT_EQ(peak, 7);
    ASSERT_TRUE(WaitFor([&] { return !m_engine.EnginePosts().empty(); }));
    EXPECT_EQ(m_engine.QueuePosts(), (std::vector<FakeEngine::Message>{{16, 7}}));
    EXPECT_EQ(m_engine.EnginePosts(), (std::vector<FakeEngine::Message>{{2, 7}}));
    EXPECT_FALSE(m_engine.AnyCoalesced());
    EXPECT_TRUE(m_catalog.Requeued().empty());
    EXPECT_EQ(m_catalog.LoaderPriority(), THREAD_PRIORITY_LOWEST);

    // A second Get hands out the same store; each use is released on its own.
    CPlotStore* again = m_manager->Get(7);
    EXPECT_EQ(again, store);
    EXPECT_TRUE(m_manager->Release(7));
    EXPECT_TRUE(m_manager->Touch(7));
    EXPECT_TRUE(m_manager->Release(7));
    EXPECT_FALSE(m_manager->Touch(7));
    EXPECT_FALSE(m_manager->Release(7));
    again->Release();
    EXPECT_EQ(store->Release(), 0u);
}

TEST_F(PlotStoreManagerTest, MissingOrForeignPlotAsksForAnalysisOnce)
{
    AddItem(3, false);
    // A plot file that carries another identity is not used.
    m_catalog.AddItem(4, MakeId(4));
    {
        const CString path = WritePlot(MakeId(4), Bytes(5, 1));
        CPlotFile foreign(path, MakeId(99));
        const Bytes levels(5, 1);
        ASSERT_TRUE(foreign.Write(levels.data(), 5, nullptr, 0));
    }
    CPlotStore* missing = m_manager->Get(3);
    CPlotStore* foreign = m_manager->Get(4);
    ASSERT_TRUE(WaitFor([&] { return m_catalog.Requeued().size() == 2; }));
    ASSERT_TRUE(WaitFor([&] { return missing->LoadFailed() && foreign->LoadFailed(); }));
    EXPECT_FALSE(missing->IsLoaded());
    EXPECT_FALSE(foreign->IsLoaded());
    // Touching a failed store does not ask again.
    EXPECT_TRUE(m_manager->Touch(3));
    Sleep(100);
    EXPECT_EQ(m_catalog.Requeued(), (std::vector<DWORD>{3, 4}));

    // After the new analysis the plot loads.
    WritePlot(MakeId(3), Bytes(10, 33));
    EXPECT_TRUE(m_manager->Reload(3));
    ASSERT_TRUE(WaitFor([&] { return missing->IsLoaded(); }));
    EXPECT_TRUE(m_engine.QueuePosts() == (std::vector<FakeEngine::Message>{{16, 3}}));
    missing->Release();
    foreign->Release();
}

TEST_F(PlotStoreManagerTest, AtMost256StoresStayLoadedLeastRecentlyUsedGoFirst)
{
    const DWORD count = 258;
    std::vector<CPlotStore*> stores;
    for (DWORD id = 1; id <= count; ++id) {
        AddItem(id, true);
        stores.push_back(m_manager->Get(id));
        ASSERT_NE(stores.back(), nullptr);
    }
    ASSERT_TRUE(WaitFor([&] { return m_manager->GetLoadedCount() == static_cast<int>(count); }));
    // Item 1 becomes the most recently used; then an unloaded store is touched.
    EXPECT_TRUE(m_manager->Touch(1));
    AddItem(count + 1, false);
    stores.push_back(m_manager->Get(count + 1));
    ASSERT_TRUE(WaitFor([&] { return stores.back()->LoadFailed(); }));
    EXPECT_TRUE(m_manager->Touch(count + 1));
    EXPECT_EQ(m_manager->GetLoadedCount(), 256);
    EXPECT_TRUE(stores[0]->IsLoaded());
    EXPECT_FALSE(stores[1]->IsLoaded());
    EXPECT_FALSE(stores[2]->IsLoaded());
    EXPECT_TRUE(stores[3]->IsLoaded());
    // Touching an unloaded store loads it again.
    EXPECT_TRUE(m_manager->Touch(2));
    ASSERT_TRUE(WaitFor([&] { return stores[1]->IsLoaded(); }));
    for (CPlotStore* store : stores)
        store->Release();
}

TEST_F(PlotStoreManagerTest, LoaderCountsAsModuleActivityAndStopEndsIt)
{
    const LONG before = ModuleCounts::Activity();
    for (DWORD id = 1; id <= 40; ++id)
        AddItem(id, true);
    std::vector<CPlotStore*> stores;
    for (DWORD id = 1; id <= 40; ++id)
        stores.push_back(m_manager->Get(id));
    m_manager->Stop();
    EXPECT_EQ(ModuleCounts::Activity(), before);
    // Once stopped, nothing is loaded any more.
    const int loaded = m_manager->GetLoadedCount();
    m_manager->Touch(40);
    Sleep(50);
    EXPECT_EQ(m_manager->GetLoadedCount(), loaded);
    for (CPlotStore* store : stores)
        store->Release();
}
