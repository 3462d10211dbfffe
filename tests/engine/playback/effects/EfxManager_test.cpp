// The effects manager over real hosts ("Ostrel.DLL" with the test effect DMO): edits through
// IEfxManager reach every registered host alike, settings are captured, applied and reverted,
// and the owner's mix manager hears of each change.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "tests/engine/core/mix/MixOwnerDouble.h"
#include "engine/playback/effects/EfxManager.h"
#include "classlib/com/UniqueHandle.h"
#include "engine/core/server/LiveAndPendingMixLock.h"
#include "tests/effects-host/OstrelFixture.h"

namespace {

using namespace ostrel_test;

constexpr size_t kFrames = 1024;

// The position of the test effect among the installed ones, or -1.
int TestEffectIndex(IEfxManager& manager)
{
    DWORD index = 0;
    BSTR name = nullptr;
    for (int i = 0; manager.GetAvailablePlugIn(i, &index, &name) == S_OK; ++i) {
        const bool found = std::wstring(name) == kTestEffectName;
        SysFreeString(name);
        if (found)
            return i;
    }
    return -1;
}

std::vector<float> Scaled(const std::vector<float>& input, float gain)
{
    std::vector<float> out(input);
    for (float& v : out)
        v *= gain;
    return out;
}

class EfxManagerTest : public testing::Test {
protected:
    void SetUp() override
    {
        manager = new CEfxManager(static_cast<IMixManagerInternal*>(&owner));
        first = NewInitializedHost();
        second = NewInitializedHost();
        ASSERT_TRUE(first && second);
        manager->AddProcessor(first.get());
        manager->AddProcessor(second.get());
        manager->ApplyPending();
        testEffect = TestEffectIndex(*manager);
        ASSERT_GE(testEffect, 0);
    }
    void TearDown() override { manager->NonDelegatingRelease(); }
    // Sets the gain of the first host's effect at chain position 0, as its property page would.
    void SetGainOfFirstEffect(float gain)
    {
        BSTR name = nullptr;
        LONG id = 0;
        ASSERT_EQ(manager->GetChainPlugIn(0, &name, &id), S_OK);
        SysFreeString(name);
        ComPtr<ITestEffectSettings> settings = EffectSettings(first.get(), id);
        ASSERT_TRUE(settings);
        const TestEffectSettings changed = {gain, 0, 0};
        ASSERT_EQ(settings->SetSettings(&changed), S_OK);
    }

