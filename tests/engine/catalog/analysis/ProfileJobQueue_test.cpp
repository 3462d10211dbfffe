#include <gtest/gtest.h>

#include "tests/engine/catalog/FakeEngine.h"
#include "tests/engine/catalog/analysis/FakeSource.h"
#include "tests/engine/catalog/ProfilerTestSupport.h"
#include "engine/catalog/plots/PlotFileManager.h"
#include "engine/catalog/analysis/ProfileJobQueue.h"
#include "engine/catalog/analysis/ProfileResults.h"
#include "classlib/com/UniqueHandle.h"
#include "engine/core/server/Unknown.h"
#include "tests/support/Signals.h"
#include "tests/support/TempDir.h"

using namespace profiler_test;

namespace {

class ProfileJobQueueTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_app.App().WriteProfileString(L"Settings", L"Profile Cache Directory", (m_dir.Path() + L"\\").c_str());
        ASSERT_TRUE(m_plots.Initialise());
    }

    // Waits for the running job to finish and collects it.
    bool CollectWhenDone(CProfileJobQueue& queue, CProfileResults* results, DWORD* itemId)
    {
        bool collected = false;
        const bool done = WaitFor([&] {
            collected = queue.Collect(results, itemId);
            return collected || !queue.IsRunning();
        });
        EXPECT_TRUE(done);
        return collected;
    }

    static std::vector<int16_t> Music(double seconds) { return fixtures::ClickTrack(124.0, seconds, 44100, 2); }

    TestApp m_app;
    fixtures::TempDir m_dir{L"profilequeue"};
    CPlotFileManager m_plots;
    FakeEngine m_engine;
};

}  // namespace

