#include "engine/core/server/LiveAndPendingMixLock.h"
#include "engine/core/server/SingleThreadLock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

// Starts a thread that takes the lock made by `lockOnce`; reports whether it got it within
// `waitMs` while this thread holds its own lock, and again once this thread let go.
template <typename TakeLock>
void ExpectExclusive(TakeLock takeLock, const char* name)
{
    std::atomic<bool> taken{false};
    std::thread other;
    {
        auto held = takeLock();
        // Re-entrant on the owning thread: this must not block.
        auto again = takeLock();
        other = std::thread([&] {
            auto lock = takeLock();
            taken = true;
        });
        Sleep(200);
        EXPECT_FALSE(taken) << name << ": another thread got the lock while it was held";
    }
    other.join();
    EXPECT_TRUE(taken) << name << ": the other thread never got the lock";
}

TEST(Locks, SingleThreadLockIsReentrantAndExclusive)
{
    CSingleThreadToken token;
    ExpectExclusive([&] { return std::make_unique<CSingleThreadLock>(&token); }, "CSingleThreadLock");
}

TEST(Locks, GlobalMixLockIsReentrantAndExclusive)
{
    ExpectExclusive([] { return std::make_unique<CLiveAndPendingMixSingleThreadAccess>(); },
                    "CLiveAndPendingMixSingleThreadAccess");
}

}  // namespace