    MixOwnerDouble owner;
    CEfxManager* manager = nullptr;
    ComPtr<IOstrel> first;
    ComPtr<IOstrel> second;
    int testEffect = -1;
    const std::vector<float> input = GridNoise(kFrames, 21);
};

TEST_F(EfxManagerTest, EditsReachEveryHostAndTellTheMixManager)
{
    ASSERT_EQ(manager->AddChainPlugIn(testEffect), S_OK);
    ASSERT_EQ(manager->AddChainPlugIn(testEffect), S_OK);
    EXPECT_EQ(owner.updates, (std::vector<BOOL>{TRUE, TRUE}));
    EXPECT_EQ(ChainIds(first.get()).size(), 2u);
    EXPECT_EQ(ChainIds(second.get()).size(), 2u);
    ASSERT_EQ(manager->EffectList().GetCount(), 2);
    EXPECT_STREQ(manager->EffectList().GetAt(0)->GetName(), kTestEffectName);

    BSTR name = nullptr;
    LONG firstId = 0;
    LONG secondId = 0;
    ASSERT_EQ(manager->GetChainPlugIn(1, &name, &secondId), S_OK);
    EXPECT_STREQ(name, kTestEffectName);
    SysFreeString(name);
    ASSERT_EQ(manager->GetChainPlugIn(0, &name, &firstId), S_OK);
    SysFreeString(name);
    EXPECT_EQ(manager->GetChainPlugIn(2, &name, nullptr), E_FAIL);
    EXPECT_EQ(name, nullptr);

    EXPECT_TRUE(manager->MoveChainPlugIn(firstId, -1));
    EXPECT_EQ(ChainIds(first.get()), (std::vector<LONG>{secondId, firstId}));
    EXPECT_FALSE(manager->MoveChainPlugIn(firstId, -2));
    EXPECT_EQ(manager->RemoveChainPlugIn(12345), E_FAIL);
    EXPECT_EQ(manager->RemoveChainPlugIn(secondId), S_OK);
    EXPECT_EQ(ChainIds(second.get()).size(), 1u);
    EXPECT_EQ(owner.updates.size(), 4u);

    ComPtr<IUnknown> plugIn;
    EXPECT_EQ(manager->GetChainPlugInObject(firstId, plugIn.put()), S_OK);
    EXPECT_TRUE(plugIn);
    EXPECT_EQ(manager->GetChainPlugInObject(secondId, plugIn.put()), E_FAIL);
}

TEST_F(EfxManagerTest, ARefusedPlugInChangesAndReportsNothing)
{
    ASSERT_EQ(manager->AddChainPlugIn(testEffect), S_OK);
    owner.updates.clear();
    DWORD index = 0;
    BSTR name = nullptr;
    for (int i = 0; manager->GetAvailablePlugIn(i, &index, &name) == S_OK; ++i) {
        SysFreeString(name);
        if (i != testEffect) {
            EXPECT_EQ(manager->AddChainPlugIn(i), E_FAIL) << i;
        }
    }
    EXPECT_EQ(manager->AddChainPlugIn(100000), E_FAIL);
    EXPECT_TRUE(owner.updates.empty());
    EXPECT_EQ(manager->EffectList().GetCount(), 1);
    EXPECT_EQ(ChainIds(second.get()).size(), 1u);
}

TEST_F(EfxManagerTest, CommittedSettingsComeBackInAFreshHostAndRevertRestoresThem)
{
    ASSERT_EQ(manager->AddChainPlugIn(testEffect), S_OK);
    SetGainOfFirstEffect(0.5f);
    ASSERT_EQ(manager->CommitChainSettings(), S_OK);
    // The second host follows the commit.
    EXPECT_EQ(Process(second.get(), input), Scaled(input, 0.5f));

    // A fresh host under a manager of its own, given the committed list.
    CEfxManager* other = new CEfxManager(nullptr);
    ComPtr<IOstrel> fresh = NewInitializedHost();
    other->AddProcessor(fresh.get());
    CEfxInfoCntr list;
    ASSERT_TRUE(manager->GetEffectList(list));
    ASSERT_TRUE(other->SetEffectList(list));
    EXPECT_EQ(Process(fresh.get(), input), Scaled(input, 0.5f));
    // A manager without an owner reports to nobody.
    const size_t updates = owner.updates.size();
    ASSERT_EQ(other->CommitChainSettings(), S_OK);
    EXPECT_EQ(owner.updates.size(), updates);
    other->NonDelegatingRelease();

    SetGainOfFirstEffect(4.0f);
    EXPECT_EQ(Process(first.get(), input), Scaled(input, 4.0f));
    ASSERT_EQ(manager->RevertChainSettings(), S_OK);
    EXPECT_EQ(owner.updates.back(), FALSE);
    EXPECT_EQ(Process(first.get(), input), Scaled(input, 0.5f));
    EXPECT_EQ(Process(second.get(), input), Scaled(input, 0.5f));
}

TEST(EfxManagerWithoutHost, AnswersEFailToEveryPlugInOperation)
{
    CEfxManager* manager = new CEfxManager(nullptr);
    DWORD index = 0;
    BSTR name = nullptr;
    IUnknown* object = nullptr;
    EXPECT_EQ(manager->GetAvailablePlugIn(0, &index, &name), E_FAIL);
    EXPECT_EQ(manager->GetChainPlugIn(0, &name, nullptr), E_FAIL);
    EXPECT_EQ(manager->AddChainPlugIn(0), E_FAIL);
    EXPECT_EQ(manager->RemoveChainPlugIn(1), E_FAIL);
    EXPECT_FALSE(manager->MoveChainPlugIn(1, -1));
    EXPECT_EQ(manager->GetChainPlugInObject(1, &object), E_FAIL);
    EXPECT_EQ(manager->RevertChainSettings(), E_FAIL);
    EXPECT_EQ(manager->CommitChainSettings(), E_FAIL);
    void* out = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(manager->QueryInterface(IID_IStream, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    ASSERT_EQ(manager->QueryInterface(IID_IEfxManager, &out), S_OK);
    EXPECT_EQ(manager->Release(), 1u);
    EXPECT_EQ(manager->NonDelegatingRelease(), 0u);
}

// A removal whose relink fails on another effect (its settings changed so that it refuses the
// link) leaves that effect out of the first host: the list, the other host and the mix manager
// follow what the chain now holds, and the answer says the effect asked for is still there.
TEST_F(EfxManagerTest, AFailedRemovalThatChangedTheChainIsFollowedAndAnsweredAsItHappened)
{
    ASSERT_EQ(manager->AddChainPlugIn(testEffect), S_OK);
    ASSERT_EQ(manager->AddChainPlugIn(testEffect), S_OK);
    const std::vector<LONG> ids = ChainIds(first.get());
    ASSERT_EQ(ids.size(), 2u);
    ComPtr<ITestEffectSettings> settings = EffectSettings(first.get(), ids[1]);
    ASSERT_TRUE(settings);
    const TestEffectSettings refusing = {1.0f, 0, kTestEffectRefuseLink};
    ASSERT_EQ(settings->SetSettings(&refusing), S_OK);
    owner.updates.clear();

    EXPECT_EQ(manager->RemoveChainPlugIn(ids[0]), E_FAIL) << "the effect is still in the chain";
    EXPECT_EQ(ChainIds(first.get()), (std::vector<LONG>{ids[0]}));
    ASSERT_EQ(manager->EffectList().GetCount(), 1);
    EXPECT_EQ(manager->EffectList().GetAt(0)->GetHostId(), ids[0]);
    EXPECT_EQ(ChainIds(second.get()).size(), 1u);
    EXPECT_EQ(owner.updates, (std::vector<BOOL>{TRUE}));
    EXPECT_EQ(Process(second.get(), input), input) << "the second host runs the unity effect left";
}

// The user interface edits the chain while the service tick may rebuild (and copy the list):
// every IEfxManager call waits for the global mix lock.
TEST_F(EfxManagerTest, ChainCallsWaitForTheGlobalMixLock)
{
    struct Holder {
        UniqueKernelHandle taken{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
        std::atomic<double> releasedAt{0.0};
    } holder;
    const auto now = [] {
        LARGE_INTEGER t;
        LARGE_INTEGER f;
        QueryPerformanceCounter(&t);
        QueryPerformanceFrequency(&f);
        return static_cast<double>(t.QuadPart) / static_cast<double>(f.QuadPart);
    };
    std::thread tick([&] {
        CLiveAndPendingMixSingleThreadAccess lock;
        SetEvent(holder.taken.get());
        Sleep(300);
        holder.releasedAt = now();
    });
    ASSERT_EQ(WaitForSingleObject(holder.taken.get(), 5000), WAIT_OBJECT_0);
    EXPECT_EQ(manager->AddChainPlugIn(testEffect), S_OK);
    const double returnedAt = now();
    tick.join();
    EXPECT_GE(returnedAt, holder.releasedAt.load()) << "the edit ran while the lock was held";
}

}  // namespace