TEST_F(ProfileJobQueueTest, TopPriorityItemPreemptsARunningLowPriorityJobThatStaysQueued)
{
    UniqueKernelHandle gate(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    FakeSource low(1, MakeId(1), Music(12.0));
    low.SetGate(gate.get());
    InterlockedExchange(&MemoryReader::s_lastReadPriority, THREAD_PRIORITY_ERROR_RETURN);
    FakeSource playing(2, MakeId(2), Music(12.0));
    {
        CProfileJobQueue queue(&m_plots);
        queue.QueueLow(&low);
        EXPECT_EQ(queue.StartNext(), 0);
        EXPECT_TRUE(queue.IsRunning());
        EXPECT_TRUE(WaitFor([] { return MemoryReader::s_lastReadPriority == THREAD_PRIORITY_IDLE; }))
            << "analysis reads on an idle-priority thread";

        queue.QueueTop(&playing);
        SetEvent(gate.get());
        CProfileResults results;
        DWORD itemId = 0;
        EXPECT_FALSE(CollectWhenDone(queue, &results, &itemId)) << "a cancelled job is not a success";
        EXPECT_FALSE(queue.IsFailed(1));
        EXPECT_EQ(queue.CountQueued(1), 1);
        EXPECT_EQ(m_plots.GetEntryCount(), 0) << "a cancelled job writes no plot";

        EXPECT_EQ(queue.StartNext(), 0);
        ASSERT_TRUE(CollectWhenDone(queue, &results, &itemId));
        EXPECT_EQ(itemId, 2u);
        EXPECT_TRUE(results.GetMusicFileId() == MakeId(2));
        EXPECT_EQ(queue.CountQueued(2), 0);

        EXPECT_EQ(queue.StartNext(), 0);
        ASSERT_TRUE(CollectWhenDone(queue, &results, &itemId));
        EXPECT_EQ(itemId, 1u);
        EXPECT_EQ(queue.CountQueued(1), 0);
        EXPECT_EQ(queue.StartNext(), 1);
        EXPECT_EQ(m_plots.GetEntryCount(), 2);
    }
    EXPECT_EQ(low.Refs(), 1);
    EXPECT_EQ(playing.Refs(), 1);
}

TEST_F(ProfileJobQueueTest, TopItemDoesNotCancelAJobOfAnItemAlreadyAtTheTop)
{
    UniqueKernelHandle gate(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    FakeSource first(1, MakeId(1), Music(8.0));
    first.SetGate(gate.get());
    FakeSource second(2, MakeId(2), Music(8.0));
    CProfileJobQueue queue(&m_plots);
    queue.QueueTop(&first);
    queue.StartNext();
    queue.QueueTop(&second);
    queue.QueueTop(&first);
    SetEvent(gate.get());
    DWORD itemId = 0;
    EXPECT_TRUE(CollectWhenDone(queue, nullptr, &itemId));
    EXPECT_EQ(itemId, 1u);
}

TEST_F(ProfileJobQueueTest, FailedItemsAreNeverQueuedAgain)
{
    struct Case {
        const char* name;
        bool openFails;
        double seconds;
    } cases[] = {
        {"file cannot be opened", true, 4.0},
        {"empty file (sample count 0)", false, 0.0},
    };
    DWORD itemId = 10;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ++itemId;
        FakeSource source(itemId, MakeId(itemId), Music(c.seconds));
        if (c.openFails)
            source.SetOpenFails();
        CProfileJobQueue queue(&m_plots);
        queue.QueueMiddle(&source);
        EXPECT_EQ(queue.StartNext(), 0);
        EXPECT_FALSE(CollectWhenDone(queue, nullptr, nullptr));
        EXPECT_TRUE(queue.IsFailed(itemId));
        EXPECT_EQ(queue.CountQueued(itemId), 0);
        queue.QueueTop(&source);
        queue.QueueMiddle(&source);
        queue.QueueLow(&source);
        EXPECT_EQ(queue.CountQueued(itemId), 0);
        EXPECT_EQ(queue.StartNext(), 1);
    }
}

TEST_F(ProfileJobQueueTest, ListsHoldEachItemOnceAndRemoveTakesItFromAll)
{
    FakeSource item(3, MakeId(3), Music(1.0));
    CProfileJobQueue queue(&m_plots);
    queue.QueueTop(&item);
    queue.QueueTop(&item);
    queue.QueueMiddle(&item);
    queue.QueueMiddle(&item);
    queue.QueueLow(&item);
    EXPECT_EQ(queue.CountQueued(3), 3);
    EXPECT_EQ(item.Refs(), 4);
    queue.Unqueue(&item);
    EXPECT_EQ(queue.CountQueued(3), 2);
    queue.Remove(&item);
    EXPECT_EQ(queue.CountQueued(3), 0);
    EXPECT_EQ(item.Refs(), 1);
    EXPECT_EQ(queue.StartNext(), 1);
}

TEST_F(ProfileJobQueueTest, JobsCountAsActivityAndStopWaitsForThem)
{
    const LONG before = ModuleCounts::Activity();
    UniqueKernelHandle gate(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    FakeSource item(4, MakeId(4), Music(8.0), &m_engine);
    item.SetGate(gate.get());
    {
        CProfileJobQueue queue(&m_plots);
        queue.QueueLow(&item);
        queue.StartNext();
        EXPECT_GT(ModuleCounts::Activity(), before);
        SetEvent(gate.get());
        queue.Stop();
        EXPECT_EQ(ModuleCounts::Activity(), before);
        EXPECT_FALSE(queue.IsRunning());
        EXPECT_EQ(queue.CountQueued(4), 1);
    }
    EXPECT_EQ(item.Refs(), 1);
    // Progress went to the item's queue as 1000 + percent with the item id, never coalesced.
    const std::vector<FakeEngine::Message> posts = m_engine.QueuePosts();
    ASSERT_FALSE(posts.empty());
    EXPECT_EQ(posts.front(), (FakeEngine::Message{1000, 4}));
    EXPECT_FALSE(m_engine.AnyCoalesced());
}
